// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mouse/DpiMath.h"
#include "mouse/MouseSettingsBlock.h"

namespace {

const DpiSensor k3104{kSensor3104, 0, 114, 0};
const DpiSensor k8925{kSensor8925, 0, 0, 0};
const DpiSensor k3325{kSensor3325, 100, 0, 200};
const DpiSensor kGeneric{0x1234, 50, 0, 200};

struct DpiCase {
    int position;
    int dpi;
    int shown;
};

void ExpectDpiTable(const DpiSensor& sensor, const std::vector<DpiCase>& cases) {
    for (const DpiCase& c : cases) {
        EXPECT_EQ(PositionToDpi(sensor, c.position), c.dpi) << "position " << c.position;
        EXPECT_EQ(ShownDpi(PositionToDpi(sensor, c.position)), c.shown)
            << "position " << c.position;
    }
}

}  // namespace

TEST(DpiMath, PositionToDpiPerSensor) {
    ExpectDpiTable(k3104, {{-5, 228, 200},
                           {0, 228, 200},
                           {1, 418, 400},
                           {2, 608, 600},
                           {3, 646, 600},
                           {50, 2432, 2400},
                           {51, 2508, 2500},
                           {82, 4864, 4900},
                           {83, 5016, 5000},
                           {97, 7144, 7200},
                           {113, 9576, 9600},
                           {129, 9576, 9600}});
    ExpectDpiTable(
        k8925,
        {{0, 50, 50}, {1, 100, 100}, {99, 5000, 5000}, {100, 5100, 5100}, {129, 8000, 8000}});
    // Step 100 up to position 48, 200 per position above.
    ExpectDpiTable(k3325, {{0, 200, 200}, {48, 5000, 5000}, {49, 5200, 5200}, {57, 6800, 6800}});
    ExpectDpiTable(kGeneric, {{0, 200, 200}, {9, 650, 600}, {100, 5200, 5200}});
}

TEST(DpiMath, ShownDpiRoundsToHundredsHalfDown) {
    const std::array<std::array<int, 2>, 8> cases = {{{0, 0},
                                                      {50, 50},
                                                      {99, 99},
                                                      {150, 100},
                                                      {151, 200},
                                                      {7143, 7100},
                                                      {7150, 7100},
                                                      {7151, 7200}}};
    for (const auto& [dpi, shown] : cases)
        EXPECT_EQ(ShownDpi(dpi), shown) << dpi;
}

TEST(DpiMath, ParseDecimalTextReadsLikeAnEditField) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 0},   {"abc", 0},    {"  42", 42},
        {"+7", 7}, {"-30", -30},  {"12ab", 12},
        {"-", 0},  {"0800", 800}, {"99999999999999999999", 1'000'000'000},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseDecimalText(text), value) << '"' << text << '"';
}

TEST(DpiMath, TypedDpiToPositionIsLimitedToTheSlider) {
    const DpiSensor short3104{kSensor3104, 0, 60, 0};
    const DpiSensor stepless{0x1234, 0, 0, 200};
    const DpiSensor stepless3325{kSensor3325, 0, 0, 200};
    struct Case {
        const DpiSensor& sensor;
        const char* text;
        int layoutMaximum;
        int position;
    };
    const Case cases[] = {
        {k3104, "250", 0, 0},    // 200 is nearer than 400
        {k3104, "418", 0, 1},    // exactly position 1
        {k3104, "5000", 0, 83},  // 5016 shows 5000
        {k3104, "7200", 0, 97},
        {k3104, "10000", 0, 113},
        {k3104, "", 0, 0},
        {short3104, "9000", 1000, 59},  // the device's slider range, not the layout's
        {k8925, "5000", 0, 99},
        {k8925, "5001", 0, 99},
        {k8925, "5100", 0, 100},
        {k8925, "8000", 0, 129},
        {k8925, "9600", 1000, 129},  // 145 by the rule: a position the sensor lacks
        {k8925, "0", 0, 0},          // -1 by the rule
        {kGeneric, "100", 200, 0},   // raised to the lowest DPI first
        {kGeneric, "not a number", 200, 0},
        {kGeneric, "5200", 200, 100},
        {kGeneric, "5200", 20, 20},  // other sensors: the layout's range
        {kGeneric, "5200", -1, 0},
        {stepless, "3000", 200, 0},  // a DPI step of 0 must not divide
        {stepless3325, "3000", 200, 62},
        {k3325, "5000", 200, 48},
        {k3325, "6800", 200, 57},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypedDpiToPosition(c.sensor, ParseDecimalText(c.text), c.layoutMaximum),
                  c.position)
            << std::hex << c.sensor.id << std::dec << " \"" << c.text << '"';
    }
}

