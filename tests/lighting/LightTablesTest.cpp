// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include "lighting/LightTables.h"

TEST(LightTables, CurvesAndWheelHaveTheirShape) {
    // Breathing: up to full and back down; the wave never goes below 22.
    EXPECT_EQ(kBreathingCurve[0], 0);
    EXPECT_EQ(kBreathingCurve[63], 255);
    EXPECT_EQ(kBreathingCurve[64], 255);
    EXPECT_EQ(kBreathingCurve[100], kRamp[27]);
    EXPECT_EQ(kBreathingCurve[127], 0);
    EXPECT_EQ(kWaveCurve[0], 22);
    EXPECT_EQ(kWaveCurve[47], 255);
    EXPECT_EQ(kWaveCurve[48], 255);
    EXPECT_EQ(kWaveCurve[95], 22);

    // Segment boundaries of the wheel.
    struct Entry {
        size_t index;
        LightRgb colour;
    };
    const Entry wheel[] = {{0, {255, 1, 0}},   {31, {255, 255, 0}},  {32, {248, 255, 0}},
                           {63, {0, 255, 0}},  {64, {0, 255, 1}},    {96, {0, 248, 255}},
                           {128, {1, 0, 255}}, {159, {255, 0, 255}}, {160, {255, 0, 248}},
                           {191, {255, 0, 0}}};
    for (const Entry& entry : wheel)
        EXPECT_EQ(kColourWheel[entry.index], entry.colour) << "W[" << entry.index << "]";
}

TEST(LightTables, ThresholdsAndLevelClamps) {
    for (size_t row = 0; row < 15; ++row) {
        const std::array<uint8_t, 5> expected = row == 1
                                                    ? std::array<uint8_t, 5>{7, 5, 4, 3, 1}
                                                    : std::array<uint8_t, 5>{28, 23, 18, 13, 7};
        for (uint8_t speed = 0; speed < 5; ++speed) {
            EXPECT_EQ(Threshold(kStepThresholds, row, speed), expected[speed]) << row;
            // Every effect's period and spectrum step the same way: faster is shorter, and the
            // fastest still takes a tick.
            EXPECT_EQ(Threshold(kPeriodThresholds, row, speed),
                      Threshold(kPeriodThresholds, 0, speed));
            EXPECT_EQ(Threshold(kSpectrumThresholds, row, speed),
                      Threshold(kSpectrumThresholds, 0, speed));
            if (speed > 0) {
                EXPECT_LT(Threshold(kPeriodThresholds, row, speed),
                          Threshold(kPeriodThresholds, row, speed - 1));
                EXPECT_LT(Threshold(kSpectrumThresholds, row, speed),
                          Threshold(kSpectrumThresholds, row, speed - 1));
            }
        }
        EXPECT_GE(Threshold(kPeriodThresholds, row, 4), 1);
        EXPECT_EQ(Threshold(kSpectrumThresholds, row, 4), 1);
    }
    // A stray level byte from a file must not read past the tables.
    EXPECT_EQ(Threshold(kStepThresholds, 1, 200), 1);
    EXPECT_EQ(BrightnessScale(2), 100);
    EXPECT_EQ(BrightnessScale(77), 255);
}

TEST(LightTables, PositionStep) {
    struct Case {
        uint8_t direction;
        unsigned limit;
        uint8_t position;
        uint8_t delta;
        uint8_t expected;
    };
    const Case cases[] = {
        {1, 128, 5, 1, 6},   {1, 128, 127, 1, 0}, {0, 128, 0, 1, 127},  {0, 128, 200, 1, 127},
        {1, 192, 191, 1, 0}, {0, 192, 0, 1, 191}, {1, 192, 180, 16, 0}, {0, 96, 150, 1, 95},
        {1, 96, 150, 1, 0},  {0, 192, 20, 16, 4}, {0, 192, 5, 16, 176},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepPosition(c.direction, c.limit, c.position, c.delta), c.expected)
            << int(c.direction) << " " << c.limit << " " << int(c.position) << " " << int(c.delta);
}

TEST(LightTables, DecayRules) {
    // The trail's rule from full.
    const uint8_t trail[] = {255, 210, 165, 120, 75, 40, 5, 4, 3, 2, 1, 0, 0};
    for (size_t i = 1; i < std::size(trail); ++i)
        EXPECT_EQ(DecayLevel(trail[i - 1], 29), trail[i]) << trail[i - 1];

    struct Case {
        uint8_t rule;
        uint8_t level;
        uint8_t expected;
    };
    const Case cases[] = {
        {0, 200, 160},
        {0, 100, 70},
        {0, 40, 25},
        {0, 20, 12},
        {0, 16, 15},
        {0, 0, 0},
        {3, 200, 160},
        {3, 100, 70},
        {3, 40, 30},
        {3, 20, 12},
        {3, 1, 0},
        // A level that a bigger fall would take below 0 ends at 0 rather than wrapping to bright.
        {29, 16, 0},
        {29, 32, 0},
        {29, 31, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecayLevel(c.level, c.rule), c.expected)
            << "rule " << int(c.rule) << " level " << int(c.level);
}
