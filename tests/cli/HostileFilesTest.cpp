// SPDX-License-Identifier: GPL-2.0-or-later
// Files a hostile but fair user hands kestrunectl, one table per file kind: each refused import
// names the field, the value and the limit, exits 1 and leaves every file and the simulated
// mouse byte for byte as they were. Files on disk that fail a field are read mended, with a
// warning, and nothing out of range reaches the mouse. Unreadable is not corrupt.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "base/Paths.h"
#include "cli/Cli.h"
#include "macro/MacroList.h"
#include "profile/JsonFile.h"
#include "support/CliRun.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

// Every file under the folder, by path, with its bytes and mode.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& root) {
    Snapshot files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st;
        if (::lstat(it->path().c_str(), &st) != 0)
            continue;
        std::string content = std::to_string(st.st_mode) + ":";
        if (S_ISREG(st.st_mode) && (st.st_mode & 0444)) {
            std::ifstream in(it->path(), std::ios::binary);
            content += std::string(std::istreambuf_iterator<char>(in), {});
        }
        files[it->path().string()] = content;
    }
    return files;
}

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Text(const Json::Value& document) {
    return Json::FastWriter().write(document);
}

Json::Value ReadJson(const fs::path& path) {
    return CJsonFile::ReadDocument(path);
}

// File access of this thread as another user: root's rights go with it (the tests run as root).
class CAsOtherUser {
  public:
    CAsOtherUser() {
        ::setfsgid(65534);
        ::setfsuid(65534);
    }
    ~CAsOtherUser() {
        ::setfsuid(0);
        ::setfsgid(0);
    }
    CAsOtherUser(const CAsOtherUser&) = delete;
    CAsOtherUser& operator=(const CAsOtherUser&) = delete;
};

class HostileFilesTest : public testing::Test {
  protected:
    void SetUp() override {
        ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1);
        // A mouse with a sensor of 84 positions, and its first state saved.
        ASSERT_EQ(Ctl({"--emulate", "emulator", "set", "sensor", "0x3325"}).status, kExitOk);
        ASSERT_EQ(Ctl({"profile", "list"}).status, kExitOk);
        ASSERT_EQ(Ctl({"macro", "add", "m"}).status, kExitOk);
        ASSERT_EQ(Ctl({"macro", "edit", "m", Write("m.txt", "press a\n").string()}).status,
                  kExitOk);
    }
    void TearDown() override { ::unsetenv("KESTRUNE_DATA_DIR"); }

    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args)); }
    fs::path Device() const { return GetUserDataFolder() / "mouse"; }
    fs::path Write(const std::string& name, const std::string& text) const {
        const fs::path path = home.Root() / name;
        Put(path, text);
        return path;
    }
    // The data folder's files, and the simulated mouse's memory (its request counters move
    // with every command that talks to it).
    Snapshot All() const {
        Snapshot files = Take(GetUserDataFolder());
        const fs::path state = home.Root() / "state" / "kestrune-q418" / "emulator.json";
        files["simulated mouse"] = Text(ReadJson(state)["memory"]);
        return files;
    }
    static std::string Differences(const Snapshot& a, const Snapshot& b) {
        std::string text;
        for (const auto& [path, content] : a) {
            const auto other = b.find(path);
            if (other == b.end())
                text += "gone: " + path + "\n";
            else if (other->second != content)
                text += "changed: " + path + "\n";
        }
        for (const auto& [path, content] : b) {
            if (!a.count(path))
                text += "new: " + path + "\n";
        }
        return text;
    }
    fs::path ProfileFile() {
        const Json::Value list = Ctl({"--json", "profile", "list"}).Json();
        return Device() / (list["profiles"][0]["id"].asString() + ".Json");
    }
    Json::Value DefaultProfile() const {
        return ReadJson(fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData" / "mouse.Json");
    }

    // Runs the command and checks that it failed with `status`, said `message` and changed
    // nothing at all.
    void ExpectRefused(const std::vector<std::string>& words, int status,
                       const std::vector<std::string>& message) {
        const Snapshot before = All();
        const CtlRun run = Ctl(words);
        EXPECT_EQ(run.status, status) << run.err;
        for (const std::string& part : message)
            EXPECT_NE(run.err.find(part), std::string::npos)
                << "missing \"" << part << "\" in " << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(Differences(before, All()), "");
    }

    CTempHome home;
};

