// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl's settings commands end to end: each change checked on the bytes the simulated
// mouse holds afterwards and in the profile file.
#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "emulator/SimWorld.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFirstStage = 14;
constexpr size_t kProfileLightRed = 6;
constexpr size_t kProfileActiveStage = 12;

class SettingsCommandsTest : public testing::Test {
  protected:
    SettingsCommandsTest() { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    ~SettingsCommandsTest() override { ::unsetenv("KESTRUNE_DATA_DIR"); }

    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args), environment); }
    // Runs a command that must succeed.
    CtlRun Ok(std::vector<std::string> args) {
        CtlRun run = Ctl(std::move(args));
        EXPECT_EQ(run.status, kExitOk) << run.err;
        return run;
    }

    // The simulated mouse as the last command left it.
    std::vector<uint8_t> Settings() {
        CSimWorld world;
        std::string error;
        EXPECT_TRUE(
            world.LoadState(home.Root() / "state" / "kestrune-q418" / "emulator.json", &error))
            << error;
        EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
        return world.SettingsMemory();
    }
    fs::path ProfileFile() {
        Json::Value list = Ok({"--json", "profile", "list"}).Json();
        const std::string id = list["profiles"][list["selected"].asInt()]["id"].asString();
        return home.Root() / "data" / "Kestrune Q418-RGB" / "mouse" / (id + ".Json");
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    Json::Value ProfileSection() {
        Json::Value document;
        std::istringstream in(Read(ProfileFile()));
        Json::CharReaderBuilder builder;
        std::string errors;
        EXPECT_TRUE(Json::parseFromStream(builder, in, &document, &errors)) << errors;
        return document["Device"][0];
    }

    int SelectedProfile() { return Ok({"--json", "profile", "list"}).Json()["selected"].asInt(); }

    CTempHome home;
    CliEnvironment environment = TestCliEnvironment();
};

struct SensorCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> setup;  // emulator set KEY VALUE
    const char* typed;
    int shownDpi;
    std::vector<uint8_t> positionBytes;  // stage bytes 2..3
};

TEST_F(SettingsCommandsTest, DpiSetStoresTheSensorsPositionInTheMouse) {
    const SensorCase cases[] = {
        {"0x3104: 7200 is position 97",
         {{"sensor", "0x3104"}, {"slider-positions", "114"}},
         "7200",
         7200,
         {97, 0}},
        {"0x3104: beyond the slider",
         {{"sensor", "0x3104"}, {"slider-positions", "90"}},
         "9600",
         5900,
         {89, 0}},
        {"0x8925: X and Y one byte each", {{"sensor", "0x8925"}}, "5100", 5100, {100, 100}},
        {"0x8925: limited to position 129", {{"sensor", "0x8925"}}, "9600", 8000, {129, 129}},
        {"0x3325: two slopes",
         {{"sensor", "0x3325"}, {"dpi-step", "50"}, {"lowest-dpi", "50"}},
         "3250",
         3200,
         {52, 0}},
        {"0x3325: a shown DPI typed back is the position it was shown for",
         {{"sensor", "0x3325"}, {"dpi-step", "50"}, {"lowest-dpi", "50"}},
         "6400",
         6400,
         {68, 0}},
        {"0x3325: the nearest shown DPI",
         {{"sensor", "0x3325"}, {"dpi-step", "50"}, {"lowest-dpi", "50"}},
         "5000",
         5000,
         {61, 0}},
        {"generic: halfway takes the higher",
         {{"sensor", "0x1234"}, {"dpi-step", "100"}, {"lowest-dpi", "200"}},
         "1650",
         1700,
         {15, 0}},
        {"generic: up to 9600",
         {{"sensor", "0x1234"}, {"dpi-step", "100"}, {"lowest-dpi", "200"}},
         "20000",
         9600,
         {94, 0}},
    };
    for (const SensorCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [key, value] : c.setup)
            Ok({"--emulate", "emulator", "set", key, value});
        Json::Value set = Ok({"--emulate", "--json", "dpi", "set", "3", c.typed}).Json();
        EXPECT_EQ(set["dpi"].asInt(), c.shownDpi);
        const std::vector<uint8_t> memory = Settings();
        const size_t stage = kFirstStage + 2 * 9;
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + stage + 2, memory.begin() + stage + 4),
                  c.positionBytes);
        EXPECT_EQ(memory[stage], 1) << "the enabled byte stays";

        Json::Value shown = Ok({"--emulate", "--json", "dpi"}).Json();
        EXPECT_EQ(shown["stages"][2]["dpi"].asInt(), c.shownDpi);
        EXPECT_EQ(ProfileSection()["DPIStages"]["StageDPIs"][2]["StageDPIX"].asInt(),
                  c.positionBytes[0] | c.positionBytes[1] << 8);
    }
}

