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

TEST_F(PathsTest, UserDataFolderIsCreatedUnderXdgDataHome) {
    fs::path folder = GetUserDataFolder();
    EXPECT_EQ(folder, root / "data" / "Kestrune Q418-RGB");
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(PathsTest, DataDirOverrideWins) {
    SetUserDataFolder(root / "mine");
    EXPECT_EQ(GetUserDataFolder(), root / "mine");
    EXPECT_TRUE(fs::is_directory(root / "mine"));
}

TEST_F(PathsTest, RelativeXdgValueIsIgnored) {
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_DATA_HOME", "relative/path", 1);
    ::setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(GetUserDataFolder(), root / ".local/share/Kestrune Q418-RGB");
    ::setenv("HOME", home.c_str(), 1);
}

TEST_F(PathsTest, StateFolderIsCreated) {
    EXPECT_EQ(GetUserStateFolder(), root / "state" / "kestrune-q418");
    EXPECT_TRUE(fs::is_directory(root / "state" / "kestrune-q418"));
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
