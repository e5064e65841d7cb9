// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "profile/Hs6533Profiledata.h"
#include "profile/JsonFile.h"
#include "profile/KeyboardProfiledata.h"
#include "profile/MouseProfiledata.h"

namespace fs = std::filesystem;

namespace {

// A small default document: enough members to tell a repair from the file's own section.
const char* kDefaultDocument = R"({
   "profilename" : "Default", "profileUUID" : "Default",
   "Device" : [ {
      "LightInfo" : { "SelectItem" : 3, "Light" : 4, "Speed" : 2, "MultiColor" : 1,
                      "Red" : 255, "Green" : 0, "Blue" : 0, "Fx" : 1 },
      "KeyList" : [ { "Assignment" : 1048832, "DefaultAssignment" : 1048832 } ],
      "DPIStages" : { "StageActive" : 1, "StageDPIs" : [ { "StageActive" : 1, "StageDPIX" : 7 } ] }
   } ]
})";

class ProfiledataTest : public testing::Test {
  protected:
    void SetUp() override {
        defaults = folder / "mouse.Json";
        WriteFile(defaults, kDefaultDocument);
        profile = folder / "2021_03_07_14_05_09_042.Json";
        mouse.SetDefaultPath(defaults);
        mouse.SetProfilePath(profile);
    }
    Json::Value DefaultSection() { return ReadJson(defaults)["Device"][0]; }

    CTempFolder folder;
    fs::path defaults, profile;
    CMouseProfiledata mouse;
};

}  // namespace

TEST_F(ProfiledataTest, LoadRepairsAMissingOrUnusableSectionFromTheDefault) {
    struct Case {
        const char* what;
        const char* file;  // nullptr: no file
        bool namesKept;
    };
    const Case cases[] = {
        {"no file", nullptr, false},
        {"not JSON", "{ nope", false},
        {"names, no Device", R"({"profilename":"Game","profileUUID":"2021_1","extra":[1]})", true},
        {"Device not an array", R"({"profilename":"Game","profileUUID":"2021_1","Device":"x"})",
         true},
        {"section null", R"({"profilename":"Game","profileUUID":"2021_1","Device":[null]})", true},
        {"section a number", R"({"profilename":"Game","profileUUID":"2021_1","Device":[5]})", true},
        {"document an array", R"([1, 2])", false},
    };
    for (const Case& c : cases) {
        fs::remove(profile);
        if (c.file)
            WriteFile(profile, c.file);
        EXPECT_EQ(mouse.LoadSection(profile), DefaultSection()) << c.what;
        EXPECT_FALSE(mouse.RepairWriteFailed()) << c.what;
        Json::Value written = ReadJson(profile);
        EXPECT_EQ(written["Device"][0], DefaultSection()) << c.what;
        if (c.namesKept) {
            EXPECT_EQ(written["profilename"], "Game") << c.what;
            EXPECT_EQ(written["profileUUID"], "2021_1") << c.what;
        } else {
            EXPECT_EQ(written.getMemberNames(), std::vector<std::string>{"Device"}) << c.what;
        }
    }
    // The file's own section is taken as it is, and the file is not rewritten.
    WriteFile(profile, R"({"Device":[{"LightInfo":{"Light":2}}]})");
    EXPECT_EQ(mouse.LoadSection(profile)["LightInfo"]["Light"], 2);
    EXPECT_EQ(ReadFile(profile), R"({"Device":[{"LightInfo":{"Light":2}}]})");
}

TEST_F(ProfiledataTest, WithoutDefaultOrProfileEverythingReadsAsZero) {
    fs::remove(defaults);
    EXPECT_TRUE(mouse.LoadSection(profile).isNull());
    EXPECT_EQ(ReadJson(profile), ParseJson(R"({"Device":[null]})"));
    EXPECT_EQ(mouse.GetLightInfo(), LightInfo{});
    EXPECT_TRUE(mouse.GetKeyList().empty());
    EXPECT_EQ(mouse.GetMouseSettings(), MouseSettings{});
    EXPECT_TRUE(mouse.GetLightList().empty());
    EXPECT_TRUE(mouse.GetDpiStages().empty());

    // Loading the default document itself never writes it.
    EXPECT_TRUE(mouse.LoadSection(defaults).isNull());
    EXPECT_FALSE(fs::exists(defaults));
}

