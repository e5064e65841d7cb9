// SPDX-License-Identifier: GPL-2.0-or-later
// The DPI tab's rules without the window.
#include <gtest/gtest.h>

#include "mouse/DpiStageModel.h"

namespace {

std::vector<DpiStage> Stages(std::initializer_list<int> enabled) {
    std::vector<DpiStage> stages;
    for (int on : enabled) {
        DpiStage stage{};
        stage.enabled = static_cast<uint8_t>(on);
        stages.push_back(stage);
    }
    return stages;
}

}  // namespace

TEST(DpiStageModelTest, NeverTheActiveStageNorTheLastStageOnMayBeTurnedOff) {
    CDpiStageModel model;
    model.Load(Stages({1, 1, 0}), 0);
    EXPECT_FALSE(model.MayToggle(0));  // active
    EXPECT_TRUE(model.MayToggle(1));
    EXPECT_TRUE(model.MayToggle(2));  // off: may come on
    model.Load(Stages({0, 1, 0}), 0);
    EXPECT_FALSE(model.MayToggle(1));  // the last stage on
    EXPECT_FALSE(model.MayToggle(0));
}

TEST(DpiStageModelTest, AnEditNeverLeavesEveryStageOff) {
    // As the worker applies it to what another program left: stage 1 alone on.
    std::vector<DpiStage> stages = Stages({0, 1, 0});
    CDpiStageModel::SetEnabled(stages, 1, false);
    EXPECT_EQ(stages[1].enabled, 1);
    CDpiStageModel::SetEnabled(stages, 2, true);
    CDpiStageModel::SetEnabled(stages, 1, false);
    EXPECT_EQ(stages[1].enabled, 0);
    EXPECT_EQ(stages[2].enabled, 1);
    // A stage past the list grows it.
    CDpiStageModel::SetEnabled(stages, 5, true);
    ASSERT_EQ(stages.size(), 6u);
    EXPECT_EQ(stages[5].enabled, 1);
}

TEST(DpiStageModelTest, ChoosingAStageTurnsItOnAndMakesItActive) {
    CDpiStageModel model;
    model.Load(Stages({1, 0}), 0);
    model.Select(1);
    EXPECT_EQ(model.Active(), 1);
    EXPECT_TRUE(model.IsEnabled(1));
    EXPECT_TRUE(model.MayToggle(0));
    // An active stage out of range is held to the seven the mouse has.
    model.Load(Stages({1}), 12);
    EXPECT_EQ(model.Active(), 6);
}
