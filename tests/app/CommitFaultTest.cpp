// SPDX-License-Identifier: GPL-2.0-or-later
// Every page's commit against the faults a mouse has: no reply, unplugged, and the lock held by
// another program. Each shows the message named for it, then what the mouse and the profile
// really hold; a change the mouse missed goes out when it is back.
#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <functional>
#include <optional>

#include "base/Paths.h"
#include "base/ProcessLock.h"
#include "keys/ui/DeviceKeyButton.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/JsonFile.h"
#include "tests/app/MousePageFixture.h"

namespace {

enum class Fault { kNoReply, kUnplugged, kLockHeld };

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::kNoReply:
            return "no reply";
        case Fault::kUnplugged:
            return "unplugged";
        case Fault::kLockHeld:
            return "lock held";
    }
    return "";
}

class CommitFaultTest;

// One page's commit: what the user does, and where the value lands.
struct PageCase {
    const char* page;
    int tab;
    std::function<void(CommitFaultTest&)> act;
    // The value in the mouse's settings memory; nothing where the setting stays in the profile.
    std::function<std::optional<int>(CommitFaultTest&)> mouse;
    std::function<int(CommitFaultTest&)> profile;
    // The value in the profile the page was last shown.
    std::function<int(const MouseProfileSnapshot&)> shown;
};

class CommitFaultTest : public MousePageTest {
  protected:
    void Configure(MainWndOptions& options) override {
        options.changeWait = std::chrono::milliseconds(300);
    }
    void SetUp() override {
        MousePageTest::SetUp();
        if (HasFatalFailure())
            return;
        // Every message is answered here, by key.
        window->Messages().SetAnswerer([](const PageMessage&, bool) { return true; });
        // A request without a reply is given up soon.
        Page()->Device()->ConfigChannel().SetTimeouts(100, 100, 100);
    }
    // The mouse stops answering for the next requests.
    void StopAnswering() {
        for (int n = 0; n < 12; ++n)
            world->InjectFault({SimFault::DropReply, 0, 0});
    }

    // The device section of the shown profile's file.
    Json::Value InFile() {
        const std::filesystem::path file =
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json");
        return CJsonFile::ReadDocument(file)["Device"][0];
    }
    uint8_t InMouse(size_t byte) { return world->SettingsMemory()[byte]; }
    CDeviceOptionUI* Entry() { return window->EntryOf(*Page()->Device()); }
    bool Idle() {
        return QTest::qWaitFor([&] { return Entry()->Worker()->IsIdle(); }, kWaitMs);
    }
    std::vector<PageCase> SettingsPages() {
        return {
            {"DPI slider", 1,
             [](CommitFaultTest& t) {
                 auto* slider = t.Find<QSlider>(CDpiTabUI::kSliderPrefix, 2);
                 slider->setValue(slider->value() == 60 ? 61 : 60);
             },
             [](CommitFaultTest& t) -> std::optional<int> {
                 return t.InMouse(MouseBlock::kFirstStage + 2 * kDpiStageBytes + 2);
             },
             [](CommitFaultTest& t) {
                 return static_cast<int>(
                     t.InFile()["DPIStages"]["StageDPIs"][2]["StageDPIX"].asInt());
             },
             [](const MouseProfileSnapshot& p) { return static_cast<int>(p.stages.at(2).x); }},
            {"performance option", 2,
             [](CommitFaultTest& t) {
                 const bool fourth =
                     t.Find<QAbstractButton>(CPerformanceTabUI::kReportRatePrefix, 4)->isChecked();
                 t.Find<QAbstractButton>(CPerformanceTabUI::kReportRatePrefix, fourth ? 3 : 4)
                     ->click();
             },
             [](CommitFaultTest& t) -> std::optional<int> {
                 return t.InMouse(MouseBlock::kReportRate);
             },
             [](CommitFaultTest& t) {
                 return static_cast<int>(t.InFile()["ReportStages"]["StageActive"].asInt());
             },
             [](const MouseProfileSnapshot& p) {
                 return static_cast<int>(p.settings[MouseSettings::kReportRate]);
             }},
            {"pointer slider", 4,
             [](CommitFaultTest& t) {
                 auto* slider = t.Find<QSlider>(QString::fromLatin1(CPointerTabUI::kSpeedSlider));
                 slider->setValue(slider->value() == 5 ? 6 : 5);
             },
             [](CommitFaultTest&) -> std::optional<int> { return std::nullopt; },
             [](CommitFaultTest& t) {
                 return static_cast<int>(t.InFile()["SystemStages"]["MouseSpeed"].asInt());
             },
             [](const MouseProfileSnapshot& p) {
                 return static_cast<int>(p.settings[MouseSettings::kPointerSpeed]);
             }},
            {"lighting effect", 3,
             [](CommitFaultTest& t) {
                 auto* combo =
                     t.Find<QComboBox>(QString::fromLatin1(CLightControlUI::kEffectCombo));
                 combo->setCurrentIndex(combo->currentIndex() == 2 ? 3 : 2);
             },
             [](CommitFaultTest& t) -> std::optional<int> {
                 return t.InMouse(MouseBlock::kEffect);
             },
             [](CommitFaultTest& t) {
                 return static_cast<int>(t.InFile()["LightInfo"]["SelectItem"].asInt());
             },
             [](const MouseProfileSnapshot& p) { return static_cast<int>(p.light.effect); }},
        };
    }
    bool Shown(const QString& key) {
        return QTest::qWaitFor([&] { return window->Messages().Keys().contains(key); }, kWaitMs);
    }
};

}  // namespace

