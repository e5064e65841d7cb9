// SPDX-License-Identifier: GPL-2.0-or-later
// The lock between programs: taken and given back, its errors, and where the mouse's lock lives.
#include "base/ProcessLock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/Paths.h"

namespace fs = std::filesystem;

namespace {

class ProcessLockTest : public testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("kestrune-lock-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "runtime");
        if (const char* value = std::getenv("XDG_RUNTIME_DIR"))
            runtime = value;
        ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    }
    void TearDown() override {
        if (runtime)
            ::setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("XDG_STATE_HOME");
        fs::remove_all(root);
    }

    fs::path root;
    std::optional<std::string> runtime;
};

}  // namespace

TEST_F(ProcessLockTest, OneHolderAtATime) {
    CProcessLock first(root / "a.lock"), second(root / "a.lock");
    ASSERT_TRUE(first.Acquire(std::chrono::milliseconds(0)));
    std::string error = "unset";
    EXPECT_FALSE(second.Acquire(std::chrono::milliseconds(20), &error));
    EXPECT_EQ(error, "") << "a held lock is no error";
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_TRUE(second.Acquire(std::chrono::milliseconds(0)));
    EXPECT_TRUE(second.Wait()) << "already held";
}

// A lock file that cannot be opened is an error that names the file, for both ways of taking
// the lock, and nothing is held.
TEST_F(ProcessLockTest, AnUnopenableLockFileIsAnErrorThatNamesIt) {
    fs::create_directories(root / "folder.lock");
    const struct {
        const char* what;
        fs::path file;
        const char* reason;
    } cases[] = {
        {"a folder in its place", root / "folder.lock", "Is a directory"},
        {"no such folder", root / "missing" / "a.lock", "No such file or directory"},
        {"a link in its place", root / "link.lock", "Too many levels of symbolic links"},
    };
    fs::create_symlink(root / "elsewhere", root / "link.lock");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CProcessLock lock(c.file);
        std::string error;
        EXPECT_FALSE(lock.Acquire(std::chrono::milliseconds(0), &error));
        EXPECT_EQ(error, "cannot open " + c.file.string() + ": " + c.reason);
        error.clear();
        EXPECT_FALSE(lock.Wait(&error));
        EXPECT_EQ(error, "cannot open " + c.file.string() + ": " + c.reason);
        EXPECT_FALSE(lock.Held());
    }
    EXPECT_FALSE(fs::exists(root / "elsewhere")) << "the link was followed";
}

// The mouse's lock is in the runtime folder when there is one, else in the state folder, the
// same for every program.
TEST_F(ProcessLockTest, TheMouseLockWithoutAUsableRuntimeFolderIsInTheStateFolder) {
    const fs::path inState = GetUserStateFolder() / "kestrune-q418-mouse.lock";
    const struct {
        const char* what;
        std::optional<std::string> value;
        fs::path expected;
    } cases[] = {
        {"a runtime folder", (root / "runtime").string(),
         root / "runtime" / "kestrune-q418-mouse.lock"},
        {"unset", std::nullopt, inState},
        {"empty", "", inState},
        {"relative", "runtime", inState},
        {"not there", (root / "gone").string(), inState},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.value)
            ::setenv("XDG_RUNTIME_DIR", c.value->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(MouseLockFile("mouse"), c.expected);
        CProcessLock lock(MouseLockFile("mouse"));
        EXPECT_TRUE(lock.Acquire(std::chrono::milliseconds(0)));
    }
}
