// SPDX-License-Identifier: GPL-2.0-or-later
// The choices behind the settings the mouse keeps in its settings image, and what people call
// them. The page's options and combos carry these numbers; the mouse interprets them.
#pragma once

#include <array>
#include <string_view>

#include "records/ProfileRecords.h"

// Report rate option → reports per second.
inline constexpr std::array<int, 5> kReportRateHz = {125, 250, 500, 1000, 2000};
// Lift-off distance options.
inline constexpr std::array<std::string_view, 2> kLiftOffNames = {"low", "high"};
// Angle snapping and ripple control options.
inline constexpr std::array<std::string_view, 2> kSwitchNames = {"off", "on"};
// Key debounce item → milliseconds.
inline constexpr std::array<int, 6> kDebounceMs = {2, 4, 6, 8, 10, 12};

// The sleep settings: setting 1 is the idle time before the mouse dims (seconds), setting 2
// the idle time before it sleeps (minutes). The image carries one byte of each.
struct SleepSetting {
    std::string_view name;  // as kestrunectl takes it
    MouseSettings::Word word;
    bool minutes;
};
inline constexpr std::array<SleepSetting, 4> kSleepSettings = {{
    {"wireless-dim", MouseSettings::kWirelessSleep1, false},
    {"wireless-sleep", MouseSettings::kWirelessSleep2, true},
    {"device-dim", MouseSettings::kDeviceSleep1, false},
    {"device-sleep", MouseSettings::kDeviceSleep2, true},
}};
inline constexpr std::array<int, 6> kSleepDimSeconds = {10, 30, 60, 120, 180, 240};
inline constexpr std::array<int, 6> kSleepMinutes = {1, 5, 10, 30, 60, 120};

// The pointer settings kept with the profile: pointer speed, wheel lines, double-click time
// (milliseconds). Neither front end changes the desktop's own settings with them.
struct PointerRange {
    int lowest;
    int highest;
};
inline constexpr PointerRange kPointerSpeedRange = {1, 20};
inline constexpr PointerRange kScrollLinesRange = {1, 20};
inline constexpr PointerRange kDoubleClickMsRange = {200, 900};