TEST_F(CommitFaultTest, EachSettingsCommitTellsItsFaultAndShowsWhatIsHeld) {
    const std::vector<PageCase> pages = SettingsPages();
    for (const PageCase& page : pages) {
        for (Fault fault : {Fault::kNoReply, Fault::kUnplugged, Fault::kLockHeld}) {
            SCOPED_TRACE(std::string(page.page) + " × " + FaultName(fault));
            ASSERT_TRUE(Idle());
            Page()->SelectSettingsTab(page.tab);
            window->Messages().ClearKeys();
            const std::optional<int> mouseBefore = page.mouse(*this);
            const int profileBefore = page.profile(*this);
            const bool writesMouse = mouseBefore.has_value();
            std::optional<CProcessLock> lock;
            if (fault == Fault::kNoReply)
                StopAnswering();
            if (fault == Fault::kUnplugged)
                world->SetCablePlugged(false);
            if (fault == Fault::kLockHeld) {
                lock.emplace(MouseLockFile("mouse"));
                ASSERT_TRUE(lock->Acquire(std::chrono::milliseconds(kWaitMs)));
            }
            page.act(*this);
            if (fault == Fault::kLockHeld) {
                EXPECT_TRUE(Shown(QStringLiteral("settings_busy_text")));
                lock.reset();
                ASSERT_TRUE(Idle());
                // Nothing was changed, and the page shows it so.
                EXPECT_EQ(page.profile(*this), profileBefore);
                EXPECT_EQ(page.mouse(*this), mouseBefore);
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return page.shown(Page()->ShownProfile()) == profileBefore; }, kWaitMs));
                continue;
            }
            ASSERT_TRUE(Idle());
            world->ClearFaults();
            // The profile is the truth: it has the change, and the page shows it; the mouse
            // has not.
            EXPECT_NE(page.profile(*this), profileBefore);
            if (writesMouse) {
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return page.shown(Page()->ShownProfile()) == page.profile(*this); },
                    kWaitMs));
            }
            if (writesMouse) {
                EXPECT_TRUE(Shown(QStringLiteral("settings_not_sent_text")));
                EXPECT_EQ(page.mouse(*this), mouseBefore);
            } else {
                EXPECT_TRUE(window->Messages().Keys().isEmpty());
            }
            if (fault == Fault::kUnplugged) {
                // Back again, the mouse gets what it missed.
                world->SetCablePlugged(true);
                if (writesMouse) {
                    EXPECT_TRUE(
                        QTest::qWaitFor([&] { return page.mouse(*this) != mouseBefore; }, kWaitMs));
                }
                ASSERT_TRUE(QTest::qWaitFor([&] { return Entry()->IsEntryVisible(); }, kWaitMs));
            }
        }
    }
}

