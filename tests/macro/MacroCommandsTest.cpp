// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl macro and recoil, end to end on the files of a private data home.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "base/Paths.h"
#include "cli/Cli.h"
#include "macro/MacroList.h"
#include "macro/MacroText.h"
#include "macro/ShootData.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"
#include "profile/TempFolder.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

class MacroCommandsTest : public testing::Test {
  protected:
    void SetUp() override { ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1); }
    void TearDown() override { ::unsetenv("KESTRUNE_DATA_DIR"); }

    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args)); }
    fs::path Device() const { return GetUserDataFolder() / "mouse"; }
    fs::path Write(const std::string& name, const std::string& text) const {
        const fs::path path = home.Root() / name;
        WriteFile(path, text);
        return path;
    }

    CTempHome home;
};

}  // namespace

TEST_F(MacroCommandsTest, WalkThrough) {
    const fs::path text = Write("combo.txt",
                                "# reload\n"
                                "down LShift\n"
                                "delay 20\n"
                                "press r\n"
                                "delay 30\n"
                                "delay 20   # they add up\n"
                                "up lshift\n"
                                "down LEFT\n"
                                "up mouse left\n"
                                "press Left arrow\n"
                                "move up 12\n"
                                "raw down 3 7\n");
    const fs::path exported = home.Root() / "out.mac";
    struct Step {
        std::vector<std::string> words;
        int status;
        const char* shown;  // in the output (status 0) or the error
    };
    const Step steps[] = {
        {{"macro", "list"}, 0, "No macros yet"},
        {{"macro", "add"}, 0, "added macro \"macro_1\""},
        {{"macro", "add", "Reload"}, 0, "added macro \"Reload\""},
        {{"macro", "add", "reload"}, 1, "already named \"reload\""},
        {{"macro", "add", "  "}, 2, "cannot be blank"},
        {{"macro", "rename", "macro_1", "Burst"}, 0, "renamed macro \"macro_1\" to \"Burst\""},
        {{"macro", "rename", "Burst", "BURST"}, 1, "only in letter case"},
        {{"macro", "rename", "Burst", "reload"}, 1, "already named \"reload\""},
        {{"macro", "edit", "reload", text.string()}, 0, "saved 10 events to macro \"Reload\""},
        {{"macro", "show", "1"},
         0,
         "down LShift\ndelay 20\ndown R\nup R\ndelay 50\nup LShift\ndown left\nup left\n"
         "down Left arrow\nup Left arrow\nmove up 12\nraw down 3 7\n"},
        {{"macro", "list"}, 0, "1  Reload  ("},
        {{"macro", "export", "Reload", exported.string()}, 0, "exported macro \"Reload\""},
        {{"macro", "import", exported.string()}, 0, "imported macro \"out\""},
        {{"macro", "import", exported.string()}, 0, "imported macro \"2\""},
        {{"macro", "show", "nothing"}, 1, "no macro \"nothing\""},
        {{"macro", "delete", "out"}, 0, "deleted macro \"out\""},
        {{"macro", "list"}, 0, "2  2  ("},
    };
    for (const Step& step : steps) {
        std::string line;
        for (const std::string& word : step.words)
            line += word + " ";
        SCOPED_TRACE(line);
        const CtlRun run = Ctl(step.words);
        EXPECT_EQ(run.status, step.status) << run.out << run.err;
        const std::string& where = step.status == 0 ? run.out : run.err;
        EXPECT_NE(where.find(step.shown), std::string::npos) << where;
    }
    // What show prints, edit reads back unchanged.
    const CtlRun shown = Ctl({"macro", "show", "Reload"});
    const CMacroList macros(Device());
    const auto parsed = ParseMacroText(shown.out);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, macros.ReadEvents(1));
    EXPECT_EQ(macros.ReadEvents(2), macros.ReadEvents(1));
}

