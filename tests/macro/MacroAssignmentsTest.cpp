// SPDX-License-Identifier: GPL-2.0-or-later
// Deleting a macro keeps every profile's buttons pointing at the macros they meant.
#include <gtest/gtest.h>

#include <map>

#include "keys/KeyCodes.h"
#include "macro/MacroAssignments.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"
#include "profile/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultDocument = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData" / "mouse.Json";
const KeyCode kRightButton = {0x10, 0x02, 0x00};
const KeyCode kBackButton = {0x10, 0x08, 0x00};

class MacroAssignmentsTest : public testing::Test {
  protected:
    void SetUp() override {
        profiles.SetFolders(folder / "mouse", kDefaultDocument);
        ASSERT_EQ(profiles.LoadList(), ProfileResult::Done);
        ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
        ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
        files = DeviceProfileFiles(profiles);
        ASSERT_EQ(files.size(), 3u);
    }
    static void Assign(const fs::path& file, const std::map<int, KeyCode>& codes) {
        Json::Value document = CJsonFile::ReadDocument(file);
        for (const auto& [button, code] : codes)
            document["Device"][0]["KeyList"][button]["Assignment"] =
                static_cast<Json::Int64>(PackKeyCode(code));
        ASSERT_TRUE(CJsonFile::WriteDocument(file, document));
    }
    static KeyCode Code(const fs::path& file, size_t button) {
        return ReadProfileKeyList(file).at(button).current.code;
    }

    CTempFolder folder;
    CProfileList profiles;
    std::vector<fs::path> files;
};

}  // namespace

TEST_F(MacroAssignmentsTest, DeletingAMacroFixesEveryProfile) {
    // Macro 1 of 3 goes.
    Assign(files[0],
           {{0, MakeMacroCode(0, 2)}, {1, MakeMacroCode(1, 0)}, {4, MakeMacroCode(2, 3)}});
    Assign(files[1], {{4, MakeMacroRepeatCode(2, 9)}, {1, MakeMacroRepeatCode(1, 5)}});
    const std::string untouched = ReadFile(files[2]);
    EXPECT_EQ(CountMacroAssignments(ReadProfileKeyList(files[0]), 1), 1);

    const MacroDeletionFix fix = FixProfilesForDeletedMacro(files, 1);
    EXPECT_FALSE(fix.writeFailed);
    EXPECT_EQ(fix.changedAssignments, 4);
    EXPECT_EQ(fix.changedFiles, (std::vector<fs::path>{files[0], files[1]}));

    EXPECT_EQ(Code(files[0], 0), MakeMacroCode(0, 2));  // before the deleted one: kept
    EXPECT_EQ(Code(files[0], 1), kRightButton);         // the deleted one: factory function
    EXPECT_EQ(Code(files[0], 4), MakeMacroCode(1, 3));  // after it: one down, mode kept
    EXPECT_EQ(Code(files[1], 4), MakeMacroRepeatCode(1, 9));
    EXPECT_EQ(Code(files[1], 1), kRightButton);
    EXPECT_EQ(ReadFile(files[2]), untouched);
    // Everything else in the profile stays.
    const Json::Value document = CJsonFile::ReadDocument(files[0]);
    EXPECT_EQ(document["Device"][0]["KeyList"][1]["DefaultAssignment"].asInt64(),
              PackKeyCode(kRightButton));
    EXPECT_TRUE(document["Device"][0]["DPIStages"].isObject());
}

TEST_F(MacroAssignmentsTest, TheProfileAPageHoldsIsLeftToThePage) {
    Assign(files[0], {{4, MakeMacroCode(3, 0)}});
    Assign(files[1], {{4, MakeMacroCode(3, 0)}});
    const std::string held = ReadFile(files[0]);
    const MacroDeletionFix fix = FixProfilesForDeletedMacro(files, 0, files[0]);
    EXPECT_EQ(fix.changedFiles, std::vector<fs::path>{files[1]});
    EXPECT_EQ(ReadFile(files[0]), held);

    std::vector<KeyListEntry> keys = ReadProfileKeyList(files[0]);
    EXPECT_EQ(FixKeyListForDeletedMacro(keys, 0), 1);
    EXPECT_EQ(keys[4].current.code, MakeMacroCode(2, 0));
    EXPECT_EQ(keys[4].factory.code, kBackButton);
}

TEST_F(MacroAssignmentsTest, AFailedWriteLeavesEveryProfileAsItWas) {
    Assign(files[0], {{1, MakeMacroCode(0, 0)}});
    Assign(files[1], {{1, MakeMacroCode(0, 0)}});
    // The second file is the bigger one, so a write limit between the two lets the first through.
    Json::Value document = CJsonFile::ReadDocument(files[1]);
    document["Padding"] = std::string(4000, 'p');
    ASSERT_TRUE(CJsonFile::WriteDocument(files[1], document));
    const std::string first = ReadFile(files[0]), second = ReadFile(files[1]);

    CJsonFile::SetWriteLimitForTesting(first.size() + 200);
    const MacroDeletionFix fix = FixProfilesForDeletedMacro(files, 0);
    CJsonFile::SetWriteLimitForTesting(std::nullopt);

    EXPECT_TRUE(fix.writeFailed);
    EXPECT_EQ(fix.failedFile, files[1]);
    EXPECT_EQ(ReadFile(files[0]), first);
    EXPECT_EQ(ReadFile(files[1]), second);

    // And a fix that the caller takes back (the macro could not be deleted after all).
    const MacroDeletionFix done = FixProfilesForDeletedMacro(files, 0);
    ASSERT_EQ(done.changedFiles.size(), 2u);
    UndoMacroDeletionFix(done);
    EXPECT_EQ(ReadFile(files[0]), first);
    EXPECT_EQ(ReadFile(files[1]), second);
}
