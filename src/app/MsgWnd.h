// SPDX-License-Identifier: GPL-2.0-or-later
// The message window: a title, a text and one or two buttons, run modal.
#pragma once

#include <functional>

#include "ui/Page.h"
#include "ui/SkinWindow.h"

class CMsgWnd : public CSkinWindow {
    Q_OBJECT
  public:
    static constexpr const char* kLayout = "XML_MSG";
    static constexpr const char* kTitle = "MessageTitle";
    static constexpr const char* kText = "MessageText";
    static constexpr const char* kConfirm = "confirm_btn";
    static constexpr const char* kCancel = "cancel_btn";
    static constexpr PageControl kControls[] = {
        {kTitle}, {kText}, {kConfirm}, {kCancel}, {kCloseButton}};

    explicit CMsgWnd(QWidget* owner = nullptr);
    void Notify(TNotifyUI& msg) override;
};

enum MessageButtons : int {
    kMessageConfirmOnly = 0,
    kMessageConfirmCancel = 1,
};

// As ShowMessage, but it returns at once with the window open, modal over its owner:
// `answered` gets 1 when the user confirms, 0 otherwise, and the window is deleted after.
// The caller's event loop keeps running meanwhile (a test can answer it as a user would).
CMsgWnd* OpenMessage(QWidget* owner, const QString& text, int dpi, bool textIsKey, int buttonMode,
                     std::function<void(int)> answered);

// 1 when the user confirms, 0 otherwise. `text` is a language key when textIsKey is set; an
// empty title or text keeps the layout's own. An unsupported DPI gives 96.
int ShowMessage(QWidget* owner, const QString& title, const QString& text, int dpi, bool textIsKey,
                int buttonMode);

// The same message with only the confirm button, without waiting for it: the window closes and
// goes away by itself. Null when the layout cannot be built.
CMsgWnd* OpenMessage(QWidget* owner, const QString& text, int dpi);
