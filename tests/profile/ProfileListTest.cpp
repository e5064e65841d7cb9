// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/ProfileList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>

#include "TempFolder.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

const char* kDefaultDocument =
    R"({"profilename":"Default","profileUUID":"Default","Device":[{"LightInfo":{"Light":4}}]})";

class ProfileListTest : public testing::Test {
  protected:
    void SetUp() override {
        device = folder / "mouse";
        defaults = folder / "mouse.Json";
        WriteFile(defaults, kDefaultDocument);
    }

    // A list file with these profiles (identifiers id0, id1, ...), each with its profile file.
    void MakeList(const std::vector<std::string>& names, int select = 0) {
        fs::create_directories(device);
        Json::Value list;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string id = "id" + std::to_string(i);
            Json::Value element;
            element["profilename"] = names[i];
            element["profileUUID"] = id;
            element["profileislink"] = 0;
            element["profilelinkmame"] = "";
            list["profilelist"].append(element);
            Json::Value profile;
            profile["profilename"] = names[i];
            profile["profileUUID"] = id;
            profile["Device"][0]["LightInfo"]["Light"] = static_cast<int>(i);
            ASSERT_TRUE(CJsonFile::WriteDocument(device / (id + ".Json"), profile));
        }
        list["profileselect"] = select;
        ASSERT_TRUE(CJsonFile::WriteDocument(device / "ProfileList.ini", list));
    }

    CProfileList& Load() {
        profiles.SetKind(2);
        profiles.SetFolders(device, defaults);
        EXPECT_EQ(profiles.LoadList(), ProfileResult::Done);
        return profiles;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const ProfileEntry& entry : profiles.GetEntries())
            names.push_back(entry.name);
        return names;
    }
    Json::Value ListFile() const { return ReadJson(device / "ProfileList.ini"); }
    Json::Value ProfileFile(int index) const {
        return ReadJson(profiles.ProfilePath(profiles.GetEntries().at(index).id));
    }

    CTempFolder folder;
    fs::path device, defaults;
    CProfileList profiles;
};

}  // namespace

TEST_F(ProfileListTest, FirstStartMakesProfile1FromTheDefault) {
    Load();
    ASSERT_EQ(Names(), std::vector<std::string>{"Profile1"});
    const std::string id = profiles.GetCurrentProfileId();
    // "2021_03_07_14_05_09_042": the digits of each field, joined by "_".
    std::string shape = id;
    for (char& c : shape)
        c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : c;
    EXPECT_EQ(shape, "9999_99_99_99_99_99_999") << id;
    EXPECT_EQ(profiles.GetSelection(), 0);

    Json::Value list = ListFile();
    EXPECT_EQ(list["profileselect"], 0);
    ASSERT_EQ(list["profilelist"].size(), 1u);
    EXPECT_EQ(list["profilelist"][0],
              ParseJson(R"({"profilename":"Profile1","profileUUID":")" + id +
                        R"(","profileislink":0,"profilelinkmame":""})"));

    Json::Value expected = ParseJson(kDefaultDocument);
    expected["profilename"] = "Profile1";
    expected["profileUUID"] = id;
    EXPECT_EQ(ReadJson(device / (id + ".Json")), expected);
}

TEST_F(ProfileListTest, UnusableListsStartAfreshAndKeepOldProfileFiles) {
    const char* lists[] = {
        "not json",
        R"({"profilelist":[]})",
        R"({"profilelist":"x"})",
        R"([1])",
        R"({"profilelist":[{"profilename":"Evil","profileUUID":"../../victim"}]})",
    };
    for (const char* text : lists) {
        MakeList({"Old"});
        WriteFile(device / "ProfileList.ini", text);
        CProfileList fresh;
        fresh.SetFolders(device, defaults);
        EXPECT_EQ(fresh.LoadList(), ProfileResult::Done);
        ASSERT_EQ(fresh.GetCount(), 1) << text;
        EXPECT_EQ(fresh.GetEntries()[0].name, "Profile1") << text;
        EXPECT_TRUE(fs::exists(device / "id0.Json")) << text;
    }
}

