// SPDX-License-Identifier: GPL-2.0-or-later
// Old mouse firmware in the window: the question is asked on the UI thread while the device
// worker waits; "no" ends the program, and a shutdown while the question is open does not hang.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <memory>

#include "app/MainWnd.h"
#include "emulator/SimWorld.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"
#include "tests/support/TempHome.h"

namespace {

constexpr int kWaitMs = 10000;

// Counts the upgrader's starts instead of starting it.
class CCountingLauncher : public IUpgraderLauncher {
  public:
    std::string Launch(const std::filesystem::path&, const std::string&,
                       const std::filesystem::path&) override {
        ++launches;
        return {};
    }
    std::atomic<int> launches{0};
};

class FirmwarePromptWorld : public testing::Test {
  protected:
    void SetUp() override {
        SimMouseConfig config = world->Config();
        config.firmwareVersion = 0x0104;
        world->SetConfig(config);
        world->SetCablePlugged(true);
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        options.factory = [this](int typeIndex, IHidBackend* backend) {
            std::unique_ptr<CQuillonUSBDevice> device = MakeQuillonDevice(typeIndex, backend);
            if (CQuillonMouseDevice* mouse = device ? device->AsMouse() : nullptr)
                mouse->SetUpgraderLauncher(&launcher);
            return device;
        };
        window = std::make_unique<CMainWnd>(options);
    }
    void Start() {
        QSignalSpy shown(window.get(), &CMainWnd::FirstShown);
        ASSERT_TRUE(window->Init());
        ASSERT_TRUE(shown.wait(kWaitMs));
    }

    CTempHome home;
    CCountingLauncher launcher;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::unique_ptr<CMainWnd> window;
};

}  // namespace

TEST_F(FirmwarePromptWorld, DecliningTheUpgradeEndsTheProgram) {
    std::atomic<int> asked{0};
    window->FirmwarePrompt().SetAsk([&] {
        ++asked;
        EXPECT_EQ(QThread::currentThread(), window->thread());
        return false;
    });
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->IsShutDown(); }, kWaitMs));
    EXPECT_EQ(asked.load(), 1);
    window.reset();
    EXPECT_EQ(launcher.launches.load(), 0);
}

TEST_F(FirmwarePromptWorld, ShuttingDownWhileTheQuestionIsOpenDoesNotWaitForAnAnswer) {
    std::atomic<bool> asked{false};
    window->FirmwarePrompt().SetAsk([&] {
        asked = true;
        // The user picks "exit" from the tray menu instead of answering.
        window->Shutdown();
        return true;
    });
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.load(); }, kWaitMs));
    EXPECT_TRUE(window->IsShutDown());
    // The late "yes" started nothing: the worker had been told "no" and joined.
    window.reset();
    EXPECT_EQ(launcher.launches.load(), 0);
}

// The same question answered "yes" does start the upgrader: the counts above can tell.
TEST_F(FirmwarePromptWorld, ConfirmingTheUpgradeStartsTheUpgrader) {
    window->FirmwarePrompt().SetAsk([] { return true; });
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return launcher.launches.load() == 1; }, kWaitMs));
    window.reset();
    EXPECT_EQ(launcher.launches.load(), 1);
}
