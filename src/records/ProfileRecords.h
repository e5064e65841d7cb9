// SPDX-License-Identifier: GPL-2.0-or-later
// The fixed-layout records that profiles convert to and from, shared with the device code.
// Field order is the byte order the device code and the settings image use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// 14-byte light record of every device family.
struct LightInfo {
    uint8_t effect = 0;               // 0 "SelectItem": effect number
    uint8_t brightness = 0;           // 1 "Light": level 0..4
    uint8_t speed = 0;                // 2 "Speed": index 0..4
    uint8_t direction = 0;            // 3 "Fx": 1 forward, 0 backward
    uint8_t multiColor = 0;           // 4 "MultiColor": colours from the wheel
    uint8_t red = 0;                  // 5
    uint8_t green = 0;                // 6
    uint8_t blue = 0;                 // 7
    std::array<uint8_t, 3> unused{};  // 8..10, never stored
    uint8_t ledMode = 0;              // 11 "ZZCCLedMode": keyboard custom-mode selector
    uint8_t customGroup = 0;          // 12 "CustomGroup"
    uint8_t savedEffect = 0;  // 13 "OldLedmode": effect kept while a game event overrides byte 0

    bool operator==(const LightInfo&) const = default;
};
static_assert(sizeof(LightInfo) == 14);

// The keyboard's audio lighting settings, nine bytes.
struct DeviceAudioSettings {
    uint8_t audioMode = 0;
    uint8_t backgroundRed = 0;
    uint8_t backgroundGreen = 0;
    uint8_t backgroundBlue = 0;
    uint8_t foregroundRed = 0;
    uint8_t foregroundGreen = 0;
    uint8_t foregroundBlue = 0;
    uint8_t sevenColor = 0;  // "7ColorFlags"
    uint8_t colorType = 0;   // "ColorTypeFlags"

    bool operator==(const DeviceAudioSettings&) const = default;
};
static_assert(sizeof(DeviceAudioSettings) == 9);

// One per-LED entry of "LightList", 14 bytes.
struct LightListEntry {
    uint8_t mode = 0;  // "LEDREGMode"
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    std::array<uint8_t, 2> unused1{};
    uint8_t present = 0;  // 1: the element was an object, 0: it was null
    std::array<uint8_t, 3> unused2{};

    bool operator==(const LightListEntry&) const = default;
};
static_assert(sizeof(LightListEntry) == 14);

// One step of a custom light effect file ("LEDEffectList").
struct EffectStep {
    uint8_t mode = 0;  // "LEDREGMode"
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    std::array<uint8_t, 8> unused{};
    uint32_t time = 0;   // "Time", milliseconds
    uint32_t cycle = 0;  // "Cyle"

    bool operator==(const EffectStep&) const = default;
};
static_assert(sizeof(EffectStep) == 24);

// A key function code: byte 0 the function type, bytes 1 and 2 its parameters.
using KeyCode = std::array<uint8_t, 3>;

// Profiles store a code as one integer: byte 0 * 65536 + byte 1 * 256 + byte 2.
constexpr uint32_t PackKeyCode(const KeyCode& code) {
    return uint32_t{code[0]} << 16 | uint32_t{code[1]} << 8 | code[2];
}
constexpr KeyCode UnpackKeyCode(uint32_t packed) {
    return {static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 8),
            static_cast<uint8_t>(packed)};
}

struct KeyAssignment {
    uint16_t button = 0;
    KeyCode code{};

    bool operator==(const KeyAssignment&) const = default;
};

// A button's current function and its factory function.
struct KeyListEntry {
    KeyAssignment current;
    KeyAssignment factory;

    bool operator==(const KeyListEntry&) const = default;
};

// One DPI stage, nine bytes on the device: enabled, X/Y-separate, X (LE16), Y (LE16), colour.
struct DpiStage {
    uint8_t enabled = 0;     // "StageActive"
    uint8_t xySeparate = 0;  // "StageXY"
    uint16_t x = 0;          // "StageDPIX": slider position(s), not DPI
    uint16_t y = 0;          // "StageDPIY"
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const DpiStage&) const = default;
};
inline constexpr size_t kDpiStageBytes = 9;
inline constexpr size_t kMaxDpiStages = 7;

// The mouse's 15 settings words.
struct MouseSettings {
    enum Word : size_t {
        kDoubleClickTime = 0,
        kPointerSpeed = 1,
        kPointerPrecision = 2,
        kScrollPage = 3,
        kWheelScrollLines = 4,
        kReportRate = 5,
        kLiftOff = 6,
        kAngleSnapping = 7,
        kRipple = 8,
        kReserved = 9,
        kWirelessSleep1 = 10,
        kWirelessSleep2 = 11,
        kDeviceSleep1 = 12,
        kDeviceSleep2 = 13,
        kKeyDebounce = 14,
        kWordCount = 15
    };
    std::array<uint16_t, kWordCount> words{};

    uint16_t& operator[](size_t word) { return words[word]; }
    uint16_t operator[](size_t word) const { return words[word]; }
    bool operator==(const MouseSettings&) const = default;
};

struct KeyboardSettings {
    uint16_t repeat = 0;
    uint16_t repeatDelay = 0;
    uint16_t key6Flag = 0;
    uint16_t pollingRate = 0;
    uint16_t wFlag = 0;
    uint16_t winFlag = 0;

    bool operator==(const KeyboardSettings&) const = default;
};

struct CustomLightColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    bool operator==(const CustomLightColor&) const = default;
};

// "SystemSetStages" of the headset, in file order.
struct HeadsetSettings {
    int32_t magicEnable = 0;
    int32_t magicType = 0;
    int32_t eqType = 0;
    int32_t customEqSelectIndex = 0;  // "CustomEqSeletIndex"
    int32_t micInSelect = 0;
    int32_t micInValue = 0;
    int32_t micMonitorSelect = 0;  // "MicMoniterSelect"
    int32_t micMonitorValue = 0;   // "MicMoniterValue"

    bool operator==(const HeadsetSettings&) const = default;
};