TEST(DpiMath, TypedDpiOfAPositionGivesThatPositionBack) {
    struct Range {
        DpiSensor sensor;
        int last;
    };
    const Range ranges[] = {{k3104, 113},
                            {k8925, 129},
                            {k3325, 120},
                            {{kSensor3325, 50, 0, 100}, 120},
                            {kGeneric, 120}};
    for (const Range& range : ranges) {
        for (int p = 0; p <= range.last; ++p) {
            EXPECT_EQ(TypedDpiToPosition(range.sensor, PositionToDpi(range.sensor, p), 200), p)
                << std::hex << range.sensor.id << std::dec << " step " << int{range.sensor.dpiStep}
                << " position " << p;
        }
    }
}

TEST(DpiMath, AShownDpiTypedBackIsThePositionItWasShownFor) {
    struct Range {
        DpiSensor sensor;
        int last;
    };
    const Range ranges[] = {{k3104, 113},
                            {k8925, 129},
                            {k3325, 120},
                            {{kSensor3325, 50, 0, 50}, 120},
                            {{kSensor3325, 50, 0, 100}, 120},
                            {kGeneric, 120},
                            {{0x1234, 10, 0, 100}, 300}};
    for (const Range& range : ranges) {
        for (int p = 0; p <= range.last; ++p) {
            const int shown = ShownDpi(PositionToDpi(range.sensor, p));
            const int typed = TypedDpiToPosition(range.sensor, shown, range.last);
            // Where rounding shows two positions alike, one of them.
            EXPECT_EQ(ShownDpi(PositionToDpi(range.sensor, typed)), shown)
                << std::hex << range.sensor.id << std::dec << " step " << int{range.sensor.dpiStep}
                << " position " << p << " shows " << shown;
            // Between this and the next shown DPI, the nearer; halfway, the higher.
            if (p < range.last) {
                const int next = ShownDpi(PositionToDpi(range.sensor, p + 1));
                if (next - shown >= 2) {
                    const int below = shown + (next - shown - 1) / 2;
                    EXPECT_EQ(
                        ShownDpi(PositionToDpi(
                            range.sensor, TypedDpiToPosition(range.sensor, below, range.last))),
                        shown)
                        << "typed " << below;
                    EXPECT_EQ(
                        ShownDpi(PositionToDpi(
                            range.sensor,
                            TypedDpiToPosition(range.sensor, shown + next - below, range.last))),
                        next)
                        << "typed " << shown + next - below;
                }
            }
        }
    }
}

TEST(DpiMath, SensorFromInfoBlockAndSliderRange) {
    std::array<uint8_t, 34> block{};
    block[9] = 0x25;
    block[10] = 0x89;
    block[11] = 50;
    block[12] = 0x82;
    block[13] = 0x00;
    block[14] = 0x2C;
    block[15] = 0x01;
    EXPECT_EQ(SensorFromInfoBlock(block), (DpiSensor{kSensor8925, 50, 130, 300}));
    EXPECT_EQ(SensorFromInfoBlock(std::span(block).first(15)), DpiSensor{});

    EXPECT_EQ(SensorSliderMaximum(k8925), 129);
    EXPECT_EQ(SensorSliderMaximum(k3104), 113);
    EXPECT_EQ(SensorSliderMaximum(DpiSensor{kSensor3104, 0, 0, 0}), 0);
    EXPECT_EQ(SensorSliderMaximum(k3325), std::nullopt);
    EXPECT_EQ(SensorSliderMaximum(kGeneric), std::nullopt);
}

TEST(DpiMath, StageEncodingTouchesOnlyThePositionBytes) {
    const DpiStage original{1, 1, 0x0102, 0x0304, 10, 20, 30};

    DpiStage stage = original;
    ASSERT_TRUE(EncodeStagePosition(k8925, 129, stage));
    const auto bytes = DpiStageBytes(stage);
    EXPECT_EQ(bytes, (std::array<uint8_t, 9>{1, 1, 129, 129, 0x04, 0x03, 10, 20, 30}));
    EXPECT_EQ(StagePosition(k8925, stage), 129);

    stage = original;
    ASSERT_TRUE(EncodeStagePosition(k3104, 300, stage));
    EXPECT_EQ(DpiStageBytes(stage),
              (std::array<uint8_t, 9>{1, 1, 0x2C, 0x01, 0x04, 0x03, 10, 20, 30}));
    EXPECT_EQ(StagePosition(k3104, stage), 300);

    // The other sensors keep the 16-bit X value that StagePosition reads back; nothing else.
    for (const DpiSensor& sensor : {k3325, kGeneric}) {
        stage = original;
        ASSERT_TRUE(EncodeStagePosition(sensor, 40, stage));
        EXPECT_EQ(DpiStageBytes(stage),
                  (std::array<uint8_t, 9>{1, 1, 40, 0, 0x04, 0x03, 10, 20, 30}));
        EXPECT_EQ(StagePosition(sensor, stage), 40);
    }
    stage = original;
    EXPECT_FALSE(EncodeStagePosition(k8925, 300, stage)) << "a byte holds no 300";
    EXPECT_EQ(StagePosition(k8925, stage), 255);
    // A stored 0x8925 stage shows its X byte only.
    EXPECT_EQ(StagePosition(k8925, DpiStage{0, 0, 0x0530, 0, 0, 0, 0}), 0x30);
}

