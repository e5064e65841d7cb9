// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "cli/LightCommands.h"

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunCli(std::vector<std::string> words, const char* dataDir = KESTRUNE_SOURCE_DATA_DIR) {
    // A fresh user folder: the selected profile is the first-start copy of the default one.
    const std::filesystem::path userFolder =
        std::filesystem::temp_directory_path() / ("kestrune-light-" + std::to_string(getpid()));
    std::filesystem::remove_all(userFolder);
    SetUserDataFolder(userFolder);
    setenv("KESTRUNE_DATA_DIR", dataDir, 1);
    CLI::App app;
    CCliVerbs verbs;
    AddLightCommands(app, verbs);
    std::reverse(words.begin(), words.end());
    app.parse(words);
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CliSession session(out, err, in, false);
    const int status = verbs.Chosen()->run(session);
    unsetenv("KESTRUNE_DATA_DIR");
    SetUserDataFolder({});
    std::filesystem::remove_all(userFolder);
    return {status, out.str(), err.str()};
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

}  // namespace

TEST(LightCommands, PreviewDrawsTheLedsInTrueColour) {
    const Result result = RunCli(
        {"light", "preview", "0", "--effect", "0", "--brightness", "4", "--colour", "ff8000"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Count(result.out, "\x1b[38;2;255;128;0m"), 15u);
}

TEST(LightCommands, PreviewPlaysTheSelectedProfile) {
    const Result result = RunCli({"light", "preview", "0"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("effect ", 0), 0u) << result.out;
    EXPECT_EQ(Count(result.out, "\x1b[38;2;"), 15u);
}

TEST(LightCommands, Refusals) {
    // No default profile and nothing on the command line: nothing to play.
    EXPECT_EQ(RunCli({"light", "preview", "0"}, "/nonexistent").status, 1);
    const Result colour = RunCli({"light", "preview", "0", "--colour", "12345g"});
    EXPECT_EQ(colour.status, 2);
    EXPECT_NE(colour.err.find("RRGGBB"), std::string::npos);
}
