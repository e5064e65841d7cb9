// SPDX-License-Identifier: GPL-2.0-or-later
// The colour dialog's file: what it holds reads back, an unreadable file gives way to the
// default one without being lost, and each save changes only its own part of the file.
#include <gtest/gtest.h>

#include <fstream>

#include "lighting/ui/ColorOptionFile.h"
#include "profile/JsonFile.h"
#include "tests/support/TempHome.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultData = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData";

class ColorOptionFileTest : public testing::Test {
  protected:
    void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<fs::path> Kept() {
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(user))
            if (entry.path().filename().string().starts_with("color_option_info.config.broken"))
                kept.push_back(entry.path());
        return kept;
    }
    // Options with every slot present, two of them holding colours.
    static ColourOptions Sample() {
        ColourOptions options;
        for (size_t i = 0; i < kColourOptionCount; ++i) {
            options.presets[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x0A0B0C);
            options.collected[i] = CollectedColour{0xFFFFFFFF, "0"};
        }
        options.collected[2] = CollectedColour{0x80C8000A, "1"};
        options.collected[19] = CollectedColour{0xFF00FF00, "1"};
        options.presetSelected = 7;
        options.collectedSelected = 19;
        return options;
    }

    CTempHome home;
    fs::path user = home.Root() / "user";
    fs::path defaults = home.Root() / "defaults";
    CColorOptionFile file{user, defaults};
};

}  // namespace

TEST(ColourText, EightUpperCaseDigitsAndBackInBase16) {
    EXPECT_EQ(ColourText(0xFFFF0000), "FFFF0000");
    EXPECT_EQ(ColourText(0x0000000A), "0000000A");
    const struct {
        const char* text;
        uint32_t colour;
    } cases[] = {{"FFFF0000", 0xFFFF0000},
                 {"ffc8000a", 0xFFC8000A},
                 {" 0A ", 0x0A},
                 {"0xFF00FF00", 0xFF00FF00},
                 {"", 0},
                 {"red", 0},
                 {"FFFF00001", 0},
                 {"FF-00000", 0},
                 {"#FF0000", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ColourFromText(c.text), c.colour) << c.text;
}

TEST_F(ColorOptionFileTest, PresetsSelectionsAndCollectedColoursReadBack) {
    const ColourOptions saved = Sample();
    ASSERT_TRUE(file.SavePresets(saved));
    ASSERT_TRUE(file.SaveCollected(saved, 2));
    ASSERT_TRUE(file.SaveCollected(saved, 19));
    EXPECT_EQ(file.Load(), saved);

    const Json::Value info = CJsonFile::ReadDocument(file.Path())["coloroptioninfo"];
    EXPECT_EQ(info["palletDialogcoloroption"][1]["color"].asString(), "FF0A0B0C");
    EXPECT_EQ(info["palletDialogcoloroption_selectitem"].asInt(), 7);
    EXPECT_EQ(info["palletDialogcollectcoloroption"][2]["color"].asString(), "80C8000A");
    EXPECT_EQ(info["palletDialogcollectcoloroption"][2]["UserData"].asString(), "1");
    EXPECT_EQ(info["palletDialogcollectcoloroption"][3]["UserData"].asString(), "0");
    EXPECT_EQ(info["palletDialogcollectcoloroption_selectitem"].asInt(), 19);
    EXPECT_TRUE(Kept().empty());
}

TEST_F(ColorOptionFileTest, ACorruptFileIsKeptAsideAndTheDefaultTakesItsPlace) {
    fs::create_directories(defaults);
    fs::copy_file(kDefaultData / CColorOptionFile::kFileName, file.DefaultPath());
    Write(file.Path(), "{\"coloroptioninfo\": {\"palletDialogcoloroption\": [");

    const std::optional<ColourOptions> loaded = file.Load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, ColourOptionsFromDocument(CJsonFile::ReadDocument(file.DefaultPath())));
    EXPECT_EQ(CJsonFile::ReadDocument(file.Path()), CJsonFile::ReadDocument(file.DefaultPath()));
    const std::vector<fs::path> kept = Kept();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(CJsonFile::ReadText(kept[0]),
              "{\"coloroptioninfo\": {\"palletDialogcoloroption\": [");
}

TEST_F(ColorOptionFileTest, WithoutAnyFileNothingLoadsAndASaveWritesTheWholeFile) {
    // JSON, but not a colour file: kept aside only when a new file replaces it.
    Write(file.Path(), "[1, 2]");
    EXPECT_EQ(file.Load(), std::nullopt);
    EXPECT_TRUE(Kept().empty());

    const ColourOptions shown = Sample();
    ASSERT_TRUE(file.SavePresets(shown));
    EXPECT_EQ(file.Load(), shown);
    EXPECT_EQ(Kept().size(), 1u);
}

TEST_F(ColorOptionFileTest, ASaveKeepsWhatAnotherProgramSavedMeanwhile) {
    ColourOptions ours = Sample();
    ASSERT_TRUE(file.SavePresets(ours));
    ASSERT_TRUE(file.SaveCollected(ours, 2));
    // Another program fills slot 5 and adds a member of its own.
    Json::Value document = CJsonFile::ReadDocument(file.Path());
    document["coloroptioninfo"]["palletDialogcollectcoloroption"][5]["color"] = "FF123456";
    document["coloroptioninfo"]["palletDialogcollectcoloroption"][5]["UserData"] = "1";
    document["other"] = 42;
    ASSERT_TRUE(CJsonFile::WriteDocument(file.Path(), document));

    ours.collected[2] = CollectedColour{0xFFABCDEF, "1"};
    ours.presetSelected = 3;
    ASSERT_TRUE(file.SaveCollected(ours, 2));
    ASSERT_TRUE(file.SavePresets(ours));
    // An empty slot of ours never overwrites a filled one in the file.
    ASSERT_TRUE(file.SaveCollected(ours, 5));

    const std::optional<ColourOptions> loaded = file.Load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->collected[2], (CollectedColour{0xFFABCDEF, "1"}));
    EXPECT_EQ(loaded->collected[5], (CollectedColour{0xFF123456, "1"}));
    EXPECT_EQ(loaded->presetSelected, 3);
    EXPECT_EQ(CJsonFile::ReadDocument(file.Path())["other"].asInt(), 42);
}
