// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/DpiMath.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace {

// Stage positions are 16-bit on the device; bounding them keeps the arithmetic in range.
constexpr int kMaxPosition = 0xFFFF;

int Dpi3104(int p) {
    if (p <= 0)
        return 228;
    if (p == 1)
        return 418;
    if (p == 2)
        return 608;
    if (p <= 50)
        return 38 * p + 532;
    if (p <= 82)
        return 76 * p - 1368;
    if (p <= 113)
        return 152 * (p - 82) + 4864;
    return 9576;
}

constexpr std::array<OptionGroupInfo, 4> kOptionGroups = {{
    {OptionGroup::kReportRate, "polling_rate_option_", MouseSettings::kReportRate, 5},
    {OptionGroup::kLiftOff, "Silent_Altitude_option_", MouseSettings::kLiftOff, 2},
    {OptionGroup::kAngleSnapping, "Linear_Calibration_option_", MouseSettings::kAngleSnapping, 2},
    {OptionGroup::kRipple, "Ripple_option_", MouseSettings::kRipple, 2},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

DpiSensor SensorFromInfoBlock(std::span<const uint8_t> block) {
    DpiSensor sensor;
    if (block.size() < kInfoBlockSensorEnd)
        return sensor;
    sensor.id = static_cast<uint16_t>(block[9] | block[10] << 8);
    sensor.dpiStep = block[11];
    sensor.sliderPositions = static_cast<uint16_t>(block[12] | block[13] << 8);
    sensor.lowestDpi = static_cast<uint16_t>(block[14] | block[15] << 8);
    return sensor;
}

std::optional<int> SensorSliderMaximum(const DpiSensor& sensor) {
    switch (sensor.id) {
        case kSensor8925:
            return kSensor8925SliderMaximum;
        case kSensor3104:
            return std::max(sensor.sliderPositions - 1, 0);
        default:
            return std::nullopt;
    }
}

int PositionToDpi(const DpiSensor& sensor, int position) {
    const int p = std::clamp(position, 0, kMaxPosition);
    const int s = sensor.dpiStep;
    const int m = sensor.lowestDpi;
    switch (sensor.id) {
        case kSensor3104:
            return Dpi3104(p);
        case kSensor3325:
            return p <= 48 ? s * p + m : s * 48 + 200 * (p - 48) + m;
        case kSensor8925:
            return p <= 99 ? 50 * p + 50 : 100 * p - 4900;
        default:
            return s * p + m;
    }
}

int ShownDpi(int dpi) {
    // Rounding a DPI below 100 to hundreds would show 0 (a 50 DPI stage read "0").
    if (dpi < 100)
        return dpi;
    // 7144 is the 0x3104 sensor's 7200 DPI step (position 97), which plain rounding misses.
    if (dpi == 7144)
        dpi = 7200;
    int hundreds = dpi / 100;
    if (dpi % 100 > 50)
        ++hundreds;
    return hundreds * 100;
}

int ParseDecimalText(std::string_view text) {
    constexpr long long kLimit = 1'000'000'000;
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    return static_cast<int>(negative ? -value : value);
}

int TypedDpiToPosition(const DpiSensor& sensor, int dpi, int layoutMaximum) {
    // A position beyond the slider is one the sensor does not have.
    const int maximum =
        std::clamp(SensorSliderMaximum(sensor).value_or(layoutMaximum), 0, kMaxPosition);
    const int d = std::max(dpi, static_cast<int>(sensor.lowestDpi));
    // The position whose shown DPI is nearest, so a DPI the tool showed, typed back, shows
    // again. Between two shown DPIs as near, the higher; of the positions that show the same
    // DPI, the first.
    int best = 0;
    int bestShown = ShownDpi(PositionToDpi(sensor, 0));
    for (int p = 0; p <= maximum; ++p) {
        // The exact DPI of a position is that position, even where two show alike.
        if (PositionToDpi(sensor, p) == d)
            return p;
        const int shown = ShownDpi(PositionToDpi(sensor, p));
        const int distance = std::abs(shown - d), bestDistance = std::abs(bestShown - d);
        if (distance < bestDistance || (distance == bestDistance && shown > bestShown)) {
            best = p;
            bestShown = shown;
        } else if (shown > d) {
            // Shown DPIs only grow with the position: nothing further on comes nearer.
            break;
        }
    }
    return best;
}

int HighestPosition(const DpiSensor& sensor) {
    if (std::optional<int> maximum = SensorSliderMaximum(sensor))
        return *maximum;
    return TypedDpiToPosition(sensor, kHighestTypedDpi, kMaxPosition);
}

bool EncodeStagePosition(const DpiSensor& sensor, int position, DpiStage& stage) {
    if (sensor.id == kSensor8925) {
        const int p = std::clamp(position, 0, 0xFF);
        stage.x = static_cast<uint16_t>(p | p << 8);
        return p == position;
    }
    // Stored as read back, so a typed DPI is never shown and then silently dropped.
    const int p = std::clamp(position, 0, kMaxPosition);
    stage.x = static_cast<uint16_t>(p);
    return p == position;
}

int StagePosition(const DpiSensor& sensor, const DpiStage& stage) {
    return sensor.id == kSensor8925 ? stage.x & 0xFF : stage.x;
}

bool SensorRangeKnown(const DpiSensor& sensor) {
    if (SensorSliderMaximum(sensor))
        return sensor.id != kSensor3104 || sensor.sliderPositions > 0;
    return sensor.dpiStep > 0;
}

std::vector<ClampedStage> ClampStagesToSensor(const DpiSensor& sensor,
                                              std::vector<DpiStage>& stages) {
    std::vector<ClampedStage> clamped;
    if (!SensorRangeKnown(sensor))
        return clamped;
    const int highest = HighestPosition(sensor);
    for (size_t i = 0; i < stages.size(); ++i) {
        DpiStage& stage = stages[i];
        const int position = StagePosition(sensor, stage);
        bool changed = false;
        if (sensor.id == kSensor8925) {
            // One byte each for X and Y.
            const int y = stage.x >> 8;
            if (position > highest || y > highest) {
                stage.x =
                    static_cast<uint16_t>(std::min(position, highest) | std::min(y, highest) << 8);
                changed = true;
            }
        } else {
            if (position > highest) {
                stage.x = static_cast<uint16_t>(highest);
                changed = true;
            }
            if (stage.y > highest) {
                stage.y = static_cast<uint16_t>(highest);
                changed = true;
            }
        }
        if (changed)
            clamped.push_back({i, position});
    }
    return clamped;
}

uint32_t StageColour(const DpiStage& stage) {
    return 0xFF000000u | uint32_t{stage.red} << 16 | uint32_t{stage.green} << 8 | stage.blue;
}

void SetStageColour(DpiStage& stage, uint32_t colour) {
    stage.red = static_cast<uint8_t>(colour >> 16);
    stage.green = static_cast<uint8_t>(colour >> 8);
    stage.blue = static_cast<uint8_t>(colour);
}

bool EnsureStage(std::vector<DpiStage>& stages, size_t index) {
    if (index >= kMaxDpiStages)
        return false;
    if (stages.size() <= index)
        stages.resize(index + 1);
    return true;
}

const OptionGroupInfo& OptionGroupOf(OptionGroup group) {
    return kOptionGroups[static_cast<size_t>(group)];
}

std::optional<OptionGroup> OptionGroupFromPrefix(std::string_view prefix) {
    for (const OptionGroupInfo& info : kOptionGroups) {
        if (EqualIgnoringCase(info.prefix, prefix))
            return info.group;
    }
    return std::nullopt;
}

int ShownOption(OptionGroup group, int value) {
    return value >= 0 && value < OptionGroupOf(group).optionCount ? value : 0;
}

uint16_t DebounceWord(int itemIndex) {
    return itemIndex < 0 ? 0xFFFF : static_cast<uint16_t>(std::min(itemIndex, 0xFFFE));
}

int DebounceItem(uint16_t word, int itemCount) {
    return word < itemCount ? word : -1;
}

uint16_t SleepWord(std::string_view userData) {
    return static_cast<uint16_t>(std::clamp(ParseDecimalText(userData), 0, 0xFFFF));
}

int SleepItem(std::span<const std::string> userData, uint16_t word) {
    const std::string wanted = std::to_string(word);
    for (size_t i = 0; i < userData.size(); ++i) {
        if (userData[i] == wanted)
            return static_cast<int>(i);
    }
    return -1;
}
