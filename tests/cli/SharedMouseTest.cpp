// SPDX-License-Identifier: GPL-2.0-or-later
// Programs sharing one mouse: the lock every program holds for a whole change keeps their
// command sequences apart and the simulated mouse's state whole.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/ProcessLock.h"
#include "emulator/SimWorld.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/MouseProfiledata.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

extern char** environ;

namespace {

class SharedMouseTest : public testing::Test {
  protected:
    SharedMouseTest() { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    ~SharedMouseTest() override { ::unsetenv("KESTRUNE_DATA_DIR"); }

    // kestrunectl once for each of `calls` (its arguments after --emulate), one after the
    // other, in a process started at once; waited for by Wait.
    pid_t StartCalls(const std::vector<std::string>& calls) {
        std::string script;
        for (const std::string& call : calls)
            script += "\"" KESTRUNECTL "\" --emulate " + call + " >/dev/null || exit 1; ";
        const char* argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ),
                  0);
        return pid;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    CTempHome home;
};

}  // namespace

TEST_F(SharedMouseTest, TwoProgramsChangingTheMouseAtOnceLoseNothing) {
    ASSERT_EQ(RunCtl({"--emulate=cable", "info"}).status, kExitOk);
    // One program sets each stage's DPI, the other each stage's colour, several rounds: a
    // change made on a stale copy of the profile or of the mouse loses the other's change.
    constexpr int kRounds = 4;
    std::vector<std::string> dpiCalls, colourCalls;
    for (int round = 1; round <= kRounds; ++round) {
        for (int stage = 1; stage <= 7; ++stage) {
            dpiCalls.push_back("dpi set " + std::to_string(stage) + " " +
                               std::to_string(200 * stage + 100 * round));
            char colour[8];
            std::snprintf(colour, sizeof colour, "#%02X%02X%02X", 16 * stage, 8 * round, 0x80);
            colourCalls.push_back("dpi color " + std::to_string(stage) + " '" + colour + "'");
        }
    }
    const pid_t dpi = StartCalls(dpiCalls);
    const pid_t colours = StartCalls(colourCalls);
    EXPECT_EQ(Wait(dpi), 0) << "a call failed";
    EXPECT_EQ(Wait(colours), 0) << "a call failed";

    const Json::Value shown = RunCtl({"--emulate", "--json", "dpi"}).Json();
    ASSERT_EQ(shown["stages"].size(), 7u);
    for (Json::ArrayIndex i = 0; i < 7; ++i) {
        const int stage = static_cast<int>(i) + 1;
        EXPECT_EQ(shown["stages"][i]["dpi"].asInt(), 200 * stage + 100 * kRounds) << stage;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", 16 * stage, 8 * kRounds, 0x80);
        EXPECT_EQ(shown["stages"][i]["colour"].asString(), colour) << stage;
    }

    // The mouse has what the profile has, and no request came out of order.
    CSimWorld world;
    std::string error;
    ASSERT_TRUE(world.LoadState(home.Root() / "state" / "kestrune-q418" / "emulator.json", &error))
        << error;
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
    EXPECT_FALSE(world.Configuring());
    const Json::Value list = RunCtl({"--json", "profile", "list"}).Json();
    const std::string id = list["profiles"][list["selected"].asInt()]["id"].asString();
    const std::filesystem::path file =
        home.Root() / "data" / "Kestrune Q418-RGB" / "mouse" / (id + ".Json");
    CMouseProfiledata profile;
    profile.SetProfilePath(file);
    profile.LoadSection(file);
    const std::vector<DpiStage> stages = profile.GetDpiStages();
    const std::vector<uint8_t> memory = world.SettingsMemory();
    ASSERT_EQ(stages.size(), 7u);
    for (size_t i = 0; i < stages.size(); ++i) {
        const size_t at = MouseBlock::kFirstStage + i * kDpiStageBytes;
        ASSERT_LE(at + kDpiStageBytes, memory.size());
        const DpiStage inMouse = DpiStageFromBytes(
            std::span<const uint8_t, kDpiStageBytes>(&memory[at], kDpiStageBytes));
        EXPECT_EQ(inMouse.x, stages[i].x) << "stage " << i + 1;
        EXPECT_EQ(inMouse.red, stages[i].red) << "stage " << i + 1;
    }
}

TEST_F(SharedMouseTest, ABusyMouseIsSaidSoAndNothingChanges) {
    ASSERT_EQ(RunCtl({"--emulate=cable", "dpi", "set", "1", "800"}).status, kExitOk);
    // The mouse's memory and every profile file, as the busy command must leave them.
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Root()))
            if (entry.is_regular_file() && entry.path().extension() != ".lock") {
                std::ifstream in(entry.path(), std::ios::binary);
                files[entry.path().string()] = {std::istreambuf_iterator<char>(in), {}};
            }
        return files;
    };
    const auto before = snapshot();
    CProcessLock other(MouseLockFile("mouse"));
    ASSERT_TRUE(other.Acquire(std::chrono::milliseconds(0)));
    CliEnvironment environment = TestCliEnvironment();
    environment.mouseLockWait = std::chrono::milliseconds(100);
    const CtlRun busy = RunCtl({"--emulate", "dpi", "set", "1", "1600"}, environment);
    EXPECT_NE(busy.status, kExitOk);
    EXPECT_NE(busy.err.find("the mouse is busy with another program"), std::string::npos)
        << busy.err;
    EXPECT_TRUE(snapshot() == before) << "the busy command changed a file";
    other.Release();
    ASSERT_EQ(RunCtl({"--emulate", "dpi", "set", "1", "1600"}, environment).status, kExitOk);
    const Json::Value shown = RunCtl({"--emulate", "--json", "dpi"}).Json();
    EXPECT_EQ(shown["stages"][0]["dpi"].asInt(), 1600);
}
