// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's pointer tab: pointer speed and precision, wheel lines or a page per notch,
// and the double-click time. They are kept with the profile only; the buttons beside them open
// the desktop's own keyboard and mouse settings.
#pragma once

#include <memory>

#include "mouse/MouseOptions.h"
#include "mouse/ui/MouseTab.h"
#include "ui/DesktopSettings.h"

class QSlider;
struct PointerSlider;

class CPointerTabUI : public CMouseTabUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "MousePointerTab";
    static constexpr const char* kSpeedSlider = "pointer_speed_slider";
    static constexpr const char* kPrecisionCheck = "pointer_precision_check";
    static constexpr const char* kScrollSlider = "scroll_speed_slider";
    static constexpr const char* kScrollPageCheck = "scrolls_page_check";
    static constexpr const char* kDoubleClickSlider = "double_click_slider";
    static constexpr const char* kSpeedValue = "pointer_speed_value";
    static constexpr const char* kScrollValue = "scroll_speed_value";
    static constexpr const char* kDoubleClickValue = "double_click_value";
    static constexpr const char* kDesktopSettingsPrefix = "windowdeviceset_";
    static constexpr const char* kDesktopSettingsStatus = "windowdeviceset_status";
    static constexpr PageControl kControls[] = {
        {kSpeedSlider},           {kPrecisionCheck},    {kScrollSlider},
        {kScrollPageCheck},       {kDoubleClickSlider}, {kSpeedValue},
        {kScrollValue},           {kDoubleClickValue},  {kDesktopSettingsPrefix, 0, 1},
        {kDesktopSettingsStatus},
    };

    explicit CPointerTabUI(QWidget* parent = nullptr);

    // The desktop settings programs are started through it (tests record them instead).
    void SetLauncher(std::unique_ptr<IDesktopSettingsLauncher> launcher) {
        m_launcher = std::move(launcher);
    }
    void ShowProfile(const MouseProfileSnapshot& profile) override;
    const MouseSettings& Settings() const { return m_settings; }

    bool HandleNotify(TNotifyUI& msg) override;

  private:
    void OnSliderMoved(TNotifyUI& msg, int);
    void OnSliderChanged(TNotifyUI& msg, int);
    void OnPrecision(TNotifyUI& msg, int);
    void OnScrollPage(TNotifyUI& msg, int);
    void OnDesktopSettings(TNotifyUI& msg, int n);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CPointerTabUI>> HandlerTable();

  private:
    static const PageHandler<CPointerTabUI> kHandlers[];

    void ShowWords();
    void ShowValue(const PointerSlider& slider, int value);
    // Words `words` of the page's copy go to the profile file (not to the mouse).
    void Commit(std::initializer_list<MouseSettings::Word> words);

    MouseSettings m_settings{};
    std::unique_ptr<IDesktopSettingsLauncher> m_launcher;
};
