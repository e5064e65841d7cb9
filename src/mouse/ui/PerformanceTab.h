// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's performance tab: report rate, lift-off distance, angle snapping and ripple
// control as option groups; the four sleep timers and the key debounce as combos. Each choice
// is one settings word, stored in the profile and written to the mouse.
#pragma once

#include <array>

#include "mouse/DpiMath.h"
#include "mouse/MouseOptions.h"
#include "mouse/ui/MouseTab.h"

class QComboBox;

class CPerformanceTabUI : public CMouseTabUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "MousePerformanceTab";
    static constexpr const char* kReportRatePrefix = "polling_rate_option_";
    static constexpr const char* kLiftOffPrefix = "Silent_Altitude_option_";
    static constexpr const char* kAngleSnappingPrefix = "Linear_Calibration_option_";
    static constexpr const char* kRipplePrefix = "Ripple_option_";
    static constexpr const char* kDebounceCombo = "Anti_Shake_combo_timeSelect";

    // Each sleep combo and the timer (of kSleepSettings) it sets.
    struct SleepCombo {
        const char* name;
        size_t setting;
    };
    static constexpr std::array<SleepCombo, 4> kSleepCombos = {{
        {"ble_sleep1_combo", 0},
        {"ble_sleep2_combo", 1},
        {"device_sleep1_combo", 2},
        {"device_sleep2_combo", 3},
    }};

    static constexpr PageControl kControls[] = {
        {kReportRatePrefix, 0, 4}, {kLiftOffPrefix, 0, 1}, {kAngleSnappingPrefix, 0, 1},
        {kRipplePrefix, 0, 1},     {kSleepCombos[0].name}, {kSleepCombos[1].name},
        {kSleepCombos[2].name},    {kSleepCombos[3].name}, {kDebounceCombo},
    };

    using CMouseTabUI::CMouseTabUI;

    void ShowProfile(const MouseProfileSnapshot& profile) override;
    const MouseSettings& Settings() const { return m_settings; }

    bool HandleNotify(TNotifyUI& msg) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnOption(TNotifyUI& msg, int n);
    void OnSleepCombo(TNotifyUI& msg, int);
    void OnDebounceCombo(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CPerformanceTabUI>> HandlerTable();

  private:
    static const PageHandler<CPerformanceTabUI> kHandlers[];

    // The option labels and combo items, once the layout's controls are there.
    void FillChoices();
    void ShowOptionGroup(OptionGroup group);
    void ShowCombos();
    // Word `word` takes `value` in the page's copy and in the mouse.
    void Commit(MouseSettings::Word word, uint16_t value);

    MouseSettings m_settings{};
    bool m_filled = false;
};