TEST_F(SettingsCommandsTest, DpiStageRulesAndColours) {
    Ok({"--emulate", "dpi", "active", "4"});
    EXPECT_EQ(Settings()[12], 3);
    Ok({"--emulate", "dpi", "color", "4", "#12aB34"});
    std::vector<uint8_t> memory = Settings();
    const size_t stage4 = kFirstStage + 3 * 9;
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + stage4 + 6, memory.begin() + stage4 + 9),
              (std::vector<uint8_t>{0x12, 0xAB, 0x34}));

    // The active stage cannot be turned off; a stage that is off cannot be made active.
    CtlRun active = Ctl({"--emulate", "dpi", "disable", "4"});
    EXPECT_EQ(active.status, kExitError);
    EXPECT_NE(active.err.find("active stage"), std::string::npos) << active.err;
    Ok({"--emulate", "dpi", "disable", "6"});
    EXPECT_EQ(Settings()[kFirstStage + 5 * 9], 0);
    EXPECT_EQ(Ctl({"--emulate", "dpi", "active", "6"}).status, kExitError);
    for (const char* stage : {"1", "2", "3", "5", "7"})
        Ok({"--emulate", "dpi", "disable", stage});
    Ok({"--emulate", "dpi", "active", "4"});
    memory = Settings();
    // Only stage 4 is on, and it stays on.
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(memory[kFirstStage + i * 9], i == 3 ? 1 : 0) << i;
    EXPECT_EQ(Ctl({"--emulate", "dpi", "enable", "8"}).status, kExitUsage);
    EXPECT_EQ(Ctl({"--emulate", "dpi", "color", "1", "red"}).status, kExitUsage);
    EXPECT_EQ(Ctl({"--emulate", "dpi", "set", "1", "fast"}).status, kExitUsage);
    EXPECT_EQ(Settings(), memory) << "refusals change nothing";
}

struct OptionCase {
    std::vector<std::string> command;
    size_t offset;
    uint8_t expected;
    const char* shownKey;  // the show command, or null
    const char* shownName;
};

