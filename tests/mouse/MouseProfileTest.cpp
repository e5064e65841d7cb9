// SPDX-License-Identifier: GPL-2.0-or-later
// The profile as the source of the settings image and the place it is read into, against the
// simulated mouse and the files of a private data home.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";

// The program data of the source tree; set before any mouse exists.
struct CProgramData {
    CProgramData() { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    ~CProgramData() { ::unsetenv("KESTRUNE_DATA_DIR"); }
};

class MouseProfileTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        world->SetReceiverPlugged(true);
    }
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
        EXPECT_FALSE(world->Configuring());
    }

    std::unique_ptr<CQuillonMouseDevice> MakeMouse() {
        auto mouse = std::make_unique<CQuillonMouseDevice>(backend.get());
        mouse->SetTypeKey("mouse");
        mouse->SetDeviceKind(1);
        mouse->ConfigChannel().SetTimeouts(500, 500, 500);
        return mouse;
    }
    fs::path Folder() const { return home.Root() / "data" / "Kestrune Q418-RGB" / "mouse"; }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static Json::Value Section(const fs::path& file) {
        Json::Value document;
        std::ifstream in(file, std::ios::binary);
        Json::CharReaderBuilder builder;
        std::string errors;
        EXPECT_TRUE(Json::parseFromStream(builder, in, &document, &errors)) << errors;
        return document["Device"][0];
    }

    CTempHome home;
    CProgramData data;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
};

TEST_F(MouseProfileTest, TheProfileIsWhatTheImageIsBuiltFromAndKeepsACustomEffect) {
    auto mouse = MakeMouse();
    ASSERT_TRUE(mouse->ConnectConfiguration(kCableConfig, false));
    // Nothing loaded yet: nothing is written, so an empty record cannot wipe the mouse.
    const uint32_t before = world->RequestsHandled();
    EXPECT_EQ(mouse->WriteSettings(), 0);
    EXPECT_EQ(world->RequestsHandled(), before);

    // First start: the profile list makes "Profile1" from the default document.
    ASSERT_EQ(mouse->LoadProfile(), 1);
    const fs::path file = mouse->GetProfilePath();
    EXPECT_EQ(file.parent_path(), Folder());
    ASSERT_TRUE(fs::exists(file));
    std::vector<DpiStage> stages = mouse->GetDpiStages();
    ASSERT_EQ(stages.size(), 7u);

    LightInfo light = mouse->Profile().GetLightInfo();
    light.effect = 12;
    light.speed = 1;
    mouse->SetLightInfo(light);
    stages[0].x = 0x0123;
    mouse->SetDpiStages(stages);
    const MouseResult commit = mouse->CommitSettings();
    EXPECT_TRUE(commit.saved);
    EXPECT_TRUE(commit.Done());
    EXPECT_EQ(commit.device, kResultDone);

    const std::vector<uint8_t> memory = world->SettingsMemory();
    EXPECT_EQ(memory[1], 0) << "a custom effect goes to the mouse as effect 0";
    EXPECT_EQ(memory[3], 0x8A);
    EXPECT_EQ(memory[14 + 2], 0x23);
    EXPECT_EQ(memory[14 + 3], 0x01);
    EXPECT_EQ(Section(file)["LightInfo"]["SelectItem"].asInt(), 12) << "the profile keeps it";

    // Another start finds the change in the file.
    auto again = MakeMouse();
    again->LoadProfile();
    EXPECT_EQ(again->GetProfilePath(), file.string());
    EXPECT_EQ(again->GetLightSettings().effect, 12);
    EXPECT_EQ(again->GetLightMirror().effect, 12);
    EXPECT_EQ(again->GetDpiStages()[0].x, 0x0123);
}

TEST_F(MouseProfileTest, ReadingTheSettingsStoresThemInTheProfileFile) {
    auto writer = MakeMouse();
    ASSERT_TRUE(writer->ConnectConfiguration(kCableConfig, false));
    writer->LoadProfile();
    MouseSettings settings = writer->GetMouseSettings();
    ASSERT_EQ(settings[MouseSettings::kReportRate], 3);
    settings[MouseSettings::kReportRate] = 4;
    writer->SetMouseSettings(settings);
    // Only the mouse learns of it; the file keeps 3.
    ASSERT_EQ(writer->WriteSettings(), 1);
    const fs::path file = writer->GetProfilePath();
    EXPECT_EQ(Section(file)["ReportStages"]["StageActive"].asInt(), 3);

    auto reader = MakeMouse();
    ASSERT_TRUE(reader->ConnectConfiguration(kReceiverConfig, true));
    reader->LoadProfile();
    const MouseResult read = reader->ReadSettings();
    ASSERT_TRUE(read.Sent());
    EXPECT_TRUE(read.saved);
    EXPECT_EQ(Section(file)["ReportStages"]["StageActive"].asInt(), 4);
    EXPECT_EQ(reader->GetMouseSettings()[MouseSettings::kReportRate], 4);
}

