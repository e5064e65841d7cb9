// SPDX-License-Identifier: GPL-2.0-or-later
// The profile control in the mouse page's header, on the real skin and the simulated mouse: each
// button with its messages and the files it leaves, and the switch, which writes exactly the
// chosen profile to the mouse (settings image, key table, macros), or, when the mouse stops
// answering midway, leaves every profile file as it was and says so.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <fstream>
#include <map>

#include "app/MsgWnd.h"
#include "base/Paths.h"
#include "keys/KeyCodes.h"
#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/JsonFile.h"
#include "profile/MouseProfiledata.h"
#include "tests/app/MousePageFixture.h"
#include "ui/SkinResources.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

class ProfileControlTest : public MousePageTest {
  protected:
    void SetUp() override {
        MousePageTest::SetUp();
        ASSERT_TRUE(Control());
        ASSERT_TRUE(QTest::qWaitFor([&] { return Entry()->Worker()->IsIdle(); }, kWaitMs));
    }

    CDeviceProfileUI* Control() { return Page()->ProfileControl(); }
    CDeviceOptionUI* Entry() { return window->EntryOf(*Page()->Device()); }
    QComboBox* Combo() { return Find<QComboBox>(QString::fromLatin1(CDeviceProfileUI::kCombo)); }
    QStringList Names() {
        QStringList names;
        for (int i = 0; i < Combo()->count(); ++i)
            names << Combo()->itemText(i);
        return names;
    }
    fs::path Folder() { return GetDeviceDataFolder("mouse"); }
    fs::path ListFile() { return Folder() / CProfileList::kListFileName; }
    Json::Value List() { return CJsonFile::ReadDocument(ListFile()); }

    // Opens the menu if needed and clicks the button.
    void Click(const char* name) {
        if (!Control()->IsMenuShown())
            QTest::mouseClick(Find<QAbstractButton>(QString::fromLatin1(CDeviceProfileUI::kSpread)),
                              Qt::LeftButton);
        auto* button = Find<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_TRUE(button && button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The open message window, waited for.
    CMsgWnd* Message() {
        CMsgWnd* found = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (auto* message = qobject_cast<CMsgWnd*>(widget);
                        message && message->IsOpen())
                        found = message;
                return found != nullptr;
            },
            kWaitMs);
        return found;
    }
    // Expects the message with this key's text and answers it.
    void Answer(const char* key, bool confirm = true, const QString& argument = {}) {
        CMsgWnd* message = Message();
        ASSERT_TRUE(message) << "no message for " << key;
        QString text = Skin().Text(QString::fromLatin1(key));
        if (!argument.isNull())
            text = text.arg(argument);
        EXPECT_EQ(message->FindControl<QLabel>(QString::fromLatin1(CMsgWnd::kText))->text(), text);
        QTest::mouseClick(message->FindControl<QAbstractButton>(
                              QString::fromLatin1(confirm ? CMsgWnd::kConfirm : CMsgWnd::kCancel)),
                          Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return NoMessage(); }, kWaitMs));
    }
    bool NoMessage() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* message = qobject_cast<CMsgWnd*>(widget); message && message->IsOpen())
                return false;
        return true;
    }
    // Answers the file dialog the last click opened.
    void Choose(const fs::path& file) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Control()->FileDialog() != nullptr; }, kWaitMs));
        QFileDialog* dialog = Control()->FileDialog();
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Profile Files(*.json)")});
        dialog->selectFile(QString::fromStdString(file.string()));
        static_cast<QDialog*>(dialog)->accept();
    }
    void Rename(const QString& name) {
        Find<QLineEdit>(QString::fromLatin1(CDeviceProfileUI::kNameEdit))->setText(name);
        Click(CDeviceProfileUI::kRename);
    }
    // Chooses profile `index` in the combo box as the user does and waits for the switch.
    void SwitchTo(int index) {
        Combo()->setCurrentIndex(index);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !Control()->IsSwitchPending() && Control()->isEnabled() &&
                       Entry()->Worker()->IsIdle();
            },
            kWaitMs));
    }
    std::string Id(int index) {
        return Control()->List().GetEntries().at(static_cast<size_t>(index)).id;
    }
};

}  // namespace

