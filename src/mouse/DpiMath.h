// SPDX-License-Identifier: GPL-2.0-or-later
// DPI slider positions and the DPI numbers shown for them, per sensor kind, and the other pure
// rules of the DPI and performance settings. The mouse stores positions; people read DPI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/ProfileRecords.h"

inline constexpr uint16_t kSensor3104 = 0x3104;
inline constexpr uint16_t kSensor3325 = 0x3325;
inline constexpr uint16_t kSensor8925 = 0x8925;
inline constexpr int kSensor8925SliderMaximum = 129;

// The sensor values of the device information block.
struct DpiSensor {
    uint16_t id = 0;               // any id but the three above is the generic sensor
    uint8_t dpiStep = 0;           // generic and 0x3325
    uint16_t sliderPositions = 0;  // 0x3104
    uint16_t lowestDpi = 0;        // generic and 0x3325, and the floor of typed DPI for all

    bool operator==(const DpiSensor&) const = default;
};

inline constexpr size_t kInfoBlockSensorEnd = 16;

// Bytes 9..15 of the information block; a block too short to hold them gives the generic sensor
// with step and lowest DPI 0.
DpiSensor SensorFromInfoBlock(std::span<const uint8_t> block);

// The sensors whose slider range comes from the device; other sensors keep the layout's range.
std::optional<int> SensorSliderMaximum(const DpiSensor& sensor);

int PositionToDpi(const DpiSensor& sensor, int position);

// The DPI as the window and kestrunectl show it: rounded to a multiple of 100 (a remainder of 50
// rounds down), but a DPI below 100 as it is.
int ShownDpi(int dpi);

// An edit's text as a decimal number: leading blanks and a sign, then the digits up to the first
// other character; anything else reads as 0. Far too large numbers saturate.
int ParseDecimalText(std::string_view text);

// The DPI edit's maximum.
inline constexpr int kHighestTypedDpi = 9600;
// The last position a stage can take: the sensor's slider maximum, or for sensors whose range
// the layout sets, the position of the highest DPI the edit takes.
int HighestPosition(const DpiSensor& sensor);

// The position for a typed DPI: the one of exactly that DPI, else the one whose shown DPI is
// nearest (the higher DPI when two are as near), within 0 … the slider maximum: the sensor's own,
// or layoutMaximum for sensors whose range the layout sets. A DPI below the sensor's lowest is
// taken as the lowest.
int TypedDpiToPosition(const DpiSensor& sensor, int dpi, int layoutMaximum);

// Writes a position into the stage as the sensor stores it: 0x8925 X and Y position one byte
// each in the X value, every other sensor the 16-bit X value, which is what StagePosition reads
// back. False when the position had to be limited to what the stage can hold.
bool EncodeStagePosition(const DpiSensor& sensor, int position, DpiStage& stage);

// The position a stored stage shows.
int StagePosition(const DpiSensor& sensor, const DpiStage& stage);

// Whether the sensor values say what positions the sensor has (an information block not yet
// read, or one with a DPI step of 0, does not).
bool SensorRangeKnown(const DpiSensor& sensor);
// Stage positions (X, and Y where stored apart) past the sensor's highest are set to the
// highest. Returns the stages that changed, each with the position it held.
struct ClampedStage {
    size_t stage;
    int position;
};
std::vector<ClampedStage> ClampStagesToSensor(const DpiSensor& sensor,
                                              std::vector<DpiStage>& stages);

// The stage's colour as 0xFFRRGGBB, and the reverse (the alpha byte is ignored).
uint32_t StageColour(const DpiStage& stage);
void SetStageColour(DpiStage& stage, uint32_t colour);

// Grows the list with zeroed stages so that `index` exists; false for an index past the seven.
bool EnsureStage(std::vector<DpiStage>& stages, size_t index);

// The option groups of the settings tabs, each a settings word with a fixed number of options.
enum class OptionGroup { kReportRate, kLiftOff, kAngleSnapping, kRipple };

struct OptionGroupInfo {
    OptionGroup group;
    std::string_view prefix;  // the options' names without their number
    MouseSettings::Word word;
    int optionCount;
};

const OptionGroupInfo& OptionGroupOf(OptionGroup group);
// The group whose options carry this name prefix (compared ignoring case).
std::optional<OptionGroup> OptionGroupFromPrefix(std::string_view prefix);
// The option shown for a stored word: a value outside the group's options shows option 0.
int ShownOption(OptionGroup group, int value);

// The debounce word: the chosen item's index, 0xFFFF when none is chosen.
uint16_t DebounceWord(int itemIndex);
// The debounce item to show for a stored word, or -1 when the combo has no such item.
int DebounceItem(uint16_t word, int itemCount);
// A sleep word: the chosen item's user data as a number, limited to the word's range.
uint16_t SleepWord(std::string_view userData);
// The sleep item whose user data is the stored number, or -1.
int SleepItem(std::span<const std::string> userData, uint16_t word);