TEST_F(ProfiledataTest, FailedRepairAndSaveAreReported) {
    WriteFile(folder / "plain", "x");
    fs::path unwritable = folder / "plain" / "p.Json";
    EXPECT_EQ(mouse.LoadSection(unwritable), DefaultSection());
    EXPECT_TRUE(mouse.RepairWriteFailed());

    mouse.LoadSection(profile);
    const std::string before = ReadFile(profile);
    mouse.SetActiveDpiStage(5);
    CJsonFile::SetWriteLimitForTesting(20);
    EXPECT_FALSE(mouse.Save());
    CJsonFile::SetWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(ReadFile(profile), before);
    EXPECT_TRUE(mouse.Save());
    EXPECT_EQ(ReadJson(profile)["Device"][0]["DPIStages"]["StageActive"], 5);
}

TEST_F(ProfiledataTest, SaveKeepsEveryOtherMemberOfTheFile) {
    WriteFile(profile, R"({"profilename":"Game","profileUUID":"x","Vendor":{"a":[1,2]},
                          "Device":[{"LightInfo":{"Light":1}}, {"other device":1}]})");
    mouse.LoadSection(profile);
    LightInfo light = mouse.GetLightInfo();
    light.brightness = 3;
    mouse.SetLightInfo(light);
    ASSERT_TRUE(mouse.Save());
    Json::Value saved = ReadJson(profile);
    EXPECT_EQ(saved["profilename"], "Game");
    EXPECT_EQ(saved["Vendor"], ParseJson(R"({"a":[1,2]})"));
    EXPECT_EQ(saved["Device"][1], ParseJson(R"({"other device":1})"));
    EXPECT_EQ(saved["Device"][0]["LightInfo"]["Light"], 3);
}

TEST_F(ProfiledataTest, LightInfoReadsBytesAndFlagsAndWritesElevenMembers) {
    WriteFile(profile, R"({"Device":[{"LightInfo":{"SelectItem":12,"Light":300,"Speed":-1,
        "MultiColor":5,"Red":"12","Green":7.0,"Blue":null,"Fx":true,"ZZCCLedMode":2,
        "CustomGroup":3,"OldLedmode":4}}]})");
    mouse.LoadSection(profile);
    LightInfo light = mouse.GetLightInfo();
    EXPECT_EQ(light.effect, 12);
    EXPECT_EQ(light.brightness, 255);  // 300 is out of range: the nearest byte
    EXPECT_EQ(light.speed, 0);
    EXPECT_EQ(light.multiColor, 1);
    EXPECT_EQ(light.red, 0) << "a string reads as absent";
    EXPECT_EQ(light.green, 7);
    EXPECT_EQ(light.blue, 0);
    EXPECT_EQ(light.direction, 0) << "a boolean is not an integer";
    EXPECT_EQ(light.ledMode, 2);
    EXPECT_EQ(light.customGroup, 3);
    EXPECT_EQ(light.savedEffect, 4);

    light.unused = {9, 9, 9};
    mouse.SetLightInfo(light);
    Json::Value written = mouse.GetSection()["LightInfo"];
    EXPECT_EQ(written.size(), 11u);
    EXPECT_EQ(written["Light"], 255);
    EXPECT_EQ(written["Red"], 0);
    LightInfo back = mouse.GetLightInfo();
    EXPECT_EQ(back.unused, (std::array<uint8_t, 3>{0, 0, 0})) << "bytes 8 to 10 are not stored";
    light.unused = {};
    EXPECT_EQ(back, light);
}

TEST_F(ProfiledataTest, MouseSettingsNeedSystemStages) {
    WriteFile(profile, R"({"Device":[{"ReportStages":{"StageActive":3,"Ripple":1}}]})");
    mouse.LoadSection(profile);
    EXPECT_EQ(mouse.GetMouseSettings(), MouseSettings{});

    MouseSettings settings;
    for (size_t word = 0; word < MouseSettings::kWordCount; ++word)
        settings[word] = static_cast<uint16_t>(1000 + word);
    settings[MouseSettings::kKeyDebounce] = 0xFFFF;
    mouse.SetMouseSettings(settings);
    Json::Value section = mouse.GetSection();
    EXPECT_EQ(section["SystemStages"]["ScorllPage"], 1003);
    EXPECT_EQ(section["SystemStages"]["WheelScorlllinse"], 1004);
    EXPECT_EQ(section["ReportStages"]["key_debounce_time"], 0xFFFF);
    EXPECT_EQ(section["SystemStages"].size() + section["ReportStages"].size(), 14u);

    MouseSettings back = mouse.GetMouseSettings();
    settings[MouseSettings::kReserved] = 0;  // word 9 is not stored
    EXPECT_EQ(back, settings);
}

