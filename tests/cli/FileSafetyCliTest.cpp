// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl against unlucky users and hostile files: bad arguments, special files in place of
// ours, the simulated mouse's faults set from the command line, and parallel processes.
#include <gtest/gtest.h>
#include <json/json.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cli/Cli.h"
#include "emulator/SimWorld.h"
#include "profile/JsonFile.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

class FileSafetyCliTest : public testing::Test {
  protected:
    void SetUp() override { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    void TearDown() override { ::unsetenv("KESTRUNE_DATA_DIR"); }
    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args)); }
    fs::path StateFile() const { return home.Root() / "state" / "kestrune-q418" / "emulator.json"; }

    CTempHome home;
};

TEST_F(FileSafetyCliTest, EmptyArgumentsAndControlCharactersAreUsageErrors) {
    ASSERT_EQ(Ctl({"profile", "add", "Keep"}).status, kExitOk);
    ASSERT_EQ(Ctl({"macro", "add", "m"}).status, kExitOk);
    const struct {
        std::vector<std::string> words;
        const char* error;
    } cases[] = {
        {{"profile", "delete", "-p", ""}, "argument 4 is empty"},
        {{"profile", "select", ""}, "argument 3 is empty"},
        {{"macro", "edit", "m", ""}, "argument 4 is empty"},
        {{"--data-dir", "", "profile", "list"}, "argument 2 is empty"},
        {{"--data-dir=", "profile", "list"}, "argument 1 is empty (--data-dir=)"},
        {{"profile", "add", "evil\x1b[2Jname"}, "argument 3 holds a control character"},
        {{"macro", "rename", "m", "two\nlines"}, "argument 4 holds a control character"},
        {{"macro", "add",
          "c1\xC2\x9B"
          "31m"},
         "argument 3 holds a control character"},
        {{"profile", "lst"}, "unknown command \"lst\" (kestrunectl profile --help"},
        {{"--json", "frobnicate"}, "unknown command \"frobnicate\" (kestrunectl --help"},
        {{"macro", "export", "m", "x", "extra"}, "xtra"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.back());
        const CtlRun run = Ctl(c.words);
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    // Nothing was deleted or wiped.
    const Json::Value profiles = Ctl({"--json", "profile", "list"}).Json()["profiles"];
    EXPECT_EQ(profiles.size(), 2u);
    EXPECT_EQ(Ctl({"--json", "macro", "list"}).Json()["macros"].size(), 1u);
}

TEST_F(FileSafetyCliTest, AStateFileThatIsNoFileIsAClearErrorAndLeftAlone) {
    fs::create_directories(StateFile().parent_path());
    ASSERT_EQ(::mkfifo(StateFile().c_str(), 0600), 0);
    CtlRun run = Ctl({"--emulate", "info"});  // would hang reading a FIFO
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("emulator.json: not a regular file; move it away or delete it"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(fs::status(StateFile()).type(), fs::file_type::fifo);

    fs::remove(StateFile());
    fs::create_symlink("/dev/zero", StateFile());
    run = Ctl({"--emulate", "emulator", "dump"});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;

    fs::remove(StateFile());
    {
        std::ofstream big(StateFile());
        big << std::string(CSimWorld::kMaxStateFileSize + 1, ' ');
    }
    run = Ctl({"--emulate", "info"});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("too large for a state file"), std::string::npos) << run.err;
    EXPECT_EQ(fs::file_size(StateFile()), CSimWorld::kMaxStateFileSize + 1);
}

TEST_F(FileSafetyCliTest, FaultsSetFromTheCommandLineHitTheNextCommand) {
    CtlRun set = Ctl({"--emulate", "emulator", "fault", "status-ff", "--after", "1"});
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_EQ(set.out, "simulated mouse: status-ff after 1 requests\n");
    ASSERT_EQ(Ctl({"--emulate", "emulator", "fault", "delay", "--ms", "5"}).status, kExitOk);
    const Json::Value listed = Ctl({"--emulate", "--json", "emulator", "fault", "list"}).Json();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["fault"].asString(), "status-ff");
    EXPECT_EQ(listed[0]["after"].asInt(), 1);
    EXPECT_EQ(listed[1]["delayMs"].asInt(), 5);

    EXPECT_EQ(Ctl({"--emulate", "emulator", "fault", "clear"}).status, kExitOk);
    EXPECT_EQ(Ctl({"--emulate", "emulator", "fault", "list"}).out,
              "simulated mouse: no faults to come\n");
    const CtlRun bad = Ctl({"--emulate", "emulator", "fault", "gremlins"});
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_NE(bad.err.find("unknown fault \"gremlins\""), std::string::npos);

    // A dropped reply makes the next command fail, and only that one.
    ASSERT_EQ(Ctl({"--emulate", "emulator", "fault", "drop"}).status, kExitOk);
    EXPECT_EQ(Ctl({"--emulate", "info"}).status, kExitNoAnswer);
    EXPECT_EQ(Ctl({"--emulate", "info"}).status, kExitOk);

    // Errors name their cause.
    CtlRun range = Ctl({"--emulate", "dpi", "set", "1", "99999999"});
    EXPECT_EQ(range.status, kExitUsage);
    EXPECT_NE(range.err.find("DPI 99999999 is out of range: this sensor covers "),
              std::string::npos)
        << range.err;
    ASSERT_EQ(Ctl({"--emulate", "emulator", "fault", "unplug", "--after", "3"}).status, kExitOk);
    CtlRun unplugged = Ctl({"--emulate", "dpi", "set", "1", "800"});
    EXPECT_EQ(unplugged.status, kExitNoDevice);
    EXPECT_NE(unplugged.err.find("the mouse's cable was unplugged"), std::string::npos)
        << unplugged.err;
}

