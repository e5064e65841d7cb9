// SPDX-License-Identifier: GPL-2.0-or-later
// The profile file checks beside the reader and the list: a mended file passes, an interrupted
// add leaves its file or nothing, and a temporary file a writer still holds is not removed.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include "TempFolder.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"
#include "profile/MouseProfiledata.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefault = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData" / "mouse.Json";

TEST(FileCheckTest, TheDefaultProfileIsCleanAndAMendedOnePassesTheCheck) {
    Json::Value defaults = CJsonFile::ReadDocument(kDefault);
    ASSERT_TRUE(defaults.isObject());
    EXPECT_TRUE(CheckProfileDocument(defaults, false).empty());

    Json::Value hostile =
        CJsonFile::ReadDocument(fs::path(KESTRUNE_SOURCE_FIXTURES_DIR) / "files" / "hostile.Json");
    ASSERT_TRUE(hostile.isObject());
    const Json::Value before = hostile;
    const std::vector<FileProblem> found = CheckProfileDocument(hostile, false);
    EXPECT_EQ(hostile, before) << "checking alone changes nothing";
    EXPECT_GE(found.size(), 9u) << ProblemsText(found);
    CheckProfileDocument(hostile, true);
    EXPECT_TRUE(CheckProfileDocument(hostile, false).empty());
    const Json::Value& stage = hostile["Device"][0]["DPIStages"]["StageDPIs"][0];
    EXPECT_EQ(stage["StageDPIX"].asInt(), 65535);  // clamped
    EXPECT_EQ(stage["StageActive"].asInt(), 1);
    EXPECT_EQ(hostile["Device"][0]["LightInfo"]["Light"].asInt(), 0);  // defaulted
    EXPECT_EQ(hostile["Device"][0]["ReportStages"]["key_debounce_time"].asInt(), 65535);
}

TEST(FileCheckTest, AReadProfileIsMendedInMemoryWithOneWarningAndNothingWritten) {
    CTempFolder folder;
    Json::Value document = CJsonFile::ReadDocument(kDefault);
    document["Device"][0]["DPIStages"]["StageDPIs"][1]["StageDPIY"] = 99999;
    const fs::path file = folder / "p.Json";
    ASSERT_TRUE(CJsonFile::WriteDocument(file, document));
    const std::string bytes = CJsonFile::ReadText(file);
    std::vector<std::string> warnings;
    SetFileWarningListener([&](const fs::path&, const std::vector<FileProblem>& problems) {
        warnings.push_back(ProblemsText(problems));
    });
    CMouseProfiledata profile;
    profile.SetDefaultPath(kDefault);
    profile.LoadSection(file);
    SetFileWarningListener(nullptr);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "Device[0].DPIStages.StageDPIs[1].StageDPIY is 99999; it must be a whole number "
              "from 0 to 65535");
    EXPECT_EQ(profile.GetDpiStages().at(1).y, 65535);
    EXPECT_EQ(CJsonFile::ReadText(file), bytes);
}

TEST(FileCheckTest, AnInterruptedAddLeavesBothOrNeither) {
    CTempFolder folder;
    CProfileList list;
    list.SetFolders(folder.Path(), kDefault);
    ASSERT_EQ(list.LoadList(), ProfileResult::Done);
    // Killed after the profile file, before the list: the file is no orphan, and the next
    // change removes it.
    const std::string id = "2020_01_01_00_00_00_000";
    ASSERT_TRUE(CJsonFile::WriteDocument(list.ProfilePath(id), CJsonFile::ReadDocument(kDefault)));
    ASSERT_TRUE(CJsonFile::WriteText(folder / CProfileList::kPendingAddFileName, id + "\n"));
    EXPECT_TRUE(list.ListOrphans().empty());
    ASSERT_EQ(list.AddProfile("Named"), ProfileResult::Done);
    EXPECT_FALSE(fs::exists(list.ProfilePath(id)));
    EXPECT_FALSE(fs::exists(folder / CProfileList::kPendingAddFileName));
    EXPECT_EQ(list.GetEntries().back().name, "Named");
    EXPECT_TRUE(list.ListOrphans().empty());

    // Killed after the list: the profile stays, only the marker goes.
    const std::string listed = list.GetEntries().back().id;
    ASSERT_TRUE(CJsonFile::WriteText(folder / CProfileList::kPendingAddFileName, listed + "\n"));
    ASSERT_EQ(list.RenameProfile(0, "First"), ProfileResult::Done);
    EXPECT_TRUE(fs::exists(list.ProfilePath(listed)));
    EXPECT_FALSE(fs::exists(folder / CProfileList::kPendingAddFileName));
}

TEST(FileCheckTest, ATemporaryFileAWriterHoldsIsNotRemoved) {
    CTempFolder folder;
    const fs::path held = folder / ".a.Json.kestrune-Held01";
    const fs::path dead = folder / ".b.Json.kestrune-Dead01";
    for (const fs::path& path : {held, dead})
        WriteFile(path, "{");
    const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    for (const fs::path& path : {held, dead})
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    // The next write in the folder cleans up what no writer holds.
    ASSERT_TRUE(CJsonFile::WriteText(folder / "c.Json", "{}"));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_FALSE(fs::exists(dead));
    ::close(fd);
    EXPECT_EQ(CJsonFile::RemoveStaleTemporaries(folder.Path()), 1);
}

}  // namespace