TEST_F(MacroCommandsTest, BadTextChangesNothingAndSaysWhere) {
    ASSERT_EQ(Ctl({"macro", "add", "m"}).status, 0);
    ASSERT_EQ(Ctl({"macro", "edit", "m", Write("ok.txt", "press a\n").string()}).status, 0);
    const std::string before =
        ReadFile(Device() / (CMacroList(Device()).ReadList()[0].id + ".mac"));
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"press a\ndown Hyper\n", "line 2: no key or mouse button is named \"hyper\""},
        {"delay 5\n", "line 1: a delay follows the event"},
        {"press a\ndelay 70000\n", "line 2: delay takes milliseconds"},
        {"press a\ndelay 60000\ndelay 6000\n", "line 3: the delays after one event add up"},
        {"move left 256\n", "line 1: a move distance"},
        {"move sideways 2\n", "line 1: a move goes left, right, up or down"},
        {"jump\n", "line 1: unknown word \"jump\""},
        {"raw down 200 1\n", "line 1: raw takes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CtlRun run = Ctl({"macro", "edit", "m", Write("bad.txt", c.text).string()});
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(Device() / (CMacroList(Device()).ReadList()[0].id + ".mac")), before);
    EXPECT_EQ(Ctl({"macro", "edit", "m", (home.Root() / "none.txt").string()}).status, kExitError);
}

TEST_F(MacroCommandsTest, EditReadsStandardInputAndWarnsAboutLongMacros) {
    ASSERT_EQ(Ctl({"macro", "add"}).status, 0);
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "press a\n";
    std::istringstream in(text);
    CliEnvironment environment{false, nullptr};
    environment.in = &in;
    const CtlRun run = RunCtl({"macro", "edit", "macro_1"}, environment);
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(CMacroList(Device()).ReadEvents(0).size(), 60u);
    EXPECT_NE(run.err.find("60 events"), std::string::npos) << run.err;
}

TEST_F(MacroCommandsTest, DeletingAnAssignedMacroNeedsForceAndFixesTheProfiles) {
    for (const char* name : {"a", "b", "c"})
        ASSERT_EQ(Ctl({"macro", "add", name}).status, 0);
    ASSERT_EQ(Ctl({"profile", "add", "Second"}).status, 0);
    CProfileList profiles;
    profiles.SetFolders(Device(), "");
    std::vector<fs::path> files;
    for (int i = 0, n = profiles.GetProfileCount(); i < n; ++i)
        files.push_back(profiles.GetProfileFilePath(i));
    ASSERT_EQ(files.size(), 2u);
    Json::Value document = CJsonFile::ReadDocument(files[1]);
    document["Device"][0]["KeyList"][4]["Assignment"] = 0x700200;  // macro c
    document["Device"][0]["KeyList"][3]["Assignment"] = 0x700000;  // macro a
    ASSERT_TRUE(CJsonFile::WriteDocument(files[1], document));
    const std::string list = ReadFile(Device() / "macro.config");

    const CtlRun refused = Ctl({"macro", "delete", "a"});
    EXPECT_EQ(refused.status, kExitError);
    EXPECT_NE(refused.err.find("assigned to 1 button in 1 profile; add --force"), std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFile(Device() / "macro.config"), list);

    const CtlRun deleted = Ctl({"macro", "delete", "a", "--force"});
    ASSERT_EQ(deleted.status, kExitOk) << deleted.err;
    EXPECT_NE(deleted.out.find("2 button assignments in 1 profile updated"), std::string::npos)
        << deleted.out;
    document = CJsonFile::ReadDocument(files[1]);
    EXPECT_EQ(document["Device"][0]["KeyList"][4]["Assignment"].asInt(), 0x700100);
    EXPECT_EQ(document["Device"][0]["KeyList"][3]["Assignment"].asInt(),
              document["Device"][0]["KeyList"][3]["DefaultAssignment"].asInt());
    EXPECT_EQ(CMacroList(Device()).ReadList().size(), 2u);
}