TEST_F(ProfileControlTest, TheMenuButtonsAddCopyAndRenameWithTheirMessages) {
    EXPECT_EQ(Names(), QStringList{QStringLiteral("Profile1")});
    EXPECT_FALSE(Control()->IsMenuShown());
    Click(CDeviceProfileUI::kAdd);
    EXPECT_TRUE(Control()->IsMenuShown());
    Click(CDeviceProfileUI::kAdd);
    EXPECT_EQ(Names(), (QStringList{"Profile1", "profile2", "profile3"}));
    // The device keeps its profile; the list names the newest for the next start.
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_EQ(List()["profileselect"].asInt(), 2);
    EXPECT_EQ(Control()->GetCurrentProfileId(), Id(0));

    Click(CDeviceProfileUI::kCopy);
    Click(CDeviceProfileUI::kCopy);
    EXPECT_EQ(Names().mid(3), (QStringList{"Profile1 copy", "Profile1 copy copy"}));
    EXPECT_EQ(CJsonFile::ReadDocument(Folder() / (Id(3) + ".Json"))["Device"],
              CJsonFile::ReadDocument(Folder() / (Id(0) + ".Json"))["Device"]);

    Rename(QStringLiteral("PROFILE2"));
    Answer("message_text_5");
    Rename(QStringLiteral("   "));
    Answer("message_text_25");
    EXPECT_EQ(Names()[0], QStringLiteral("Profile1"));
    Rename(QStringLiteral("profile1"));  // its own name in another case
    EXPECT_TRUE(NoMessage());
    EXPECT_EQ(Names()[0], QStringLiteral("profile1"));
    EXPECT_EQ(CJsonFile::ReadDocument(Folder() / (Id(0) + ".Json"))["profilename"].asString(),
              "profile1");
    EXPECT_EQ(List()["profilelist"][0]["profilename"].asString(), "profile1");
}

TEST_F(ProfileControlTest, FiftyProfilesRefuseAddCopyAndImportAndChangeNothing) {
    // Another program fills the list meanwhile: the control reads it again before each change.
    CProfileList other;
    other.SetFolders(Folder(), GetDefaultProfileFile("mouse"));
    other.LoadList();
    while (other.GetCount() < CProfileList::kMaxProfiles)
        ASSERT_EQ(other.AddProfile(), ProfileResult::Done);
    const auto before = Snapshot(Folder());
    Click(CDeviceProfileUI::kAdd);
    Answer("message_text_32");
    Click(CDeviceProfileUI::kCopy);
    Answer("message_text_27");
    const fs::path file = fs::path(std::getenv("XDG_DATA_HOME")) / "Game.json";
    ASSERT_EQ(other.ExportProfile(0, file), ProfileResult::Done);
    Click(CDeviceProfileUI::kImport);
    Choose(file);
    Answer("message_text_32");
    EXPECT_TRUE(Snapshot(Folder()) == before);
    EXPECT_EQ(Combo()->count(), CProfileList::kMaxProfiles);
}

TEST_F(ProfileControlTest, ACorruptImportIsRefusedWithNothingLostAndAGoodOneIsNamedAfterItsFile) {
    const fs::path files = std::getenv("XDG_DATA_HOME");
    const fs::path corrupt = files / "Broken.json";
    std::ofstream(corrupt) << "{\"profilename\": \"x\", \"profileUUID\": ";
    const auto before = Snapshot(Folder());
    Click(CDeviceProfileUI::kImport);
    Choose(corrupt);
    Answer("profile_import_refused_text", true, QStringLiteral("Broken.json"));
    EXPECT_TRUE(Snapshot(Folder()) == before);
    EXPECT_EQ(Names(), QStringList{QStringLiteral("Profile1")});

    const fs::path game = files / "Game.json";
    fs::copy_file(Folder() / (Id(0) + ".Json"), game);
    Click(CDeviceProfileUI::kImport);
    Choose(game);
    EXPECT_TRUE(NoMessage());
    EXPECT_EQ(Names(), (QStringList{"Profile1", "Game"}));
    EXPECT_EQ(CJsonFile::ReadDocument(Folder() / (Id(1) + ".Json"))["profilename"].asString(),
              "Game");
}

