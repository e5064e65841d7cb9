// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <vector>

#include "lighting/LightEngine.h"

namespace {

const LightTime kT0 = LightTime{} + std::chrono::hours(1);

LightInfo Info(uint8_t effect, uint8_t brightness = 4, uint8_t speed = 0, uint8_t direction = 1,
               uint8_t multi = 0, LightRgb colour = {10, 20, 30}) {
    LightInfo info;
    info.effect = effect;
    info.brightness = brightness;
    info.speed = speed;
    info.direction = direction;
    info.multiColor = multi;
    info.red = colour.red;
    info.green = colour.green;
    info.blue = colour.blue;
    return info;
}

std::vector<LightColour> Uniform(LightColour colour) {
    return std::vector<LightColour>(kMouseLedCount, colour);
}

class LightEffectTest : public testing::Test {
  protected:
    // The record as the mouse applies it; starts from another effect so this is a mode change.
    void Use(const LightInfo& info) {
        LightInfo other = info;
        other.effect = info.effect == kEffectStatic ? kEffectOff : kEffectStatic;
        engine.ApplyLightInfo(other);
        engine.ApplyLightInfo(info);
    }
    std::vector<LightColour> Frame() const { return engine.Frame().Snapshot(); }

    CLightEngine engine;
};

}  // namespace

TEST_F(LightEffectTest, PacePerSpeedLevel) {
    struct Case {
        uint8_t effect;
        uint8_t speed;
        int ticks;
    };
    const Case cases[] = {
        {kEffectBreathing, 0, 7},
        {kEffectBreathing, 4, 1},
        {kEffectFourColourBreathing, 2, 4},
        {kEffectStatic, 0, 28},
        {kEffectStatic, 4, 7},
        {kEffectSpectrum, 2, 18},
        {kEffectWave, 3, 13},
        {kEffectTrail, 1, 23},
        {kEffectReactive, 4, 7},
        {kEffectBlink, 0, 28},
        {kEffectFourColourBlink, 4, 7},
        {kEffectStepList, 0, 1},  // the player runs a pass every tick
        {20, 3, 1},
        {kEffectBreathing, 9, 1},  // a speed beyond the scale counts as the fastest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << int(c.effect) << " speed " << int(c.speed));
        CLightEngine fresh;
        fresh.ApplyLightInfo(Info(c.effect, 4, c.speed));
        // The first frame comes at once; then one per threshold of counted ticks.
        EXPECT_TRUE(fresh.Advance(kT0).frame);
        const auto period = c.ticks * kLightTick;
        const auto early = fresh.Advance(kT0 + period - kLightTick);
        EXPECT_FALSE(early.frame);
        EXPECT_EQ(early.next, kT0 + period);
        const auto due = fresh.Advance(kT0 + period);
        EXPECT_TRUE(due.frame);
        EXPECT_EQ(due.next, kT0 + 2 * period);
    }
}

TEST_F(LightEffectTest, LateWakeupKeepsTheCadence) {
    engine.ApplyLightInfo(Info(kEffectStatic, 4, 4));
    engine.Advance(kT0);
    const auto period = 7 * kLightTick;
    const auto late = engine.Advance(kT0 + period + std::chrono::milliseconds(3));
    EXPECT_TRUE(late.frame);
    EXPECT_EQ(late.next, kT0 + 2 * period);
    // Stalled for longer than a period: no burst of frames to catch up, the count starts again.
    const LightTime resumed = kT0 + 10 * period;
    EXPECT_EQ(engine.Advance(resumed).next, resumed + period);
}

TEST_F(LightEffectTest, BreathingForwardAndBackward) {
    Use(Info(kEffectBreathing, 4, 0, 0));
    engine.SetPosition(0);
    engine.StepBreathing();
    EXPECT_EQ(engine.Position(), 127);
    EXPECT_EQ(Frame(), Uniform({10, 20, 30, 0}));

    engine.SetPosition(66);
    engine.StepBreathing();  // to 65: curve 248
    EXPECT_EQ(Frame(), Uniform({10, 20, 30, 247}));

    Use(Info(kEffectBreathing, 2, 0, 1));
    engine.SetPosition(127);
    engine.StepBreathing();
    EXPECT_EQ(engine.Position(), 0);
    engine.SetPosition(40);
    engine.StepBreathing();  // to 41: curve 119, brightness 100
    EXPECT_EQ(Frame(), Uniform({10, 20, 30, 119 * 100 / 256}));
}

