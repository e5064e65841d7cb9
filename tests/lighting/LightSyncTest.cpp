// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include "FakeLightClock.h"
#include "FakeLightDevice.h"
#include "base/Debug.h"
#include "lighting/LightSync.h"

namespace {

const LightTime kT0 = LightTime{} + std::chrono::hours(1);

LightInfo Info(uint8_t effect, uint8_t speed = 4, uint8_t multi = 0) {
    LightInfo info;
    info.effect = effect;
    info.brightness = 4;
    info.speed = speed;
    info.direction = 1;
    info.multiColor = multi;
    info.red = 1;
    info.green = 2;
    info.blue = 3;
    info.customGroup = 9;
    return info;
}

class LightSyncTest : public testing::Test {
  protected:
    LightSyncTest() {
        for (CFakeLightDevice* device :
             {&keyboard, &mouse, &receiverMouse, &pad, &headset, &absent})
            sync.AddDevice(device->Showing());
        absent.GetLightEngine().SetPresent(false);
    }
    std::vector<LightColour> Uniform(LightColour colour) {
        return std::vector<LightColour>(kMouseLedCount, colour);
    }

    CFakeLightClock clock;
    CFakeLightDevice keyboard{1}, mouse{2}, receiverMouse{6}, pad{3}, headset{7}, absent{2};
    CLightSync sync{clock};  // ends before the devices it holds
};

}  // namespace

TEST_F(LightSyncTest, MouseOnBreathingSynchronisesEveryFamily) {
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectBreathing));
    ASSERT_TRUE(sync.Synchronise(mouse));

    const std::pair<CFakeLightDevice*, uint8_t> expected[] = {
        {&keyboard, 5}, {&mouse, 1}, {&receiverMouse, 1}, {&pad, 2}, {&headset, 2}};
    for (const auto& [device, effect] : expected) {
        SCOPED_TRACE(device->GetDeviceClass());
        ASSERT_EQ(device->Applied().size(), 1u);
        LightInfo record = Info(kEffectBreathing);
        record.effect = effect;
        EXPECT_EQ(device->Applied()[0], record);
        EXPECT_TRUE(device->GetLightEngine().IsSynchronised());
    }
    EXPECT_TRUE(absent.Applied().empty());
    EXPECT_FALSE(absent.GetLightEngine().IsSynchronised());
    EXPECT_EQ(sync.GetCommon(), (CommonLight{kCommonBreathing, 4, 4, 1, 0, 1, 2, 3}));
}

TEST_F(LightSyncTest, EffectWithoutCommonTypeChangesNothing) {
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectTrail));
    EXPECT_FALSE(sync.Synchronise(mouse));
    for (CFakeLightDevice* device : {&keyboard, &mouse, &pad, &headset}) {
        EXPECT_TRUE(device->Applied().empty());
        EXPECT_FALSE(device->GetLightEngine().IsSynchronised());
    }
    EXPECT_EQ(sync.GetCommon(), CommonLight{});
}

TEST_F(LightSyncTest, FamilyTablesAgree) {
    struct Case {
        int deviceClass;
        std::array<uint8_t, 5> effects;  // by common type
    };
    const Case cases[] = {
        {1, {5, 6, 23, 4, 28}}, {2, {1, 0, 10, 3, 6}}, {3, {2, 3, 4, 1, 8}}, {7, {2, 3, 4, 1, 8}}};
    for (const Case& c : cases) {
        const LightFamily family = LightFamilyOfClass(c.deviceClass);
        for (uint8_t type = 0; type < 5; ++type) {
            EXPECT_EQ(EffectOfCommonType(family, type), c.effects[type]);
            EXPECT_EQ(CommonTypeOfEffect(family, c.effects[type]), type);
        }
    }
    EXPECT_EQ(CommonTypeOfEffect(LightFamily::Keyboard, 1), std::nullopt);
    EXPECT_EQ(LightFamilyOfClass(4), LightFamily::None);
}