TEST_F(ProfiledataTest, DpiStagesMergeIntoTheStoredList) {
    auto stagesFile = [](int count) {
        Json::Value stages(Json::arrayValue);
        for (int i = 0; i < count; ++i) {
            Json::Value stage;
            stage["StageActive"] = 1;
            stage["StageDPIX"] = 100 + i;
            stage["StageDPIY"] = 70000;  // kept in 16 bits
            stage["StageColorR"] = i;
            stages.append(stage);
        }
        Json::Value document;
        document["Device"][0]["DPIStages"]["StageActive"] = count - 1;
        document["Device"][0]["DPIStages"]["StageDPIs"] = stages;
        return CJsonFile::FormatDocument(document);
    };
    std::vector<DpiStage> seven(7);
    for (size_t i = 0; i < seven.size(); ++i)
        seven[i].x = static_cast<uint16_t>(i);

    WriteFile(profile, R"({"Device":[{}]})");
    mouse.LoadSection(profile);
    mouse.SetDpiStages(seven);

    WriteFile(profile, stagesFile(5));
    mouse.LoadSection(profile);
    std::vector<DpiStage> stages = mouse.GetDpiStages();
    ASSERT_EQ(stages.size(), 7u);
    EXPECT_EQ(stages[4].x, 104);
    EXPECT_EQ(stages[4].y, 65535);  // the nearest 16-bit value
    EXPECT_EQ(stages[4].red, 4);
    EXPECT_EQ(stages[5], seven[5]);
    EXPECT_EQ(stages[6], seven[6]);
    EXPECT_EQ(mouse.GetActiveDpiStage(), 4);

    // The mouse has seven stages: an eighth in a file is not read.
    WriteFile(profile, stagesFile(8));
    mouse.LoadSection(profile);
    stages = mouse.GetDpiStages();
    ASSERT_EQ(stages.size(), 7u);
    EXPECT_EQ(stages[6].x, 106);
    EXPECT_EQ(mouse.GetActiveDpiStage(), 6);  // the file's 7 names no stage

    // No "DPIStages" (or one of the wrong type): list and active stage stay.
    for (const char* file : {R"({"Device":[{}]})", R"({"Device":[{"DPIStages":[1]}]})"}) {
        WriteFile(profile, file);
        mouse.LoadSection(profile);
        EXPECT_EQ(mouse.GetDpiStages(), stages) << file;
        EXPECT_EQ(mouse.GetActiveDpiStage(), 6) << file;
    }
}

TEST_F(ProfiledataTest, SetKeyListWritesOnlyTheCurrentAssignments) {
    Json::Value document;
    for (int i = 0; i < 11; ++i) {
        document["Device"][0]["KeyList"][i]["Assignment"] = 0x100000 + i;
        document["Device"][0]["KeyList"][i]["DefaultAssignment"] = 0x200000 + i;
    }
    ASSERT_TRUE(CJsonFile::WriteDocument(profile, document));
    mouse.LoadSection(profile);
    std::vector<KeyListEntry> keys = mouse.GetKeyList();
    ASSERT_EQ(keys.size(), 11u);
    EXPECT_EQ(keys[3].current, (KeyAssignment{3, {0x10, 0x00, 0x03}}));
    EXPECT_EQ(keys[3].factory, (KeyAssignment{3, {0x20, 0x00, 0x03}}));

    keys.resize(8);
    keys[0].current.code = {0x70, 0x02, 0x00};  // macro 2
    mouse.SetKeyList(keys);
    ASSERT_TRUE(mouse.Save());
    const Json::Value saved = ReadJson(profile)["Device"][0]["KeyList"];
    ASSERT_EQ(saved.size(), 11u);
    EXPECT_EQ(saved[0]["Assignment"], 0x70 * 65536 + 0x02 * 256);
    for (int i = 8; i < 11; ++i)
        EXPECT_EQ(saved[i]["Assignment"], 0x100000 + i);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(saved[i]["DefaultAssignment"], 0x200000 + i);
}

