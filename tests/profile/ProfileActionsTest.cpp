// SPDX-License-Identifier: GPL-2.0-or-later
// The profile workflows both front ends run, on a private data folder.
#include "profile/ProfileActions.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "TempFolder.h"
#include "base/Paths.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

class ProfileActionsTest : public testing::Test {
  protected:
    void SetUp() override {
        SetUserDataFolder(folder / "data");
        ::setenv("KESTRUNE_DATA_DIR", KESTRUNE_SOURCE_DATA_DIR, 1);
        // Three profiles, the first one current.
        Load(list);
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(list.AddProfile(), ProfileResult::Done);
        ASSERT_EQ(list.SelectProfile(0), ProfileResult::Done);
    }
    void TearDown() override {
        SetUserDataFolder({});
        ::unsetenv("KESTRUNE_DATA_DIR");
    }

    static void Load(CProfileList& profiles) {
        ASSERT_EQ(LoadDeviceProfileList(profiles, 2, "mouse"), ProfileResult::Done);
    }
    // The list as the next start reads it.
    static CProfileList Reloaded() {
        CProfileList profiles;
        Load(profiles);
        return profiles;
    }
    static size_t ProfileFiles() {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(GetDeviceDataFolder("mouse")))
            count += entry.path().extension() == CProfileList::kProfileExtension ? 1 : 0;
        return count;
    }

    CTempFolder folder;
    CProfileList list;
};

}  // namespace

TEST_F(ProfileActionsTest, TheDeviceListLivesWhereBothProgramsLook) {
    EXPECT_EQ(list.GetListFilePath(), folder / "data" / "mouse" / CProfileList::kListFileName);
    // Made from the program's default profile.
    EXPECT_TRUE(ReadJson(list.ProfilePath(list.GetCurrentProfileId())).isMember("Device"));
}

TEST_F(ProfileActionsTest, AddedProfileIsCurrentNowAndAtTheNextStart) {
    const ProfileAddition added = AddAndSelectProfile(list, "Long range");
    ASSERT_EQ(added.result, ProfileResult::Done);
    EXPECT_EQ(added.index, 3);
    EXPECT_EQ(list.GetSelection(), 3);
    EXPECT_EQ(list.GetEntries()[3].name, "Long range");
    const CProfileList next = Reloaded();
    EXPECT_EQ(next.GetSelection(), 3);
    EXPECT_EQ(next.GetEntries()[3].name, "Long range");

    EXPECT_EQ(AddAndSelectProfile(list, "").result, ProfileResult::Done);
    EXPECT_EQ(list.GetEntries().back().name, "profile4");
}

TEST_F(ProfileActionsTest, AFailedAddLeavesTheListAsItWas) {
    const std::string current = list.GetCurrentProfileId();
    // Another program names a profile "Aim" after this one read the list: the name is only
    // found taken once the new profile exists.
    CProfileList other;
    Load(other);
    ASSERT_EQ(other.AddProfile(), ProfileResult::Done);
    ASSERT_EQ(other.RenameProfile(3, "Aim"), ProfileResult::Done);
    ASSERT_EQ(list.FindByName("Aim"), -1);

    const struct {
        const char* name;
        ProfileResult result;
    } cases[] = {
        {"aim", ProfileResult::NameTaken},
        {"  ", ProfileResult::NameBlank},
        {"AIM", ProfileResult::NameTaken},  // now known taken: refused up front
    };
    const std::string listFile = CJsonFile::ReadText(list.GetListFilePath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AddAndSelectProfile(list, c.name).result, c.result);
        EXPECT_EQ(list.GetCount(), 4);
        EXPECT_EQ(list.GetCurrentProfileId(), current);
        EXPECT_EQ(ProfileFiles(), 4u);
        // Refused before anything is written.
        EXPECT_EQ(CJsonFile::ReadText(list.GetListFilePath()), listFile);
        EXPECT_EQ(Reloaded().GetCount(), 4);
    }
}
