// SPDX-License-Identifier: GPL-2.0-or-later
// Key function codes: the three-byte function of a mouse button, how to build one from the
// editor's parameters, how to read the parameters back, and how to describe one in words.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "records/ProfileRecords.h"

// Byte 0 of a key function code.
enum KeyFunctionType : uint8_t {
    kKeyTypeNone = 0x00,
    kKeyTypeMouseButton = 0x10,
    kKeyTypeSwing = 0x11,
    kKeyTypeWheel = 0x12,
    kKeyTypeDpi = 0x13,
    kKeyTypeFire = 0x14,
    kKeyTypePointerMove = 0x15,  // mouse-event table only
    kKeyTypeDpiShift = 0x16,
    kKeyTypeKeyboard = 0x20,
    kKeyTypeShortcut = 0x22,
    kKeyTypeShowWindow = 0x23,
    kKeyTypeMedia = 0x30,
    kKeyTypeSystem = 0x40,
    kKeyTypeMacro = 0x70,
    kKeyTypeMacroRepeat = 0x71,
    kKeyTypeGun = 0x72,
    kKeyTypeSpecial = 0xA0,
    kKeyTypeComboPage = 0xB0,
    kKeyTypeMKey = 0xD0,
};

// Byte 1 of a keyboard code; bits may combine.
enum KeyModifier : uint8_t {
    kModLeftCtrl = 0x01,
    kModLeftShift = 0x02,
    kModLeftAlt = 0x04,
    kModLeftWin = 0x08,
    kModRightCtrl = 0x10,
    kModRightShift = 0x20,
    kModRightAlt = 0x40,
    kModRightWin = 0x80,
};

// Byte 1 of a mouse button code, and of a button event in a macro.
enum MouseButtonBit : uint8_t {
    kMouseLeft = 0x01,
    kMouseRight = 0x02,
    kMouseMiddle = 0x04,
    kMouseBack = 0x08,
    kMouseForward = 0x10,
};

// The device's play modes of type 0x70 are 0 .. kMacroPlayModeCount - 1.
inline constexpr unsigned kMacroPlayModeCount = 4;

// Builders. Parameters are taken as typed (any int) and only the bits the code holds are kept,
// so out-of-range input is truncated, never undefined.
constexpr KeyCode MakeKeyboardCode(uint8_t modifiers, uint8_t usage) {
    return {kKeyTypeKeyboard, modifiers, usage};
}
// Consumer usage, low byte first.
constexpr KeyCode MakeMediaCode(uint16_t usage) {
    return {kKeyTypeMedia, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
}
constexpr uint8_t MakeMotionTiming(int delay, int speed) {
    return static_cast<uint8_t>((static_cast<unsigned>(delay) & 0x0F) << 4 |
                                (static_cast<unsigned>(speed) & 0x0F));
}
constexpr KeyCode MakeSwingCode(bool right, int count, int delay, int speed) {
    const unsigned n = static_cast<unsigned>(count);
    return {kKeyTypeSwing, MakeMotionTiming(delay, speed),
            static_cast<uint8_t>(right ? (n | 0x80) & 0xFF : n & 0x7F)};
}
// Down stores the two's complement of -count (1 .. 127); 0 and 128 both give 0x80.
constexpr KeyCode MakeWheelCode(bool down, int count, int delay, int speed) {
    const unsigned n = static_cast<unsigned>(count);
    return {kKeyTypeWheel, MakeMotionTiming(delay, speed),
            static_cast<uint8_t>(down ? ((128u - n) | 0x80) & 0xFF : n & 0x7F)};
}
constexpr KeyCode MakeFireCode(int interval, int count) {
    return {kKeyTypeFire, static_cast<uint8_t>(interval), static_cast<uint8_t>(count)};
}
// playMode 0 .. 3.
constexpr KeyCode MakeMacroCode(uint8_t macroIndex, uint8_t playMode) {
    return {kKeyTypeMacro, macroIndex, playMode};
}
constexpr KeyCode MakeMacroRepeatCode(uint8_t macroIndex, int repeatCount) {
    return {kKeyTypeMacroRepeat, macroIndex, static_cast<uint8_t>(repeatCount)};
}
constexpr KeyCode MakeGunCode(uint8_t gun) {
    return {kKeyTypeGun, gun, 0};
}

constexpr bool IsMacroCode(const KeyCode& code) {
    return code[0] == kKeyTypeMacro || code[0] == kKeyTypeMacroRepeat;
}

inline constexpr KeyCode kLeftClickCode = {kKeyTypeMouseButton, kMouseLeft, 0x00};

// Whether giving `button` the function `code` leaves no button with the left click: a mouse
// without one cannot even click the tool to undo it.
bool TakesLastLeftClick(std::span<const KeyListEntry> keys, size_t button, const KeyCode& code);

// Readers.
struct SwingParams {
    uint8_t delay = 0;  // 0 .. 15
    uint8_t speed = 0;  // 0 .. 15
    bool right = false;
    uint8_t count = 0;  // 0 .. 127

    bool operator==(const SwingParams&) const = default;
};
struct WheelParams {
    uint8_t delay = 0;
    uint8_t speed = 0;
    bool down = false;
    uint16_t count = 0;  // up 0 .. 127, down 1 .. 128

    bool operator==(const WheelParams&) const = default;
};
struct FireParams {
    uint8_t interval = 0;
    uint8_t count = 0;

    bool operator==(const FireParams&) const = default;
};

constexpr SwingParams ReadSwingCode(const KeyCode& code) {
    return {static_cast<uint8_t>(code[1] >> 4), static_cast<uint8_t>(code[1] & 0x0F),
            (code[2] & 0x80) != 0, static_cast<uint8_t>(code[2] & 0x7F)};
}
constexpr WheelParams ReadWheelCode(const KeyCode& code) {
    const bool down = (code[2] & 0x80) != 0;
    return {static_cast<uint8_t>(code[1] >> 4), static_cast<uint8_t>(code[1] & 0x0F), down,
            static_cast<uint16_t>(down ? 128 - (code[2] & 0x7F) : code[2])};
}
constexpr FireParams ReadFireCode(const KeyCode& code) {
    return {code[1], code[2]};
}

// Resolves a language key to its text in the current language. An empty function shows keys raw.
using LanguageLookup = std::function<std::string(std::string_view key)>;

// Shown, untranslated, for a code of no known type.
inline constexpr std::string_view kUnknownTypeText = "关闭";

// The display text of a code: language texts through `translate`, macro names as stored.
// Empty when the code names nothing the tables know (a stale macro index, an unknown usage).
std::string DescribeAssignment(const KeyCode& code, std::span<const std::string> macroNames,
                               const LanguageLookup& translate);