TEST_F(ProfiledataTest, SecondarySectionEditsAnotherProfile) {
    mouse.LoadSection(profile);
    fs::path other = folder / "other.Json";
    WriteFile(other, R"({"profilename":"Other","Device":[{"KeyList":[{"Assignment":1}]}]})");
    mouse.LoadSecondary(other);
    std::vector<KeyListEntry> keys = mouse.GetSecondaryKeyList();
    ASSERT_EQ(keys.size(), 1u);
    keys[0].current.code = {0x10, 0x02, 0x00};
    mouse.SetSecondaryKeyList(keys);
    ASSERT_TRUE(mouse.SaveSecondary(other));
    EXPECT_EQ(ReadJson(other)["Device"][0]["KeyList"][0]["Assignment"], 0x100200);
    EXPECT_EQ(ReadJson(other)["profilename"], "Other");
    EXPECT_EQ(mouse.GetKeyList().size(), 1u) << "the current section is untouched";
    EXPECT_EQ(mouse.GetKeyList()[0].current.code, (KeyCode{0x10, 0x01, 0x00}));
}

TEST_F(ProfiledataTest, LightListAndAudioSettings) {
    WriteFile(profile, R"({"Device":[{
        "LightList":[null, {"LEDREGMode":2,"LEDBrightness":4,"LEDSpeed":1,"LEDMultiColor":true,
                            "LEDDirection":0,"red":1,"green":2,"blue":3}, "junk"],
        "AudioLightInfo":{"AudioMode":2,"BkColorR":1,"FgColorB":9,"7ColorFlags":3,
                          "ColorTypeFlags":0}}]})");
    CKeyboardProfiledata keyboard;
    keyboard.LoadSection(profile);
    std::vector<LightListEntry> leds = keyboard.GetLightList();
    ASSERT_EQ(leds.size(), 3u);
    EXPECT_EQ(leds[0], LightListEntry{});
    EXPECT_EQ(leds[1].present, 1);
    EXPECT_EQ(leds[1].mode, 2);
    EXPECT_EQ(leds[1].multiColor, 1);
    EXPECT_EQ(leds[1].blue, 3);
    EXPECT_EQ(leds[2], LightListEntry{});

    DeviceAudioSettings audio = keyboard.GetAudioLightInfo();
    EXPECT_EQ(audio.audioMode, 2);
    EXPECT_EQ(audio.foregroundBlue, 9);
    EXPECT_EQ(audio.sevenColor, 1);
    EXPECT_EQ(audio.colorType, 1) << "the colour type always reads as 1";

    // A section without the member keeps the record it had.
    WriteFile(profile, R"({"Device":[{}]})");
    keyboard.LoadSection(profile);
    EXPECT_EQ(keyboard.GetAudioLightInfo(), audio);
    EXPECT_TRUE(keyboard.GetLightList().empty());
}

