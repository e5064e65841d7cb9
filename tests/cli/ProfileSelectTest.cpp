// kestrunectl profile select and profile defaults: with a mouse connected they write it as the
// window's switch does; without one (or with --no-apply) they change the files alone.
#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>

#include "cli/Cli.h"
#include "emulator/SimWorld.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kLightRed = 6;
constexpr size_t kActiveStage = 12;

class ProfileSelectTest : public testing::Test {
  protected:
    ProfileSelectTest() { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    ~ProfileSelectTest() override { ::unsetenv("KESTRUNE_DATA_DIR"); }

    CtlRun Ok(std::vector<std::string> args) {
        CtlRun run = RunCtl(std::move(args));
        EXPECT_EQ(run.status, kExitOk) << run.err;
        return run;
    }
    // The simulated mouse's settings memory as the last command left it.
    std::vector<uint8_t> Settings() {
        CSimWorld world;
        std::string error;
        EXPECT_TRUE(
            world.LoadState(home.Root() / "state" / "kestrune-q418" / "emulator.json", &error))
            << error;
        EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
        return world.SettingsMemory();
    }
    int Selected() { return Ok({"--json", "profile", "list"}).Json()["selected"].asInt(); }

    CTempHome home;
};

}  // namespace

TEST_F(ProfileSelectTest, SelectWritesTheProfileToAConnectedMouseUnlessTold) {
    Ok({"profile", "add", "Red"});
    Ok({"--emulate", "light", "set", "--colour", "#FF0000"});
    Ok({"--emulate", "dpi", "active", "4"});
    Ok({"profile", "add", "Blue"});
    Ok({"--emulate", "light", "set", "--colour", "#0000FF"});
    Ok({"--emulate", "dpi", "active", "2"});
    EXPECT_EQ(Settings()[kLightRed], 0x00);

    // Files only: the mouse keeps blue.
    Ok({"--emulate", "profile", "select", "Red", "--no-apply"});
    EXPECT_EQ(Settings()[kLightRed], 0x00);
    EXPECT_EQ(Selected(), 1);

    Ok({"--emulate", "profile", "select", "Blue"});
    CtlRun run = Ok({"--emulate", "profile", "select", "Red"});
    EXPECT_NE(run.out.find("wrote it to the mouse"), std::string::npos) << run.out;
    EXPECT_EQ(Settings()[kLightRed], 0xFF);
    EXPECT_EQ(Settings()[kActiveStage], 3);

    // No mouse: selected all the same, and told so.
    run = Ok({"profile", "select", "Blue"});
    EXPECT_NE(run.err.find("no mouse connected"), std::string::npos) << run.err;
    EXPECT_EQ(Selected(), 2);
}

TEST_F(ProfileSelectTest, ALinkLostMidwayKeepsTheSelectionBefore) {
    Ok({"profile", "add", "Other"});
    Ok({"profile", "select", "0"});
    Ok({"--emulate=receiver", "emulator", "fault", "link-drop", "--after", "3"});
    CtlRun run = RunCtl({"--emulate=receiver", "profile", "select", "Other"});
    EXPECT_EQ(run.status, kExitLinkDown) << run.err;
    EXPECT_EQ(Selected(), 0);
}

TEST_F(ProfileSelectTest, DefaultsRestoreTheProfileAndTheMouse) {
    Ok({"--emulate", "light", "set", "--colour", "#123456"});
    Ok({"--emulate", "dpi", "active", "5"});
    CtlRun run = Ok({"--emulate", "--json", "profile", "defaults"});
    EXPECT_EQ(run.Json()["action"].asString(), "defaults");
    const std::vector<uint8_t> memory = Settings();
    EXPECT_NE(memory[kLightRed], 0x12);
    EXPECT_NE(memory[kActiveStage], 4);
    // Without a mouse the file alone.
    auto speed = [&] { return Ok({"--json", "profile", "show"}).Json()["settings"][1].asInt(); };
    const int standard = speed();
    Ok({"pointer", "set", "--speed", standard == 12 ? "13" : "12"});
    ASSERT_NE(speed(), standard);
    Ok({"profile", "defaults"});
    EXPECT_EQ(speed(), standard);
}