TEST_F(ProfileControlTest, ExportOntoAnExistingFileAsksFirst) {
    const fs::path file = fs::path(std::getenv("XDG_DATA_HOME")) / "Mine.json";
    std::ofstream(file) << "keep me";
    Click(CDeviceProfileUI::kExport);
    Choose(file);
    Answer("file_replace_text", false, QStringLiteral("Mine.json"));
    EXPECT_EQ(ReadBytes(file), "keep me");
    Click(CDeviceProfileUI::kExport);
    Choose(file);
    Answer("file_replace_text", true, QStringLiteral("Mine.json"));
    EXPECT_EQ(CJsonFile::ReadDocument(file), CJsonFile::ReadDocument(Folder() / (Id(0) + ".Json")));
}

TEST_F(ProfileControlTest, ASwitchWritesExactlyTheChosenProfileToTheMouse) {
    Click(CDeviceProfileUI::kAdd);
    // The new profile differs from the first in its light, a DPI stage and a macro button.
    CMacroList macros(Folder());
    int macro = -1;
    ASSERT_EQ(macros.Add("Reload", &macro), MacroResult::Done);
    const std::vector<MacroEvent> events = {MakeMacroEvent(MacroEventType::Key, true, 0x15, 30),
                                            MakeMacroEvent(MacroEventType::Key, false, 0x15, 10)};
    ASSERT_EQ(macros.Save(macro, events), MacroResult::Done);
    CMouseProfiledata chosen;
    chosen.SetDefaultPath(GetDefaultProfileFile("mouse"));
    chosen.SetProfilePath(Folder() / (Id(1) + ".Json"));
    chosen.LoadSection(chosen.GetProfilePath());
    LightInfo light = chosen.GetLightInfo();
    light.effect = 1;
    light.red = 0x12;
    light.green = 0x34;
    light.blue = 0x56;
    chosen.SetLightInfo(light);
    std::vector<DpiStage> stages = chosen.GetDpiStages();
    std::vector<KeyListEntry> keys = chosen.GetKeyList();
    ASSERT_GE(stages.size(), 4u);
    ASSERT_GE(keys.size(), 4u);
    stages[3].x = stages[3].y = 77;
    chosen.SetDpiStages(stages);
    keys[3].current.code = MakeMacroCode(static_cast<uint8_t>(macro), 1);
    chosen.SetKeyList(keys);
    ASSERT_TRUE(chosen.Save());
    const auto files = Snapshot(Folder());
    const std::vector<uint8_t> keyTableBefore = world->KeyTable();

    SwitchTo(1);
    EXPECT_TRUE(NoMessage());
    EXPECT_EQ(List()["profileselect"].asInt(), 1);
    EXPECT_EQ(Control()->GetCurrentProfileId(), Id(1));
    EXPECT_EQ(Page()->ShownProfile().profileId, Id(1));
    const MouseSettingsBlock image = BuildMouseSettingsBlock(
        0, light, stages, chosen.GetActiveDpiStage(), chosen.GetMouseSettings());
    const std::vector<uint8_t> settings = world->SettingsMemory();
    EXPECT_EQ(std::vector<uint8_t>(settings.begin(), settings.begin() + kMouseSettingsBlockSize),
              std::vector<uint8_t>(image.begin(), image.end()));
    const std::vector<uint8_t> positions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(world->KeyTable(), BuildKeyTableImage(keyTableBefore, keys, positions, 1));
    const std::vector<std::vector<MacroEvent>> used = {events};
    const std::vector<uint8_t> block = BuildMacroBlock(used);
    const std::vector<uint8_t> memory = world->MacroMemory();
    EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + block.size()), block);
    // A switch only reads the profile files; the list names the new current profile, and the
    // mouse's key table is remembered beside them.
    auto after = Snapshot(Folder());
    auto expected = files;
    for (auto* each : {&after, &expected}) {
        each->erase(CProfileList::kListFileName);
        each->erase("key_positions.json");
    }
    EXPECT_TRUE(after == expected);
}