TEST_F(SettingsCommandsTest, EachSettingReachesItsByteAndReadsBackFromTheProfile) {
    const OptionCase cases[] = {
        {{"rate", "set", "2000"}, 11, 4, "rate", "2000"},
        {{"rate", "set", "250Hz"}, 11, 1, "rate", "250"},
        {{"liftoff", "set", "HIGH"}, 82, 1, "liftoff", "high"},
        {{"angle-snap", "set", "on"}, 83, 1, "angle-snap", "on"},
        {{"ripple", "set", "on"}, 84, 1, "ripple", "on"},
        {{"debounce", "set", "6ms"}, 81, 2, "debounce", "6"},
        {{"sleep", "set", "wireless-dim", "120"}, 77, 120, nullptr, nullptr},
        {{"sleep", "set", "device-sleep", "60min"}, 80, 60, nullptr, nullptr},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.command[0] + " " + c.command.back());
        std::vector<std::string> args = {"--emulate"};
        args.insert(args.end(), c.command.begin(), c.command.end());
        Ok(args);
        EXPECT_EQ(Settings()[c.offset], c.expected);
        if (c.shownKey) {  // showing reads the profile: no mouse needed
            EXPECT_EQ(Ok({"--json", c.shownKey}).Json()["name"].asString(), c.shownName);
        }
    }
    EXPECT_EQ(Ok({"--json", "sleep"}).Json()["device-sleep"]["value"].asInt(), 60);

    const std::vector<uint8_t> before = Settings();
    const std::string profile = Read(ProfileFile());
    for (std::vector<std::string> bad : {std::vector<std::string>{"rate", "set", "333"},
                                         {"liftoff", "set", "medium"},
                                         {"debounce", "set", "3"},
                                         {"sleep", "set", "wireless-dim", "45"},
                                         {"sleep", "set", "bedtime", "10"}}) {
        bad.insert(bad.begin(), "--emulate");
        CtlRun run = Ctl(bad);
        EXPECT_EQ(run.status, kExitUsage) << bad[1];
        EXPECT_NE(run.err.find("takes"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Read(ProfileFile()), profile);
}

TEST_F(SettingsCommandsTest, LightSetWritesTheImageAndKeepsTheProfileRecord) {
    Ok({"--emulate", "light", "set", "--effect", "wave", "--colour", "#102030", "--speed", "4",
        "--direction", "backward"});
    std::vector<uint8_t> memory = Settings();
    // Effect 4, brightness as it was (4), speed 4 as code 0x00, backward, one colour.
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 1, memory.begin() + 9),
              (std::vector<uint8_t>{4, 4, 0x00, 0, 0, 0x10, 0x20, 0x30}));
    Json::Value shown = Ok({"--json", "light"}).Json();
    EXPECT_EQ(shown["effect"].asString(), "wave");
    EXPECT_EQ(shown["colour"].asString(), "#102030");

    CtlRun bad = Ctl({"--emulate", "light", "set", "--effect", "disco"});
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_NE(bad.err.find("four-color-breathing"), std::string::npos) << bad.err;
    EXPECT_EQ(Ctl({"--emulate", "light", "set"}).status, kExitUsage);
    EXPECT_EQ(Settings(), memory);
    // The preview still plays.
    EXPECT_EQ(Ok({"light", "preview", "0"}).out.rfind("effect 4", 0), 0u);
}

TEST_F(SettingsCommandsTest, SyncReadsTheMouseIntoTheProfileAndApplyWritesItBack) {
    Ok({"--emulate", "rate", "set", "500"});
    // The profile file is changed behind the tool's back.
    std::string text = Read(ProfileFile());
    const std::string from = "\"StageActive\" : 2", to = "\"StageActive\" : 4";
    ASSERT_NE(text.find(from), std::string::npos) << text;
    text.replace(text.find(from), from.size(), to);
    std::ofstream(ProfileFile(), std::ios::binary) << text;
    EXPECT_EQ(Ok({"--json", "rate"}).Json()["value"].asInt(), 4);

    Ok({"--emulate", "apply"});
    EXPECT_EQ(Settings()[11], 4);
    Ok({"--emulate", "rate", "set", "125"});
    std::ofstream(ProfileFile(), std::ios::binary) << text;
    Json::Value sync = Ok({"--emulate", "--json", "sync"}).Json();
    EXPECT_TRUE(sync["saved"].asBool());
    EXPECT_EQ(ProfileSection()["ReportStages"]["StageActive"].asInt(), 0);
}