TEST_F(ProfiledataTest, CustomEffectStepsComeFromTheLightListFile) {
    fs::path lightList = folder / "orvel_light.config";
    WriteFile(lightList, R"({"LightInfo":[[{"LightName":"A","Guid":"effect-a"},
                                          {"LightName":"B","Guid":"effect-b"},
                                          {"LightName":"No guid"},
                                          {"LightName":"Escape","Guid":"../outside"}]]})");
    WriteFile(folder / "effect-a.light",
              R"({"LEDEffectList":[{"LEDREGMode":1,"red":255,"Time":70000,"Cyle":2}]})");
    WriteFile(folder / "effect-b.light", R"({"LEDEffectList":[{"LEDREGMode":4},{"LEDSpeed":3}]})");
    fs::create_directories(folder / "sub");
    WriteFile(folder / "outside.light", R"({"LEDEffectList":[{"LEDREGMode":4}]})");

    mouse.SetLightListPath(lightList);
    WriteFile(profile, R"({"Device":[{}]})");
    mouse.LoadSection(profile);
    mouse.LoadLightListFile(mouse.GetLightListPath());

    const std::pair<int, size_t> cases[] = {{12, 1}, {13, 2}, {14, 0}, {15, 0},
                                            {16, 0}, {0, 0},  {9, 0},  {11, 0}};
    for (const auto& [effect, steps] : cases) {
        LightInfo light;
        light.effect = static_cast<uint8_t>(effect);
        mouse.SetLightInfo(light);
        mouse.GetLightInfo();
        EXPECT_EQ(mouse.GetEffectSteps().size(), steps) << "effect " << effect;
    }
    LightInfo light;
    light.effect = 12;
    mouse.SetLightInfo(light);
    mouse.GetLightInfo();
    EffectStep step = mouse.GetEffectSteps().at(0);
    EXPECT_EQ(step.mode, 1);
    EXPECT_EQ(step.red, 255);
    EXPECT_EQ(step.time, 70000u);
    EXPECT_EQ(step.cycle, 2u);

    // Entry 3's "../outside" would reach a file beside the device folder: it is refused even
    // when the light list lives one level down.
    WriteFile(folder / "sub" / "orvel_light.config",
              R"({"LightInfo":[[{"LightName":"Escape","Guid":"../outside"}]]})");
    mouse.SetLightListPath(folder / "sub" / "orvel_light.config");
    mouse.LoadLightListFile(mouse.GetLightListPath());
    EXPECT_TRUE(mouse.GetEffectSteps().empty());
}

TEST_F(ProfiledataTest, WrongTypedSectionsNeverThrow) {
    // Every member of the wrong type: the getters read absence, the setters replace it.
    const char* sections[] = {
        R"({"LightInfo":7,"LightList":{"a":1},"KeyList":"x","DPIStages":[],"SystemStages":[1],
            "ReportStages":"r","AudioLightInfo":[],"CustomLightMode":[],"SystemSetStages":3,
            "EQHzValueInfo":{"a":1},"CustomEQNameInfo":5,"CustomEQHzValueInfo":[7]})",
        R"({"KeyList":[5,"x",null,[1]],"DPIStages":{"StageDPIs":{"a":1},"StageActive":"2"},
            "CustomLightMode":{"LightColorInfo":{"0":1}},"EQHzValueInfo":[[1,2,"x"]],
            "CustomEQNameInfo":[{"Name":5},7]})",
        R"({"DPIStages":{"StageDPIs":[5,null,"x"]},"CustomLightMode":{"LightColorInfo":[[5,"x"]]}})",
    };
    for (const char* section : sections) {
        WriteFile(profile, std::string(R"({"Device":[)") + section + "]}");
        CMouseProfiledata m;
        m.SetProfilePath(profile);
        m.LoadSection(profile);
        EXPECT_EQ(m.GetLightInfo(), LightInfo{});
        EXPECT_EQ(m.GetMouseSettings(), MouseSettings{});
        m.GetLightList();
        std::vector<KeyListEntry> keys = m.GetKeyList();
        std::vector<DpiStage> stages = m.GetDpiStages();
        m.SetLightInfo(LightInfo{});
        m.SetKeyList(std::vector<KeyListEntry>(2));
        m.SetDpiStages(std::vector<DpiStage>(2));
        m.SetActiveDpiStage(1);
        m.SetMouseSettings(MouseSettings{});
        EXPECT_TRUE(m.Save());

        CKeyboardProfiledata k;
        k.LoadSection(profile);
        k.GetAudioLightInfo();
        k.GetKeyboardSettings();
        k.GetCustomLightGroup();
        EXPECT_EQ(k.GetCustomLightColors(0, 3).size(), 3u);
        k.SetCustomLightColors(1, std::vector<CustomLightColor>(2));
        k.SetCustomLightGroup(1);
        k.SetKeyboardSettings(KeyboardSettings{});
        k.SetAudioLightInfo(DeviceAudioSettings{});

        CHs6533Profiledata h;
        h.LoadSection(profile);
        h.GetHeadsetSettings();
        EXPECT_EQ(h.GetEqValues(0).size(), 10u);
        h.GetCustomEqNames();
        h.GetCustomEqValues(0);
        h.SetEqValues(1, {1, 2});
        h.SetCustomEqNames({"a"});
        h.SetCustomEqValues(0, {3});
        h.SetHeadsetSettings(HeadsetSettings{});
    }
}