// Each fault of the simulated mouse at request positions of the commands that talk to it, by
// cable and through the receiver: a reported success always leaves the mouse (and, for sync,
// the profile) as the fault-free run does, and the profile files stay valid.
TEST_F(FileSafetyCliTest, AFaultNeverEndsInAFalseSuccess) {
    const fs::path profiles = home.Root() / "data" / "Kestrune Q418-RGB" / "mouse";
    // What the command leaves behind: the mouse's memory and the selected profile.
    auto outcome = [&] {
        CSimWorld world;
        EXPECT_TRUE(world.LoadState(StateFile()));
        std::string state;
        for (const std::vector<uint8_t>& memory :
             {world.SettingsMemory(), world.KeyTable(), world.MacroMemory(), world.ShootMemory()})
            state.append(memory.begin(), memory.end()).push_back('|');
        const Json::Value list = Ctl({"--json", "profile", "list"}).Json();
        for (const Json::Value& profile : list["profiles"]) {
            Json::Value document =
                CJsonFile::ReadDocument(profiles / (profile["id"].asString() + ".Json"));
            EXPECT_TRUE(document.isObject()) << profile["id"].asString();
            // The profile's identity is the time it was made.
            if (document.isObject())
                document.removeMember("profileUUID");
            if (profile["selected"].asBool())
                state += CJsonFile::FormatDocument(document);
        }
        return state;
    };
    auto fresh = [&] {
        fs::remove_all(home.Root() / "state");
        fs::remove_all(home.Root() / "data");
    };
    const std::vector<std::vector<std::string>> commands = {
        {"dpi", "set", "2", "1600"},
        {"button", "set", "forward", "ctrl+c"},
        {"upload"},
        {"apply"},
        {"sync"},
    };
    for (const char* mode : {"--emulate=cable", "--emulate=receiver"}) {
        for (const std::vector<std::string>& command : commands) {
            std::vector<std::string> run = command;
            run.insert(run.begin(), mode);
            fresh();
            ASSERT_EQ(Ctl(run).status, kExitOk) << command[0];
            const std::string expected = outcome();
            for (const char* fault : {"drop", "delay", "garble", "wrong-echo", "status-ff",
                                      "status-fe", "unplug", "link-drop"}) {
                for (int after : {0, 3}) {
                    SCOPED_TRACE(std::string(mode) + " " + command[0] + " " + fault + " after " +
                                 std::to_string(after));
                    fresh();
                    ASSERT_EQ(Ctl({mode, "emulator", "fault", fault, "--after",
                                   std::to_string(after), "--ms", "20"})
                                  .status,
                              kExitOk);
                    const CtlRun result = Ctl(run);
                    const std::string left = outcome();
                    if (result.status == kExitOk)
                        EXPECT_EQ(left, expected) << "reported done, but the outcome differs";
                    else
                        EXPECT_NE(result.err, "");
                }
            }
        }
    }
}