TEST_F(ProfileListTest, ProfileSelectOutOfRangeFallsBackToTheFirst) {
    for (const char* select : {"2", "99", "-1", "\"1\"", "null", "4294967297"}) {
        MakeList({"A", "B", "C"});
        Json::Value list = ReadJson(device / "ProfileList.ini");
        list["profileselect"] = ParseJson(std::string("[") + select + "]")[0];
        CJsonFile::WriteDocument(device / "ProfileList.ini", list);
        Load();
        const int expected = std::string(select) == "2" ? 2 : 0;
        EXPECT_EQ(profiles.GetSelection(), expected) << select;
        // Reading writes nothing back.
        EXPECT_EQ(ListFile()["profileselect"], list["profileselect"]) << select;
    }
}

TEST_F(ProfileListTest, HostileIdentifiersAreDropped) {
    fs::create_directories(device);
    WriteFile(folder / "victim.Json", "precious");
    WriteFile(device / "ProfileList.ini", R"({"profileselect":1,"profilelist":[
        {"profilename":"Up","profileUUID":"../victim"},
        {"profilename":"Good","profileUUID":"good"},
        {"profilename":"Abs","profileUUID":"/tmp/victim"},
        {"profilename":"Sub","profileUUID":"a/b"},
        {"profilename":"Number","profileUUID":5},
        {"profilename":"Twin","profileUUID":"good"},
        {"profilename":7,"profileUUID":"unnamed"},
        "junk"]})");
    Load();
    ASSERT_EQ(profiles.GetCount(), 2);
    EXPECT_EQ(profiles.GetEntries()[0].id, "good");
    EXPECT_EQ(profiles.GetEntries()[1].name, "") << "a name of the wrong type reads as empty";
    EXPECT_EQ(profiles.GetSelection(), 1);

    EXPECT_EQ(profiles.GetProfileCount(), 2);
    EXPECT_EQ(profiles.GetProfileFilePath(0), device / "good.Json");
    EXPECT_EQ(profiles.GetProfileFilePath(2), fs::path());

    EXPECT_EQ(profiles.DeleteProfile(0), ProfileResult::Done);
    EXPECT_EQ(ReadFile(folder / "victim.Json"), "precious");
}

TEST_F(ProfileListTest, AddedNamesCountUpIgnoringCase) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"Profile1", "profile2"}, "profile3"},
        {{"PROFILE1"}, "profile2"},
        {{"Game"}, "Profile1"},
        {{"profile1", "Profile3", "PROFILE2"}, "profile4"},
    };
    for (const auto& [existing, added] : cases) {
        MakeList(existing);
        Load();
        ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
        EXPECT_EQ(Names().back(), added);
    }
}

TEST_F(ProfileListTest, AddKeepsTheCurrentProfileButSelectsTheNewOneForTheNextStart) {
    MakeList({"A", "B"}, 1);
    Load();
    ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
    EXPECT_EQ(profiles.GetSelection(), 1);
    EXPECT_EQ(profiles.GetCurrentProfileId(), "id1");
    EXPECT_EQ(ListFile()["profileselect"], 2);

    Json::Value made = ProfileFile(2);
    EXPECT_EQ(made["profilename"], "Profile1");
    EXPECT_EQ(made["Device"], ParseJson(kDefaultDocument)["Device"]);

    CProfileList restarted;
    restarted.SetFolders(device, defaults);
    restarted.LoadList();
    EXPECT_EQ(restarted.GetSelection(), 2);
}

TEST_F(ProfileListTest, CopyAppendsCopySuffixesAndCopiesTheSettings) {
    MakeList({"Game", "Other"});
    Load();
    ASSERT_EQ(profiles.CopyProfile(0), ProfileResult::Done);
    ASSERT_EQ(profiles.CopyProfile(0), ProfileResult::Done);
    ASSERT_EQ(profiles.CopyProfile(1), ProfileResult::Done);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Game", "Other", "Game copy", "Game copy copy",
                                                 "Other copy"}));
    Json::Value copy = ProfileFile(3);
    EXPECT_EQ(copy["profilename"], "Game copy copy");
    EXPECT_EQ(copy["profileUUID"], profiles.GetEntries()[3].id);
    EXPECT_EQ(copy["Device"], ProfileFile(0)["Device"]);
    EXPECT_EQ(ListFile()["profileselect"], 0) << "copying does not change the next start";
    EXPECT_EQ(profiles.CopyProfile(9), ProfileResult::NoSuchProfile);
}