TEST_F(ProfiledataTest, IndicesFromFilesCannotGrowArrays) {
    EXPECT_FALSE(mouse.SetDeviceIndex(-1));
    EXPECT_FALSE(mouse.SetDeviceIndex(4000000));
    EXPECT_EQ(mouse.GetDeviceIndex(), 0);

    WriteFile(profile,
              R"({"Device":[{"CustomLightMode":{"CustomLightModeGroupIndex":4000000000}}]})");
    CKeyboardProfiledata keyboard;
    keyboard.LoadSection(profile);
    const int group = keyboard.GetCustomLightGroup();
    EXPECT_TRUE(keyboard.GetCustomLightColors(group, 170).empty());
    EXPECT_TRUE(keyboard.GetCustomLightColors(0, 1 << 30).empty());
    keyboard.SetCustomLightColors(group, std::vector<CustomLightColor>(1));
    EXPECT_FALSE(keyboard.GetSection()["CustomLightMode"].isMember("LightColorInfo"));

    CHs6533Profiledata headset;
    headset.SetEqValues(1 << 30, {1});
    EXPECT_TRUE(headset.GetSection().isNull());
}

TEST_F(ProfiledataTest, KeyboardCustomColoursFillMissingKeysWithZeros) {
    WriteFile(profile, R"({"Device":[{"CustomLightMode":{"CustomLightModeGroupIndex":1,
        "LightColorInfo":[null,[{"Red":1,"Green":2,"Blue":3,"Alpha":4},null]]}}]})");
    CKeyboardProfiledata keyboard;
    keyboard.LoadSection(profile);
    EXPECT_EQ(keyboard.GetCustomLightGroup(), 1);

    std::vector<CustomLightColor> colors = keyboard.GetCustomLightColors(1, 3);
    ASSERT_EQ(colors.size(), 3u);
    EXPECT_EQ(colors[0], (CustomLightColor{1, 2, 3, 4}));
    EXPECT_EQ(colors[1], CustomLightColor{});
    const Json::Value zero = ParseJson(R"({"Red":0,"Green":0,"Blue":0,"Alpha":0})");
    Json::Value group = keyboard.GetSection()["CustomLightMode"]["LightColorInfo"][1];
    EXPECT_EQ(group[1], zero);
    EXPECT_EQ(group[2], zero);

    EXPECT_EQ(keyboard.GetCustomLightColors(0, 2), std::vector<CustomLightColor>(2));
    EXPECT_EQ(keyboard.GetSection()["CustomLightMode"]["LightColorInfo"][0][1], zero);

    keyboard.SetCustomLightColors(3, {{9, 8, 7, 6}});
    EXPECT_EQ(keyboard.GetCustomLightColors(3, 1)[0], (CustomLightColor{9, 8, 7, 6}));
}

TEST_F(ProfiledataTest, KeyboardAndHeadsetSettingsRoundTrip) {
    WriteFile(profile, R"({"Device":[{}]})");
    CKeyboardProfiledata keyboard;
    keyboard.LoadSection(profile);
    EXPECT_EQ(keyboard.GetKeyboardSettings(), KeyboardSettings{});
    const KeyboardSettings settings{1, 2, 3, 4, 5, 6};
    keyboard.SetKeyboardSettings(settings);
    ASSERT_TRUE(keyboard.SaveSection(keyboard.GetSection(), profile));
    CKeyboardProfiledata reloaded;
    reloaded.LoadSection(profile);
    EXPECT_EQ(reloaded.GetKeyboardSettings(), settings);

    CHs6533Profiledata headset;
    headset.LoadSection(profile);
    const HeadsetSettings headsetSettings{1, 2, 3, 4, 5, -6, 7, 8};
    headset.SetHeadsetSettings(headsetSettings);
    headset.SetEqValues(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    headset.SetCustomEqNames({"Rock", "\xE6\xB8\xB8"});
    ASSERT_TRUE(headset.SaveSection(headset.GetSection(), profile));

    CHs6533Profiledata again;
    again.LoadSection(profile);
    EXPECT_EQ(again.GetHeadsetSettings(), headsetSettings);
    EXPECT_EQ(again.GetEqValues(2), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(again.GetEqValues(0), std::vector<int>(10, 0));
    EXPECT_EQ(again.GetCustomEqNames(), (std::vector<std::string>{"Rock", "\xE6\xB8\xB8"}));
}