TEST_F(LightSyncTest, DeviceOfNoFamilyKeepsThePreviousCommonType) {
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectSpectrum));
    ASSERT_TRUE(sync.Synchronise(mouse));
    CFakeLightDevice other{4};
    other.GetLightEngine().ApplyLightInfo(Info(77, 2));
    ASSERT_TRUE(sync.Synchronise(other));
    EXPECT_EQ(sync.GetCommon().type, kCommonSpectrum);
    EXPECT_EQ(sync.GetCommon().speed, 2);
    EXPECT_EQ(keyboard.Applied().back().effect, 4);
}

TEST_F(LightSyncTest, CommonFramesReachOnlyFollowingDevices) {
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectStatic, 4));
    ASSERT_TRUE(sync.Synchronise(mouse));
    keyboard.GetLightEngine().SetSynchronised(false);  // a change on its own page

    // Speed 4: a frame every 7 ticks.
    EXPECT_TRUE(sync.Advance(kT0).frame);
    EXPECT_FALSE(sync.Advance(kT0 + 6 * kLightTick).frame);
    EXPECT_TRUE(sync.Advance(kT0 + 7 * kLightTick).frame);
    EXPECT_EQ(mouse.Frames().back(), Uniform({1, 2, 3, 255}));
    EXPECT_EQ(pad.FrameCount(), 2u);
    EXPECT_EQ(keyboard.FrameCount(), 0u);
}

TEST_F(LightSyncTest, CommonColourPerType) {
    // Breathing with colours from the wheel: a new colour as each breath starts.
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectBreathing, 4, 1));
    ASSERT_TRUE(sync.Synchronise(mouse));
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[16], 0));  // position 1
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[16], 1));  // 2
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[16], 2));  // 3
    for (int i = 0; i < 124; ++i)
        sync.StepCommon(kT0);
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[32], 0));  // wrapped to 0

    // Spectrum runs forward and wraps.
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectSpectrum));
    ASSERT_TRUE(sync.Synchronise(mouse));
    for (int i = 0; i < 191; ++i)
        sync.StepCommon(kT0);
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[0], 255));

    // Blink on its period (speed 4: 7 x 200 ms), the index advancing by 14 per toggle.
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectBlink, 4, 1));
    ASSERT_TRUE(sync.Synchronise(mouse));
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(kColourWheel[46], 255));
    EXPECT_EQ(sync.StepCommon(kT0 + std::chrono::milliseconds(1399)),
              LightColour(kColourWheel[46], 255));
    EXPECT_EQ(sync.StepCommon(kT0 + std::chrono::milliseconds(1400)), LightColour{});

    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectStatic));
    ASSERT_TRUE(sync.Synchronise(mouse));
    EXPECT_EQ(sync.StepCommon(kT0), LightColour(1, 2, 3, 255));
    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectOff));
    ASSERT_TRUE(sync.Synchronise(mouse));
    EXPECT_EQ(sync.StepCommon(kT0), LightColour{});
}

TEST_F(LightSyncTest, ThreadIdlesUntilADeviceFollowsAndIsShown) {
    CDebugCapture capture;
    sync.Start();
    clock.WaitQuiet();
    clock.Advance(std::chrono::seconds(10));
    clock.WaitQuiet();
    EXPECT_EQ(sync.Wakeups(), 0u);
    EXPECT_EQ(mouse.FrameCount(), 0u);

    mouse.GetLightEngine().ApplyLightInfo(Info(kEffectStatic, 0));
    ASSERT_TRUE(sync.Synchronise(mouse));
    clock.WaitQuiet();
    EXPECT_EQ(mouse.FrameCount(), 1u);
    clock.Advance(28 * kLightTick);
    clock.WaitQuiet();
    EXPECT_EQ(mouse.FrameCount(), 2u);

    // Nobody shows a preview any more: the thread goes back to sleep for good.
    for (CFakeLightDevice* device : {&keyboard, &mouse, &receiverMouse, &pad, &headset})
        device->GetLightEngine().SetPreviewWanted(false);
    clock.WaitQuiet();
    const uint64_t wakeups = sync.Wakeups();
    clock.Advance(std::chrono::seconds(10));
    clock.WaitQuiet();
    EXPECT_EQ(sync.Wakeups(), wakeups);
    EXPECT_EQ(mouse.FrameCount(), 2u);

    sync.Stop();
    EXPECT_TRUE(capture.Contains("同步灯光线程设定退出"));
}