TEST_F(SettingsCommandsTest, ReceiverLinkDownWritesNothing) {
    Ok({"--emulate=receiver", "rate", "set", "500"});
    const std::vector<uint8_t> before = Settings();
    const std::string profile = Read(ProfileFile());
    Ok({"--emulate", "emulator", "set", "link", "off"});
    for (std::vector<std::string> command : {std::vector<std::string>{"rate", "set", "1000"},
                                             {"dpi", "set", "1", "800"},
                                             {"apply"},
                                             {"sync"}}) {
        command.insert(command.begin(), "--emulate");
        CtlRun run = Ctl(command);
        EXPECT_EQ(run.status, kExitLinkDown) << command[1];
        EXPECT_NE(run.err.find("cannot reach the mouse"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Read(ProfileFile()), profile);
}

TEST_F(SettingsCommandsTest, StatusAndNoMouse) {
    Ok({"--emulate", "emulator", "set", "battery", "42"});
    Json::Value status = Ok({"--emulate=receiver", "--json", "status"}).Json();
    EXPECT_EQ(status["battery"].asInt(), 42);
    EXPECT_EQ(status["connection"].asString(), "receiver");
    for (std::vector<std::string> command :
         {std::vector<std::string>{"status"}, {"dpi"}, {"rate", "set", "500"}, {"firmware"}})
        EXPECT_EQ(Ctl(command).status, kExitNoDevice) << command[0];
}

TEST_F(SettingsCommandsTest, OldFirmwareStopsChangesAndTheUpgraderIsStartedOnRequest) {
    Ok({"--emulate", "emulator", "set", "firmware", "0x0104"});
    const std::vector<uint8_t> before = Settings();
    CtlRun refused = Ctl({"--emulate", "dpi", "set", "1", "800"});
    EXPECT_EQ(refused.status, kExitOldFirmware);
    EXPECT_NE(refused.err.find("firmware is 1.04; this tool needs 1.05"), std::string::npos)
        << refused.err;
    EXPECT_EQ(Settings(), before);
    EXPECT_NE(Ok({"--help"}).out.find("7 the mouse's firmware"), std::string::npos);

    // A DefaultData folder whose upgrader records how it was started.
    const fs::path program = home.Root() / "program";
    const fs::path folder = program / "DefaultData";
    fs::create_directories(folder);
    ::setenv("KESTRUNE_DATA_DIR", program.c_str(), 1);
    EXPECT_EQ(Ctl({"--emulate", "firmware", "upgrade"}).status, kExitError) << "no upgrader";

    const fs::path upgrader = folder / "kestrune-q418-upgrader";
    const fs::path record = home.Root() / "record";
    std::ofstream(upgrader) << "#!/bin/sh\necho \"$1 $(pwd)\" > '" << record.string()
                            << "'\nexit \"${UPGRADER_STATUS:-0}\"\n";
    fs::permissions(upgrader, fs::perms::owner_all);
    CtlRun upgrade = Ok({"--emulate", "firmware", "upgrade"});
    EXPECT_NE(upgrade.out.find("upgrader finished"), std::string::npos) << upgrade.out;
    EXPECT_EQ(Read(record), "Upgrading " + fs::canonical(folder).string() + "\n");

    ::setenv("UPGRADER_STATUS", "3", 1);
    CtlRun failed = Ctl({"--emulate", "firmware", "upgrade"});
    ::unsetenv("UPGRADER_STATUS");
    EXPECT_EQ(failed.status, kExitError);
    EXPECT_NE(failed.err.find("exit status 3"), std::string::npos) << failed.err;

    // Current firmware: nothing to do.
    Ok({"--emulate", "emulator", "set", "firmware", "0x0105"});
    fs::remove(record);
    EXPECT_NE(Ok({"--emulate", "firmware", "upgrade"}).out.find("up to date"), std::string::npos);
    EXPECT_FALSE(fs::exists(record));
}

}  // namespace

TEST_F(SettingsCommandsTest, PointerSettingsGoToTheProfileOnly) {
    Ok({"--emulate", "info"});
    const std::vector<uint8_t> before = Settings();
    Ok({"--emulate", "pointer", "set", "--speed", "14", "--precision", "off", "--scroll-page", "on",
        "--double-click", "650"});
    Json::Value shown = Ok({"--json", "pointer"}).Json();
    EXPECT_EQ(shown["speed"].asInt(), 14);
    EXPECT_FALSE(shown["precision"].asBool());
    EXPECT_TRUE(shown["scrollPage"].asBool());
    EXPECT_EQ(shown["doubleClickMs"].asInt(), 650);
    const Json::Value system = ProfileSection()["SystemStages"];
    EXPECT_EQ(system["MouseSpeed"].asInt(), 14);
    EXPECT_EQ(system["DoubleClickTime"].asInt(), 650);
    // Lines per notch turn the page per notch off, as the window does.
    Ok({"pointer", "set", "--scroll-lines", "6"});
    shown = Ok({"--json", "pointer"}).Json();
    EXPECT_EQ(shown["scrollLines"].asInt(), 6);
    EXPECT_FALSE(shown["scrollPage"].asBool());
    EXPECT_EQ(Settings(), before) << "pointer settings never reach the mouse";

    const std::string kept = Read(ProfileFile());
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"pointer", "set"},
                                               {"pointer", "set", "--speed", "0"},
                                               {"pointer", "set", "--double-click", "5000"},
                                               {"pointer", "set", "--precision", "maybe"}}) {
        const CtlRun run = Ctl(bad);
        EXPECT_EQ(run.status, kExitUsage) << bad.back();
        EXPECT_NE(run.err, "");
    }
    EXPECT_EQ(Read(ProfileFile()), kept);
}

