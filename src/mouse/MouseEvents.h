// SPDX-License-Identifier: GPL-2.0-or-later
// What a report from the mouse's event interface asks the tool to do. Pure: the listener
// decodes, the mouse acts (see IMouseOwner).
#pragma once

#include <cstdint>
#include <span>
#include <string>

enum class MouseEventAction {
    kIgnore,
    // 0x0401: the settings changed on the mouse itself; re-read them a little later.
    kReloadSettings,
    // 0x0403 on the cable: a button press for the reactive light preview.
    kReactiveLight,
    // 0x10xx, 0x11xx: the mouse changed its profile (and stage); show the profile again.
    kRefreshProfile,
};

struct MouseEvent {
    uint16_t code = 0;  // report byte 1 | byte 2 << 8
    MouseEventAction action = MouseEventAction::kIgnore;
    int delayMs = 0;       // kReloadSettings: how long to wait before reading
    int profileSlot = -1;  // kRefreshProfile: bits 0..3
    int dpiStage = -1;     // 0x11xx: bits 4..7 when they name one of the seven stages

    bool operator==(const MouseEvent&) const = default;
};

inline constexpr uint16_t kEventSettingsChanged = 0x0401;
inline constexpr uint16_t kEventButtonPressed = 0x0403;
inline constexpr int kSettingsReloadDelayMs = 50;

// A report shorter than three bytes carries no code and is ignored.
MouseEvent DecodeMouseEvent(std::span<const uint8_t> report, bool throughReceiver);
// One line of English for people (kestrunectl watch).
std::string DescribeMouseEvent(const MouseEvent& event);
