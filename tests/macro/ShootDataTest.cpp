// SPDX-License-Identifier: GPL-2.0-or-later
// The recoil pattern files: one bullet's six events, the defaults, reset, import and export.
#include <gtest/gtest.h>

#include "macro/ShootData.h"
#include "profile/JsonFile.h"
#include "profile/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultData = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData";

class ShootDataTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(shoot.RestoreMissing(), kShootGuns); }
    std::vector<std::string> Files() const {
        std::vector<std::string> texts;
        for (int gun = 0; gun < kShootGuns; ++gun)
            texts.push_back(ReadFile(shoot.FilePath(gun)));
        return texts;
    }

    CTempFolder folder;
    CShootData shoot{folder / "mouse", kDefaultData};
};

}  // namespace

TEST_F(ShootDataTest, TheDefaultPatternsAreThirtyWellFormedBullets) {
    for (int gun = 0; gun < kShootGuns; ++gun) {
        SCOPED_TRACE(gun);
        const std::string text = CJsonFile::ReadText(kDefaultData / CShootData::FileName(gun));
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
            }
        }
        EXPECT_EQ(ReadFile(shoot.FilePath(gun)), text);
        const Json::Value document = CJsonFile::ParseDocument(text);
        ASSERT_EQ(document["Events"].size(), 180u);
        for (const Json::Value& event : document["Events"]) {
            EXPECT_TRUE(event["Delay"].isInt());
            EXPECT_TRUE(event["Button"].isInt());
        }
        const std::vector<MacroEvent> events = shoot.ReadEvents(gun);
        for (int b = 0; b < kShootBullets; ++b) {
            const ShootBullet bullet = ReadBullet(events, b);
            const std::vector<MacroEvent> expected = MakeBulletEvents(bullet);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), events.begin() + 6 * b))
                << "bullet " << b;
            EXPECT_GT(bullet.delay, 0);
        }
    }
}

TEST_F(ShootDataTest, WritingABulletChangesOnlyItsSixEvents) {
    const Json::Value before = ReadJson(shoot.FilePath(0));
    ASSERT_EQ(shoot.SetBullet(0, 3, {true, 12, false, 30, 95}), ShootResult::Done);
    const Json::Value after = ReadJson(shoot.FilePath(0));
    ASSERT_EQ(after["Events"].size(), before["Events"].size());
    for (Json::ArrayIndex i = 0; i < after["Events"].size(); ++i) {
        if (i < 18 || i > 23) {
            EXPECT_EQ(after["Events"][i], before["Events"][i]) << i;
        }
    }
    const Json::Value& e = after["Events"];
    auto is = [](const Json::Value& event, const char* action, int button, int delay, int type) {
        return event["Action"].asString() == action && event["Button"].asInt() == button &&
               event["Delay"].isInt() && event["Delay"].asInt() == delay &&
               event["Type"].asInt() == type;
    };
    EXPECT_TRUE(is(e[18], "down", 1, 10, 1));
    EXPECT_TRUE(is(e[19], "up", 1, 0, 1));
    EXPECT_TRUE(is(e[20], "down", 12, 5, 4));
    EXPECT_TRUE(is(e[21], "up", 30, 95, 5));
    EXPECT_TRUE(is(e[22], "down", 0, 0, 4));
    EXPECT_TRUE(is(e[23], "up", 0, 0, 5));
    EXPECT_EQ(shoot.GetBullet(0, 3), (ShootBullet{true, 12, false, 30, 95}));

    EXPECT_EQ(shoot.SetBullet(0, 30, {}), ShootResult::NoSuchBullet);
    EXPECT_EQ(shoot.SetBullet(4, 0, {}), ShootResult::NoSuchGun);
    EXPECT_FALSE(shoot.GetBullet(0, -1));
}

