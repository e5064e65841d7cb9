// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl end to end on the simulated mouse, in process.
#include "cli/Cli.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Paths.h"
#include "base/Version.h"
#include "support/CliRun.h"
#include "support/ScriptedHid.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

class CliTest : public testing::Test {
  protected:
    CtlRun Ctl(std::vector<std::string> args) { return RunCtl(std::move(args), environment); }

    CTempHome home;
    const fs::path& root = home.Root();
    CliEnvironment environment = TestCliEnvironment();
};

TEST_F(CliTest, ListShowsTheSupportedInterfacesOfCableAndReceiver) {
    CtlRun run = Ctl({"--emulate=both", "--json", "list"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    Json::Value rows = run.Json();
    ASSERT_EQ(rows.size(), 4u);
    int configuration = 0, receiver = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(row["vendorId"].asString(), "0x320F");
        EXPECT_EQ(row["version"].asString(), "1.05");
        if (row["role"].asString() == "configuration") {
            ++configuration;
            EXPECT_EQ(row["interface"].asInt(), 1);
            EXPECT_EQ(row["collection"].asInt(), 2);
            EXPECT_EQ(row["usagePage"].asString(), "0xFF1C");
        } else {
            EXPECT_EQ(row["interface"].asInt(), 0);
            EXPECT_EQ(row["collection"].asInt(), 3);
            EXPECT_EQ(row["usagePage"].asString(), "0x000C");
        }
        if (row["connection"].asString() == "receiver")
            ++receiver;
    }
    EXPECT_EQ(configuration, 2);
    EXPECT_EQ(receiver, 2);

    CtlRun text = Ctl({"--emulate", "list"});
    EXPECT_NE(text.out.find("emulated/cable-if1#vid_320f&pid_226e&mi_01&col02"), std::string::npos)
        << text.out;
}

TEST_F(CliTest, InfoDecodesTheInformationBlockByCableAndReceiver) {
    ASSERT_EQ(Ctl({"--emulate", "emulator", "set", "sensor", "0x3104"}).status, kExitOk);
    ASSERT_EQ(Ctl({"--emulate", "emulator", "set", "slider-positions", "90"}).status, kExitOk);
    for (const char* mode : {"--emulate=cable", "--emulate=receiver", "--emulate=both"}) {
        SCOPED_TRACE(mode);
        CtlRun run = Ctl({mode, "--json", "info"});
        ASSERT_EQ(run.status, kExitOk) << run.err;
        Json::Value info = run.Json();
        EXPECT_EQ(info["sensor"].asString(), "0x3104");
        EXPECT_EQ(info["sliderPositions"].asInt(), 90);
        EXPECT_EQ(info["dpiMin"].asInt(), 228);
        EXPECT_EQ(info["dpiMax"].asInt(), 5928);  // position 89
        EXPECT_EQ(info["firmwareVersion"].asString(), "1.05");
        EXPECT_EQ(info["informationBlock"].asString().size(), 68u);
        // Both plugged: the cable wins.
        EXPECT_EQ(info["connection"].asString(),
                  std::string(mode) == "--emulate=receiver" ? "receiver" : "cable");
    }
}

// What `info` says of a mouse out of reach, with old firmware, or missing: each from a fresh
// simulated mouse changed by the setting commands first.
TEST_F(CliTest, InfoNamesWhatStandsInTheWay) {
    const struct {
        const char* what;
        std::vector<std::vector<std::string>> settings;
        std::vector<std::string> command;
        int status;
        const char* printed;  // in the error output, or in the output when done
    } cases[] = {
        {"link down",
         {{"link", "off"}},
         {"--emulate=receiver", "info"},
         kExitLinkDown,
         "cannot reach the mouse"},
        {"link back",
         {{"link", "off"}, {"link", "on"}},
         {"--emulate=receiver", "info"},
         kExitOk,
         "receiver"},
        {"old firmware",
         {{"firmware", "0x0104"}},
         {"--emulate", "info"},
         kExitOk,
         "1.04  (older than 1.05"},
        {"no mouse", {}, {"info"}, kExitNoDevice, "--emulate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root / "state");
        for (const std::vector<std::string>& setting : c.settings) {
            std::vector<std::string> words = {"--emulate", "emulator", "set"};
            words.insert(words.end(), setting.begin(), setting.end());
            ASSERT_EQ(Ctl(words).status, kExitOk);
        }
        const CtlRun run = Ctl(c.command);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::string& printed = c.status == kExitOk ? run.out : run.err;
        EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;

        // The same as JSON: the status inside it as well.
        std::vector<std::string> json = c.command;
        json.insert(json.begin(), "--json");
        const CtlRun asJson = Ctl(json);
        EXPECT_EQ(asJson.status, c.status);
        if (c.status != kExitOk)
            EXPECT_EQ(asJson.Json()["exitStatus"].asInt(), c.status);
        else
            EXPECT_TRUE(asJson.Json().isObject());
    }
}

TEST_F(CliTest, PermissionDeniedSaysHowToFixIt) {
    auto backend = std::make_shared<CScriptedBackend>();
    backend->Deny("/dev/hidraw7#vid_320f&pid_226e&mi_01&col02", EACCES);
    environment.extraBackend = backend;
    CtlRun run = Ctl({"info"});
    EXPECT_EQ(run.status, kExitPermission);
    EXPECT_NE(run.err.find("permission denied on /dev/hidraw7"), std::string::npos) << run.err;
    // Both ways in: the package, or the printed rule by hand and udev told of it.
    EXPECT_NE(run.err.find("package"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("kestrunectl --print-udev-rules | sudo tee "
                           "/etc/udev/rules.d/70-kestrune-q418.rules"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("sudo udevadm control --reload && sudo udevadm trigger"),
              std::string::npos)
        << run.err;
}

// Installed anywhere (a package unpacked, another prefix), the program reads the data beside
// its bin/ folder, not the build tree's or the configured prefix's.
TEST_F(CliTest, AnInstalledProgramFindsItsDataBesideItsBinFolder) {
    const fs::path prefix = root / "prefix";
    fs::create_directories(prefix / "bin");
    // Its data folder without the default profile: the debug line naming the profile it could
    // not read tells where it looked.
    fs::create_directories(prefix / "share" / "kestrune-q418" / "DefaultData");
    fs::copy_file(KESTRUNECTL, prefix / "bin" / "kestrunectl");
    const std::string command = "env -u KESTRUNE_DATA_DIR -u KESTRUNE_SKIN_DIR '" +
                                (prefix / "bin" / "kestrunectl").string() +
                                "' --verbose profile list 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_NE(
        output.find((prefix / "share" / "kestrune-q418" / "DefaultData" / "mouse.Json").string()),
        std::string::npos)
        << output;
}

// The printed rule is the shipped file, and it opens the mouse's and the receiver's hidraw
// nodes to the seat's user and nothing else.
TEST_F(CliTest, PrintedUdevRuleIsTheShippedOneAndNarrow) {
    CtlRun run = Ctl({"--print-udev-rules"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    std::ifstream file(fs::path(KESTRUNE_SOURCE_DATA_DIR) / "udev" / "70-kestrune-q418.rules");
    std::stringstream shipped;
    shipped << file.rdbuf();
    ASSERT_FALSE(shipped.str().empty());
    EXPECT_EQ(run.out, shipped.str());

    std::vector<std::string> rules;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            rules.push_back(line);
    EXPECT_EQ(rules,
              (std::vector<std::string>{
                  R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="226e", )"
                  R"(TAG+="uaccess")",
                  R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="226f", )"
                  R"(TAG+="uaccess")"}));
}

TEST_F(CliTest, SilentMouseIsReportedAsNotAnswering) {
    auto backend = std::make_shared<CScriptedBackend>();
    backend->Add("/dev/hidraw7#vid_320f&pid_226e&mi_01&col02", MouseConfigProps());
    environment.extraBackend = backend;
    CtlRun run = Ctl({"info"});
    EXPECT_EQ(run.status, kExitNoAnswer);
    EXPECT_NE(run.err.find("did not answer"), std::string::npos) << run.err;
}

TEST_F(CliTest, EmulatorCommands) {
    CtlRun set = Ctl({"--emulate", "emulator", "set", "battery", "42"});
    ASSERT_EQ(set.status, kExitOk) << set.err;
    CtlRun dump = Ctl({"--emulate", "--json", "emulator", "dump"});
    ASSERT_EQ(dump.status, kExitOk) << dump.err;
    EXPECT_TRUE(dump.Json().isObject());
    EXPECT_NE(Ctl({"--emulate", "emulator", "dump"}).out.find("rotocol"), std::string::npos);

    CtlRun bad = Ctl({"--emulate", "emulator", "set", "colour-of-the-sky", "blue"});
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_FALSE(bad.err.empty());
    EXPECT_EQ(Ctl({"emulator", "dump"}).status, kExitUsage);  // needs --emulate
    EXPECT_EQ(Ctl({"--emulate=wifi", "info"}).status, kExitUsage);
}

TEST_F(CliTest, HelpAndVersion) {
    CtlRun help = Ctl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--emulate"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    CtlRun version = Ctl({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kestrunectl " + std::string(ApplicationVersion()) + "\n");
    EXPECT_EQ(Ctl({}).status, kExitUsage);
    EXPECT_NE(Ctl({"frobnicate"}).status, 0);
}

}  // namespace

namespace {

// The file-only commands are reachable through the tool itself; --data-dir holds for that run
// alone.
TEST_F(CliTest, ProfileAndLightCommandsNeedNoDevice) {
    ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1);
    const fs::path usual = GetUserDataFolder();
    CtlRun profiles = Ctl({"--data-dir", (root / "user").string(), "profile", "list"});
    EXPECT_EQ(profiles.status, kExitOk) << profiles.err;
    EXPECT_NE(profiles.out.find("Profile1"), std::string::npos) << profiles.out;
    EXPECT_TRUE(fs::exists(root / "user" / "mouse" / "ProfileList.ini"));
    EXPECT_EQ(GetUserDataFolder(), usual);
    CtlRun preview = Ctl({"--data-dir", (root / "user").string(), "light", "preview", "0"});
    EXPECT_EQ(preview.status, kExitOk) << preview.err;
    EXPECT_NE(preview.out.find("\x1b[38;2;"), std::string::npos) << preview.out;
    EXPECT_EQ(GetUserDataFolder(), usual);
    // A run that ends in an error puts it back too.
    EXPECT_NE(Ctl({"--data-dir", (root / "user").string(), "profile", "select", "nobody"}).status,
              kExitOk);
    EXPECT_EQ(GetUserDataFolder(), usual);
    EXPECT_FALSE(fs::exists(usual / "mouse"));
    ::unsetenv("KESTRUNE_DATA_DIR");
}

}  // namespace
