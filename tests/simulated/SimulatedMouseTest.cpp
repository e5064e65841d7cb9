// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated mouse as kestrunectl and the window set it up: --emulate's mode over the plug
// state saved in the state file, and the memory kept between runs.
#include "simulated/SimulatedMouse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

class SimulatedMouseTest : public testing::Test {
  protected:
    // A state file that left the cable plugged and the receiver out, battery at 42 %.
    void SaveCableOnly() {
        CSimWorld world;
        world.SetCablePlugged(true);
        world.SetReceiverPlugged(false);
        SimMouseConfig config = world.Config();
        config.batteryPercent = 42;
        world.SetConfig(config);
        ASSERT_TRUE(world.SaveState(stateFile));
    }

    CTempHome home;
    const fs::path stateFile = home.Root() / "emulator.json";
};

}  // namespace

TEST_F(SimulatedMouseTest, TheModeWinsOverTheSavedPlugState) {
    SaveCableOnly();
    const struct {
        const char* mode;
        bool cable, receiver;
    } cases[] = {
        {"", true, false},  // the saved state
        {"cable", true, false},
        {"receiver", false, true},  // the saved cable is pulled out
        {"both", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto mouse = CSimulatedMouse::SetUp(c.mode, stateFile);
        ASSERT_TRUE(mouse);
        EXPECT_EQ(mouse->Warning(), "");
        EXPECT_EQ(mouse->World()->CablePlugged(), c.cable);
        EXPECT_EQ(mouse->World()->ReceiverPlugged(), c.receiver);
        EXPECT_EQ(mouse->World()->Config().batteryPercent, 42);
        // The backend shows what is plugged.
        std::vector<std::string> paths;
        ASSERT_TRUE(mouse->Backend()->Enumerate(paths));
        auto seen = [&paths](std::string_view node) {
            return std::ranges::any_of(
                paths, [node](const std::string& p) { return p.starts_with(node); });
        };
        EXPECT_EQ(seen("emulated/cable-"), c.cable);
        EXPECT_EQ(seen("emulated/receiver-"), c.receiver);
    }
    EXPECT_FALSE(CSimulatedMouse::SetUp("wifi", stateFile));
    EXPECT_FALSE(CSimulatedMouse::SetUp("1", stateFile));
}

TEST_F(SimulatedMouseTest, AFreshOrUnreadableStateStartsOnTheCable) {
    auto fresh = CSimulatedMouse::SetUp("", stateFile);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->World()->CablePlugged());
    EXPECT_EQ(fresh->Warning(), "");

    std::ofstream(stateFile) << "{ not json";
    auto broken = CSimulatedMouse::SetUp("", stateFile);
    ASSERT_TRUE(broken);
    EXPECT_NE(broken->Warning(), "");
    EXPECT_TRUE(broken->World()->CablePlugged());
}

TEST_F(SimulatedMouseTest, SavedMemoryIsThereNextTime) {
    auto first = CSimulatedMouse::SetUp("both", stateFile);
    ASSERT_TRUE(first);
    std::string message;
    ASSERT_TRUE(first->World()->SetByName("battery", "17", &message)) << message;
    std::string error;
    ASSERT_TRUE(first->Save(&error)) << error;

    auto next = CSimulatedMouse::SetUp("", stateFile);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->World()->Config().batteryPercent, 17);
    EXPECT_TRUE(next->World()->ReceiverPlugged());
    EXPECT_EQ(CSimulatedMouse::DefaultStateFile(),
              home.Root() / "state" / "kestrune-q418" / "emulator.json");
}

TEST_F(SimulatedMouseTest, TheOptionWinsOverTheVariable) {
    const struct {
        std::optional<std::string> option;
        const char* variable;  // null: unset
        std::optional<std::string> mode;
    } cases[] = {
        {std::nullopt, nullptr, std::nullopt},
        {std::nullopt, "receiver", "receiver"},
        {std::nullopt, "1", ""},
        {std::nullopt, "", ""},
        {"", "receiver", ""},
        {"both", "cable", "both"},
        {"1", nullptr, "1"},  // "1" means the saved state in the variable only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable ? c.variable : "(unset)");
        if (c.variable)
            ::setenv("KESTRUNE_EMULATE", c.variable, 1);
        else
            ::unsetenv("KESTRUNE_EMULATE");
        EXPECT_EQ(RequestedSimulatedMode(c.option), c.mode);
    }
    ::unsetenv("KESTRUNE_EMULATE");
}
