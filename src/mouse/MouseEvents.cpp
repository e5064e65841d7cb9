// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/MouseEvents.h"

#include "records/ProfileRecords.h"

MouseEvent DecodeMouseEvent(std::span<const uint8_t> report, bool throughReceiver) {
    MouseEvent event;
    if (report.size() < 3)
        return event;
    event.code = static_cast<uint16_t>(report[1] | report[2] << 8);
    if (event.code == kEventSettingsChanged) {
        event.action = MouseEventAction::kReloadSettings;
        event.delayMs = kSettingsReloadDelayMs;
    } else if (event.code == kEventButtonPressed && !throughReceiver) {
        event.action = MouseEventAction::kReactiveLight;
    } else if (event.code > kEventSettingsChanged) {
        const int kind = event.code >> 8;
        if (kind == 0x10 || kind == 0x11) {
            event.action = MouseEventAction::kRefreshProfile;
            event.profileSlot = event.code & 0x0F;
            const int stage = (event.code >> 4) & 0x0F;
            if (kind == 0x11 && stage < static_cast<int>(kMaxDpiStages))
                event.dpiStage = stage;
        }
    }
    return event;
}

std::string DescribeMouseEvent(const MouseEvent& event) {
    switch (event.action) {
        case MouseEventAction::kReloadSettings:
            return "settings changed on the mouse: re-reading them in " +
                   std::to_string(event.delayMs) + " ms";
        case MouseEventAction::kReactiveLight:
            return "button pressed: reactive light preview";
        case MouseEventAction::kRefreshProfile: {
            std::string text =
                "the mouse switched to profile slot " + std::to_string(event.profileSlot);
            if (event.dpiStage >= 0)
                text += ", DPI stage " + std::to_string(event.dpiStage + 1);
            return text + ": showing the profile again";
        }
        case MouseEventAction::kIgnore:
            break;
    }
    return "ignored";
}