TEST_F(ProfileControlTest, DeletingTheCurrentProfileSwitchesToItsNeighbour) {
    Click(CDeviceProfileUI::kAdd);
    Click(CDeviceProfileUI::kAdd);
    SwitchTo(2);
    const std::string deleted = Id(2);
    Click(CDeviceProfileUI::kDelete);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Page()->ShownProfile().profileId == Id(1) && Control()->isEnabled(); },
        kWaitMs));
    EXPECT_EQ(Names(), (QStringList{"Profile1", "profile2"}));
    EXPECT_EQ(Combo()->currentIndex(), 1);
    EXPECT_EQ(List()["profileselect"].asInt(), 1);
    EXPECT_FALSE(fs::exists(Folder() / (deleted + ".Json")));
}

TEST_F(ProfileControlTest, ResetAsksThenWritesTheDefaultsToFileAndMouse) {
    Click(CDeviceProfileUI::kAdd);
    SwitchTo(1);
    const fs::path file = Folder() / (Id(1) + ".Json");
    Json::Value changed = CJsonFile::ReadDocument(file);
    changed["Device"][0]["Extra"] = 5;
    ASSERT_TRUE(CJsonFile::WriteDocument(file, changed));
    Click(CDeviceProfileUI::kReset);
    Answer("message_text_22", false);
    EXPECT_EQ(CJsonFile::ReadDocument(file), changed);
    Click(CDeviceProfileUI::kReset);
    Answer("message_text_22", true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Control()->isEnabled() && Entry()->Worker()->IsIdle(); }, kWaitMs));
    Json::Value expected = CJsonFile::ReadDocument(GetDefaultProfileFile("mouse"));
    expected["profilename"] = "profile2";
    expected["profileUUID"] = Id(1);
    EXPECT_EQ(CJsonFile::ReadDocument(file), expected);
    CMouseProfiledata defaults;
    defaults.SetDefaultPath(GetDefaultProfileFile("mouse"));
    defaults.LoadSection(GetDefaultProfileFile("mouse"));
    const std::vector<DpiStage> stages = defaults.GetDpiStages();
    const MouseSettingsBlock image =
        BuildMouseSettingsBlock(0, defaults.GetLightInfo(), stages, defaults.GetActiveDpiStage(),
                                defaults.GetMouseSettings());
    const std::vector<uint8_t> settings = world->SettingsMemory();
    EXPECT_EQ(std::vector<uint8_t>(settings.begin(), settings.begin() + kMouseSettingsBlockSize),
              std::vector<uint8_t>(image.begin(), image.end()));
}

