// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's settings image: the 87 bytes that hold the light, the DPI stages and the settings
// words in its settings memory. The whole block is rewritten after every change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "records/ProfileRecords.h"

inline constexpr size_t kMouseSettingsBlockSize = 87;
using MouseSettingsBlock = std::array<uint8_t, kMouseSettingsBlockSize>;

// Where a profile slot's block starts in the settings memory.
inline constexpr size_t kSettingsSlotStride = 128;

namespace MouseBlock {
inline constexpr size_t kSlot = 0;
inline constexpr size_t kEffect = 1;
inline constexpr size_t kBrightness = 2;
inline constexpr size_t kSpeed = 3;
inline constexpr size_t kDirection = 4;
inline constexpr size_t kMultiColor = 5;
inline constexpr size_t kRed = 6;
inline constexpr size_t kGreen = 7;
inline constexpr size_t kBlue = 8;
inline constexpr size_t kReportRate = 11;
inline constexpr size_t kActiveStage = 12;
inline constexpr size_t kFirstStage = 14;
inline constexpr size_t kWirelessSleep1 = 77;
inline constexpr size_t kWirelessSleep2 = 78;
inline constexpr size_t kDeviceSleep1 = 79;
inline constexpr size_t kDeviceSleep2 = 80;
inline constexpr size_t kKeyDebounce = 81;
inline constexpr size_t kLiftOff = 82;
inline constexpr size_t kAngleSnapping = 83;
inline constexpr size_t kRipple = 84;
}  // namespace MouseBlock

// The mouse runs effects 0..11 itself; a custom effect number is sent as effect 0.
inline constexpr uint8_t kFirstCustomMouseEffect = 12;

// Speed codes of the speed indexes 0..3; index 4 (and any other) is code 0x00.
inline constexpr std::array<uint8_t, 4> kSpeedCodeTable = {0xA4, 0x8A, 0x52, 0x1A};
inline constexpr uint8_t kSlowestSpeedIndex = 4;

uint8_t SpeedCode(uint8_t speedIndex);
// An unknown code reads as the slowest speed.
uint8_t SpeedIndex(uint8_t speedCode);

// A stage's nine bytes: enabled, X/Y link, X (LE16), Y (LE16), red, green, blue.
std::array<uint8_t, kDpiStageBytes> DpiStageBytes(const DpiStage& stage);
DpiStage DpiStageFromBytes(std::span<const uint8_t, kDpiStageBytes> bytes);

// The block as the mouse is to receive it. Stages past the seventh are left out, and an active
// stage outside 0..6 is written as 0.
MouseSettingsBlock BuildMouseSettingsBlock(uint8_t slot, const LightInfo& light,
                                           std::span<const DpiStage> stages, int activeStage,
                                           const MouseSettings& settings);

// The position of the first entry of the effect value list equal to the reported effect number;
// the number itself when none is.
uint8_t EffectPosition(uint8_t effect, std::span<const int> effectValues);

// Takes a block read from the mouse into the records. The light bytes but the direction, the
// device settings words but lift-off and the active stage are replaced; the stages, the pointer
// words and lift-off keep their values. An active stage above 6 keeps the old one.
void TranslateMouseSettingsBlock(const MouseSettingsBlock& block, std::span<const int> effectValues,
                                 LightInfo& light, MouseSettings& settings, int& activeStage);