// Multicolour breathing shows a new wheel colour with each breath, changing only while dark.
TEST_F(LightEffectTest, MulticolourBreathingTakesTheWheelBreathByBreath) {
    Use(Info(kEffectBreathing, 4, 0, 1, 1));
    std::vector<LightRgb> shown;
    for (int frame = 0; frame < 128 * 7; ++frame) {
        engine.StepBreathing();
        const LightColour led = engine.Frame().Get(0);
        const LightRgb colour{led.red, led.green, led.blue};
        if (shown.empty() || !(shown.back() == colour)) {
            if (!shown.empty()) {
                EXPECT_EQ(engine.Position(), 0) << "colour changed mid-breath at frame " << frame;
            }
            shown.push_back(colour);
        }
    }
    const std::vector<LightRgb> expected = {kColourWheel[0],  kColourWheel[32],  kColourWheel[64],
                                            kColourWheel[96], kColourWheel[128], kColourWheel[160],
                                            kColourWheel[0],  kColourWheel[32]};
    EXPECT_EQ(shown, expected);
}

TEST_F(LightEffectTest, FourColourBreathingChangesColourAtEachWrap) {
    Use(Info(kEffectFourColourBreathing, 4));
    std::vector<LightRgb> shown;
    for (int frame = 0; frame < 128 * 5; ++frame) {
        engine.StepFourColourBreathing();
        const LightColour led = engine.Frame().Get(0);
        const LightRgb colour{led.red, led.green, led.blue};
        if (shown.empty() || !(shown.back() == colour))
            shown.push_back(colour);
        EXPECT_EQ(led.alpha, kBreathingCurve[engine.Position()] * 255 / 256);
    }
    const std::vector<LightRgb> expected = {kFourColours[0], kFourColours[1], kFourColours[2],
                                            kFourColours[3], kFourColours[0], kFourColours[1]};
    EXPECT_EQ(shown, expected);
}

TEST_F(LightEffectTest, SpectrumWrapsAroundTheWheel) {
    Use(Info(kEffectSpectrum, 3, 0, 1));
    engine.SetPosition(191);
    engine.StepSpectrum();
    EXPECT_EQ(engine.Position(), 0);
    EXPECT_EQ(Frame(), Uniform({255, 1, 0, 175}));

    Use(Info(kEffectSpectrum, 3, 0, 0));
    engine.StepSpectrum();
    EXPECT_EQ(engine.Position(), 191);
    EXPECT_EQ(Frame(), Uniform({255, 0, 0, 175}));
}

TEST_F(LightEffectTest, MultiColourWaveGivesEachGroupItsWheelColour) {
    Use(Info(kEffectWave, 4, 0, 1, 1));
    engine.SetPosition(11);  // the multicolour wave always steps backward
    engine.StepWave();
    EXPECT_EQ(engine.Position(), 10);
    // LED -> group: 0,13 -> 0; 1,12 -> 1; ...; 6,14,7 -> 6.
    const size_t groupOf[kMouseLedCount] = {0, 1, 2, 3, 4, 5, 6, 6, 5, 4, 3, 2, 1, 0, 6};
    for (size_t led = 0; led < kMouseLedCount; ++led)
        EXPECT_EQ(engine.Frame().Get(led), LightColour(kColourWheel[11 + 7 * groupOf[led]], 255))
            << "LED " << led;
    EXPECT_EQ(engine.Frame().Get(7), LightColour(kColourWheel[53], 255));

    engine.SetPosition(0);
    engine.StepWave();
    EXPECT_EQ(engine.Position(), 191);
    EXPECT_EQ(engine.Frame().Get(0), LightColour(kColourWheel[0], 255));
    EXPECT_EQ(engine.Frame().Get(12), LightColour(kColourWheel[7], 255));
    // The preview's own direction does not overwrite the user's.
    EXPECT_EQ(engine.GetLightInfo().direction, 1);
}

