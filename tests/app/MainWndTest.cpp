// SPDX-License-Identifier: GPL-2.0-or-later
// The main window: hidden until discovery's first pass, sized by its monitor, closed to the
// tray (or ended without one), otherwise ended by the menu's "exit", hosting discovery.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/MainWnd.h"
#include "base/Debug.h"
#include "emulator/SimWorld.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/TempHome.h"
#include "ui/MenuWnd.h"
#include "ui/SkinResources.h"

namespace {

class MainWndTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Init());
        // "windowinit" comes from the event loop.
        QCoreApplication::processEvents();
    }
    void TearDown() override { CTrayIcon::SetAvailabilityForTesting(std::nullopt); }
    void Click(const char* name) {
        auto* button = window.FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        button->click();
    }
    bool NoDeviceShown() {
        return window.FindControl(QStringLiteral("No_device_Link"))->isVisible();
    }

    CMainWnd window;
};

}  // namespace

TEST_F(MainWndTest, HiddenUntilTheFirstPassThenShownWithNoDevice) {
    EXPECT_FALSE(window.isVisible());
    QSignalSpy shown(&window, &CMainWnd::FirstShown);
    window.OnFirstPassDone();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(window.IsShownToUser());
    EXPECT_TRUE(NoDeviceShown());
}

TEST_F(MainWndTest, MonitorSizeRule) {
    CDebugCapture capture;
    window.ApplyMonitorSize({1920, 1080});
    EXPECT_EQ(window.Dpi(), 144);
    EXPECT_EQ(window.size(), QSize(1500, 960));
    window.ApplyMonitorSize({1440, 900});
    EXPECT_EQ(window.Dpi(), 96);
    EXPECT_EQ(window.size(), QSize(1000, 640));
    // 150 % desktop scale on 1440 × 900: 960 × 600 logical pixels, a panel takes 40.
    window.ApplyMonitorSize({960, 600}, {960, 560});
    EXPECT_EQ(window.Dpi(), 72);
    EXPECT_EQ(window.size(), QSize(750, 480));
    EXPECT_EQ(window.SetDpi(110, "MAIN_WND DPI SET ERROR"), 96);
    EXPECT_TRUE(capture.Contains("MAIN_WND DPI SET ERROR"));
}

TEST_F(MainWndTest, CloseHidesToTheTrayAndOnlyExitEnds) {
    CTrayIcon::SetAvailabilityForTesting(true);
    window.BringUp();
    Click("closebtn");
    EXPECT_FALSE(window.isVisible());
    window.Tray().Activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.IsShownToUser());
    window.Tray().Activate(QSystemTrayIcon::Trigger);  // toggles
    EXPECT_FALSE(window.isVisible());
    window.Tray().Activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.IsShownToUser());
    // The window manager's close and "nodevice_ok_btn" behave as the close button.
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsShutDown());
    window.BringUp();
    Click("nodevice_ok_btn");
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsShutDown());
    ASSERT_TRUE(window.TrayMenu()->Trigger(QStringLiteral("exit")));
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.Tray().IsCreated());
}

// Nothing could bring a hidden window back: closing ends the tool, by the close button and by
// the window manager's close alike.
TEST_F(MainWndTest, WithoutATrayCloseEndsTheTool) {
    CTrayIcon::SetAvailabilityForTesting(false);
    window.BringUp();
    Click("closebtn");
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Tray().IsCreated());

    CMainWnd other;
    ASSERT_TRUE(other.Init());
    QCoreApplication::processEvents();
    other.BringUp();
    EXPECT_TRUE(other.close());
    EXPECT_TRUE(other.IsShutDown());
}

TEST_F(MainWndTest, AboutOpensOnceAndExitClosesIt) {
    window.BringUp();
    int opened = 0;
    QTimer::singleShot(0, &window, [&] {
        ASSERT_TRUE(window.AboutWindow());
        ++opened;
        window.OnMenuCommand(QStringLiteral("about_menu"));  // already open: ignored
        EXPECT_TRUE(window.AboutWindow()->IsModalRunning());
        window.OnMenuCommand(QStringLiteral("exit"));
    });
    window.OnMenuCommand(QStringLiteral("about_menu"));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(window.AboutWindow());
    EXPECT_TRUE(window.IsShutDown());
}

TEST(MainWndDiscovery, ComesUpWithTheSimulatedMouseAndStopsPromptly) {
    // Opening the mouse writes its profile files.
    CTempHome home;
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(true);
    MainWndOptions options;
    options.backend = std::make_shared<CCompositeHidBackend>();
    options.backend->Add(MakeEmulatedHidBackend(world));
    CMainWnd window(options);
    QSignalSpy shown(&window, &CMainWnd::FirstShown);
    ASSERT_TRUE(window.Init());
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_TRUE(window.Discovery());
    EXPECT_TRUE(window.ThreadSlots().IsOccupied(0));
    auto* noDevice = window.FindControl(QStringLiteral("No_device_Link"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !noDevice->isVisible(); }, 10000));
    // Unplugged: the page says so again.
    world->SetCablePlugged(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return noDevice->isVisible(); }, 10000));

    CDebugCapture capture;
    window.OnMenuCommand(QStringLiteral("exit"));
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_FALSE(window.Discovery());
    EXPECT_FALSE(window.ThreadSlots().IsOccupied(0));
    EXPECT_TRUE(capture.Contains("退出测试"));
    EXPECT_FALSE(capture.Contains("所有对象处于非激发状态，超时"));
    EXPECT_EQ(world->ProtocolErrors(), 0u);
}