TEST_F(MouseProfileTest, ReadingAnAbsentMouseLeavesTheProfileFileUnchanged) {
    for (bool receiver : {false, true}) {
        SCOPED_TRACE(receiver ? "receiver, link down" : "not connected");
        auto mouse = MakeMouse();
        if (receiver) {
            ASSERT_TRUE(mouse->ConnectConfiguration(kReceiverConfig, true));
            world->SetLinkUp(false);
        }
        mouse->LoadProfile();
        const fs::path file = mouse->GetProfilePath();
        const std::string text = Read(file);
        const LightInfo light = mouse->GetLightSettings();
        const MouseSettings settings = mouse->GetMouseSettings();

        const MouseResult read = mouse->ReadSettings();
        EXPECT_FALSE(read.Sent());
        EXPECT_EQ(read.failed, MouseStep::kSettings);
        EXPECT_EQ(read.device, receiver ? kResultUnreachable : kResultNoReply);
        EXPECT_EQ(mouse->ReadSettingsBlock(), 0);
        EXPECT_EQ(Read(file), text);
        EXPECT_EQ(mouse->GetLightSettings(), light);
        EXPECT_EQ(mouse->GetMouseSettings(), settings);
        world->SetLinkUp(true);
    }
}

TEST_F(MouseProfileTest, NameListsAndStaleMacroAssignments) {
    fs::create_directories(Folder());
    std::ofstream(Folder() / "macro.config") << R"({"MacroInfo": [{"MacroName": "reload"}]})";
    std::ofstream(Folder() / "orvel_light.config")
        << R"({"LightInfo": [[{"LightName": "Aurora", "Guid": "a"}]]})";
    auto mouse = MakeMouse();
    mouse->LoadProfile();
    mouse->LoadNameLists();
    EXPECT_EQ(mouse->GetMacroNames(), std::vector<std::string>{"reload"});
    EXPECT_EQ(mouse->GetCustomLightNames(), std::vector<std::string>{"Aurora"});
    // The mouse's row of the effect names: twelve effects numbered by their position.
    ASSERT_EQ(mouse->GetEffectValues().size(), 12u);
    EXPECT_EQ(mouse->GetEffectNames()[3], "light_mode_spectrum");
    EXPECT_EQ(mouse->GetEffectVisible()[9], 0);

    std::vector<KeyListEntry> keys = mouse->GetKeyList();
    ASSERT_EQ(keys.size(), 11u);
    keys[2].current.code = {0x70, 0, 0};  // the macro that exists
    keys[3].current.code = {0x70, 1, 0};  // one past the list
    keys[4].current.code = {0x71, 5, 3};
    mouse->SetKeyList(keys);
    mouse->FixMacroAssignments();
    const std::vector<KeyListEntry> fixed = mouse->GetKeyList();
    EXPECT_EQ(fixed[2].current.code, (KeyCode{0x70, 0, 0}));
    EXPECT_EQ(fixed[3].current, fixed[3].factory);
    EXPECT_EQ(fixed[4].current, fixed[4].factory);
    EXPECT_EQ(mouse->Profile().GetKeyList(), fixed);
}

TEST_F(MouseProfileTest, ResetToDefaultPutsTheDefaultsIntoTheCurrentProfileFile) {
    auto mouse = MakeMouse();
    mouse->LoadProfile();
    MouseSettings settings = mouse->GetMouseSettings();
    settings[MouseSettings::kRipple] = 1;
    mouse->SetMouseSettings(settings);
    mouse->StoreSettings();
    const fs::path file = mouse->GetProfilePath();
    ASSERT_EQ(Section(file)["ReportStages"]["Ripple"].asInt(), 1);

    mouse->ResetToDefault();
    EXPECT_EQ(mouse->GetProfilePath(), file.string());
    EXPECT_EQ(Section(file)["ReportStages"]["Ripple"].asInt(), 0);
    EXPECT_EQ(mouse->GetMouseSettings()[MouseSettings::kRipple], 0);
}

}  // namespace

TEST_F(MouseProfileTest, AChangeIsNeverMadeOnAStaleCopyOfTheProfile) {
    auto mouse = MakeMouse();
    ASSERT_TRUE(mouse->ConnectConfiguration(kCableConfig, false));
    mouse->LoadProfile();
    EXPECT_FALSE(mouse->ReloadProfileIfChanged()) << "nothing changed since it was read";

    // Another program changes stage 1 in the same file.
    auto other = MakeMouse();
    other->LoadProfile();
    std::vector<DpiStage> stages = other->GetDpiStages();
    stages[0].x = 0x0042;
    other->SetDpiStages(stages);
    ASSERT_TRUE(other->SaveProfile().saved);

    // This one changes the report rate on what the file holds now.
    ASSERT_TRUE(mouse->ReloadProfileIfChanged());
    MouseSettings settings = mouse->GetMouseSettings();
    settings[MouseSettings::kReportRate] = 4;
    mouse->SetMouseSettings(settings);
    ASSERT_TRUE(mouse->CommitSettings().Done());
    EXPECT_FALSE(mouse->ReloadProfileIfChanged()) << "its own save is nothing new";

    const Json::Value section = Section(mouse->GetProfilePath());
    EXPECT_EQ(section["ReportStages"]["StageActive"].asInt(), 4);
    auto reader = MakeMouse();
    reader->LoadProfile();
    EXPECT_EQ(reader->GetDpiStages()[0].x, 0x0042) << "the other program's change is kept";
}