// profile select and profile defaults write a connected mouse as the window does.
TEST_F(SettingsCommandsTest, SelectWritesTheProfileToAConnectedMouseUnlessTold) {
    Ok({"profile", "add", "Red"});
    Ok({"--emulate", "light", "set", "--colour", "#FF0000"});
    Ok({"--emulate", "dpi", "active", "4"});
    Ok({"profile", "add", "Blue"});
    Ok({"--emulate", "light", "set", "--colour", "#0000FF"});
    Ok({"--emulate", "dpi", "active", "2"});
    EXPECT_EQ(Settings()[kProfileLightRed], 0x00);

    // Files only: the mouse keeps blue.
    Ok({"--emulate", "profile", "select", "Red", "--no-apply"});
    EXPECT_EQ(Settings()[kProfileLightRed], 0x00);
    EXPECT_EQ(SelectedProfile(), 1);

    Ok({"--emulate", "profile", "select", "Blue"});
    CtlRun run = Ok({"--emulate", "profile", "select", "Red"});
    EXPECT_NE(run.out.find("wrote it to the mouse"), std::string::npos) << run.out;
    EXPECT_EQ(Settings()[kProfileLightRed], 0xFF);
    EXPECT_EQ(Settings()[kProfileActiveStage], 3);

    // No mouse: selected all the same, and told so.
    run = Ok({"profile", "select", "Blue"});
    EXPECT_NE(run.err.find("no mouse connected"), std::string::npos) << run.err;
    EXPECT_EQ(SelectedProfile(), 2);
}

TEST_F(SettingsCommandsTest, ALinkLostMidwayKeepsTheSelectionBefore) {
    Ok({"profile", "add", "Other"});
    Ok({"profile", "select", "0"});
    Ok({"--emulate=receiver", "emulator", "fault", "link-drop", "--after", "3"});
    CtlRun run = Ctl({"--emulate=receiver", "profile", "select", "Other"});
    EXPECT_EQ(run.status, kExitLinkDown) << run.err;
    EXPECT_EQ(SelectedProfile(), 0);
}

TEST_F(SettingsCommandsTest, DefaultsRestoreTheProfileAndTheMouse) {
    Ok({"--emulate", "light", "set", "--colour", "#123456"});
    Ok({"--emulate", "dpi", "active", "5"});
    CtlRun run = Ok({"--emulate", "--json", "profile", "defaults"});
    EXPECT_EQ(run.Json()["action"].asString(), "defaults");
    const std::vector<uint8_t> memory = Settings();
    EXPECT_NE(memory[kProfileLightRed], 0x12);
    EXPECT_NE(memory[kProfileActiveStage], 4);
    // Without a mouse the file alone.
    auto speed = [&] { return Ok({"--json", "profile", "show"}).Json()["settings"][1].asInt(); };
    const int standard = speed();
    Ok({"pointer", "set", "--speed", standard == 12 ? "13" : "12"});
    ASSERT_NE(speed(), standard);
    Ok({"profile", "defaults"});
    EXPECT_EQ(speed(), standard);
}
