// SPDX-License-Identifier: GPL-2.0-or-later
// The about window: the product and its software version.
#pragma once

#include "ui/Page.h"
#include "ui/SkinWindow.h"

class CAboutWnd : public CSkinWindow {
    Q_OBJECT
  public:
    static constexpr const char* kLayout = "AboutWnd.xml";
    static constexpr const char* kVersionLabel = "software_ver_label";
    // Hidden: the version text goes through the language file by way of this label.
    static constexpr const char* kTextProbe = "text_test";
    static constexpr PageControl kControls[] = {{kCloseButton}, {kMaxButton},    {kRestoreButton},
                                                {kMinButton},   {kVersionLabel}, {kTextProbe}};

    explicit CAboutWnd(QWidget* owner = nullptr);
    // Builds the layout and fills the version label.
    bool Init();
    void Notify(TNotifyUI& msg) override;
    // Texts again after a language change.
    void ApplyLanguage();

  protected:
    void changeEvent(QEvent* event) override;
};
