// The message window: a title, a text and one or two buttons, run modal.
#pragma once

#include "ui/SkinWindow.h"

class CMsgWnd : public CSkinWindow {
    Q_OBJECT
  public:
    explicit CMsgWnd(QWidget* owner = nullptr);
    void Notify(TNotifyUI& msg) override;
};

enum MessageButtons : int {
    kMessageConfirmOnly = 0,
    kMessageConfirmCancel = 1,
};

// 1 when the user confirms, 0 otherwise. `text` is a language key when textIsKey is set; an
// empty title or text keeps the layout's own. An unsupported DPI gives 96.
int ShowMessage(QWidget* owner, const QString& title, const QString& text, int dpi, bool textIsKey,
                int buttonMode);
