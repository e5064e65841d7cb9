// SPDX-License-Identifier: GPL-2.0-or-later
// One event of a macro (or of a recoil pattern): what is pressed, released or moved, and how long
// the mouse waits before the next event.
#pragma once

#include <json/json.h>

#include <array>
#include <cstdint>
#include <string_view>

enum class MacroEventType : uint8_t {
    MouseButton = 1,  // Button: one mouse button bit
    MoveX = 4,        // Button: distance; "down" moves left, "up" right
    MoveY = 5,        // Button: distance; "down" moves up, "up" down
    Modifier = 9,     // Button: one modifier bit of a keyboard report
    Key = 10,         // Button: HID keyboard usage
};

inline constexpr uint16_t kMaxMacroDelay = 65535;

struct MacroEvent {
    bool down = false;   // "Action": "down" (press; left or up for a move) or "up"
    uint8_t button = 0;  // "Button"
    uint8_t type = 0;    // "Type": a MacroEventType value, kept as read
    uint16_t delay = 0;  // "Delay", milliseconds after this event

    bool operator==(const MacroEvent&) const = default;
};

constexpr MacroEvent MakeMacroEvent(MacroEventType type, bool down, uint8_t button,
                                    uint16_t delay = 0) {
    return {down, button, static_cast<uint8_t>(type), delay};
}

// The leading decimal digits of `text` (after any white space), held at kMaxMacroDelay; 0 when
// there are none.
uint16_t ParseDelayText(std::string_view text);
// "Delay" as a string or a number; anything else, a negative or a non-finite number reads as 0.
uint16_t ReadDelay(const Json::Value& value);

// An element of an "Events" array; members of the wrong type read as 0.
MacroEvent ReadMacroEvent(const Json::Value& element);
// Macro files keep "Delay" as a decimal string, recoil files as a number.
enum class DelayForm { String, Number };
Json::Value MacroEventToJson(const MacroEvent& event, DelayForm form);

// The four bytes the mouse plays: delay (LE), type with bit 7 for "down", button.
std::array<uint8_t, 4> EncodeMacroEvent(const MacroEvent& event);

// The language key that names the event's key, button or move direction; empty for an unknown
// usage or type. Moves are named by direction; the distance is shown beside the name.
std::string_view MacroEventNameKey(const MacroEvent& event);