TEST(DpiMath, StageColourAndGrowingTheList) {
    DpiStage stage;
    SetStageColour(stage, 0xFF123456);
    EXPECT_EQ(stage, (DpiStage{0, 0, 0, 0, 0x12, 0x34, 0x56}));
    EXPECT_EQ(StageColour(stage), 0xFF123456u);

    const DpiStage first{1, 0, 5, 5, 1, 2, 3};
    std::vector<DpiStage> stages = {first, first};
    EXPECT_TRUE(EnsureStage(stages, 1));
    EXPECT_EQ(stages.size(), 2u);
    EXPECT_TRUE(EnsureStage(stages, 6));
    ASSERT_EQ(stages.size(), 7u);
    EXPECT_EQ(stages[1], first);
    EXPECT_EQ(stages[6], DpiStage{});
    EXPECT_FALSE(EnsureStage(stages, 7));
    EXPECT_EQ(stages.size(), 7u);
}

TEST(DpiMath, OptionGroups) {
    EXPECT_EQ(OptionGroupFromPrefix("POLLING_rate_option_"), OptionGroup::kReportRate);
    EXPECT_EQ(OptionGroupFromPrefix("Silent_Altitude_option_"), OptionGroup::kLiftOff);
    EXPECT_EQ(OptionGroupFromPrefix("linear_calibration_option_"), OptionGroup::kAngleSnapping);
    EXPECT_EQ(OptionGroupFromPrefix("Ripple_option_"), OptionGroup::kRipple);
    EXPECT_EQ(OptionGroupFromPrefix("Ripple_option"), std::nullopt);
    EXPECT_EQ(OptionGroupOf(OptionGroup::kLiftOff).word, MouseSettings::kLiftOff);
    EXPECT_EQ(OptionGroupOf(OptionGroup::kRipple).word, MouseSettings::kRipple);

    struct Case {
        OptionGroup group;
        int value;
        int shown;
    };
    const Case cases[] = {
        {OptionGroup::kReportRate, 3, 3},
        {OptionGroup::kReportRate, 4, 4},
        {OptionGroup::kReportRate, 5, 0},
        {OptionGroup::kReportRate, -1, 0},
        {OptionGroup::kLiftOff, 1, 1},
        {OptionGroup::kLiftOff, 2, 0},
        {OptionGroup::kAngleSnapping, 0xFFFF, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShownOption(c.group, c.value), c.shown) << c.value;
}

TEST(DpiMath, ComboWords) {
    EXPECT_EQ(DebounceWord(2), 2);
    EXPECT_EQ(DebounceWord(-1), 0xFFFF);
    EXPECT_EQ(DebounceItem(2, 5), 2);
    EXPECT_EQ(DebounceItem(5, 5), -1);
    EXPECT_EQ(DebounceItem(0xFFFF, 5), -1);

    EXPECT_EQ(SleepWord("30"), 30);
    EXPECT_EQ(SleepWord("70000"), 0xFFFF);
    EXPECT_EQ(SleepWord("-5"), 0);
    EXPECT_EQ(SleepWord(""), 0);
    const std::vector<std::string> userData = {"10", "30", "600"};
    EXPECT_EQ(SleepItem(userData, 30), 1);
    EXPECT_EQ(SleepItem(userData, 600), 2);
    EXPECT_EQ(SleepItem(userData, 45), -1);
}

TEST(DpiMath, StagesPastTheSensorsRangeAreClampedAndNamed) {
    const DpiSensor sensor3104{kSensor3104, 0, 114, 0};
    std::vector<DpiStage> stages(3);
    stages[0].x = 113;
    stages[1].x = 65535;
    stages[2].x = 5;
    stages[2].y = 200;
    const std::vector<ClampedStage> clamped = ClampStagesToSensor(sensor3104, stages);
    ASSERT_EQ(clamped.size(), 2u);
    EXPECT_EQ(clamped[0].stage, 1u);
    EXPECT_EQ(clamped[0].position, 65535);
    EXPECT_EQ(stages[1].x, 113);
    EXPECT_EQ(stages[2].y, 113);
    EXPECT_EQ(stages[0].x, 113);

    // One byte each for X and Y.
    const DpiSensor sensor8925{kSensor8925, 0, 0, 0};
    std::vector<DpiStage> bytes(1);
    bytes[0].x = 200 | 20 << 8;
    EXPECT_EQ(ClampStagesToSensor(sensor8925, bytes).size(), 1u);
    EXPECT_EQ(bytes[0].x, 129 | 20 << 8);

    // Nothing is known of a sensor whose information block has not been read.
    std::vector<DpiStage> unknown(1);
    unknown[0].x = 65535;
    EXPECT_TRUE(ClampStagesToSensor(DpiSensor{}, unknown).empty());
    EXPECT_EQ(unknown[0].x, 65535);
}
