// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/AboutWnd.h"

#include <QEvent>
#include <QLabel>

#include "base/Version.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

CAboutWnd::CAboutWnd(QWidget* owner) : CSkinWindow(owner) {
    setObjectName(QStringLiteral("AboutWnd"));
    setWindowTitle(QStringLiteral("  "));
    SetClosesOnEscape(true);
}

bool CAboutWnd::Init() {
    if (!Create(QString::fromLatin1(kLayout)))
        return false;
    ApplyLanguage();
    return true;
}

void CAboutWnd::ApplyLanguage() {
    if (Root())
        ApplyLanguageTexts(Root());
    // The version text comes from the language file by way of the hidden "text_test" label.
    auto* probe = FindControl<QLabel>(QString::fromLatin1(kTextProbe));
    auto* version = FindControl<QLabel>(QString::fromLatin1(kVersionLabel));
    if (!probe || !version)
        return;
    const std::string_view number = ApplicationVersion();
    probe->setText(
        Skin()
            .Text(QStringLiteral("software_rev_text"))
            .arg(QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size()))));
    version->setText(probe->text());
}

void CAboutWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != NotifyType::kClick)
        return;
    QString name = msg.SenderName();
    if (name == QLatin1String(kCloseButton))
        Close(0);
    else if (name == QLatin1String(kMinButton))
        showMinimized();
    else if (name == QLatin1String(kMaxButton))
        showMaximized();
    else if (name == QLatin1String(kRestoreButton))
        showNormal();
}

void CAboutWnd::changeEvent(QEvent* event) {
    CSkinWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Maximise and restore swap with the zoom state.
    bool zoomed = isMaximized();
    if (auto* max = FindControl(QString::fromLatin1(kMaxButton)))
        max->setVisible(!zoomed);
    if (auto* restore = FindControl(QString::fromLatin1(kRestoreButton)))
        restore->setVisible(zoomed);
}