TEST_F(LightEffectTest, SingleColourWaveRunsAlongTheCurve) {
    Use(Info(kEffectWave, 4, 0, 1, 0, {200, 0, 100}));
    engine.SetPosition(94);
    engine.StepWave();
    EXPECT_EQ(engine.Position(), 95);
    const size_t groupOf[kMouseLedCount] = {0, 1, 2, 3, 4, 5, 6, 6, 5, 4, 3, 2, 1, 0, 6};
    for (size_t led = 0; led < kMouseLedCount; ++led) {
        const uint8_t alpha = kWaveCurve[7 * groupOf[led]] * 255 / 256;
        EXPECT_EQ(engine.Frame().Get(led), LightColour(200, 0, 100, alpha)) << "LED " << led;
    }
}

TEST_F(LightEffectTest, ReactiveLevelsAfterATrigger) {
    Use(Info(kEffectReactive, 4, 0, 1, 1));
    engine.SetRandomSeed(12345);
    engine.TriggerReactive();
    engine.StepReactive();
    for (size_t led = 0; led < kMouseLedCount; ++led) {
        EXPECT_EQ(engine.Frame().Get(led), LightColour(kColourWheel[engine.WheelIndex(led)], 254));
        EXPECT_EQ(engine.ReactiveStateOf(led), kReactiveFalling);
    }
    for (int level = 240; level >= 0; level -= 15) {
        engine.StepReactive();
        EXPECT_EQ(engine.KeyLevel(3), level);
        EXPECT_EQ(engine.Frame().Get(3).alpha, level * 255 / 256);
    }
    engine.StepReactive();
    EXPECT_EQ(engine.Frame().Get(3).alpha, 0);
    EXPECT_EQ(engine.ReactiveStateOf(3), kReactiveIdle);

    // Single colour.
    Use(Info(kEffectReactive, 2, 0, 1, 0, {1, 2, 3}));
    engine.TriggerReactive();
    engine.StepReactive();
    EXPECT_EQ(Frame(), Uniform({1, 2, 3, 255 * 100 / 256}));
}

TEST_F(LightEffectTest, TriggerOnlyOnTheReactiveEffect) {
    for (const uint8_t effect : {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 200}) {
        Use(Info(effect));
        engine.TriggerReactive();
        for (size_t led = 0; led < kMouseLedCount; ++led) {
            EXPECT_EQ(engine.KeyLevel(led), 0) << int(effect);
            EXPECT_EQ(engine.ReactiveStateOf(led), kReactiveIdle) << int(effect);
        }
    }
    Use(Info(kEffectReactive));
    engine.TriggerReactive();
    for (size_t led = 0; led < kMouseLedCount; ++led) {
        EXPECT_EQ(engine.KeyLevel(led), 255);
        EXPECT_EQ(engine.ReactiveStateOf(led), kReactiveRising);
        EXPECT_LT(engine.WheelIndex(led), kWheelSize);
    }
}

TEST_F(LightEffectTest, TrailHeadRunsAlongTheGroups) {
    Use(Info(kEffectTrail, 4, 0, 0, 0, {0, 0, 255}));
    const LightColour on{0, 0, 255, 255};
    const LightColour dark{0, 0, 255, 0};

    engine.StepTrail();
    EXPECT_EQ(engine.KeyLevel(0), 210);
    EXPECT_EQ(engine.Frame().Get(0), on);
    EXPECT_EQ(engine.Frame().Get(1), dark);
    EXPECT_EQ(engine.RingAt(0), 0);
    EXPECT_EQ(engine.RingAt(1), 1);

    engine.StepTrail();
    EXPECT_EQ(engine.Frame().Get(0), on);
    EXPECT_EQ(engine.Frame().Get(1), on);
    EXPECT_EQ(engine.Frame().Get(2), dark);

    // LED 0 stays lit for nine frames in all, then goes dark.
    for (int frame = 3; frame <= 9; ++frame) {
        engine.StepTrail();
        EXPECT_EQ(engine.Frame().Get(0), on) << frame;
    }
    engine.StepTrail();
    EXPECT_EQ(engine.Frame().Get(0), dark);
    EXPECT_EQ(engine.Frame().Get(6), on);
    // Only the first LED of each group is drawn.
    for (size_t led = 7; led < kMouseLedCount; ++led)
        EXPECT_EQ(engine.Frame().Get(led), LightColour{}) << led;
    // The user's direction byte stays as it was.
    EXPECT_EQ(engine.GetLightInfo().direction, 0);
}

