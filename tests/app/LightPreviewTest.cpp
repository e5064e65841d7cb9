// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's light preview in the window: the page's LEDs painted from the light frame, the
// preview computed only while its LEDs can be seen, and a shutdown with light threads running.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <memory>

#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "emulator/SimWorld.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/lighting/FakeLightClock.h"
#include "tests/support/TempHome.h"
#include "ui/SelectPanel.h"

namespace {

constexpr int kWaitMs = 10000;
constexpr int kLightingTab = 3;
const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";

// The window with one cable mouse on the simulated world, its light thread on a test clock.
class LightPreview : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        mouse->SetTypeIndex(0);
        mouse->SetTypeKey("mouse");
        mouse->SetPageLayout(std::string(kDevicePageTable[0].pageLayout));
        mouse->ConfigChannel().SetTimeouts(500, 500, 500);
        ASSERT_TRUE(window.Init());
        QCoreApplication::processEvents();
        window.OnDeviceCreated(*mouse);
        ASSERT_TRUE(window.EntryOf(*mouse));
        window.BringUp();
        window.ShowEntry(0, true, true);
    }
    CDevicePageUI* Page() { return window.PageOf(*mouse); }
    // Device work runs on the entry's worker, as the window's own does; the test waits for it.
    void OnWorker(std::function<void()> work) {
        std::promise<void> done;
        window.EntryOf(*mouse)->Worker()->Post([&] {
            work();
            done.set_value();
        });
        done.get_future().wait();
    }
    void ShowTab(int tab) { Page()->SelectSettingsTab(tab); }
    bool Wanted() { return mouse->GetLightEngine().IsPreviewWanted(); }
    QColor LedColour(int n) {
        auto* led = Page()->findChild<CLightLedUI*>(QStringLiteral("light_%1").arg(n));
        return led ? led->Colour() : QColor();
    }

    CTempHome home;
    CFakeLightClock clock;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    // Declared before the window: it outlives the window's entry.
    std::unique_ptr<CQuillonMouseDevice> mouse =
        std::make_unique<CQuillonMouseDevice>(backend.get(), clock);
    CMainWnd window;
};

}  // namespace

TEST_F(LightPreview, WantedOnlyWhileTheLedsCanBeSeen) {
    auto* panel = Page()->LightPanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->LedCount(), static_cast<int>(kMouseLedCount));
    EXPECT_FALSE(Wanted()) << "the buttons tab shows no LEDs";
    ShowTab(kLightingTab);
    EXPECT_TRUE(Wanted());
    // Every LED sits on the mouse picture.
    for (int n = 0; n < panel->LedCount(); ++n)
        EXPECT_TRUE(panel->PictureRect().contains(panel->Led(n)->geometry().center())) << n;

    window.CloseToTray();  // no tray offscreen: minimised
    EXPECT_FALSE(Wanted());
    window.BringUp();
    EXPECT_TRUE(Wanted());
    window.ToggleFromTray();  // hidden
    EXPECT_FALSE(Wanted());
    window.ToggleFromTray();
    EXPECT_TRUE(Wanted());
    ShowTab(0);
    EXPECT_FALSE(Wanted());
}

TEST_F(LightPreview, PageShowsTheFrameTheLightThreadComputes) {
    LightInfo light;
    light.effect = kEffectStatic;
    light.brightness = 2;
    light.red = 200, light.green = 40, light.blue = 90;
    bool connected = false;
    OnWorker([&] {
        mouse->SetLightInfo(light);
        mouse->ApplyLightState();
        connected = mouse->ConnectConfiguration(kCableConfig, false);
    });
    ASSERT_TRUE(connected);
    mouse->StartLightThread();
    clock.WaitQuiet();
    EXPECT_EQ(mouse->LightThread().Wakeups(), 0u) << "nobody looks yet";

    ShowTab(kLightingTab);
    const QColor lit(200, 40, 90, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return LedColour(14) == lit; }, kWaitMs));
    for (int n = 0; n < static_cast<int>(kMouseLedCount); ++n)
        EXPECT_EQ(LedColour(n), lit) << n;

    // A frame of its own colour per LED, handed over as the light thread does.
    for (size_t n = 0; n < kMouseLedCount; ++n)
        mouse->GetLightEngine().Frame().Set(n, {static_cast<uint8_t>(n), 0, 255, 255});
    window.EntryOf(*mouse)->OnLightFrame(*mouse);
    ASSERT_TRUE(QTest::qWaitFor([&] { return LedColour(14) == QColor(14, 0, 255); }, kWaitMs));
    EXPECT_EQ(LedColour(3), QColor(3, 0, 255));
}

// The window on the simulated mouse through discovery, previewing with the real clock.
TEST(LightPreviewShutdown, EndsPromptlyWithLightThreadsRunning) {
    CTempHome home;
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(true);
    MainWndOptions options;
    options.backend = std::make_shared<CCompositeHidBackend>();
    options.backend->Add(MakeEmulatedHidBackend(world));
    auto window = std::make_unique<CMainWnd>(options);
    QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
    ASSERT_TRUE(window->Init());
    ASSERT_TRUE(shown.wait(kWaitMs));
    CQuillonMouseDevice* mouse = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            mouse = dynamic_cast<CQuillonMouseDevice*>(window->Discovery()->Device(0));
            return mouse != nullptr;
        },
        kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return mouse->LightThread().IsRunning(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->PageOf(*mouse) != nullptr; }, kWaitMs));
    window->PageOf(*mouse)->SelectSettingsTab(kLightingTab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mouse->LightThread().Frames() > 2; }, kWaitMs));
    // The mouse stops answering mid-preview, with time-outs far longer than any shutdown may
    // take: the shutdown cuts the waits short instead of sitting them out.
    mouse->ConfigChannel().SetTimeouts(120000, 120000, 120000);
    world->HoldReplies();
    const auto start = std::chrono::steady_clock::now();
    window->Shutdown();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    world->ReleaseReplies();
    EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
}
