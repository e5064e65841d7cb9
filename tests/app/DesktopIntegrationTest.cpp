// SPDX-License-Identifier: GPL-2.0-or-later
// The window as a desktop citizen: the session start it turns on and off, starting hidden in
// the tray, the battery in the tray's tooltip, notifications end to end on the simulated mouse.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/Autostart.h"
#include "app/MainWnd.h"
#include "base/Paths.h"
#include "emulator/SimWorld.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/RecordingNotifier.h"
#include "tests/support/TempHome.h"
#include "ui/MenuWnd.h"
#include "ui/SkinResources.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class DesktopIntegrationTest : public testing::Test {
  protected:
    void TearDown() override { CTrayIcon::SetAvailabilityForTesting(std::nullopt); }

    // A window on the simulated mouse, its notifications recorded.
    std::unique_ptr<CMainWnd> Window(bool startHidden) {
        world->SetCablePlugged(true);
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        options.notifier = notifier;
        options.startHidden = startHidden;
        auto window = std::make_unique<CMainWnd>(options);
        EXPECT_TRUE(window->Init());
        return window;
    }
    bool HasNotification(const QString& summaryKey) const {
        for (const auto& each : notifier->sent)
            if (each.summary == Skin().Text(summaryKey))
                return true;
        return false;
    }

    CTempHome home;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<CRecordingNotifier> notifier = std::make_shared<CRecordingNotifier>();
};

TEST_F(DesktopIntegrationTest, TheMenuTurnsTheSessionStartOnAndOff) {
    MainWndOptions options;
    if (const char* language = std::getenv("KESTRUNE_TEST_LANGUAGE"))
        options.languageFile = QString::fromLocal8Bit(language);
    CMainWnd window(options);
    ASSERT_TRUE(window.Init());
    QCoreApplication::processEvents();
    const fs::path file = home.Root() / "config" / "autostart" / "kestrune-q418.desktop";
    ASSERT_EQ(AutostartFile(), file);
    QAction* item = window.TrayMenu()->Item(QStringLiteral("autostart_menu"));
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->isCheckable());

    ASSERT_TRUE(window.TrayMenu()->Trigger(QStringLiteral("autostart_menu")));
    EXPECT_TRUE(item->isChecked());
    if (const char* shot = std::getenv("KESTRUNE_TEST_SHOT")) {
        window.TrayMenu()->Menu()->adjustSize();
        window.TrayMenu()->Menu()->grab().save(QString::fromLocal8Bit(shot));
    }
    EXPECT_TRUE(IsAutostartEnabled());
    const std::string entry = ReadAll(file);
    EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\n"), std::string::npos) << entry;
    // This very program, started into the tray.
    EXPECT_NE(
        entry.find("Exec=" + QCoreApplication::applicationFilePath().toStdString() + " --hidden\n"),
        std::string::npos)
        << entry;
    EXPECT_FALSE(fs::exists(file.string() + ".new"));

    ASSERT_TRUE(window.TrayMenu()->Trigger(QStringLiteral("autostart_menu")));
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(fs::exists(file));

    // Turned off in the desktop's session settings (Hidden=true) reads as off.
    ASSERT_TRUE(SetAutostartEnabled(true, "/usr/bin/kestrune-q418", nullptr));
    std::ofstream(file, std::ios::app) << "Hidden=true\n";
    EXPECT_FALSE(IsAutostartEnabled());
}

TEST_F(DesktopIntegrationTest, SessionStartFailuresAreReported) {
    // The config folder's "autostart" is a file: nothing can go in it.
    fs::create_directories(home.Root() / "config");
    std::ofstream(home.Root() / "config" / "autostart") << "in the way";
    std::string error;
    EXPECT_FALSE(SetAutostartEnabled(true, "/usr/bin/kestrune-q418", &error));
    EXPECT_NE(error.find("autostart"), std::string::npos) << error;
    EXPECT_FALSE(IsAutostartEnabled());
}

TEST_F(DesktopIntegrationTest, StartedHiddenStaysInTheTrayUntilOpened) {
    CTrayIcon::SetAvailabilityForTesting(true);
    auto window = Window(true);
    // The first pass and the mouse's arrival leave it in the tray.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->Tray().ToolTip().contains(QStringLiteral("85")); }, 10000))
        << qPrintable(window->Tray().ToolTip());
    EXPECT_FALSE(window->isVisible());
    window->Tray().Activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->IsShownToUser());
    window->OnMenuCommand(QStringLiteral("exit"));
}

TEST_F(DesktopIntegrationTest, StartedHiddenWithoutATrayShows) {
    CTrayIcon::SetAvailabilityForTesting(false);
    auto window = Window(true);
    QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_TRUE(window->IsShownToUser());
    window->OnMenuCommand(QStringLiteral("exit"));
}

// Started hidden with the simulated mouse on battery at 14 %: the tooltip says so and the
// desktop hears of it, but not of the mouse the tool found at its start; unplugged and plugged
// again while hidden, the desktop hears that too.
TEST_F(DesktopIntegrationTest, BatteryAndConnectionsReachTheDesktop) {
    CTrayIcon::SetAvailabilityForTesting(true);
    SimMouseConfig config = world->Config();
    config.batteryPercent = 14;
    world->SetConfig(config);
    auto window = Window(true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return HasNotification(QStringLiteral("notify_battery_low_title")); }, 10000));
    EXPECT_EQ(window->Tray().ToolTip(),
              Skin().Text(QStringLiteral("tray_battery_tooltip")).arg(14));
    EXPECT_FALSE(HasNotification(QStringLiteral("notify_connected_title")));

    world->SetCablePlugged(false);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return HasNotification(QStringLiteral("notify_disconnected_title")); }, 10000));
    EXPECT_EQ(window->Tray().ToolTip(), QString::fromUtf8(kProductName));
    world->SetCablePlugged(true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return HasNotification(QStringLiteral("notify_connected_title")); }, 10000));
    EXPECT_FALSE(window->isVisible());
    // Still one battery warning for the one discharge.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->Tray().ToolTip().contains(QStringLiteral("14")); }, 10000));
    int warnings = 0;
    for (const auto& each : notifier->sent)
        warnings += each.tag == QStringLiteral("battery");
    EXPECT_EQ(warnings, 1);

    // Shown, the window speaks for itself.
    window->Tray().Activate(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(window->IsShownToUser());
    const size_t before = notifier->sent.size();
    world->SetCablePlugged(false);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->Tray().ToolTip() == QString::fromUtf8(kProductName); }, 10000));
    EXPECT_EQ(notifier->sent.size(), before);
    window->OnMenuCommand(QStringLiteral("exit"));
}

// Old firmware: the desktop hears of it too, with both versions, as the question comes up.
TEST_F(DesktopIntegrationTest, OldFirmwareReachesTheDesktop) {
    SimMouseConfig config = world->Config();
    config.firmwareVersion = 0x0104;
    world->SetConfig(config);
    auto window = Window(false);
    bool notifiedFirst = false;
    window->FirmwarePrompt().SetAsk([&] {
        notifiedFirst = HasNotification(QStringLiteral("notify_firmware_old_title"));
        return false;  // declined: the tool ends
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->IsShutDown(); }, 10000));
    EXPECT_TRUE(notifiedFirst);
    ASSERT_EQ(notifier->sent.size(), 1u);
    EXPECT_EQ(notifier->sent[0].body, Skin()
                                          .Text(QStringLiteral("notify_firmware_old_text"))
                                          .arg(Skin().Text(QStringLiteral("mouse")),
                                               QStringLiteral("1.04"), QStringLiteral("1.05")));
}

}  // namespace