TEST_F(LightEffectTest, TrailColourStaysOnTheWheelWhileTheHeadIsAway) {
    Use(Info(kEffectTrail, 4, 0, 1, 1));
    engine.RotateRing(1);  // head past LED 0: level 0 stays dark
    engine.SetPosition(191);
    engine.StepTrail();
    EXPECT_EQ(engine.Position(), 191);
    EXPECT_EQ(engine.Frame().Get(1), LightColour(kColourWheel[191], 255));
}

TEST_F(LightEffectTest, BlinkTogglesOnItsPeriod) {
    Use(Info(kEffectBlink, 4, 4, 1, 1));  // period 7 x 200 ms
    engine.SetPosition(0);
    engine.StepBlink(kT0);
    EXPECT_EQ(engine.Position(), 16);
    EXPECT_EQ(Frame(), Uniform({kColourWheel[16], 255}));
    engine.StepBlink(kT0 + std::chrono::milliseconds(1399));
    EXPECT_EQ(Frame(), Uniform({kColourWheel[16], 255}));
    engine.StepBlink(kT0 + std::chrono::milliseconds(1400));
    EXPECT_EQ(Frame(), Uniform({}));
    engine.StepBlink(kT0 + std::chrono::milliseconds(2800));
    EXPECT_EQ(Frame(), Uniform({kColourWheel[48], 255}));

    // Speed 0: 28 x 200 ms from the last toggle, at 2800 ms.
    Use(Info(kEffectBlink, 1, 0, 1, 0, {9, 8, 7}));
    engine.StepBlink(kT0 + std::chrono::milliseconds(8399));
    EXPECT_EQ(Frame(), Uniform({9, 8, 7, 50}));
    engine.StepBlink(kT0 + std::chrono::milliseconds(8400));
    EXPECT_EQ(Frame(), Uniform({}));
}

TEST_F(LightEffectTest, FourColourBlinkStepsThroughTheTableOnEveryToggle) {
    Use(Info(kEffectFourColourBlink, 4, 4));
    engine.SetPosition(3);
    const auto period = std::chrono::milliseconds(1400);
    for (int i = 0; i < 8; ++i) {
        engine.StepFourColourBlink(kT0 + i * period);
        const LightColour expected =
            i % 2 == 0 ? LightColour{kFourColours[i % 4], 255} : LightColour{};
        EXPECT_EQ(Frame(), Uniform(expected)) << i;
    }
}

TEST_F(LightEffectTest, FourColourBlinkAfterAnotherEffectStaysInItsTable) {
    Use(Info(kEffectFourColourBlink, 4, 4));
    engine.StepFourColourBlink(kT0);  // on
    engine.SetPosition(150);          // as a spectrum would leave it
    engine.StepFourColourBlink(kT0 + std::chrono::milliseconds(10));
    EXPECT_EQ(Frame(), Uniform({kFourColours[0], 255}));
}

TEST_F(LightEffectTest, StaticAndOff) {
    Use(Info(kEffectStatic, 1, 0, 1, 1, {1, 2, 3}));
    engine.StepStatic();
    EXPECT_EQ(Frame(), Uniform({1, 2, 3, 50}));
    engine.LightsOff();
    EXPECT_EQ(Frame(), Uniform({}));
}

TEST_F(LightEffectTest, ModeChangeClearsKeyLights) {
    Use(Info(kEffectTrail));
    engine.StepTrail();
    engine.StepTrail();
    ASSERT_NE(engine.KeyLevel(0), 0);

    // The same effect again keeps the trail where it is.
    EXPECT_FALSE(engine.ApplyLightInfo(Info(kEffectTrail, 2)));
    EXPECT_NE(engine.KeyLevel(0), 0);
    EXPECT_EQ(engine.RingAt(2), 1);

    EXPECT_TRUE(engine.ApplyLightInfo(Info(kEffectReactive)));
    for (size_t i = 0; i < kKeyLightLevels; ++i)
        ASSERT_EQ(engine.KeyLevel(i), 0) << i;
    for (size_t k = 0; k < kRingSize; ++k)
        EXPECT_EQ(engine.RingAt(k), k == 0 ? 1 : 0) << k;
    EXPECT_EQ(engine.GetMirror(), (LightMirror{kEffectReactive, 4, 0, 0, 10, 20, 30}));
}