TEST_F(MacroCommandsTest, JsonOutput) {
    ASSERT_EQ(Ctl({"macro", "add", "J"}).status, 0);
    ASSERT_EQ(Ctl({"macro", "edit", "J", Write("j.txt", "down a\ndelay 7\n").string()}).status, 0);
    const CtlRun list = Ctl({"--json", "macro", "list"});
    const Json::Value value = ParseJson(list.out);
    EXPECT_EQ(value["macros"][0]["name"].asString(), "J");
    EXPECT_EQ(value["macros"][0]["events"].asInt(), 1);
    const Json::Value shown = ParseJson(Ctl({"--json", "macro", "show", "J"}).out);
    EXPECT_EQ(shown["events"][0]["delay"].asInt(), 7);
    EXPECT_EQ(shown["events"][0]["text"].asString(), "down A");
    const CtlRun missing = Ctl({"--json", "macro", "show", "K"});
    EXPECT_EQ(ParseJson(missing.out)["exitStatus"].asInt(), kExitError);
    EXPECT_EQ(ParseJson(Ctl({"--json", "macro", "keys"}).out)[0].asString(), "left");
}

TEST_F(MacroCommandsTest, Recoil) {
    const CtlRun shown = Ctl({"recoil", "show", "--gun", "2"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("Gun 2"), std::string::npos);
    // Showing writes nothing: a first start shows the default pattern quietly.
    EXPECT_FALSE(fs::exists(Device() / "ShootData_1.Shoot"));
    EXPECT_EQ(shown.err, "");

    const CtlRun set = Ctl({"recoil", "set", "--gun", "2", "4", "-12", "30", "95"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find("gun 2, bullet 4: x -12, y 30, delay 95 ms"), std::string::npos)
        << set.out;
    const CShootData shoot(Device(), fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData");
    EXPECT_EQ(shoot.GetBullet(1, 3), (ShootBullet{true, 12, false, 30, 95}));
    // Without a delay the bullet keeps its own.
    ASSERT_EQ(Ctl({"recoil", "set", "-g", "2", "4", "5", "-6"}).status, 0);
    EXPECT_EQ(shoot.GetBullet(1, 3), (ShootBullet{false, 5, true, 6, 95}));

    const Json::Value json = ParseJson(Ctl({"--json", "recoil", "show", "--gun", "2"}).out);
    EXPECT_EQ(json["bullets"][3]["x"].asInt(), 5);
    EXPECT_EQ(json["bullets"][3]["y"].asInt(), -6);
    EXPECT_EQ(json["bullets"].size(), 30u);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"recoil", "set", "31", "0", "0"},
                                               {"recoil", "set", "1", "256", "0"},
                                               {"recoil", "set", "1", "0", "0", "70000"},
                                               {"recoil", "show", "--gun", "5"}})
        EXPECT_EQ(Ctl(bad).status, kExitUsage) << bad[2];

    const fs::path file = home.Root() / "gun2.shoot";
    ASSERT_EQ(Ctl({"recoil", "export", "-g", "2", file.string()}).status, 0);
    ASSERT_EQ(Ctl({"recoil", "import", "-g", "4", file.string()}).status, 0);
    EXPECT_EQ(ReadFile(Device() / "ShootData_3.Shoot"), ReadFile(file));
    ASSERT_EQ(Ctl({"recoil", "reset", "-g", "2"}).status, 0);
    EXPECT_EQ(ReadFile(Device() / "ShootData_1.Shoot"),
              ReadFile(fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData" / "ShootData_1.Shoot"));
    const CtlRun junk = Ctl({"recoil", "import", Write("junk.shoot", "[]").string()});
    EXPECT_EQ(junk.status, kExitError);
    EXPECT_NE(junk.err.find("is not a recoil (shoot) file"), std::string::npos) << junk.err;
}

TEST_F(MacroCommandsTest, NothingIsSavedThatTheMouseCannotHoldOrTheReadersRefuse) {
    ASSERT_EQ(Ctl({"macro", "add", "m"}).status, 0);
    ASSERT_EQ(Ctl({"macro", "edit", "m", Write("one.txt", "press a\n").string()}).status, 0);
    std::string many;
    for (size_t i = 0; i < CMacroList::kMaxEvents / 2 + 1; ++i)
        many += "press a\n";
    std::string huge;
    while (huge.size() < 300 * 1024)
        huge += "# a comment to fill the file\n";
    const struct {
        const char* name;
        std::string text;
        const char* error;
    } cases[] = {
        {"over the events one macro can have", many,
         "holds 252 events; one macro can have at most 250"},
        {"far too big to read", huge, "too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CtlRun run = Ctl({"macro", "edit", "m", Write("big.txt", c.text).string()});
        EXPECT_EQ(run.status, kExitError);
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(CMacroList(Device()).ReadEvents(0).size(), 2u) << "the macro changed";
    }
    // Standard input is read no further than the limit either.
    std::istringstream in(huge);
    CliEnvironment environment{false, nullptr};
    environment.in = &in;
    const CtlRun piped = RunCtl({"macro", "edit", "m"}, environment);
    EXPECT_EQ(piped.status, kExitError);
    EXPECT_NE(piped.err.find("standard input holds more than"), std::string::npos) << piped.err;
    EXPECT_EQ(CMacroList(Device()).ReadEvents(0).size(), 2u);
}

TEST_F(MacroCommandsTest, UnreadableFilesAreKeptAndTheUserIsToldOnce) {
    ASSERT_EQ(Ctl({"macro", "add", "first"}).status, 0);
    const fs::path list = Device() / "macro.config";
    const std::string cut = ReadFile(list).substr(0, 10);
    WriteFile(list, cut);
    EXPECT_EQ(Ctl({"macro", "list"}).err, "");  // a read says nothing and writes nothing
    EXPECT_EQ(ReadFile(list), cut);
    const CtlRun add = Ctl({"macro", "add", "second"});
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_NE(add.err.find("macro.config could not be read; it is kept as macro.config.broken-"),
              std::string::npos)
        << add.err;
    EXPECT_EQ(Ctl({"macro", "add", "third"}).err, "") << "told twice";

    // A recoil pattern: show says so and writes nothing, the first change keeps it.
    fs::create_directories(Device());
    WriteFile(Device() / "ShootData_0.Shoot", "{");
    const CtlRun shown = Ctl({"recoil", "show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.err.find("cannot be read (not a recoil file); showing the default pattern"),
              std::string::npos)
        << shown.err;
    EXPECT_EQ(ReadFile(Device() / "ShootData_0.Shoot"), "{");
    const CtlRun set = Ctl({"recoil", "set", "1", "1", "1"});
    EXPECT_NE(set.err.find("ShootData_0.Shoot could not be read; it is kept as"), std::string::npos)
        << set.err;
}

TEST_F(MacroCommandsTest, ExportsReplaceOnlyRegularFilesTheUserMayWrite) {
    ASSERT_EQ(Ctl({"macro", "add", "m"}).status, 0);
    const fs::path fifo = home.Root() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path readOnly = Write("read-only.mac", "keep");
    fs::permissions(readOnly, fs::perms::owner_read);
    const fs::path target = Write("target.mac", "old");
    const fs::path link = home.Root() / "link.mac";
    fs::create_symlink(target, link);
    const struct {
        std::vector<std::string> words;
        int status;
        const char* shown;
    } cases[] = {
        {{"macro", "export", "m", "/dev/null"}, 1, "could not write /dev/null: not a regular file"},
        {{"macro", "export", "m", fifo.string()}, 1, "fifo: not a regular file"},
        {{"recoil", "export", readOnly.string()}, 1, "read-only.mac: the file is read-only"},
        {{"profile", "export", (home.Root() / "nofolder" / "p.json").string()}, 1, "not found"},
        {{"macro", "export", "m", link.string()}, 0, "exported macro \"m\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words[0] + " " + c.words[1] + " " + c.words.back());
        const CtlRun run = Ctl(c.words);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE((run.status == 0 ? run.out : run.err).find(c.shown), std::string::npos)
            << run.out << run.err;
    }
    EXPECT_EQ(ReadFile(readOnly), "keep");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadFile(target).find("\"Version\""), std::string::npos);
}