TEST_F(ProfileControlTest, RestoreDefaultsAsksThenPutsTheDefaultsInTheProfileAndTheMouse) {
    const fs::path file = Folder() / (Id(0) + ".Json");
    // A stage moved away from the defaults, in the mouse and the file.
    Page()->SelectSettingsTab(1);
    auto* slider = Find<QSlider>(CDpiTabUI::kSliderPrefix, 2);
    ASSERT_TRUE(slider);
    slider->setValue(slider->value() == 7 ? 8 : 7);
    const int moved = slider->value();
    const size_t stageX = MouseBlock::kFirstStage + 2 * kDpiStageBytes + 2;  // X, low byte
    ASSERT_TRUE(QTest::qWaitFor([&] { return world->SettingsMemory()[stageX] == moved; }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return CJsonFile::ReadDocument(
                       file)["Device"][0]["DPIStages"]["StageDPIs"][2]["StageDPIX"]
                       .asInt() == moved;
        },
        kWaitMs));
    const Json::Value changed = CJsonFile::ReadDocument(file);

    Click(CDeviceProfileUI::kDefaults);
    Answer("message_text_22", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Entry()->Worker()->IsIdle(); }, kWaitMs));
    EXPECT_EQ(CJsonFile::ReadDocument(file), changed);
    EXPECT_EQ(world->SettingsMemory()[stageX], moved);

    Click(CDeviceProfileUI::kDefaults);
    Answer("message_text_22", true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Control()->isEnabled() && Entry()->Worker()->IsIdle(); }, kWaitMs));
    EXPECT_TRUE(NoMessage());
    CMouseProfiledata defaults;
    defaults.SetDefaultPath(GetDefaultProfileFile("mouse"));
    defaults.LoadSection(GetDefaultProfileFile("mouse"));
    const Json::Value restored = CJsonFile::ReadDocument(file);
    const Json::Value expected = CJsonFile::ReadDocument(GetDefaultProfileFile("mouse"));
    for (const char* section : {"DPIStages", "LightInfo", "KeyList"})
        EXPECT_EQ(restored["Device"][0][section], expected["Device"][0][section]) << section;
    EXPECT_EQ(restored["profilename"], changed["profilename"]);
    EXPECT_EQ(restored["profileUUID"], changed["profileUUID"]);
    // The stages first: reading them reads the active stage too.
    const std::vector<DpiStage> defaultStages = defaults.GetDpiStages();
    const MouseSettingsBlock image =
        BuildMouseSettingsBlock(0, defaults.GetLightInfo(), defaultStages,
                                defaults.GetActiveDpiStage(), defaults.GetMouseSettings());
    const std::vector<uint8_t> settings = world->SettingsMemory();
    EXPECT_EQ(std::vector<uint8_t>(settings.begin(), settings.begin() + kMouseSettingsBlockSize),
              std::vector<uint8_t>(image.begin(), image.end()));
    // The page shows what the mouse now holds.
    EXPECT_EQ(slider->value(), StagePosition(Page()->ShownProfile().sensor, defaultStages.at(2)));
}

namespace {

// The same window with the mouse reached through its receiver.
class ReceiverProfileTest : public ProfileControlTest {
  protected:
    void SetUp() override {
        world->SetCablePlugged(false);
        world->SetReceiverPlugged(true);
        ProfileControlTest::SetUp();
    }
};

}  // namespace

TEST_F(ReceiverProfileTest, ASwitchCutShortByTheLinkLeavesTheProfileFilesAndSaysSo) {
    Click(CDeviceProfileUI::kAdd);
    const auto files = Snapshot(Folder());
    const std::string first = Id(0);
    // The receiver loses the mouse a few reports into the switch.
    world->InjectFault({SimFault::LinkDropDuringTransfer, 0, 3});
    Combo()->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Control()->isEnabled(); }, kWaitMs));
    EXPECT_FALSE(window->FindControl(QString::fromLatin1(CMainWnd::kSelectLayout))->isEnabled());
    Answer("profile_switch_failed_text");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Control()->isEnabled() && Entry()->Worker()->IsIdle(); }, kWaitMs));
    EXPECT_TRUE(window->FindControl(QString::fromLatin1(CMainWnd::kSelectLayout))->isEnabled());
    EXPECT_TRUE(Snapshot(Folder()) == files);
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_EQ(Control()->GetCurrentProfileId(), first);
    EXPECT_EQ(Page()->ShownProfile().profileId, first);
    world->SetLinkUp(true);
}

TEST_F(ProfileControlTest, Screenshots) {
    EXPECT_FALSE(Control()->IsMenuShown());
    Shot("closed");
    Click(CDeviceProfileUI::kAdd);
    EXPECT_TRUE(Control()->IsMenuShown());
    EXPECT_EQ(Names(), (QStringList{"Profile1", "profile2"}));
    Shot("menu");
}
