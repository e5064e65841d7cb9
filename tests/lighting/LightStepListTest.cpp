// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <vector>

#include "lighting/LightEngine.h"

namespace {

using std::chrono::milliseconds;

const LightTime kT0 = LightTime{} + std::chrono::hours(1);

EffectStep Step(uint8_t mode, uint32_t time, uint8_t speed = 4, uint8_t direction = 0,
                uint8_t multi = 0, LightRgb colour = {255, 0, 0}, uint8_t brightness = 4) {
    EffectStep step;
    step.mode = mode;
    step.brightness = brightness;
    step.speed = speed;
    step.direction = direction;
    step.multiColor = multi;
    step.red = colour.red;
    step.green = colour.green;
    step.blue = colour.blue;
    step.time = time;
    return step;
}

std::vector<LightColour> Uniform(LightColour colour) {
    return std::vector<LightColour>(kMouseLedCount, colour);
}

class LightStepListTest : public testing::Test {
  protected:
    LightStepListTest() {
        LightInfo info;
        info.effect = 11;
        info.speed = 4;
        engine.ApplyLightInfo(info);
    }
    std::vector<LightColour> Frame() const { return engine.Frame().Snapshot(); }

    CLightEngine engine;
};

}  // namespace

TEST_F(LightStepListTest, EmptyListShowsAllOff) {
    engine.Frame().Fill({1, 2, 3, 4});
    engine.PlayStepList(kT0);
    EXPECT_EQ(Frame(), Uniform({}));
}

TEST_F(LightStepListTest, StepsFollowEachOtherByDuration) {
    engine.SetEffectSteps({Step(1, 100, 0), Step(5, 50)});
    engine.PlayStepList(kT0);
    EXPECT_EQ(Frame(), Uniform({255, 0, 0, 255}));
    engine.PlayStepList(kT0 + milliseconds(100));  // the first step gets its whole time
    EXPECT_EQ(engine.CurrentStep(), 0u);
    engine.PlayStepList(kT0 + milliseconds(101));
    EXPECT_EQ(engine.CurrentStep(), 1u);

    engine.PlayStepList(kT0 + milliseconds(102));
    EXPECT_EQ(Frame(), Uniform({kColourWheel[1], 255}));
    engine.PlayStepList(kT0 + milliseconds(152));
    EXPECT_EQ(Frame(), Uniform({kColourWheel[2], 255}));
    EXPECT_EQ(engine.CurrentStep(), 0u);  // wrapped
    engine.PlayStepList(kT0 + milliseconds(153));
    EXPECT_EQ(Frame(), Uniform({255, 0, 0, 255}));

    // A new list starts from its first step.
    engine.SetEffectSteps({Step(1, 10, 0, 0, 0, {0, 9, 0})});
    engine.PlayStepList(kT0 + milliseconds(154));
    EXPECT_EQ(engine.CurrentStep(), 0u);
    EXPECT_EQ(Frame(), Uniform({0, 9, 0, 255}));
}

TEST_F(LightStepListTest, BreathingAfterASpectrumStaysOnItsCurve) {
    engine.SetEffectSteps({Step(5, 1000), Step(0, 1000, 0, 0, 0, {0, 0, 255})});
    LightTime now = kT0;
    for (int pass = 0; pass < 150; ++pass)
        engine.PlayStepList(now += milliseconds(1));
    ASSERT_EQ(Frame(), Uniform({kColourWheel[150], 255}));
    engine.PlayStepList(now += milliseconds(1000));
    ASSERT_EQ(engine.CurrentStep(), 1u);
    engine.PlayStepList(now += milliseconds(1));
    EXPECT_EQ(Frame(), Uniform({0, 0, 255, 0}));
}

TEST_F(LightStepListTest, WaveStartsByDirection) {
    engine.SetEffectSteps({Step(4, 1000, 4, 0, 1)});
    engine.PlayStepList(kT0);
    for (size_t led = 0; led < kMouseLedCount; ++led)
        EXPECT_EQ(engine.Frame().Get(led), LightColour(kColourWheel[(1 + 12 * led) % 192], 255));

    engine.SetEffectSteps({Step(4, 1000, 4, 1, 1)});
    engine.PlayStepList(kT0);
    for (size_t led = 0; led < kMouseLedCount; ++led)
        EXPECT_EQ(engine.Frame().Get(led), LightColour(kColourWheel[(191 + 12 * led) % 192], 255));

    // Single colour: the start on the wheel folds onto the half-size curve.
    engine.SetEffectSteps({Step(4, 1000, 4, 1, 0, {0, 100, 0})});
    engine.PlayStepList(kT0);
    for (size_t led = 0; led < kMouseLedCount; ++led) {
        const uint8_t alpha = kWaveCurve[(191 % 96 + 12 * led) % 96] * 255 / 256;
        EXPECT_EQ(engine.Frame().Get(led), LightColour(0, 100, 0, alpha)) << led;
    }
}

TEST_F(LightStepListTest, BlinkUsesTheDevicePeriod) {
    engine.SetEffectSteps({Step(2, 100000, 0, 0, 0, {7, 7, 7}, 2)});
    engine.PlayStepList(kT0);
    EXPECT_EQ(Frame(), Uniform({7, 7, 7, 100}));
    engine.PlayStepList(kT0 + milliseconds(1399));  // device speed 4: 7 x 200 ms
    EXPECT_EQ(Frame(), Uniform({7, 7, 7, 100}));
    engine.PlayStepList(kT0 + milliseconds(1400));
    EXPECT_EQ(Frame(), Uniform({}));
}

TEST_F(LightStepListTest, UnknownKindDrawsNothing) {
    engine.Frame().Fill({1, 2, 3, 4});
    engine.SetEffectSteps({Step(3, 100)});
    engine.PlayStepList(kT0);
    EXPECT_EQ(Frame(), Uniform({1, 2, 3, 4}));
}
