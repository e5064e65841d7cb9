// SPDX-License-Identifier: GPL-2.0-or-later
// The window on the simulated mouse that other programs change: what they save in its state
// file and in the profile files shows in the window as a real hot-plug or change would.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <utility>

#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "base/Paths.h"
#include "base/ProcessLock.h"
#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/DevicePage.h"
#include "profile/MouseProfiledata.h"
#include "simulated/SimulatedMouse.h"
#include "tests/support/TempHome.h"

namespace {

// Generous for the sanitizer builds; the window reacts to the change itself, not to a poll.
constexpr int kWaitMs = 10000;

class SharedMouseWindow : public testing::Test {
  protected:
    void Start(const char* mode) {
        std::shared_ptr<CSimulatedMouse> simulated = CSimulatedMouse::SetUp(mode, StateFile());
        ASSERT_TRUE(simulated);
        std::string error;
        ASSERT_TRUE(simulated->Save(&error)) << error;
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(simulated->Backend());
        options.simulated = std::move(simulated);
        window = std::make_unique<CMainWnd>(options);
        QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
        ASSERT_TRUE(window->Init());
        ASSERT_TRUE(shown.wait(kWaitMs));
    }
    void TearDown() override { window.reset(); }

    static std::filesystem::path StateFile() { return GetUserStateFolder() / "emulator.json"; }
    // Another program: under the mouse's lock it loads the state file, changes the mouse and
    // saves it, as kestrunectl does.
    void Other(std::initializer_list<std::pair<const char*, const char*>> changes) {
        CProcessLock lock(MouseLockFile("mouse"));
        ASSERT_TRUE(lock.Acquire(std::chrono::milliseconds(kWaitMs)));
        std::unique_ptr<CSimulatedMouse> other = CSimulatedMouse::SetUp("", StateFile());
        for (const auto& [key, value] : changes) {
            std::string message;
            ASSERT_TRUE(other->World()->SetByName(key, value, &message)) << message;
        }
        std::string error;
        ASSERT_TRUE(other->Save(&error)) << error;
    }

    CQuillonMouseDevice* Mouse() {
        auto* discovery = window->Discovery();
        CQuillonUSBDevice* device = discovery ? discovery->Device(0) : nullptr;
        return device ? device->AsMouse() : nullptr;
    }
    CDeviceOptionUI* Entry() { return Mouse() ? window->EntryOf(*Mouse()) : nullptr; }
    bool EntryShown() { return Entry() && Entry()->IsEntryVisible() && Entry()->isVisible(); }
    bool NoDeviceShown() {
        return window->FindControl(QStringLiteral("No_device_Link"))->isVisible();
    }
    QString PowerText() {
        auto* label = Entry() && Entry()->PowerItem()
                          ? Entry()->PowerItem()->findChild<QLabel*>("device_power_value")
                          : nullptr;
        return label ? label->text() : QString();
    }
    bool ShownStageX(int x) {
        const CDevicePageUI* page = Mouse() ? window->PageOf(*Mouse()) : nullptr;
        return page && !page->ShownProfile().stages.empty() &&
               page->ShownProfile().stages[0].x == x;
    }

    CTempHome home;
    std::unique_ptr<CMainWnd> window;
};

}  // namespace

TEST_F(SharedMouseWindow, PlugsLinkAndBatteryChangedElsewhereShowAtOnce) {
    Start("cable");
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return PowerText() == QLatin1String("85%"); }, kWaitMs));

    Other({{"battery", "20"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return PowerText() == QLatin1String("20%"); }, kWaitMs));

    Other({{"cable", "unplugged"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return NoDeviceShown(); }, kWaitMs));

    Other({{"receiver", "plugged"}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));

    Other({{"link", "off"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return NoDeviceShown(); }, kWaitMs));
    Other({{"link", "on"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return EntryShown(); }, kWaitMs));
}

TEST_F(SharedMouseWindow, AProfileFileSavedElsewhereIsShown) {
    Start("cable");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const CDevicePageUI* page = Mouse() ? window->PageOf(*Mouse()) : nullptr;
            return page && page->ShownProfile().stages.size() == kMaxDpiStages;
        },
        kWaitMs));
    const std::filesystem::path file = Mouse()->GetProfilePath();
    ASSERT_FALSE(file.empty());

    // Another program changes stage 1 of the same profile file.
    {
        CProcessLock lock(MouseLockFile("mouse"));
        ASSERT_TRUE(lock.Acquire(std::chrono::milliseconds(kWaitMs)));
        CMouseProfiledata other;
        other.SetProfilePath(file);
        other.LoadSection(file);
        std::vector<DpiStage> stages = other.GetDpiStages();
        ASSERT_FALSE(stages.empty());
        stages[0].x = 0x0042;
        other.SetDpiStages(stages);
        ASSERT_TRUE(other.Save());
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownStageX(0x0042); }, kWaitMs));
}
