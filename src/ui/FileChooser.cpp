#include "ui/FileChooser.h"

#include <QFileInfo>
#include <QPointer>

#include "base/Debug.h"
#include "ui/SkinResources.h"

void Tell(const MessageAction& message, const QString& key, const QString& argument) {
    QString text = Skin().Text(key);
    if (!argument.isNull())
        text = text.arg(argument);
    if (message)
        message(text, false, {});
    else
        DebugPrintf(DebugArea::App, "%s", qPrintable(text));
}

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

void WriteUnlessDeclined(const MessageAction& message, const QString& file,
                         std::function<void()> write) {
    if (!QFileInfo::exists(file)) {
        write();
        return;
    }
    if (!message)
        return;
    message(Skin().Text(QStringLiteral("file_replace_text")).arg(QFileInfo(file).fileName()), true,
            [write = std::move(write)](bool yes) {
                if (yes)
                    write();
            });
}