TEST_F(ProfileListTest, ImportTakesTheFileTitleWithNumberedSuffixes) {
    MakeList({"Game"});
    Load();
    fs::path file = folder / "Game.json";
    WriteFile(file, R"({"profilename":"Stored name","profileUUID":"../../x",
                        "Device":[{"LightInfo":{"Light":3}}]})");
    ASSERT_EQ(profiles.ImportProfile(file), ProfileResult::Done);
    ASSERT_EQ(profiles.ImportProfile(file), ProfileResult::Done);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Game", "Game(1)", "Game(1)(2)"}));
    Json::Value imported = ProfileFile(2);
    EXPECT_EQ(imported["profilename"], "Game(1)(2)");
    EXPECT_EQ(imported["profileUUID"], profiles.GetEntries()[2].id);
    EXPECT_EQ(imported["Device"][0]["LightInfo"]["Light"], 3);

    const char* notProfiles[] = {
        "not json",
        "[1]",
        R"({"profilename":"x"})",
        R"({"profileUUID":"x"})",
        R"({"profilename":null,"profileUUID":"x"})",
    };
    for (const char* text : notProfiles) {
        WriteFile(file, text);
        EXPECT_EQ(profiles.ImportProfile(file), ProfileResult::NotAProfile) << text;
    }
    EXPECT_EQ(profiles.ImportProfile(folder / "missing.json"), ProfileResult::NotAProfile);
    EXPECT_EQ(profiles.GetCount(), 3);
}

TEST_F(ProfileListTest, RenameRules) {
    struct Case {
        std::string name;
        ProfileResult result;
    };
    const Case cases[] = {
        {"game", ProfileResult::Done},  // a change of letter case only
        {"   ", ProfileResult::NameBlank},
        {"", ProfileResult::NameBlank},
        {"\t\xE3\x80\x80", ProfileResult::NameBlank},  // ideographic space
        {"OTHER", ProfileResult::NameTaken},
        {"\xC3\x84rger", ProfileResult::NameTaken},  // "Ärger" against "ärger"
        {" Spaced ", ProfileResult::Done},
    };
    for (const Case& c : cases) {
        MakeList({"Game", "Other", "\xC3\xA4rger"});
        Load();
        EXPECT_EQ(profiles.RenameProfile(0, c.name), c.result) << c.name;
        const std::string expected = c.result == ProfileResult::Done ? c.name : "Game";
        EXPECT_EQ(Names()[0], expected) << c.name;
        EXPECT_EQ(ListFile()["profilelist"][0]["profilename"], expected) << c.name;
        EXPECT_EQ(ProfileFile(0)["profilename"], expected) << c.name;
        EXPECT_EQ(ProfileFile(0)["Device"][0]["LightInfo"]["Light"], 0) << c.name;
    }
    EXPECT_EQ(profiles.RenameProfile(7, "x"), ProfileResult::NoSuchProfile);
    // Bytes that are not UTF-8 are stored as they will read back.
    EXPECT_EQ(profiles.RenameProfile(1, "Caf\xE9"), ProfileResult::Done);
    EXPECT_EQ(Names()[1], "Caf\xEF\xBF\xBD");
}

TEST_F(ProfileListTest, DeletingMovesTheSelectionToTheNeighbour) {
    struct Case {
        int selected, deleted;
        int selection;  // afterwards
        std::string current;
    };
    const Case cases[] = {
        {2, 2, 1, "id1"},  // the third of five, selected
        {0, 0, 0, "id1"}, {4, 4, 3, "id3"},
        {3, 1, 2, "id3"},  // another profile: the current one stays
        {1, 3, 1, "id1"},
    };
    for (const Case& c : cases) {
        MakeList({"A", "B", "C", "D", "E"}, c.selected);
        Load();
        const std::string id = profiles.GetEntries()[c.deleted].id;
        ASSERT_EQ(profiles.DeleteProfile(c.deleted), ProfileResult::Done);
        EXPECT_EQ(profiles.GetCount(), 4);
        EXPECT_FALSE(fs::exists(device / (id + ".Json")));
        EXPECT_EQ(profiles.GetSelection(), c.selection) << c.deleted;
        EXPECT_EQ(profiles.GetCurrentProfileId(), c.current) << c.deleted;
        EXPECT_EQ(ListFile()["profileselect"], c.selection) << c.deleted;
        EXPECT_EQ(ListFile()["profilelist"].size(), 4u);
    }
    MakeList({"Only"});
    Load();
    EXPECT_EQ(profiles.DeleteProfile(0), ProfileResult::LastProfile);
    EXPECT_TRUE(fs::exists(device / "id0.Json"));
}

