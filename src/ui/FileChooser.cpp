// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/FileChooser.h"

#include <QFileInfo>
#include <QPointer>

#include "base/Debug.h"
#include "ui/SkinResources.h"

QFileDialog* OpenFileChooser(QWidget* owner, const QString& title, const QString& filter,
                             const QString& suffix, bool save,
                             std::function<void(const QString& file)> chosen) {
    auto* dialog = new QFileDialog(owner ? owner->window() : nullptr, title);
    // The same dialog everywhere, and one a test can answer.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(suffix);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    dialog->setWindowModality(Qt::WindowModal);
    QPointer<QWidget> guard(owner);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [guard, dialog, chosen = std::move(chosen)](int result) {
                         const QStringList files = dialog->selectedFiles();
                         dialog->deleteLater();
                         if (guard && result == QDialog::Accepted && !files.isEmpty() &&
                             !files.front().isEmpty())
                             chosen(files.front());
                     });
    dialog->open();
    return dialog;
}
