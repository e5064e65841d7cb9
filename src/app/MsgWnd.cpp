// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/MsgWnd.h"

#include <QAbstractButton>
#include <QLabel>

#include "ui/SkinResources.h"

CMsgWnd::CMsgWnd(QWidget* owner) : CSkinWindow(owner) {
    setObjectName(QStringLiteral("MsgWnd"));
    setWindowTitle(QStringLiteral("msgwnd"));
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    SetClosesOnEscape(true);
}

void CMsgWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != NotifyType::kClick)
        return;
    QString name = msg.SenderName();
    if (name == QLatin1String(kConfirm))
        Close(1);
    else if (name == QLatin1String(kCancel) || name == QLatin1String(kCloseButton))
        Close(0);
    else if (name == QLatin1String(kMinButton))
        showMinimized();
}

namespace {

// The message window with its texts and buttons, sized and centred; null when it cannot be built.
CMsgWnd* BuildMessage(QWidget* owner, const QString& title, const QString& text, int dpi,
                      bool textIsKey, int buttonMode) {
    auto* window = new CMsgWnd(owner);
    if (!window->Create(QString::fromLatin1(CMsgWnd::kLayout))) {
        delete window;
        return nullptr;
    }
    if (auto* label = window->FindControl<QLabel>(QString::fromLatin1(CMsgWnd::kTitle));
        label && !title.isEmpty())
        label->setText(title);
    if (auto* label = window->FindControl<QLabel>(QString::fromLatin1(CMsgWnd::kText));
        label && !text.isEmpty())
        label->setText(textIsKey ? Skin().Text(text) : text);
    window->SetDpi(dpi, "MSG_WND DPI SET ERROR");
    auto* confirm = window->FindControl<QAbstractButton>(QString::fromLatin1(CMsgWnd::kConfirm));
    auto* cancel = window->FindControl<QAbstractButton>(QString::fromLatin1(CMsgWnd::kCancel));
    if (confirm && cancel &&
        (buttonMode == kMessageConfirmOnly || buttonMode == kMessageConfirmCancel)) {
        confirm->setVisible(true);
        cancel->setVisible(buttonMode == kMessageConfirmCancel);
    }
    window->adjustSize();
    window->CenterWindow();
    return window;
}

}  // namespace

int ShowMessage(QWidget* owner, const QString& title, const QString& text, int dpi, bool textIsKey,
                int buttonMode) {
    CMsgWnd* window = BuildMessage(owner, title, text, dpi, textIsKey, buttonMode);
    if (!window)
        return 0;
    QPointer<CMsgWnd> guard(window);
    int result = window->ShowModal();
    delete guard.data();
    return result;
}

CMsgWnd* OpenMessage(QWidget* owner, const QString& text, int dpi) {
    return OpenMessage(owner, text, dpi, false, kMessageConfirmOnly, {});
}

CMsgWnd* OpenMessage(QWidget* owner, const QString& text, int dpi, bool textIsKey, int buttonMode,
                     std::function<void(int)> answered) {
    CMsgWnd* window = BuildMessage(owner, QString(), text, dpi, textIsKey, buttonMode);
    if (!window) {
        if (answered)
            answered(0);
        return nullptr;
    }
    QObject::connect(window, &CSkinWindow::Finished, window,
                     [window, answered = std::move(answered)](int result) {
                         window->deleteLater();
                         if (answered)
                             answered(result);
                     });
    window->Open();
    return window;
}