TEST_F(ShootDataTest, AShortPatternGrowsByWholeBullets) {
    WriteFile(shoot.FilePath(1), R"({"Events": [{"Action": "down", "Button": 1, "Type": 1}]})");
    ASSERT_EQ(shoot.SetBullet(1, 2, {false, 3, true, 4, 60}), ShootResult::Done);
    const std::vector<MacroEvent> events = shoot.ReadEvents(1);
    ASSERT_EQ(events.size(), 18u);
    EXPECT_EQ(events[0], MakeMacroEvent(MacroEventType::MouseButton, true, 1, 0));
    const std::vector<MacroEvent> zero = MakeBulletEvents({});
    EXPECT_TRUE(std::equal(zero.begin() + 1, zero.end(), events.begin() + 1));
    EXPECT_TRUE(std::equal(zero.begin(), zero.end(), events.begin() + 6));
    EXPECT_EQ(ReadBullet(events, 2), (ShootBullet{false, 3, true, 4, 60}));
}

TEST_F(ShootDataTest, LostPatternsComeBackFromTheDefaults) {
    fs::remove(shoot.FilePath(2));
    WriteFile(shoot.FilePath(1), "{ broken");
    ASSERT_EQ(shoot.SetBullet(3, 0, {false, 1, false, 1, 1}), ShootResult::Done);
    const std::string changed = ReadFile(shoot.FilePath(3));
    EXPECT_EQ(shoot.RestoreMissing(), 2);
    EXPECT_EQ(ReadFile(shoot.FilePath(1)), ReadFile(kDefaultData / "ShootData_1.Shoot"));
    EXPECT_EQ(ReadFile(shoot.FilePath(2)), ReadFile(kDefaultData / "ShootData_2.Shoot"));
    EXPECT_EQ(ReadFile(shoot.FilePath(3)), changed);

    // Without defaults nothing can be restored, and nothing is made up.
    CShootData bare(folder / "other", folder / "nowhere");
    EXPECT_EQ(bare.RestoreMissing(), 0);
    EXPECT_TRUE(bare.ReadEvents(0).empty());
}

TEST_F(ShootDataTest, ResetImportAndExportTouchOnlyTheirGun) {
    for (int gun = 0; gun < kShootGuns; ++gun)
        ASSERT_EQ(shoot.SetBullet(gun, 0, {true, 9, true, 9, 9}), ShootResult::Done);
    std::vector<std::string> before = Files();
    ASSERT_EQ(shoot.Reset(1), ShootResult::Done);
    std::vector<std::string> after = Files();
    EXPECT_EQ(after[1], ReadFile(kDefaultData / "ShootData_1.Shoot"));
    for (int gun : {0, 2, 3})
        EXPECT_EQ(after[static_cast<size_t>(gun)], before[static_cast<size_t>(gun)]);

    ASSERT_EQ(shoot.Export(0, folder / "mine.shoot"), ShootResult::Done);
    EXPECT_EQ(ReadFile(folder / "mine.shoot"), after[0]);
    ASSERT_EQ(shoot.Import(2, folder / "mine.shoot"), ShootResult::Done);
    EXPECT_EQ(ReadFile(shoot.FilePath(2)), after[0]);

    before = Files();
    WriteFile(folder / "junk.shoot", R"({"Events": 3})");
    EXPECT_EQ(shoot.Import(3, folder / "junk.shoot"), ShootResult::NotAShootFile);
    EXPECT_EQ(shoot.Import(3, folder / "missing.shoot"), ShootResult::Unreadable);
    EXPECT_EQ(Files(), before);
}

TEST_F(ShootDataTest, AnUnreadablePatternIsKeptBesideTheRepairedOne) {
    WriteFile(shoot.FilePath(2), "{\"Events\": [");
    std::vector<fs::path> heard;
    CJsonFile::SetBrokenFileListener(
        [&heard](const fs::path&, const fs::path& kept) { heard.push_back(kept); });
    EXPECT_FALSE(shoot.IsUsable(2));
    EXPECT_EQ(shoot.ReadDefaultEvents(2).size(), size_t{kShootBullets * kShootEventsPerBullet});
    EXPECT_EQ(ReadFile(shoot.FilePath(2)), "{\"Events\": [") << "a read wrote";
    ASSERT_EQ(shoot.SetBullet(2, 0, {false, 7, false, 9, 40}), ShootResult::Done);
    CJsonFile::SetBrokenFileListener(nullptr);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(ReadFile(heard[0]), "{\"Events\": [");
    EXPECT_TRUE(shoot.IsUsable(2));
    EXPECT_EQ(shoot.GetBullet(2, 0)->x, 7);
}
