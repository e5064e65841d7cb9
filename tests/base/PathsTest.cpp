// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/Paths.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;

class PathsTest : public testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kestrune-paths-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    }
    void TearDown() override {
        SetUserDataFolder({});
        fs::remove_all(root);
    }
    fs::path root;
};

// Each folder under its XDG variable, below the home folder when the variable is relative, the
// data folder wherever --data-dir says; each created on demand.
TEST_F(PathsTest, FoldersFollowTheirXdgVariablesAndAreCreated) {
    const char* saved = std::getenv("HOME");
    const std::string home = saved ? saved : "";
    ::setenv("HOME", root.c_str(), 1);
    const struct {
        const char* what;
        fs::path (*folder)();
        const char* variable;  // set to `value` first
        const char* value;
        fs::path dataDir;  // the override, if any
        fs::path expected;
    } cases[] = {
        {"data", GetUserDataFolder, nullptr, nullptr, {}, root / "data" / "Kestrune Q418-RGB"},
        {"data, --data-dir", GetUserDataFolder, nullptr, nullptr, root / "mine", root / "mine"},
        {"data, relative variable",
         GetUserDataFolder,
         "XDG_DATA_HOME",
         "relative/path",
         {},
         root / ".local/share/Kestrune Q418-RGB"},
        {"state", GetUserStateFolder, nullptr, nullptr, {}, root / "state" / "kestrune-q418"},
        {"state, relative variable",
         GetUserStateFolder,
         "XDG_STATE_HOME",
         "relative",
         {},
         root / ".local/state/kestrune-q418"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        if (c.variable)
            ::setenv(c.variable, c.value, 1);
        EXPECT_EQ(SetUserDataFolder(c.dataDir), fs::path()) << "the last case's override stayed";
        EXPECT_EQ(c.folder(), c.expected);
        EXPECT_TRUE(fs::is_directory(c.expected));
        // Given back as the one replaced, for a caller that puts the old one back.
        EXPECT_EQ(SetUserDataFolder({}), c.dataDir);
    }
    if (saved)
        ::setenv("HOME", home.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST_F(PathsTest, WithoutHomeTheUserDatabaseNamesIt) {
    const char* saved = std::getenv("HOME");
    const std::string home = saved ? saved : "";
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative"}) {
        SCOPED_TRACE(value ? value : "unset");
        if (value)
            ::setenv("HOME", value, 1);
        else
            ::unsetenv("HOME");
        EXPECT_EQ(GetHomeFolder(), fs::path(entry->pw_dir));
    }
    if (saved)
        ::setenv("HOME", home.c_str(), 1);
}