TEST_F(ProfileListTest, FiftyProfilesRefuseOnlyWhatAddsOne) {
    MakeList({"Game"});
    Load();
    while (profiles.GetCount() < CProfileList::kMaxProfiles)
        ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
    // Made within a few milliseconds, yet each has its own file.
    EXPECT_EQ(CountFiles(device), 51u);

    fs::path file = folder / "Import.json";
    WriteFile(file, R"({"profilename":"x","profileUUID":"y"})");
    EXPECT_EQ(profiles.AddProfile(), ProfileResult::LimitReached);
    EXPECT_EQ(profiles.CopyProfile(0), ProfileResult::LimitReached);
    EXPECT_EQ(profiles.ImportProfile(file), ProfileResult::LimitReached);
    EXPECT_EQ(profiles.GetCount(), 50);

    EXPECT_EQ(profiles.RenameProfile(0, "Renamed"), ProfileResult::Done);
    EXPECT_EQ(profiles.ExportProfile(0, folder / "out.json"), ProfileResult::Done);
    EXPECT_EQ(profiles.ResetProfile(0), ProfileResult::Done);
    EXPECT_EQ(profiles.DeleteProfile(0), ProfileResult::Done);
    EXPECT_EQ(profiles.AddProfile(), ProfileResult::Done);
}

TEST_F(ProfileListTest, ResetKeepsNameAndIdentifierAndTheHeadsetsEqualisers) {
    MakeList({"Game"});
    Json::Value profile = ReadJson(device / "id0.Json");
    profile["Device"][0]["CustomEQNameInfo"][0]["Name"] = "Mine";
    profile["Device"][0]["CustomEQHzValueInfo"][0][0]["value"] = 5;
    CJsonFile::WriteDocument(device / "id0.Json", profile);

    for (int kind : {2, 7}) {
        CJsonFile::WriteDocument(device / "id0.Json", profile);
        Load();
        profiles.SetKind(kind);
        ASSERT_EQ(profiles.ResetProfile(0), ProfileResult::Done);
        Json::Value reset = ReadJson(device / "id0.Json");
        EXPECT_EQ(reset["profilename"], "Game");
        EXPECT_EQ(reset["profileUUID"], "id0");
        EXPECT_EQ(reset["Device"][0]["LightInfo"]["Light"], 4) << "the default's settings";
        EXPECT_EQ(reset["Device"][0].isMember("CustomEQNameInfo"), kind == 7);
        if (kind == 7) {
            EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"],
                      profile["Device"][0]["CustomEQNameInfo"]);
            EXPECT_EQ(reset["Device"][0]["CustomEQHzValueInfo"],
                      profile["Device"][0]["CustomEQHzValueInfo"]);
        }
    }

    // Without a default document a reset profile holds only its names.
    fs::remove(defaults);
    ASSERT_EQ(profiles.ResetProfile(0), ProfileResult::Done);
    profiles.SetKind(2);
    ASSERT_EQ(profiles.ResetProfile(0), ProfileResult::Done);
    EXPECT_EQ(ReadJson(device / "id0.Json"),
              ParseJson(R"({"profilename":"Game","profileUUID":"id0"})"));
}

TEST_F(ProfileListTest, ExportWritesTheProfileUnchanged) {
    MakeList({"Game"});
    Load();
    fs::path out = folder / "Game export.json";
    ASSERT_EQ(profiles.ExportProfile(0, out), ProfileResult::Done);
    EXPECT_EQ(ReadJson(out), ReadJson(device / "id0.Json"));

    fs::remove(out);
    WriteFile(device / "id0.Json", "corrupt");
    EXPECT_EQ(profiles.ExportProfile(0, out), ProfileResult::Unreadable);
    EXPECT_FALSE(fs::exists(out)) << "nothing, not a file holding null";
    EXPECT_EQ(profiles.ExportProfile(0, folder.Path()), ProfileResult::Unreadable);
    CJsonFile::WriteDocument(device / "id0.Json", ParseJson(R"({"profilename":"Game"})"));
    EXPECT_EQ(profiles.ExportProfile(0, folder.Path()), ProfileResult::WriteFailed);
}