TEST_F(HostileFilesTest, ProfileImportsThatCannotBeKeptAreRefused) {
    using Change = std::function<void(Json::Value&)>;
    auto section = [](Json::Value& d) -> Json::Value& { return d["Device"][0]; };
    auto stage = [section](Json::Value& d) -> Json::Value& {
        return section(d)["DPIStages"]["StageDPIs"][0];
    };
    const struct {
        const char* name;
        Change change;
        std::vector<std::string> message;
    } cases[] = {
        {"huge position",
         [&](Json::Value& d) { stage(d)["StageDPIX"] = 2147483647; },
         {"StageDPIs[0].StageDPIX is 2147483647", "from 0 to 65535"}},
        {"negative position",
         [&](Json::Value& d) { stage(d)["StageDPIY"] = -1; },
         {"StageDPIY is -1"}},
        {"text for a number",
         [&](Json::Value& d) { section(d)["LightInfo"]["Light"] = "3"; },
         {"LightInfo.Light is the text \"3\"", "from 0 to 255"}},
        {"fraction",
         [&](Json::Value& d) { section(d)["ReportStages"]["StageActive"] = 3.7; },
         {"ReportStages.StageActive is 3.7", "from 0 to 4"}},
        {"null",
         [&](Json::Value& d) { stage(d)["StageColorR"] = Json::Value(); },
         {"StageColorR is null"}},
        {"array for a number",
         [&](Json::Value& d) { section(d)["LightInfo"]["Fx"] = Json::Value(Json::arrayValue); },
         {"LightInfo.Fx is an array of 0 elements"}},
        {"flag of 2",
         [&](Json::Value& d) { stage(d)["StageActive"] = 2; },
         {"StageActive is 2", "true, false, 0 or 1"}},
        {"lift-off option 2",
         [&](Json::Value& d) { section(d)["ReportStages"]["SilentAltitude"] = 2; },
         {"SilentAltitude is 2"}},
        {"sleep past a byte",
         [&](Json::Value& d) { section(d)["ReportStages"]["ble_sleep1"] = 256; },
         {"ble_sleep1 is 256", "from 0 to 255"}},
        {"active stage 7",
         [&](Json::Value& d) { section(d)["DPIStages"]["StageActive"] = 7; },
         {"DPIStages.StageActive is 7", "from 0 to 6"}},
        {"eight stages",
         [&](Json::Value& d) {
             Json::Value& stages = section(d)["DPIStages"]["StageDPIs"];
             stages.append(stages[0]);
         },
         {"StageDPIs is an array of 8 elements", "at most 7"}},
        {"key code past three bytes",
         [&](Json::Value& d) { section(d)["KeyList"][0]["Assignment"] = 0x1000000; },
         {"KeyList[0].Assignment is 16777216"}},
        {"too many keys",
         [&](Json::Value& d) {
             Json::Value& keys = section(d)["KeyList"];
             while (keys.size() < 129)
                 keys.append(keys[0]);
         },
         {"KeyList is an array of 129 elements", "at most 128"}},
        {"too many lights",
         [&](Json::Value& d) {
             Json::Value& lights = section(d)["LightList"] = Json::Value(Json::arrayValue);
             for (int i = 0; i < 100000; ++i)
                 lights.append(Json::Value());
         },
         {"LightList is an array of 100000 elements", "at most 256"}},
        {"key list not an array",
         [&](Json::Value& d) { section(d)["KeyList"] = 5; },
         {"KeyList is 5", "an array"}},
        {"section not an object",
         [&](Json::Value& d) { d["Device"][0] = "x"; },
         {"Device[0] is the text \"x\"", "an object or null"}},
        {"big text elsewhere",
         [&](Json::Value& d) { d["x"] = std::string(100000, 'y'); },
         {"x is a text of 100000 bytes", "at most 4096"}},
        {"name not a text", [&](Json::Value& d) { d["profilename"] = 5; }, {"profilename is 5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Json::Value document = DefaultProfile();
        c.change(document);
        const fs::path file = Write("Game.json", Text(document));
        std::vector<std::string> message = c.message;
        message.push_back("Game.json was not imported (nothing was stored)");
        ExpectRefused({"--emulate", "profile", "import", file.string()}, kExitError, message);
    }
    // What is not a profile at all, or not a file.
    fs::create_directories(home.Root() / "folder.json");
    for (const std::string& file :
         {Write("not.json", "{\"profilename\": 1").string(), (home.Root() / "folder.json").string(),
          std::string("/dev/zero"), Write("list.json", "[]").string()}) {
        SCOPED_TRACE(file);
        ExpectRefused({"profile", "import", file}, kExitError, {file});
    }
    // The default document itself goes in.
    EXPECT_EQ(
        Ctl({"profile", "import", Write("Fine.json", Text(DefaultProfile())).string()}).status,
        kExitOk);
}

TEST_F(HostileFilesTest, AProfileOnDiskOutOfRangeIsReadMendedWarnedAndSentInRange) {
    const fs::path file = ProfileFile();
    Json::Value document = ReadJson(file);
    document["Device"][0]["DPIStages"]["StageDPIs"][0]["StageDPIX"] = 2147483647;
    document["Device"][0]["LightInfo"]["Light"] = "bright";
    Put(file, Text(document));
    const Snapshot before = All();

    // Showing writes nothing.
    const CtlRun show = Ctl({"profile", "show"});
    EXPECT_EQ(show.status, kExitOk);
    EXPECT_NE(show.err.find("StageDPIX is 2147483647; it must be a whole number from 0 to 65535"),
              std::string::npos)
        << show.err;
    EXPECT_NE(show.err.find("LightInfo.Light is the text \"bright\""), std::string::npos);
    EXPECT_EQ(Differences(before, All()), "");

    // The mouse gets its sensor's highest position, and the user is told once.
    const CtlRun select = Ctl({"--emulate", "profile", "select", "0"});
    EXPECT_EQ(select.status, kExitOk) << select.err;
    EXPECT_NE(select.err.find("DPI stage 0's position is 65535; it must be a position from 0 to "),
              std::string::npos)
        << select.err;
    const Json::Value dpi = Ctl({"--emulate", "--json", "dpi"}).Json();
    ASSERT_TRUE(dpi["stages"].isArray()) << dpi;
    EXPECT_LE(dpi["stages"][0]["dpi"].asInt(), 9650) << dpi;
}

TEST_F(HostileFilesTest, UnreadableIsNotCorruptAndNothingIsChanged) {
    const fs::path profile = ProfileFile();
    const fs::path macro = Device() / (CMacroList(Device()).ReadList()[0].id + ".mac");
    ASSERT_EQ(Ctl({"--emulate", "button", "set", "forward", "macro", "m"}).status, kExitOk);
    // Another user (this thread's file access) may use the whole home but the one file.
    fs::permissions(home.Root(), fs::perms::all, fs::perm_options::add);
    for (const auto& entry : fs::recursive_directory_iterator(home.Root()))
        fs::permissions(entry.path(),
                        entry.is_directory() ? fs::perms::all
                                             : fs::perms::owner_read | fs::perms::owner_write |
                                                   fs::perms::others_read | fs::perms::others_write,
                        fs::perm_options::add);

    const struct {
        fs::path file;
        std::vector<std::string> words;
        std::vector<std::string> message;
    } cases[] = {
        {Device() / "ProfileList.ini", {"profile", "list"}, {"ProfileList.ini: permission denied"}},
        {Device() / "ProfileList.ini", {"profile", "add", "New"}, {"permission denied"}},
        {profile, {"profile", "show"}, {profile.string() + ": permission denied"}},
        {profile, {"--emulate", "profile", "select", "0"}, {"permission denied"}},
        {macro, {"macro", "show", "m"}, {"cannot be read: permission denied"}},
        {macro,
         {"macro", "edit", "m", Write("n.txt", "press b\n").string()},
         {"permission denied", "not written over"}},
        {macro, {"--emulate", "upload"}, {"cannot read the macro \"m\"", "nothing was sent"}},
        {macro, {"--emulate", "profile", "select", "0"}, {"cannot read the macro \"m\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words[1]);
        fs::permissions(c.file, fs::perms::none);
        {
            CAsOtherUser other;
            ExpectRefused(c.words, kExitError, c.message);
        }
        fs::permissions(c.file, fs::perms::owner_read | fs::perms::owner_write |
                                    fs::perms::others_read | fs::perms::others_write);
    }

    // A folder where the profile file should be is not read as a broken profile either.
    fs::remove(profile);
    fs::create_directory(profile);
    ExpectRefused({"profile", "show"}, kExitError, {"not a regular file"});
}

TEST_F(HostileFilesTest, MacroImportsThatCannotBeKeptAreRefused) {
    auto events = [](const std::string& event) {
        return "{\"Events\": [" + event + "], \"Version\": 64}";
    };
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> message;
    } cases[] = {
        {"empty object", "{}", {"Events is missing"}},
        {"events not an array", "{\"MacroEvents\": 5}", {"Events is missing"}},
        {"huge unrelated text", "{\"x\": \"" + std::string(5 << 20, 'z') + "\"}", {"too large"}},
        {"big text",
         "{\"Events\": [], \"x\": \"" + std::string(5000, 'z') + "\"}",
         {"x is a text of 5000 bytes"}},
        {"type past seven bits",
         events(R"({"Action": "down", "Button": 4, "Type": 200, "Delay": "0"})"),
         {"Events[0].Type is 200"}},
        {"button past a byte",
         events(R"({"Action": "down", "Button": 300, "Type": 10, "Delay": "0"})"),
         {"Events[0].Button is 300", "from 0 to 255"}},
        {"delay not a number",
         events(R"({"Action": "down", "Button": 4, "Type": 10, "Delay": "soon"})"),
         {"Events[0].Delay is the text \"soon\""}},
        {"delay too long",
         events(R"({"Action": "down", "Button": 4, "Type": 10, "Delay": 70000})"),
         {"Events[0].Delay is 70000", "0 to 65535"}},
        {"action sideways",
         events(R"({"Action": "sideways", "Button": 4, "Type": 10, "Delay": "0"})"),
         {"Events[0].Action is the text \"sideways\""}},
        {"event not an object", events("7"), {"Events[0] is 7"}},
        {"not JSON", "{\"Events\": [", {"is not a macro file"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = Write("Combo.mac", c.text);
        ExpectRefused({"--emulate", "macro", "import", file.string()}, kExitError, c.message);
    }
    std::string many = "{\"Events\": [";
    for (size_t i = 0; i <= CMacroList::kMaxEvents; ++i)
        many += std::string(i ? "," : "") +
                R"({"Action": "down", "Button": 4, "Type": 10, "Delay": "0"})";
    ExpectRefused({"macro", "import", Write("Many.mac", many + "]}").string()}, kExitError,
                  {"more than " + std::to_string(CMacroList::kMaxEvents) + " events"});
}

TEST_F(HostileFilesTest, RecoilImportsThatCannotBeKeptAreRefused) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> message;
    } cases[] = {
        {"move past a byte",
         R"({"Events": [{"Action": "up", "Button": 999, "Type": 4, "Delay": 5}]})",
         {"Events[0].Button is 999"}},
        {"too many events",
         [] {
             std::string text = "{\"Events\": [";
             for (int i = 0; i < 181; ++i)
                 text += std::string(i ? "," : "") +
                         R"({"Action": "up", "Button": 0, "Type": 4, "Delay": 0})";
             return text + "]}";
         }(),
         {"Events is an array of 181 elements", "at most 180"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRefused({"recoil", "import", "--gun", "1", Write("g.shoot", c.text).string()},
                      kExitError, c.message);
    }
}

TEST_F(HostileFilesTest, MacrosTheListLostCanBeListedAdoptedAndRemoved) {
    const std::string id = CMacroList(Device()).ReadList()[0].id;
    ASSERT_EQ(Ctl({"macro", "add", "other"}).status, kExitOk);
    ASSERT_EQ(Ctl({"macro", "edit", "other", Write("o.txt", "press b\n").string()}).status,
              kExitOk);
    // The list is lost: both macros are orphans.
    Put(Device() / "macro.config", "{ not json");
    const Json::Value listed = Ctl({"--json", "macro", "list", "--all"}).Json();
    ASSERT_EQ(listed["orphans"].size(), 2u) << listed;
    EXPECT_EQ(listed["macros"].size(), 0u);

    const CtlRun adopted = Ctl({"macro", "adopt", id});
    EXPECT_EQ(adopted.status, kExitOk) << adopted.err;
    EXPECT_EQ(adopted.out, "adopted macro \"m\"\n");
    // The unreadable list is kept beside the new one.
    EXPECT_NE(adopted.err.find("macro.config could not be read; it is kept as"), std::string::npos)
        << adopted.err;
    EXPECT_NE(Ctl({"macro", "show", "m"}).out.find("down A\nup A\n"), std::string::npos);

    const std::string other =
        Ctl({"--json", "macro", "list", "--all"}).Json()["orphans"][0]["id"].asString();
    EXPECT_EQ(Ctl({"macro", "remove", other}).status, kExitOk);
    EXPECT_FALSE(fs::exists(Device() / (other + ".mac")));
    ExpectRefused({"macro", "remove", id}, kExitError, {"no orphaned macro file"});
    ExpectRefused({"macro", "adopt", "../x"}, kExitError, {"no orphaned macro file"});
}

TEST_F(HostileFilesTest, AMacroFileThatIsNoMacroIsToldAndKeptBeforeAnEdit) {
    const fs::path file = Device() / (CMacroList(Device()).ReadList()[0].id + ".mac");
    ASSERT_EQ(Ctl({"--emulate", "button", "set", "forward", "macro", "m"}).status, kExitOk);
    Put(file, "[1, 2, 3]");
    const CtlRun list = Ctl({"macro", "list"});
    EXPECT_NE(list.out.find("its file not a usable macro file"), std::string::npos) << list.out;
    ExpectRefused({"macro", "show", "m"}, kExitError, {"not a usable macro file"});
    ExpectRefused({"--emulate", "upload"}, kExitError, {"cannot read the macro \"m\""});

    const CtlRun edit = Ctl({"macro", "edit", "m", Write("n.txt", "press b\n").string()});
    EXPECT_EQ(edit.status, kExitOk) << edit.err;
    EXPECT_NE(edit.err.find("it is kept as"), std::string::npos) << edit.err;
    bool kept = false;
    for (const auto& entry : fs::directory_iterator(Device()))
        kept = kept ||
               entry.path().filename().string().starts_with(file.filename().string() + ".broken-");
    EXPECT_TRUE(kept);
}

TEST_F(HostileFilesTest, ADataFolderThatIsNoFolderIsAnError) {
    const fs::path notAFolder = Write("plain", "x");
    const CtlRun run = Ctl({"--data-dir", notAFolder.string(), "profile", "list"});
    SetUserDataFolder({});
    EXPECT_EQ(run.status, kExitError);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("is not a folder"), std::string::npos) << run.err;
    EXPECT_EQ(fs::file_size(notAFolder), 1u);
}

// kestrunectl killed at random points of add, edit and set: every file reads, no temporary
// file older than the loop is left, and no profile is left outside the list.
TEST_F(HostileFilesTest, KilledWritersLeaveNothingThatLasts) {
    // One left by a writer killed long ago.
    const fs::path old = Device() / ".ProfileList.ini.kestrune-Old123";
    Put(old, "{");
    const timespec past[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, old.c_str(), past, 0), 0);
    const auto start = fs::file_time_type::clock::now();

    std::mt19937 random(20261211);
    const std::vector<std::vector<std::string>> commands = {
        {"profile", "add"},
        {"macro", "edit", "m", home.Root() / "m.txt"},
        {"--emulate", "dpi", "set", "2", "1600"},
        {"profile", "copy"},
    };
    constexpr int kKills = 24;
    for (int round = 0; round < kKills; ++round) {
        const auto& words = commands[random() % commands.size()];
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::vector<const char*> argv{KESTRUNECTL};
            for (const std::string& word : words)
                argv.push_back(word.c_str());
            argv.push_back(nullptr);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execv(KESTRUNECTL, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        // A random point of its run: spin, never sleep.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 40000);
        int status = 0;
        while (std::chrono::steady_clock::now() < until && ::waitpid(pid, &status, WNOHANG) == 0) {
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    // The next writer of the folder.
    ASSERT_EQ(Ctl({"profile", "add", "After"}).status, kExitOk);

    for (const auto& entry : fs::recursive_directory_iterator(home.Root())) {
        const std::string name = entry.path().filename().string();
        if (name.find(CJsonFile::kTempMarker) != std::string::npos && name[0] == '.') {
            EXPECT_GE(fs::last_write_time(entry.path()), start) << "left behind: " << name;
        }
        const std::string extension = entry.path().extension().string();
        if (extension == ".Json" || extension == ".mac" || name == "ProfileList.ini" ||
            name == "macro.config" || name == "emulator.json") {
            EXPECT_TRUE(ReadJson(entry.path()).isObject()) << "unreadable: " << entry.path();
        }
    }
    EXPECT_FALSE(fs::exists(old));
    const Json::Value listed = Ctl({"--json", "profile", "list", "--all"}).Json();
    EXPECT_EQ(listed["orphans"].size(), 0u) << listed;
    EXPECT_EQ(Ctl({"--emulate", "info"}).status, kExitOk);
}

}  // namespace
