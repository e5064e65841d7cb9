// SPDX-License-Identifier: GPL-2.0-or-later
// The constant tables of the light effects: scales, curves, colour wheel, step thresholds and the
// LED groups of the mouse. Frames are table look-ups and integer arithmetic only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct LightRgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const LightRgb&) const = default;
};

// Effect numbers of the mouse (LightInfo byte 0). 9 and 11 and above play the step list.
enum LightEffect : uint8_t {
    kEffectStatic = 0,
    kEffectBreathing = 1,
    kEffectTrail = 2,
    kEffectSpectrum = 3,
    kEffectWave = 4,
    kEffectFourColourBreathing = 5,
    kEffectOff = 6,
    kEffectReactive = 7,
    kEffectFourColourBlink = 8,
    kEffectStepList = 9,
    kEffectBlink = 10,
};

constexpr bool IsStepListEffect(uint8_t effect) {
    return effect == kEffectStepList || effect >= 11;
}

inline constexpr size_t kMouseLedCount = 15;
inline constexpr size_t kKeyLightLevels = 170;
inline constexpr size_t kRingSize = 23;
inline constexpr uint8_t kMaxLevel = 4;  // brightness and speed levels are 0..4

// Brightness scale, by brightness level.
inline constexpr std::array<uint8_t, 5> kBrightnessScale = {0, 50, 100, 175, 255};
// The highest brightness and speed level the mouse knows.
inline constexpr int kMouseLevelMaximum = 4;

inline constexpr std::array<uint8_t, 64> kRamp = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

// The ramp up, then down again.
inline constexpr std::array<uint8_t, 128> kBreathingCurve = [] {
    std::array<uint8_t, 128> curve{};
    for (size_t i = 0; i < kRamp.size(); ++i) {
        curve[i] = kRamp[i];
        curve[curve.size() - 1 - i] = kRamp[i];
    }
    return curve;
}();

// The upper part of the ramp (from 22) up, then down: a wave never goes fully dark.
inline constexpr std::array<uint8_t, 96> kWaveCurve = [] {
    std::array<uint8_t, 96> curve{};
    for (size_t i = 0; i < 48; ++i) {
        curve[i] = kRamp[16 + i];
        curve[curve.size() - 1 - i] = kRamp[16 + i];
    }
    return curve;
}();

inline constexpr std::array<uint8_t, 32> kWheelRise = {
    1,  3,  5,  7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
inline constexpr std::array<uint8_t, 32> kWheelFall = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0};

inline constexpr size_t kWheelSize = 192;

// Red to yellow, green, cyan, blue, magenta and back to red, in six segments of 32.
inline constexpr std::array<LightRgb, kWheelSize> kColourWheel = [] {
    std::array<LightRgb, kWheelSize> wheel{};
    for (size_t i = 0; i < 32; ++i) {
        const uint8_t rise = kWheelRise[i];
        const uint8_t fall = kWheelFall[i];
        wheel[i] = {255, rise, 0};
        wheel[32 + i] = {fall, 255, 0};
        wheel[64 + i] = {0, 255, rise};
        wheel[96 + i] = {0, fall, 255};
        wheel[128 + i] = {rise, 0, 255};
        wheel[160 + i] = {255, 0, fall};
    }
    return wheel;
}();

// Multicolour breathing moves this far round the wheel per breath: six colours.
inline constexpr size_t kBreathingWheelStep = 32;

inline constexpr std::array<LightRgb, 4> kFourColours = {
    {{0, 255, 180}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}}};

// Step thresholds in counted ticks: 15 rows of 15 bytes, of which the first five (by speed
// level) are used.
using ThresholdTable = std::array<std::array<uint8_t, 15>, 15>;

constexpr ThresholdTable MakeThresholdTable(std::array<uint8_t, 5> row,
                                            std::array<uint8_t, 5> row1 = {0, 0, 0, 0, 0}) {
    ThresholdTable table{};
    for (size_t r = 0; r < table.size(); ++r) {
        const auto& source = (r == 1 && row1[0] != 0) ? row1 : row;
        for (size_t s = 0; s < source.size(); ++s)
            table[r][s] = source[s];
    }
    return table;
}

// Breathing (row 1) is faster than everything else.
inline constexpr ThresholdTable kStepThresholds =
    MakeThresholdTable({28, 23, 18, 13, 7}, {7, 5, 4, 3, 1});
// Blink period (in 200 ms units, row 0) and the step-list player.
inline constexpr ThresholdTable kPeriodThresholds = MakeThresholdTable({28, 23, 18, 13, 7});
// The step-list player's spectrum.
inline constexpr ThresholdTable kSpectrumThresholds = MakeThresholdTable({5, 4, 3, 2, 1});

// Threshold row of each built-in effect; -1 for the step list, which keeps its own pace.
inline constexpr std::array<int8_t, 11> kEffectThresholdRow = {0, 1, 2, 3, 4, 1, 6, 7, 10, -1, 10};

// The wave and the trail address the mouse's LEDs in seven groups; -1 is no LED.
using LedGroup = std::array<int8_t, 3>;
inline constexpr std::array<LedGroup, 7> kMouseLedGroups = {
    {{0, -1, 13}, {1, -1, 12}, {2, -1, 11}, {3, -1, 10}, {4, -1, 9}, {5, -1, 8}, {6, 14, 7}}};

// Levels read from records are clamped: a stray byte must not index past a table.
constexpr uint8_t ClampLevel(uint8_t level) {
    return level > kMaxLevel ? kMaxLevel : level;
}
constexpr uint8_t BrightnessScale(uint8_t level) {
    return kBrightnessScale[ClampLevel(level)];
}
constexpr uint8_t Threshold(const ThresholdTable& table, size_t row, uint8_t speed) {
    return table[row][ClampLevel(speed)];
}

// Advances (direction != 0) or steps back a position within [0, limit), byte arithmetic.
constexpr uint8_t StepPosition(uint8_t direction, unsigned limit, uint8_t position, uint8_t delta) {
    if (direction != 0) {
        position = static_cast<uint8_t>(position + delta);
        if (position >= limit)
            position = 0;
    } else {
        position = static_cast<uint8_t>(position - delta);
        if (position >= limit)
            position = static_cast<uint8_t>(limit - delta);
    }
    return position;
}

// One decay step of a key light level; the trail uses rule 29. Falls stop at 0.
constexpr uint8_t DecayLevel(uint8_t level, uint8_t rule) {
    auto minus = [level](int amount) {
        return static_cast<uint8_t>(level > amount ? level - amount : 0);
    };
    if (rule == 29) {
        if (level & 0x90)
            return minus(45);
        if (level & 0x60)
            return minus(35);
        return minus(1);
    }
    if (level >= 128)
        return minus(40);
    if (level & 0x40)
        return minus(30);
    if (level & 0x20)
        return minus(rule == 0 ? 15 : 10);
    if (level > 16)
        return minus(8);
    return minus(1);
}

// alpha = value * scale / 256, as the effects compute it.
constexpr uint8_t ScaleAlpha(unsigned value, unsigned scale) {
    return static_cast<uint8_t>((value * scale) >> 8);
}
