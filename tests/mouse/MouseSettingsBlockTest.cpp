// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <span>
#include <utility>
#include <vector>

#include "mouse/MouseSettingsBlock.h"

namespace {

class MouseSettingsBlockTest : public ::testing::Test {
  protected:
    MouseSettingsBlockTest() {
        light.effect = 5;
        light.brightness = 3;
        light.speed = 2;
        light.direction = 1;
        light.multiColor = 1;
        light.red = 0x11;
        light.green = 0x22;
        light.blue = 0x33;
        light.ledMode = 9;
        light.savedEffect = 4;
        stages = {{1, 0, 0x0102, 0x0304, 0xAA, 0xBB, 0xCC}, {0, 1, 0x2020, 0x2020, 1, 2, 3}};
        // High bytes show that only the low byte of a word travels.
        for (size_t word = 0; word < MouseSettings::kWordCount; ++word)
            settings[word] = static_cast<uint16_t>(0x0100 * (word + 1) + 0x40 + word);
        effectValues.resize(12);
        std::iota(effectValues.begin(), effectValues.end(), 0);
    }

    MouseSettingsBlock Build() const {
        return BuildMouseSettingsBlock(0, light, stages, 4, settings);
    }

    LightInfo light;
    std::vector<DpiStage> stages;
    MouseSettings settings;
    std::vector<int> effectValues;
};

}  // namespace

TEST(MouseSpeedCodes, BothWays) {
    const std::array<std::array<uint8_t, 2>, 6> written = {
        {{0, 0xA4}, {1, 0x8A}, {2, 0x52}, {3, 0x1A}, {4, 0x00}, {200, 0x00}}};
    for (const auto& [index, code] : written)
        EXPECT_EQ(SpeedCode(index), code) << int{index};
    const std::array<std::array<uint8_t, 2>, 6> read = {
        {{0xA4, 0}, {0x8A, 1}, {0x52, 2}, {0x1A, 3}, {0x00, 4}, {0x33, 4}}};
    for (const auto& [code, index] : read)
        EXPECT_EQ(SpeedIndex(code), index) << int{code};
}

TEST_F(MouseSettingsBlockTest, EveryByteOfABuiltBlock) {
    MouseSettingsBlock expected{};
    const uint8_t head[] = {0, 5, 3, 0x52, 1, 1, 0x11, 0x22, 0x33, 0, 0, 0x45, 4, 0};
    std::ranges::copy(head, expected.begin());
    const uint8_t stageBytes[] = {1, 0, 0x02, 0x01, 0x04, 0x03, 0xAA, 0xBB, 0xCC,
                                  0, 1, 0x20, 0x20, 0x20, 0x20, 1,    2,    3};
    std::ranges::copy(stageBytes, expected.begin() + 14);
    // Words 10..14, then 6, 7, 8.
    const uint8_t tail[] = {0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x46, 0x47, 0x48, 0, 0};
    std::ranges::copy(tail, expected.begin() + 77);

    EXPECT_EQ(Build(), expected);
    EXPECT_EQ(BuildMouseSettingsBlock(3, light, stages, 4, settings)[0], 3);
}

TEST_F(MouseSettingsBlockTest, OnlyEffectsTheMouseRunsAreSent) {
    light.effect = 0;
    const MouseSettingsBlock off = Build();
    for (const auto& [effect, sent] :
         std::vector<std::pair<uint8_t, uint8_t>>{{0, 0}, {11, 11}, {12, 0}, {200, 0}}) {
        light.effect = effect;
        const MouseSettingsBlock block = Build();
        EXPECT_EQ(block[MouseBlock::kEffect], sent) << int{effect};
        // An effect the mouse does not run goes out as "off", whole.
        if (sent == 0) {
            EXPECT_EQ(block, off) << int{effect};
        }
    }
}

TEST_F(MouseSettingsBlockTest, StagesAndActiveStageStayInsideTheirBytes) {
    // An eighth stage would land on the settings bytes.
    stages.assign(8, DpiStage{1, 1, 0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF});
    const MouseSettingsBlock block = Build();
    for (size_t i = 0; i < kMaxDpiStages; ++i) {
        const auto bytes = std::span(block).subspan(MouseBlock::kFirstStage + 9 * i).first<9>();
        EXPECT_EQ(DpiStageFromBytes(bytes), stages[i]) << i;
    }
    EXPECT_EQ(block[MouseBlock::kWirelessSleep1], 0x4A);

    for (const auto& [active, sent] : std::vector<std::pair<int, uint8_t>>{{6, 6}, {7, 0}, {-1, 0}})
        EXPECT_EQ(BuildMouseSettingsBlock(0, light, stages, active, settings)[12], sent) << active;
}

TEST_F(MouseSettingsBlockTest, EffectNumberToListPosition) {
    EXPECT_EQ(EffectPosition(7, effectValues), 7);
    const std::vector<int> shuffled = {0, 3, 7, 7, 1};
    EXPECT_EQ(EffectPosition(7, shuffled), 2);
    EXPECT_EQ(EffectPosition(9, shuffled), 9);
    EXPECT_EQ(EffectPosition(9, {}), 9);
}

TEST_F(MouseSettingsBlockTest, TranslatingAReadBlock) {
    MouseSettingsBlock block = Build();
    block[MouseBlock::kEffect] = 3;
    block[MouseBlock::kSpeed] = 0x8A;
    block[MouseBlock::kActiveStage] = 2;
    block[MouseBlock::kReportRate] = 4;
    block[MouseBlock::kLiftOff] = 0x77;

    const std::vector<int> values = {0, 3, 6};
    LightInfo readLight = light;
    MouseSettings readSettings = settings;
    int active = 5;
    TranslateMouseSettingsBlock(block, values, readLight, readSettings, active);

    LightInfo expectedLight = light;
    expectedLight.effect = 1;
    expectedLight.speed = 1;
    EXPECT_EQ(readLight, expectedLight);
    MouseSettings expectedSettings = settings;
    expectedSettings[MouseSettings::kReportRate] = 4;
    for (size_t word : {10, 11, 12, 13, 14, 7, 8})
        expectedSettings[word] &= 0xFF;
    EXPECT_EQ(readSettings, expectedSettings);  // lift-off and the pointer words kept
    EXPECT_EQ(active, 2);

    // Speed code 0x00 is the slowest index; an active stage the mouse cannot have is not taken.
    block[MouseBlock::kSpeed] = 0x00;
    block[MouseBlock::kActiveStage] = 7;
    TranslateMouseSettingsBlock(block, values, readLight, readSettings, active);
    EXPECT_EQ(readLight.speed, 4);
    EXPECT_EQ(active, 2);
}

TEST_F(MouseSettingsBlockTest, BuiltBlockTranslatesBack) {
    for (auto& word : settings.words)
        word &= 0xFF;
    const MouseSettingsBlock block = Build();

    // Start from records that hold only what a read does not replace.
    LightInfo readLight = light;
    readLight.effect = readLight.brightness = readLight.speed = readLight.multiColor = 0;
    readLight.red = readLight.green = readLight.blue = 0;
    MouseSettings readSettings = settings;
    for (size_t word : {5, 7, 8, 10, 11, 12, 13, 14})
        readSettings[word] = 0;
    int active = 0;
    TranslateMouseSettingsBlock(block, effectValues, readLight, readSettings, active);

    EXPECT_EQ(readLight, light);
    EXPECT_EQ(readSettings, settings);
    EXPECT_EQ(active, 4);
}
