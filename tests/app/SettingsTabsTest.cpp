// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's performance and pointer tabs on the real skin and the simulated mouse: a
// device setting reaches the mouse's settings memory, a pointer setting only the profile file.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "base/Paths.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/JsonFile.h"
#include "tests/app/MousePageFixture.h"
#include "ui/SkinResources.h"

namespace {

class SettingsTabsTest : public MousePageTest {
  protected:
    CPerformanceTabUI* Performance() { return FindTab<CPerformanceTabUI>(); }
    CPointerTabUI* Pointer() { return FindTab<CPointerTabUI>(); }
    uint8_t InMouse(size_t byte) { return world->SettingsMemory()[byte]; }
    // A member of the shown profile's file, once it holds `expected`.
    bool FileHolds(const char* section, const char* member, int expected) {
        const std::filesystem::path file =
            GetDeviceDataFolder("mouse") / (Page()->ShownProfile().profileId + ".Json");
        return QTest::qWaitFor(
            [&] {
                const Json::Value document = CJsonFile::ReadDocument(file);
                return document["Device"][0][section][member].asInt() == expected;
            },
            kWaitMs);
    }
    // The profile as the device would apply it, with `words` changed.
    MouseProfileSnapshot WithWords(std::initializer_list<std::pair<size_t, uint16_t>> words) {
        MouseProfileSnapshot profile = Page()->ShownProfile();
        for (auto [word, value] : words)
            profile.settings[word] = value;
        return profile;
    }
};

class RecordingLauncher : public IDesktopSettingsLauncher {
  public:
    RecordingLauncher(std::vector<DesktopSettings>& opened, bool found)
        : m_opened(opened), m_found(found) {}
    bool Open(DesktopSettings which) override {
        m_opened.push_back(which);
        return m_found;
    }

  private:
    std::vector<DesktopSettings>& m_opened;
    bool m_found;
};

}  // namespace

TEST_F(SettingsTabsTest, EachOptionGroupWritesItsByte) {
    ASSERT_TRUE(Performance());
    Page()->SelectSettingsTab(2);
    const struct {
        const char* prefix;
        int option;
        size_t byte;
    } cases[] = {
        {CPerformanceTabUI::kReportRatePrefix, 4, MouseBlock::kReportRate},
        {CPerformanceTabUI::kLiftOffPrefix, 1, MouseBlock::kLiftOff},
        {CPerformanceTabUI::kAngleSnappingPrefix, 1, MouseBlock::kAngleSnapping},
        {CPerformanceTabUI::kRipplePrefix, 1, MouseBlock::kRipple},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        auto* option = Find<QAbstractButton>(c.prefix, c.option);
        ASSERT_TRUE(option);
        option->click();
        EXPECT_TRUE(option->isChecked());
        EXPECT_FALSE(Find<QAbstractButton>(c.prefix, 0)->isChecked());
        EXPECT_TRUE(QTest::qWaitFor([&] { return InMouse(c.byte) == c.option; }, kWaitMs));
        // Clicking the chosen option again does not clear the group.
        option->click();
        EXPECT_TRUE(option->isChecked());
    }
    EXPECT_TRUE(FileHolds("ReportStages", "SilentAltitude", 1));
}

TEST_F(SettingsTabsTest, CombosStoreTheirItemsNumbers) {
    ASSERT_TRUE(Performance());
    Page()->SelectSettingsTab(2);
    auto choose = [&](const char* name, const QString& data) {
        auto* combo = Find<QComboBox>(QString::fromLatin1(name));
        ASSERT_TRUE(combo);
        const int index = data.isEmpty() ? 2 : combo->findData(data);
        ASSERT_GE(index, 0) << name << " has no item " << data.toStdString();
        combo->setCurrentIndex(index);
    };
    choose(CPerformanceTabUI::kDebounceCombo, {});
    choose("ble_sleep1_combo", QStringLiteral("30"));
    choose("device_sleep2_combo", QStringLiteral("60"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return InMouse(MouseBlock::kKeyDebounce) == 2 &&
                   InMouse(MouseBlock::kWirelessSleep1) == 30 &&
                   InMouse(MouseBlock::kDeviceSleep2) == 60;
        },
        kWaitMs));
    EXPECT_TRUE(FileHolds("ReportStages", "key_debounce_time", 2));
    // The labels say what kestrunectl says.
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("ble_sleep1_combo"))->currentText(),
              Skin().Text(QStringLiteral("mouse_seconds_format")).arg(30));
    Shot();
}

