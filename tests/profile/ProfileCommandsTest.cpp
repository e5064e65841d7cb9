// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/ProfileCommands.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "TempFolder.h"
#include "base/Paths.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

class ProfileCommandsTest : public testing::Test {
  protected:
    void SetUp() override {
        SetUserDataFolder(folder / "data");
        ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1);
    }
    void TearDown() override {
        SetUserDataFolder({});
        ::unsetenv("KESTRUNE_DATA_DIR");
    }

    // Parses as the tool does (a top-level --json that subcommands pass through), then runs.
    Outcome Run(std::vector<std::string> words) {
        CLI::App app{"test", "kestrunectl"};
        app.fallthrough();
        bool json = false;
        app.add_flag("--json", json);
        CCliVerbs verbs;
        AddProfileCommands(app, verbs);
        std::vector<const char*> argv{"kestrunectl"};
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        std::ostringstream out, err;
        try {
            app.parse(static_cast<int>(argv.size()), argv.data());
        } catch (const CLI::ParseError& e) {
            app.exit(e, out, err);
            return {2, out.str(), err.str()};
        }
        std::istringstream in;
        CliSession session(out, err, in, json);
        int status = verbs.Chosen()->run(session);
        return {status, out.str(), err.str()};
    }

    std::vector<std::string> Names() {
        CProfileList list;
        list.SetFolders(folder / "data" / "mouse", folder / "none");
        list.LoadList();
        std::vector<std::string> names;
        for (const ProfileEntry& entry : list.GetEntries())
            names.push_back(entry.name);
        return names;
    }

    CTempFolder folder;
};

}  // namespace

TEST_F(ProfileCommandsTest, WalkThrough) {
    struct Step {
        std::vector<std::string> words;
        int status;
        const char* shown;  // in the output (status 0) or the error
    };
    const fs::path exported = folder / "Game.json";
    const Step steps[] = {
        {{"profile", "list"}, 0, "* 0  Profile1"},
        {{"profile", "add"}, 0, "added \"profile2\""},
        {{"profile", "list"}, 0, "* 1  profile2"},
        {{"profile", "rename", "Game"}, 0, "renamed \"profile2\" to \"Game\""},
        {{"profile", "rename", "game", "-p", "0"}, 1, "already named \"game\""},
        {{"profile", "rename", "   "}, 2, "cannot be blank"},
        {{"profile", "copy", "-p", "GAME"}, 0, "copied \"Game\" to \"Game copy\""},
        {{"profile", "select", "Profile1"}, 0, "selected \"Profile1\""},
        {{"profile", "select", "Nope"}, 1, "no profile \"Nope\""},
        {{"profile", "export", exported.string(), "-p", "Game"}, 0, "exported \"Game\""},
        {{"profile", "import", exported.string()}, 0, "imported \"Game(1)\""},
        {{"profile", "import", (folder / "missing.json").string()}, 1, "missing.json: not found"},
        {{"profile", "import", (folder / "data" / "mouse" / "ProfileList.ini").string()},
         1,
         "is not a profile file"},
        {{"profile", "delete", "-p", "2"}, 0, "deleted \"Game copy\""},
        {{"profile", "reset", "-p", "Game"}, 0, "reset \"Game\""},
        {{"profile", "show", "-p", "Game"}, 0, "DPI stages (active 1)"},
        {{"profile", "add", "Aim"}, 0, "added \"Aim\""},
        {{"profile", "add", "AIM"}, 1, "already named \"AIM\""},
        {{"profile", "select"}, 2, "PROFILE is required"},
        {{"profile"}, 2, "subcommand"},
    };
    for (const Step& step : steps) {
        Outcome outcome = Run(step.words);
        std::string command;
        for (const std::string& word : step.words)
            command += word + " ";
        EXPECT_EQ(outcome.status, step.status) << command << "\n" << outcome.out << outcome.err;
        const std::string& text = step.status == 0 ? outcome.out : outcome.err;
        EXPECT_NE(text.find(step.shown), std::string::npos) << command << "\n" << text;
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"Profile1", "Game", "Game(1)", "Aim"}));
}

TEST_F(ProfileCommandsTest, JsonOutputAndTheLimit) {
    Outcome listed = Run({"profile", "list", "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    Json::Value list = ParseJson(listed.out);
    EXPECT_EQ(list["profiles"][0]["name"], "Profile1");
    EXPECT_EQ(list["selected"], 0);

    Outcome shown = Run({"profile", "show", "--json"});
    Json::Value show = ParseJson(shown.out);
    EXPECT_EQ(show["dpiStages"].size(), 7u);
    EXPECT_EQ(show["buttons"][0]["code"], 0x100100);
    EXPECT_EQ(show["settings"].size(), 15u);

    for (int i = 1; i < CProfileList::kMaxProfiles; ++i)
        ASSERT_EQ(Run({"profile", "add"}).status, 0);
    Outcome refused = Run({"profile", "copy", "--json"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already 50 profiles"), std::string::npos) << refused.err;
    EXPECT_EQ(ParseJson(refused.out)["exitStatus"], 1);
}