// Four kestrunectl processes, fifty changes each, at once: every change reported done is in the
// files at the end.
TEST_F(FileSafetyCliTest, ParallelProcessesLoseNothing) {
    constexpr int kProcesses = 4, kRounds = 10;
    ASSERT_EQ(Ctl({"--emulate", "emulator", "set", "interval-us", "0"}).status, kExitOk);
    std::vector<pid_t> children;
    for (int k = 0; k < kProcesses; ++k) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid > 0) {
            children.push_back(pid);
            continue;
        }
        // The child records each change that succeeded, one line each.
        std::ofstream log(home.Root() / ("log" + std::to_string(k)));
        const std::string stage = std::to_string(k + 1);
        for (int i = 0; i < kRounds; ++i) {
            const std::string name = "p" + std::to_string(k) + "-" + std::to_string(i);
            auto run = [&](std::vector<std::string> words) {
                words.insert(words.begin(), {"--emulate", "--json"});
                return RunCtl(words);
            };
            if (run({"profile", "add", name}).status == 0)
                log << "add " << name << "\n";
            const std::string dpi = std::to_string(400 + 100 * i);
            const CtlRun set = run({"dpi", "set", stage, dpi});
            if (set.status == 0)
                log << "dpi " << set.Json()["profile"]["id"].asString() << " "
                    << set.Json()["position"].asInt() << "\n";
            if (run({"profile", "copy", "-p", name}).status == 0)
                log << "add " << name << " copy\n";
            if (i % 2 == 0) {
                if (run({"profile", "rename", "-p", name, name + "r"}).status == 0)
                    log << "rename " << name << " " << name << "r\n";
            } else {
                const std::string colour = "#0000" + std::to_string(10 + i);
                const CtlRun color = run({"dpi", "color", stage, colour});
                if (color.status == 0)
                    log << "colour " << color.Json()["profile"]["id"].asString() << " " << colour
                        << "\n";
            }
            if (run({"profile", "delete", "-p", name + " copy"}).status == 0)
                log << "delete " << name << " copy\n";
        }
        log.close();
        ::_exit(0);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // What each process was told, replayed: its own profiles, its own DPI stage.
    std::set<std::string> names = {"Profile1"};
    std::map<std::pair<std::string, int>, int> positions;        // (id, stage) → last position
    std::map<std::pair<std::string, int>, std::string> colours;  // (id, stage) → last colour
    size_t changes = 0;
    for (int k = 0; k < kProcesses; ++k) {
        std::ifstream log(home.Root() / ("log" + std::to_string(k)));
        std::string line;
        while (std::getline(log, line)) {
            ++changes;
            std::istringstream words(line);
            std::string verb;
            words >> verb;
            std::string rest;
            std::getline(words >> std::ws, rest);
            if (verb == "add") {
                names.insert(rest);
            } else if (verb == "delete") {
                names.erase(rest);
            } else if (verb == "rename") {
                const size_t space = rest.find(' ');
                names.erase(rest.substr(0, space));
                names.insert(rest.substr(space + 1));
            } else {
                const size_t space = rest.find(' ');
                const auto key = std::make_pair(rest.substr(0, space), k);
                if (verb == "dpi")
                    positions[key] = std::stoi(rest.substr(space + 1));
                else
                    colours[key] = rest.substr(space + 1);
            }
        }
    }
    EXPECT_EQ(changes, static_cast<size_t>(kProcesses * kRounds * 5)) << "a change failed";

    const Json::Value list = Ctl({"--json", "profile", "list", "--all"}).Json();
    std::set<std::string> listed;
    std::map<std::string, bool> ids;
    for (const Json::Value& profile : list["profiles"]) {
        listed.insert(profile["name"].asString());
        ids[profile["id"].asString()] = true;
    }
    EXPECT_EQ(listed, names);
    EXPECT_EQ(list["orphans"].size(), 0u) << "profile files the list lost";
    for (const auto& [key, position] : positions) {
        if (!ids.count(key.first))
            continue;  // its profile was deleted since
        const Json::Value shown = Ctl({"--json", "profile", "show", "-p", key.first}).Json();
        EXPECT_EQ(shown["dpiStages"][key.second]["x"].asInt(), position)
            << key.first << " stage " << key.second + 1;
    }
    for (const auto& [key, colour] : colours) {
        if (!ids.count(key.first))
            continue;
        const Json::Value shown = Ctl({"--json", "profile", "show", "-p", key.first}).Json();
        EXPECT_EQ(shown["dpiStages"][key.second]["colour"].asString(), colour)
            << key.first << " stage " << key.second + 1;
    }
}

}  // namespace
