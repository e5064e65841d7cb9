// The about window: the product and its software version.
#pragma once

#include "ui/SkinWindow.h"

class CAboutWnd : public CSkinWindow {
    Q_OBJECT
  public:
    explicit CAboutWnd(QWidget* owner = nullptr);
    // Builds the layout and fills the version label.
    bool Init();
    void Notify(TNotifyUI& msg) override;
    // Texts again after a language change.
    void ApplyLanguage();

  protected:
    void changeEvent(QEvent* event) override;
};
