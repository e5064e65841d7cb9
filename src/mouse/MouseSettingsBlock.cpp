// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/MouseSettingsBlock.h"

#include <algorithm>

namespace {

struct WordByte {
    MouseSettings::Word word;
    size_t offset;
    bool readBack;
};

// The settings words the mouse keeps. A read leaves lift-off as the profile has it.
constexpr WordByte kDeviceWords[] = {
    {MouseSettings::kReportRate, MouseBlock::kReportRate, true},
    {MouseSettings::kWirelessSleep1, MouseBlock::kWirelessSleep1, true},
    {MouseSettings::kWirelessSleep2, MouseBlock::kWirelessSleep2, true},
    {MouseSettings::kDeviceSleep1, MouseBlock::kDeviceSleep1, true},
    {MouseSettings::kDeviceSleep2, MouseBlock::kDeviceSleep2, true},
    {MouseSettings::kKeyDebounce, MouseBlock::kKeyDebounce, true},
    {MouseSettings::kLiftOff, MouseBlock::kLiftOff, false},
    {MouseSettings::kAngleSnapping, MouseBlock::kAngleSnapping, true},
    {MouseSettings::kRipple, MouseBlock::kRipple, true},
};

}  // namespace

uint8_t SpeedCode(uint8_t speedIndex) {
    return speedIndex < kSpeedCodeTable.size() ? kSpeedCodeTable[speedIndex] : 0x00;
}

uint8_t SpeedIndex(uint8_t speedCode) {
    const auto* found = std::ranges::find(kSpeedCodeTable, speedCode);
    return found == kSpeedCodeTable.end() ? kSlowestSpeedIndex
                                          : static_cast<uint8_t>(found - kSpeedCodeTable.begin());
}

std::array<uint8_t, kDpiStageBytes> DpiStageBytes(const DpiStage& stage) {
    return {stage.enabled,
            stage.xySeparate,
            static_cast<uint8_t>(stage.x),
            static_cast<uint8_t>(stage.x >> 8),
            static_cast<uint8_t>(stage.y),
            static_cast<uint8_t>(stage.y >> 8),
            stage.red,
            stage.green,
            stage.blue};
}

DpiStage DpiStageFromBytes(std::span<const uint8_t, kDpiStageBytes> bytes) {
    DpiStage stage;
    stage.enabled = bytes[0];
    stage.xySeparate = bytes[1];
    stage.x = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    stage.y = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    stage.red = bytes[6];
    stage.green = bytes[7];
    stage.blue = bytes[8];
    return stage;
}

MouseSettingsBlock BuildMouseSettingsBlock(uint8_t slot, const LightInfo& light,
                                           std::span<const DpiStage> stages, int activeStage,
                                           const MouseSettings& settings) {
    MouseSettingsBlock block{};
    block[MouseBlock::kSlot] = slot;
    block[MouseBlock::kEffect] = light.effect < kFirstCustomMouseEffect ? light.effect : 0;
    block[MouseBlock::kBrightness] = light.brightness;
    block[MouseBlock::kSpeed] = SpeedCode(light.speed);
    block[MouseBlock::kDirection] = light.direction;
    block[MouseBlock::kMultiColor] = light.multiColor;
    block[MouseBlock::kRed] = light.red;
    block[MouseBlock::kGreen] = light.green;
    block[MouseBlock::kBlue] = light.blue;
    // An active stage the mouse does not have would point it past its stage table.
    const bool validStage = activeStage >= 0 && activeStage < static_cast<int>(kMaxDpiStages);
    block[MouseBlock::kActiveStage] = validStage ? static_cast<uint8_t>(activeStage) : 0;
    const size_t stageCount = std::min(stages.size(), kMaxDpiStages);
    for (size_t i = 0; i < stageCount; ++i) {
        const auto bytes = DpiStageBytes(stages[i]);
        std::ranges::copy(bytes, block.begin() + MouseBlock::kFirstStage + i * kDpiStageBytes);
    }
    for (const WordByte& entry : kDeviceWords)
        block[entry.offset] = static_cast<uint8_t>(settings[entry.word]);
    return block;
}

uint8_t EffectPosition(uint8_t effect, std::span<const int> effectValues) {
    // Only the first 256 positions fit the effect byte.
    const size_t count = std::min<size_t>(effectValues.size(), 256);
    for (size_t i = 0; i < count; ++i) {
        if (effectValues[i] == effect)
            return static_cast<uint8_t>(i);
    }
    return effect;
}

void TranslateMouseSettingsBlock(const MouseSettingsBlock& block, std::span<const int> effectValues,
                                 LightInfo& light, MouseSettings& settings, int& activeStage) {
    light.effect = EffectPosition(block[MouseBlock::kEffect], effectValues);
    light.brightness = block[MouseBlock::kBrightness];
    light.speed = SpeedIndex(block[MouseBlock::kSpeed]);
    light.multiColor = block[MouseBlock::kMultiColor];
    light.red = block[MouseBlock::kRed];
    light.green = block[MouseBlock::kGreen];
    light.blue = block[MouseBlock::kBlue];
    for (const WordByte& entry : kDeviceWords) {
        if (entry.readBack)
            settings[entry.word] = block[entry.offset];
    }
    if (block[MouseBlock::kActiveStage] < kMaxDpiStages)
        activeStage = block[MouseBlock::kActiveStage];
}
