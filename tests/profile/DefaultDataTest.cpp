// SPDX-License-Identifier: GPL-2.0-or-later
// The shipped default data: every file loads, and the mouse's default profile is complete.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "profile/Hs6533Profiledata.h"
#include "profile/JsonFile.h"
#include "profile/KeyboardProfiledata.h"
#include "profile/MouseProfiledata.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDefaultData = fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData";

// The buttons' factory codes, in key-list order.
const KeyCode kFactoryCodes[] = {{0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00},
                                 {0x10, 0x10, 0x00}, {0x10, 0x08, 0x00}, {0x13, 0x01, 0x00},
                                 {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00}, {0xA0, 0x1B, 0x00},
                                 {0x16, 0x90, 0x01}, {0x14, 0x78, 0x02}};

}  // namespace

TEST(DefaultDataTest, EveryFileIsJsonWithCrLfLineEnds) {
    for (const char* name : {"mouse.Json", "keyboard.Json", "MousePad.Json", "HD.Json",
                             "default_light.json", "color_option_info.config"}) {
        const std::string text = CJsonFile::ReadText(kDefaultData / name);
        ASSERT_FALSE(text.empty()) << name;
        EXPECT_TRUE(CJsonFile::ParseDocument(text).isObject()) << name;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << name << " at " << i;
            }
        }
    }
}

TEST(DefaultDataTest, MouseDefaultIsComplete) {
    const fs::path path = kDefaultData / "mouse.Json";
    const Json::Value document = CJsonFile::ReadDocument(path);
    EXPECT_TRUE(document["profilename"].isString());
    EXPECT_TRUE(document["profileUUID"].isString());

    CMouseProfiledata mouse;
    mouse.SetDefaultPath(path);
    const Json::Value section = mouse.LoadSection(path);
    ASSERT_TRUE(section.isObject());

    const std::vector<KeyListEntry> keys = mouse.GetKeyList();
    ASSERT_EQ(keys.size(), std::size(kFactoryCodes));
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].current.code, kFactoryCodes[i]) << "button " << i;
        EXPECT_EQ(keys[i].factory.code, kFactoryCodes[i]) << "button " << i;
    }

    const std::vector<DpiStage> stages = mouse.GetDpiStages();
    ASSERT_EQ(stages.size(), kMaxDpiStages);
    EXPECT_LT(mouse.GetActiveDpiStage(), 7);
    for (size_t i = 0; i < stages.size(); ++i) {
        EXPECT_EQ(stages[i].enabled, 1) << i;
        EXPECT_GT(stages[i].x, 0) << i;
        EXPECT_EQ(stages[i].x, stages[i].y) << i;
        if (i > 0) {
            EXPECT_GT(stages[i].x, stages[i - 1].x) << "stages rise";
        }
        EXPECT_GT(stages[i].red + stages[i].green + stages[i].blue, 0) << i;
    }

    const LightInfo light = mouse.GetLightInfo();
    EXPECT_LT(light.effect, 12);
    EXPECT_LE(light.brightness, 4);
    EXPECT_LE(light.speed, 4);
    EXPECT_EQ(section["LightInfo"].size(), 11u);

    // Every settings member is there, as an integer.
    const char* systemMembers[] = {"DoubleClickTime", "MouseSpeed", "PointerPrecision",
                                   "ScorllPage", "WheelScorlllinse"};
    const char* reportMembers[] = {"StageActive",   "SilentAltitude", "Linear_Calibration",
                                   "Ripple",        "ble_sleep1",     "ble_sleep2",
                                   "device_sleep1", "device_sleep2",  "key_debounce_time"};
    for (const char* member : systemMembers)
        EXPECT_TRUE(section["SystemStages"][member].isInt()) << member;
    for (const char* member : reportMembers)
        EXPECT_TRUE(section["ReportStages"][member].isInt()) << member;
    EXPECT_LE(mouse.GetMouseSettings()[MouseSettings::kReportRate], 3);
    EXPECT_TRUE(section["LightList"].isArray());
}

TEST(DefaultDataTest, OtherFamiliesLoad) {
    CKeyboardProfiledata keyboard;
    keyboard.LoadSection(kDefaultData / "keyboard.Json");
    EXPECT_TRUE(keyboard.GetSection()["LightInfo"].isObject());
    EXPECT_TRUE(keyboard.GetSection()["AudioLightInfo"].isObject());
    EXPECT_TRUE(keyboard.GetSection()["SystemStages"].isObject());
    EXPECT_TRUE(keyboard.GetSection()["CustomLightMode"].isObject());

    CBasicProfiledata pad;
    pad.LoadSection(kDefaultData / "MousePad.Json");
    EXPECT_TRUE(pad.GetSection()["LightInfo"].isObject());

    CHs6533Profiledata headset;
    headset.LoadSection(kDefaultData / "HD.Json");
    EXPECT_TRUE(headset.GetSection()["SystemSetStages"].isObject());
    EXPECT_EQ(headset.GetEqValues(0).size(), 10u);
}

TEST(DefaultDataTest, DefaultLightNamesCoverTheMouseEffects) {
    const Json::Value document = CJsonFile::ReadDocument(kDefaultData / "default_light.json");
    const Json::Value& names = document["DefaultLightName"];
    const Json::Value& areas = document["AreaLightName"];
    ASSERT_EQ(names.size(), 4u) << "one element per kind number 0 to 3";
    ASSERT_EQ(areas.size(), 4u);

    const Json::Value& mouse = names[1];  // the mouse's kind number
    ASSERT_EQ(mouse.size(), 12u);
    for (Json::ArrayIndex i = 0; i < mouse.size(); ++i) {
        EXPECT_EQ(mouse[i]["value"], static_cast<int>(i));
        EXPECT_FALSE(mouse[i]["LightName"].asString().empty()) << i;
        EXPECT_TRUE(mouse[i]["visible"].isBool()) << i;
    }
    for (Json::ArrayIndex kind = 0; kind < names.size(); ++kind) {
        EXPECT_GT(names[kind].size(), 0u) << kind;
        EXPECT_GT(areas[kind].size(), 0u) << kind;
        for (const Json::Value& area : areas[kind])
            EXPECT_TRUE(area["LightName"].isString());
    }
}
