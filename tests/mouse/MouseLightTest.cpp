// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's light preview: its light state reaching the engine, the gates that keep the light
// thread asleep, the thread's life with the device, and the synchronised lighting on the mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "lighting/FakeLightClock.h"
#include "lighting/LightSync.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"
#include "support/TempHome.h"

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";

struct CProgramData {
    CProgramData() { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    ~CProgramData() { ::unsetenv("KESTRUNE_DATA_DIR"); }
};

// Counts the frames handed over, as the window's entry would queue them.
class CFrameCounter : public IMouseOwner {
  public:
    void ScheduleSettingsReload(CQuillonMouseDevice&, int) override {}
    void ScheduleProfileRefresh(CQuillonMouseDevice&, const MouseEvent&) override {}
    void OnLightFrame(CQuillonMouseDevice&) override { ++frames; }
    std::atomic<int> frames{0};
};

LightInfo Light(uint8_t effect, uint8_t speed = 4) {
    LightInfo light;
    light.effect = effect;
    light.brightness = 4;
    light.speed = speed;
    light.direction = 1;
    light.red = 10, light.green = 20, light.blue = 30;
    return light;
}

class MouseLightTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        world->SetReceiverPlugged(true);
        mouse->SetTypeKey("mouse");
        mouse->SetDeviceKind(1);
        mouse->ConfigChannel().SetTimeouts(500, 500, 500);
        mouse->SetOwner(&owner);
    }
    void TearDown() override {
        mouse.reset();
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
        EXPECT_FALSE(world->Configuring());
    }
    void Connect(bool receiver = false) {
        ASSERT_TRUE(
            mouse->ConnectConfiguration(receiver ? kReceiverConfig : kCableConfig, receiver));
    }
    void Apply(const LightInfo& light) {
        mouse->SetLightInfo(light);
        mouse->ApplyLightState();
    }
    CLightEngine& Engine() { return mouse->GetLightEngine(); }

    CTempHome home;
    CProgramData data;
    CFakeLightClock clock;
    CFrameCounter owner;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    std::unique_ptr<CQuillonMouseDevice> mouse =
        std::make_unique<CQuillonMouseDevice>(backend.get(), clock);
};

}  // namespace

TEST_F(MouseLightTest, ApplyLightStateReachesTheEngine) {
    LightInfo light = Light(kEffectReactive, 2);
    light.multiColor = 1;
    Apply(light);
    EXPECT_EQ(Engine().GetLightInfo(), light);
    EXPECT_EQ(Engine().GetMirror(), (LightMirror{kEffectReactive, 4, 2, 1, 10, 20, 30}));
    EXPECT_EQ(mouse->GetLightMirror(), Engine().GetMirror());

    // Key lights survive a change that keeps the effect, and are cleared by a new effect.
    Engine().TriggerReactive();
    light.red = 99;
    Apply(light);
    EXPECT_EQ(Engine().KeyLevel(3), 255);
    Apply(Light(kEffectTrail));
    EXPECT_EQ(Engine().GetMirror().effect, kEffectTrail);
    EXPECT_EQ(Engine().KeyLevel(3), 0);
    EXPECT_EQ(Engine().RingAt(0), 1);

    // The custom effect's step list is played from the profile's steps.
    Engine().Frame().Fill({1, 2, 3, 4});
    Apply(Light(kEffectStepList));
    Engine().PlayStepList(clock.Now());
    EXPECT_EQ(Engine().Frame().Get(0), LightColour{}) << "no steps: all LEDs off";
}

TEST_F(MouseLightTest, ReadingTheSettingsBlockEndsSynchronisation) {
    Connect();
    mouse->SetLightingSync(1);
    EXPECT_TRUE(Engine().IsSynchronised());
    ASSERT_EQ(mouse->ReadSettingsBlock(), 1);
    EXPECT_FALSE(Engine().IsSynchronised());
    EXPECT_EQ(mouse->GetLightingSync(), 0);
    // What the mouse holds is what the preview shows.
    EXPECT_EQ(Engine().GetMirror().effect, mouse->GetLightSettings().effect);
    EXPECT_EQ(Engine().GetLightInfo(), mouse->GetLightSettings());

    // Even a mouse out of reach no longer follows the synchronised lighting.
    mouse->SetLightingSync(1);
    mouse->DisconnectConfiguration();
    EXPECT_EQ(mouse->ReadSettingsBlock(), 0);
    EXPECT_FALSE(Engine().IsSynchronised());
}

