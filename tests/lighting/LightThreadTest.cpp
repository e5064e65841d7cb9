// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <thread>

#include "FakeLightClock.h"
#include "FakeLightDevice.h"
#include "base/Debug.h"
#include "lighting/LightThread.h"

namespace {

LightInfo Info(uint8_t effect, uint8_t speed, uint8_t brightness = 4) {
    LightInfo info;
    info.effect = effect;
    info.brightness = brightness;
    info.speed = speed;
    info.direction = 1;
    info.red = 50;
    info.green = 60;
    info.blue = 70;
    return info;
}

class LightThreadTest : public testing::Test {
  protected:
    ~LightThreadTest() override { thread.Stop(); }
    void StartQuiet() {
        thread.Start();
        clock.WaitQuiet();
    }
    void AdvanceQuiet(LightDuration step) {
        clock.Advance(step);
        clock.WaitQuiet();
    }

    CFakeLightClock clock;
    CFakeLightDevice device;
    CLightEngine& engine = device.GetLightEngine();
    CLightThread thread{device, clock};
};

}  // namespace

TEST_F(LightThreadTest, NothingToComputeMeansNoWakeups) {
    enum Idle { kAbsent, kSynchronised, kNotShown };
    for (const Idle idle : {kAbsent, kSynchronised, kNotShown}) {
        SCOPED_TRACE(idle);
        engine.ApplyLightInfo(Info(kEffectBreathing, 4));
        engine.SetPresent(idle != kAbsent);
        engine.SetSynchronised(idle == kSynchronised);
        engine.SetPreviewWanted(idle != kNotShown);
        StartQuiet();
        AdvanceQuiet(std::chrono::seconds(10));
        EXPECT_EQ(thread.Wakeups(), 0u);
        EXPECT_EQ(device.FrameCount(), 0u);
        thread.Stop();
    }
}

TEST_F(LightThreadTest, FramesComeAtTheEffectPace) {
    engine.ApplyLightInfo(Info(kEffectBreathing, 0, 2));
    device.Showing();
    StartQuiet();
    EXPECT_EQ(device.FrameCount(), 1u);  // at once
    AdvanceQuiet(6 * kLightTick);
    EXPECT_EQ(device.FrameCount(), 1u);
    AdvanceQuiet(kLightTick);
    ASSERT_EQ(device.FrameCount(), 2u);
    EXPECT_EQ(device.Frames().back(),
              std::vector<LightColour>(kMouseLedCount, {50, 60, 70, 2 * 100 / 256}));
    // Waking once per frame, not per millisecond.
    AdvanceQuiet(7 * kLightTick);
    EXPECT_EQ(device.FrameCount(), 3u);
    EXPECT_EQ(thread.Wakeups(), 2u);
}

TEST_F(LightThreadTest, ChangesWakeTheThread) {
    engine.ApplyLightInfo(Info(kEffectStatic, 0));
    StartQuiet();
    engine.SetPresent(true);
    clock.WaitQuiet();
    EXPECT_EQ(device.FrameCount(), 0u);
    engine.SetPreviewWanted(true);  // the page shows up
    clock.WaitQuiet();
    EXPECT_EQ(device.FrameCount(), 1u);

    // Speed 0 waits 28 ticks; after 7 the user picks speed 4, and the frame is due at once.
    AdvanceQuiet(7 * kLightTick);
    EXPECT_EQ(device.FrameCount(), 1u);
    engine.ApplyLightInfo(Info(kEffectStatic, 4));
    clock.WaitQuiet();
    EXPECT_EQ(device.FrameCount(), 2u);

    // The synchronised lighting takes the frame over: no frames, no wake-ups, until it lets go.
    engine.SetSynchronised(true);
    clock.WaitQuiet();
    const uint64_t wakeups = thread.Wakeups();
    AdvanceQuiet(std::chrono::seconds(10));
    EXPECT_EQ(thread.Wakeups(), wakeups);
    EXPECT_EQ(device.FrameCount(), 2u);
    engine.SetSynchronised(false);
    clock.WaitQuiet();
    EXPECT_EQ(device.FrameCount(), 3u);
}

TEST_F(LightThreadTest, ReactiveTriggerFromTheListenerThread) {
    engine.ApplyLightInfo(Info(kEffectReactive, 4));
    device.Showing();
    StartQuiet();
    std::thread listener([this] { engine.TriggerReactive(); });
    listener.join();
    AdvanceQuiet(7 * kLightTick);
    ASSERT_EQ(device.FrameCount(), 2u);
    EXPECT_EQ(device.Frames().back(), std::vector<LightColour>(kMouseLedCount, {50, 60, 70, 254}));
}

TEST_F(LightThreadTest, StopsPromptlyFromASleepWithoutDeadline) {
    CDebugCapture capture;
    CFakeLightDevice idle;
    CLightThread real(idle);  // the steady clock: a stop must not wait for any timeout
    real.Start();
    real.Start();  // a restart stops the running thread first
    real.Stop();
    EXPECT_FALSE(real.IsRunning());
    EXPECT_TRUE(capture.Contains("MS灯光线程设定退出"));
    EXPECT_TRUE(capture.Contains("线程退出：：对象处于激发状态\n"));

    idle.Showing();
    real.Start();  // running at full pace, stop wakes it from its frame wait
    real.Stop();
    EXPECT_FALSE(real.IsRunning());
}