TEST_F(CommitFaultTest, TheRecoilSaveAndTheProfileSwitchTellTheirFaults) {
    Page()->SelectSettingsTab(5);
    CShootControlUI* shoot = Page()->ShootControl();
    ASSERT_TRUE(shoot);
    auto* save = Find<QAbstractButton>(QString::fromLatin1(CShootControlUI::kSave));
    const struct {
        Fault fault;
        const char* key;
    } cases[] = {
        {Fault::kNoReply, "shoot_save_failed_text"},
        {Fault::kLockHeld, "shoot_save_busy_text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        ASSERT_TRUE(Idle());
        window->Messages().ClearKeys();
        std::optional<CProcessLock> lock;
        if (c.fault == Fault::kNoReply)
            StopAnswering();
        if (c.fault == Fault::kLockHeld) {
            lock.emplace(MouseLockFile("mouse"));
            ASSERT_TRUE(lock->Acquire(std::chrono::milliseconds(kWaitMs)));
        }
        save->click();
        EXPECT_TRUE(Shown(QString::fromLatin1(c.key)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shoot->IsSaving(); }, kWaitMs));
        lock.reset();
        ASSERT_TRUE(Idle());
        world->ClearFaults();
    }

    // A switch while another program holds the lock: not switched, and told so.
    CDeviceProfileUI* control = Page()->ProfileControl();
    ASSERT_TRUE(control);
    auto* combo = Find<QComboBox>(QString::fromLatin1(CDeviceProfileUI::kCombo));
    Find<QAbstractButton>(QString::fromLatin1(CDeviceProfileUI::kAdd))->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return combo->count() > 1 && !control->IsSwitchPending() && control->isEnabled(); },
        kWaitMs));
    ASSERT_TRUE(Idle());
    window->Messages().ClearKeys();
    const std::string before = control->GetCurrentProfileId();
    {
        CProcessLock lock(MouseLockFile("mouse"));
        ASSERT_TRUE(lock.Acquire(std::chrono::milliseconds(kWaitMs)));
        combo->setCurrentIndex(combo->currentIndex() == 0 ? 1 : 0);
        EXPECT_TRUE(Shown(QStringLiteral("profile_switch_busy_text")));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->isEnabled(); }, kWaitMs));
    EXPECT_EQ(control->GetCurrentProfileId(), before);
    EXPECT_EQ(Page()->ShownProfile().profileId, before);
}

TEST_F(CommitFaultTest, AButtonSaveTheMouseMissedStaysAnEditWaitingForIt) {
    using Editor = CKeySetControlUI;
    Page()->SelectSettingsTab(0);
    auto* tab = Page()->findChild<CButtonsTabUI*>();
    ASSERT_TRUE(tab && tab->Editor());
    const struct {
        Fault fault;
        const char* key;
    } cases[] = {
        {Fault::kNoReply, "keyset_apply_failed_text"},
        {Fault::kLockHeld, "keyset_apply_busy_mouse_text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FaultName(c.fault));
        ASSERT_TRUE(Idle());
        const std::vector<uint8_t> before = world->KeyTable();
        QTest::mouseClick(tab->KeyButton(3), Qt::LeftButton);
        auto* function =
            tab->Editor()->findChild<QComboBox*>(QString::fromLatin1(Editor::kFunctionCombo));
        function->setCurrentIndex(tab->Editor()->FindFunctionItem(Editor::kFunctionGun));
        tab->Editor()
            ->findChild<QComboBox*>(QString::fromLatin1(Editor::kGunCombo))
            ->setCurrentIndex(c.fault == Fault::kNoReply ? 2 : 3);
        tab->Editor()
            ->findChild<QAbstractButton*>(QString::fromLatin1(Editor::kSaveButton))
            ->click();
        window->Messages().ClearKeys();
        std::optional<CProcessLock> lock;
        if (c.fault == Fault::kNoReply)
            StopAnswering();
        if (c.fault == Fault::kLockHeld) {
            lock.emplace(MouseLockFile("mouse"));
            ASSERT_TRUE(lock->Acquire(std::chrono::milliseconds(kWaitMs)));
        }
        tab->Editor()
            ->findChild<QAbstractButton*>(QString::fromLatin1(Editor::kApplyButton))
            ->click();
        EXPECT_TRUE(Shown(QString::fromLatin1(c.key)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !tab->IsApplying(); }, kWaitMs));
        lock.reset();
        ASSERT_TRUE(Idle());
        world->ClearFaults();
        // The mouse has what it had; the edit waits to be sent again.
        EXPECT_EQ(world->KeyTable(), before);
        EXPECT_FALSE(tab->IsEditIdle());
    }
}