TEST_F(SettingsTabsTest, AStoredProfileIsShownAsItHolds) {
    ASSERT_TRUE(Performance() && Pointer());
    Performance()->ShowProfile(WithWords({{MouseSettings::kReportRate, 4},
                                          {MouseSettings::kLiftOff, 2},
                                          {MouseSettings::kDeviceSleep1, 120},
                                          {MouseSettings::kWirelessSleep2, 7},
                                          {MouseSettings::kKeyDebounce, 0xFFFF}}));
    EXPECT_TRUE(Find<QAbstractButton>(CPerformanceTabUI::kReportRatePrefix, 4)->isChecked());
    EXPECT_TRUE(Find<QAbstractButton>(CPerformanceTabUI::kLiftOffPrefix, 0)->isChecked());
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("device_sleep1_combo"))->currentData().toString(),
              QStringLiteral("120"));
    // A number no item carries is shown as it is, in an item that goes with the next profile.
    auto* sleep = Find<QComboBox>(QStringLiteral("ble_sleep2_combo"));
    const int items = static_cast<int>(kSleepMinutes.size());
    EXPECT_EQ(sleep->currentText(), Skin().Text(QStringLiteral("mouse_minutes_format")).arg(7));
    EXPECT_EQ(sleep->count(), items + 1);
    EXPECT_EQ(
        Find<QComboBox>(QString::fromLatin1(CPerformanceTabUI::kDebounceCombo))->currentIndex(),
        -1);

    Performance()->ShowProfile(WithWords({{MouseSettings::kWirelessSleep2, 5}}));
    EXPECT_EQ(sleep->count(), items);
    EXPECT_EQ(sleep->currentData().toString(), QStringLiteral("5"));

    Pointer()->ShowProfile(WithWords({{MouseSettings::kPointerSpeed, 14},
                                      {MouseSettings::kScrollPage, 1},
                                      {MouseSettings::kDoubleClickTime, 650}}));
    EXPECT_EQ(Find<QSlider>(QString::fromLatin1(CPointerTabUI::kSpeedSlider))->value(), 14);
    EXPECT_EQ(Find<QLabel>(QString::fromLatin1(CPointerTabUI::kSpeedValue))->text(),
              QStringLiteral("14"));
    EXPECT_TRUE(
        Find<QAbstractButton>(QString::fromLatin1(CPointerTabUI::kScrollPageCheck))->isChecked());
    EXPECT_EQ(Find<QSlider>(QString::fromLatin1(CPointerTabUI::kDoubleClickSlider))->value(), 650);
}

TEST_F(SettingsTabsTest, PointerSettingsGoToTheProfileOnly) {
    ASSERT_TRUE(Pointer());
    Page()->SelectSettingsTab(4);
    const std::vector<uint8_t> before = world->SettingsMemory();
    auto* page = Find<QAbstractButton>(QString::fromLatin1(CPointerTabUI::kScrollPageCheck));
    auto* lines = Find<QSlider>(QString::fromLatin1(CPointerTabUI::kScrollSlider));
    ASSERT_TRUE(page && lines);
    page->click();
    EXPECT_TRUE(FileHolds("SystemStages", "ScorllPage", 1));
    // Lines per notch mean no page per notch.
    lines->setValue(7);
    EXPECT_FALSE(page->isChecked());
    EXPECT_TRUE(FileHolds("SystemStages", "WheelScorlllinse", 7));
    EXPECT_TRUE(FileHolds("SystemStages", "ScorllPage", 0));
    Find<QSlider>(QString::fromLatin1(CPointerTabUI::kSpeedSlider))->setValue(17);
    Find<QAbstractButton>(QString::fromLatin1(CPointerTabUI::kPrecisionCheck))->click();
    Find<QSlider>(QString::fromLatin1(CPointerTabUI::kDoubleClickSlider))->setValue(300);
    EXPECT_TRUE(FileHolds("SystemStages", "MouseSpeed", 17));
    EXPECT_TRUE(FileHolds("SystemStages", "DoubleClickTime", 300));
    EXPECT_EQ(world->SettingsMemory(), before);
    Shot();
}

TEST_F(SettingsTabsTest, TheDesktopSettingsButtonsOpenTheDesktopsOwnSettings) {
    ASSERT_TRUE(Pointer());
    Page()->SelectSettingsTab(4);
    std::vector<DesktopSettings> opened;
    auto* status = Find<QLabel>(QString::fromLatin1(CPointerTabUI::kDesktopSettingsStatus));
    ASSERT_TRUE(status);
    Pointer()->SetLauncher(std::make_unique<RecordingLauncher>(opened, true));
    Find<QAbstractButton>(CPointerTabUI::kDesktopSettingsPrefix, 0)->click();
    Find<QAbstractButton>(CPointerTabUI::kDesktopSettingsPrefix, 1)->click();
    EXPECT_EQ(opened,
              (std::vector<DesktopSettings>{DesktopSettings::kKeyboard, DesktopSettings::kMouse}));
    EXPECT_TRUE(status->isHidden());

    Pointer()->SetLauncher(std::make_unique<RecordingLauncher>(opened, false));
    Find<QAbstractButton>(CPointerTabUI::kDesktopSettingsPrefix, 1)->click();
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->text(), Skin().Text(QStringLiteral("mouse_no_mouse_settings")));
}

TEST(DesktopSettingsTest, TheRunningDesktopsProgramsComeFirst) {
    const struct {
        const char* desktop;
        DesktopSettings which;
        const char* first;
    } cases[] = {
        {"GNOME", DesktopSettings::kMouse, "gnome-control-center"},
        {"ubuntu:GNOME", DesktopSettings::kKeyboard, "gnome-control-center"},
        {"KDE", DesktopSettings::kMouse, "systemsettings"},
        {"XFCE", DesktopSettings::kKeyboard, "xfce4-keyboard-settings"},
        {"X-Cinnamon", DesktopSettings::kMouse, "cinnamon-settings"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        const std::vector<SettingsCommand> commands =
            DesktopSettingsCommands(QString::fromLatin1(c.desktop), c.which);
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.front().program, QString::fromLatin1(c.first));
    }
    // Any other desktop still tries every known program.
    EXPECT_EQ(DesktopSettingsCommands(QStringLiteral("Hyprland"), DesktopSettings::kMouse).size(),
              DesktopSettingsCommands(QStringLiteral("GNOME"), DesktopSettings::kMouse).size());
}

TEST(DesktopSettingsTest, NothingInstalledMeansNothingOpened) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    EXPECT_FALSE(CDesktopSettingsLauncher().Open(DesktopSettings::kMouse));
    qputenv("PATH", path);
}