TEST_F(ProfileListTest, EveryChangeRereadsTheListFile) {
    MakeList({"A", "B"});
    Load();
    // Another program adds a profile meanwhile.
    Json::Value list = ListFile();
    list["profilelist"][2] = ParseJson(R"({"profilename":"External","profileUUID":"ext"})");
    list["custom"] = "kept";
    CJsonFile::WriteDocument(device / "ProfileList.ini", list);

    ASSERT_EQ(profiles.AddProfile(), ProfileResult::Done);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "External", "Profile1"}));
    EXPECT_EQ(ListFile()["profilelist"].size(), 4u);
    EXPECT_EQ(ListFile()["custom"], "kept");

    // A list file that has gone is written again from what we know.
    fs::remove(device / "ProfileList.ini");
    ASSERT_EQ(profiles.RenameProfile(0, "A2"), ProfileResult::Done);
    EXPECT_EQ(ListFile()["profilelist"].size(), 4u);
    EXPECT_EQ(ListFile()["profilelist"][0]["profilename"], "A2");
}

TEST_F(ProfileListTest, FailedWritesLeaveListAndFolderUnchanged) {
    MakeList({"Game", "Other"});
    Load();
    const std::string listBefore = ReadFile(device / "ProfileList.ini");
    const size_t filesBefore = CountFiles(device);

    struct Step {
        const char* what;
        std::function<ProfileResult()> run;
    };
    WriteFile(folder / "In.json", R"({"profilename":"x","profileUUID":"y"})");
    const Step steps[] = {
        {"add", [&] { return profiles.AddProfile(); }},
        {"copy", [&] { return profiles.CopyProfile(0); }},
        {"import", [&] { return profiles.ImportProfile(folder / "In.json"); }},
        {"delete", [&] { return profiles.DeleteProfile(1); }},
        {"rename", [&] { return profiles.RenameProfile(1, "New"); }},
    };
    for (size_t limit : {0u, 40u, 100u}) {
        for (const Step& step : steps) {
            CJsonFile::SetWriteLimitForTesting(limit);
            EXPECT_EQ(step.run(), ProfileResult::WriteFailed) << step.what << " " << limit;
            CJsonFile::SetWriteLimitForTesting(std::nullopt);
            EXPECT_EQ(ReadFile(device / "ProfileList.ini"), listBefore) << step.what;
            EXPECT_EQ(CountFiles(device), filesBefore) << step.what;
            EXPECT_EQ(Names(), (std::vector<std::string>{"Game", "Other"})) << step.what;
        }
    }

    // Selecting still switches the device; only the next start does not learn of it.
    CJsonFile::SetWriteLimitForTesting(0);
    EXPECT_EQ(profiles.SelectProfile(1), ProfileResult::WriteFailed);
    CJsonFile::SetWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(profiles.GetCurrentProfileId(), "id1");
    EXPECT_EQ(ReadFile(device / "ProfileList.ini"), listBefore);
}

TEST_F(ProfileListTest, UnwritableFolderStillGivesAUsableList) {
    WriteFile(device, "a file where the folder should be");
    profiles.SetFolders(device, defaults);
    EXPECT_EQ(profiles.LoadList(), ProfileResult::WriteFailed);
    EXPECT_EQ(profiles.GetCount(), 1);
    EXPECT_EQ(profiles.GetSelection(), 0);
}

TEST_F(ProfileListTest, ChangesAreAnnouncedAndTabsFollowTheKind) {
    int changes = 0;
    profiles.SetChangeListener([&] { ++changes; });
    MakeList({"A", "B"});
    Load();
    EXPECT_EQ(changes, 1);
    profiles.SelectProfile(1);
    profiles.AddProfile();
    EXPECT_EQ(changes, 3);
    profiles.AddProfile();
    EXPECT_EQ(profiles.RenameProfile(0, "B"), ProfileResult::NameTaken);
    EXPECT_EQ(changes, 4);

    EXPECT_TRUE(CProfileList::TabVisibility(2).empty());
    const auto headset = CProfileList::TabVisibility(7);
    EXPECT_EQ(headset.size(), 7u);
    EXPECT_EQ(std::count(headset.begin(), headset.end(),
                         std::pair<std::string, bool>{"magic_Op_tab", true}),
              1);
    profiles.SelectTab(9);
    EXPECT_EQ(CProfileList::TabNames()[profiles.GetSelectedTab() - 1], "otherset_Op_tab");
    profiles.SelectTab(10);
    EXPECT_EQ(profiles.GetSelectedTab(), 0);
}