TEST_F(MouseLightTest, PresentGateFollowsTheConfigurationChannel) {
    EXPECT_FALSE(Engine().IsPresent());
    Connect();
    EXPECT_TRUE(Engine().IsPresent());
    EXPECT_TRUE(mouse->SwitchTransport(kReceiverConfig, true));
    EXPECT_TRUE(Engine().IsPresent());
    mouse->DisconnectConfiguration();
    EXPECT_FALSE(Engine().IsPresent());
    Connect(true);
    EXPECT_TRUE(Engine().IsPresent());
    mouse->AbortConfiguration();
    EXPECT_FALSE(Engine().IsPresent());
}

TEST_F(MouseLightTest, LightThreadSleepsUntilThePreviewIsWantedAndTheMouseIsThere) {
    Apply(Light(kEffectBreathing));
    enum Idle { kAbsent, kNotShown };
    for (const Idle idle : {kAbsent, kNotShown}) {
        SCOPED_TRACE(idle);
        mouse->SetPreviewWanted(idle != kNotShown);
        if (idle == kNotShown)
            Connect();
        mouse->StartLightThread();
        clock.WaitQuiet();
        clock.Advance(std::chrono::seconds(10));
        clock.WaitQuiet();
        EXPECT_EQ(mouse->LightThread().Wakeups(), 0u);
        EXPECT_EQ(owner.frames.load(), 0);
        mouse->StopLightThread();
    }
    mouse->StartLightThread();
    // Shown: a frame at once, then one per tick at breathing's fastest pace.
    mouse->SetPreviewWanted(true);
    clock.WaitQuiet();
    EXPECT_EQ(owner.frames.load(), 1);
    for (int tick = 0; tick < 3; ++tick) {
        clock.Advance(kLightTick);
        clock.WaitQuiet();
    }
    EXPECT_EQ(owner.frames.load(), 1 + 3);
    // Hidden again: the thread goes back to sleep for good.
    mouse->SetPreviewWanted(false);
    clock.WaitQuiet();
    const uint64_t wakeups = mouse->LightThread().Wakeups();
    clock.Advance(std::chrono::seconds(10));
    clock.WaitQuiet();
    EXPECT_EQ(mouse->LightThread().Wakeups(), wakeups);
    EXPECT_EQ(owner.frames.load(), 4);
}

TEST_F(MouseLightTest, InitialSyncStartsTheThreadAndDestructionStopsIt) {
    Connect();
    mouse->SetPreviewWanted(true);
    mouse->InitialSync();
    EXPECT_TRUE(mouse->LightThread().IsRunning());
    clock.WaitQuiet();
    EXPECT_GE(owner.frames.load(), 1);
    EXPECT_EQ(clock.Timers(), 1u);
    // Running and previewing: the destructor ends it without waiting on anything.
    mouse.reset();
    EXPECT_EQ(clock.Timers(), 0u) << "the light thread outlived its mouse";
    const int frames = owner.frames.load();
    clock.Advance(std::chrono::seconds(1));
    EXPECT_EQ(owner.frames.load(), frames);
}

TEST_F(MouseLightTest, SynchronisedLightingIsStoredAppliedAndWritten) {
    Connect();
    mouse->InitialSync();
    Apply(Light(kEffectBreathing, 3));
    CLightSync sync(clock);
    sync.AddDevice(*mouse);
    ASSERT_TRUE(sync.Synchronise(*mouse));
    EXPECT_TRUE(Engine().IsSynchronised());
    EXPECT_EQ(mouse->GetLightingSync(), 1);
    EXPECT_EQ(mouse->Profile().GetLightInfo().effect, kEffectBreathing);
    EXPECT_EQ(Engine().GetMirror().speed, 3);
    // The mouse runs the common effect itself: the image holds it.
    EXPECT_EQ(world->SettingsMemory()[1], kEffectBreathing);
    sync.RemoveDevice(*mouse);

    // A trail has no common meaning: nothing changes.
    mouse->SetLightingSync(0);
    Apply(Light(kEffectTrail));
    CLightSync other(clock);
    other.AddDevice(*mouse);
    EXPECT_FALSE(other.Synchronise(*mouse));
    EXPECT_FALSE(Engine().IsSynchronised());
    other.RemoveDevice(*mouse);
}