TEST_F(LightEffectTest, NewEffectDoesNotKeepTheOldColoursOnLedsItDoesNotDraw) {
    engine.ApplyLightInfo(Info(kEffectStatic, 4, 4, 1, 0, {255, 255, 255}));
    engine.Advance(kT0);
    ASSERT_EQ(engine.Frame().Get(13), LightColour(255, 255, 255, 255));
    engine.ApplyLightInfo(Info(kEffectTrail, 4, 4, 1, 0, {255, 255, 255}));
    engine.Advance(kT0 + 7 * kLightTick);
    EXPECT_EQ(engine.Frame().Get(0), LightColour(255, 255, 255, 255));
    EXPECT_EQ(engine.Frame().Get(13), LightColour{});
}

TEST_F(LightEffectTest, RingRotatesBothWays) {
    engine.ClearKeyLights();
    engine.RotateRing(0);
    EXPECT_EQ(engine.RingAt(22), 1);
    EXPECT_EQ(engine.RingAt(0), 0);
    engine.RotateRing(1);
    engine.RotateRing(1);
    EXPECT_EQ(engine.RingAt(1), 1);
    EXPECT_EQ(engine.RingAt(22), 0);
}

TEST_F(LightEffectTest, PerLedListInitialisers) {
    std::vector<LightListEntry> list(20);  // more entries than LEDs: the rest is ignored
    list[0] = {.mode = 0, .brightness = 4, .speed = 2, .red = 100, .present = 1};
    list[1] = {.mode = 2, .brightness = 1, .speed = 0, .green = 200, .present = 1};
    list[2] = {.mode = 3, .brightness = 3, .present = 1};
    list[3] = {.mode = 3, .brightness = 3, .present = 0};  // a null element
    list[4] = {.mode = 0, .brightness = 4, .speed = 1, .multiColor = 1, .present = 1};
    list[5] = {.mode = 7, .brightness = 4, .present = 1};  // no initialiser of its own
    for (int run = 0; run < 2; ++run) {  // the restart makes a second run give the same frame
        engine.ApplyLightList(list, kT0);
        EXPECT_EQ(engine.Frame().Get(0), LightColour(100, 0, 0, kBreathingCurve[6] * 255 / 256));
        EXPECT_EQ(engine.Frame().Get(1), LightColour(0, 200, 0, 50));
        EXPECT_EQ(engine.Frame().Get(2), LightColour(kColourWheel[1], 175));
        EXPECT_EQ(engine.Frame().Get(3), LightColour{});
        EXPECT_EQ(engine.Frame().Get(4),
                  LightColour(kColourWheel[0], kBreathingCurve[5] * 255 / 256));
        EXPECT_EQ(engine.Frame().Get(5), LightColour{});
    }
}

TEST_F(LightEffectTest, FrameIndicesBeyondTheArrayAreSkipped) {
    CLightFrame frame(3);
    frame.Set(3, {1, 2, 3, 4});
    frame.Set(1000, {1, 2, 3, 4});
    EXPECT_EQ(frame.Get(3), LightColour{});
    EXPECT_EQ(frame.Snapshot(), std::vector<LightColour>(3));
    frame.Set(2, {1, 2, 3, 4});
    EXPECT_EQ(frame.Get(2).Pack(), 0x04030201u);

    // A device with fewer LEDs than the groups name draws only its own.
    CLightEngine small(4);
    small.ApplyLightInfo(Info(kEffectWave, 4, 0, 1, 1));
    EXPECT_EQ(small.StepWave(), 4u);
    EXPECT_EQ(small.StepTrail(), 4u);
    EXPECT_EQ(small.StepReactive(), 4u);
}
