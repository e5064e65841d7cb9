// SPDX-License-Identifier: GPL-2.0-or-later
// The key position map across remapped key tables, and the key table the mouse writes, checked
// against the simulated mouse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "keys/KeyCodes.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"
#include "support/TempHome.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
constexpr uint8_t kNo = kNoKeyPosition;
constexpr KeyPositionMap kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr KeyCode kCtrlC = MakeKeyboardCode(kModLeftCtrl, 0x06);

// A factory key table of `positions` entries with button i at position i, then `changes`.
Bytes Table(size_t positions, std::vector<std::pair<size_t, KeyCode>> changes = {}) {
    Bytes table(3 * positions, 0);
    for (size_t i = 0; i < kMouseKeyButtons && i < positions; ++i)
        std::copy(kFactoryKeyTable[i].begin(), kFactoryKeyTable[i].end(), table.begin() + 3 * i);
    for (const auto& [position, code] : changes)
        std::copy(code.begin(), code.end(), table.begin() + 3 * position);
    return table;
}

KeyPositionMap Learnt(std::vector<std::pair<size_t, uint8_t>> known) {
    KeyPositionMap map{};
    map.fill(kNo);
    for (const auto& [button, position] : known)
        map[button] = position;
    return map;
}

std::vector<KeyListEntry> FactoryKeys() {
    std::vector<KeyListEntry> keys;
    for (size_t i = 0; i < kMouseKeyButtons; ++i) {
        const auto button = static_cast<uint16_t>(i);
        keys.push_back({{button, kFactoryKeyTable[i]}, {button, kFactoryKeyTable[i]}});
    }
    return keys;
}

KeyCode CodeAt(const Bytes& table, size_t position) {
    return {table.at(3 * position), table.at(3 * position + 1), table.at(3 * position + 2)};
}

}  // namespace

TEST(KeyPositionMapTest, RemappedButtonsKeepTheirLearntPositions) {
    const KeyCode left = kFactoryKeyTable[0], right = kFactoryKeyTable[1];
    const KeyCode forward = kFactoryKeyTable[3];
    const struct {
        const char* name;
        Bytes table;
        KeyPositionMap learnt;
        KeyPositionMap expected;
    } cases[] = {
        {"left and right swapped", Table(20, {{0, right}, {1, left}}), kIdentity, kIdentity},
        {"left plays forward, forward a key", Table(20, {{0, forward}, {3, kCtrlC}}), kIdentity,
         kIdentity},
        {"nothing learnt: the codes decide",
         Table(20, {{0, right}, {1, left}}),
         Learnt({}),
         {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"nothing learnt, a code missing",
         Table(20, {{3, kCtrlC}}),
         Learnt({}),
         {0, 1, 2, kNo, 4, 5, 6, 7, 8, 9, 10}},
        {"left and forward given each other's functions", Table(20, {{0, forward}, {3, left}}),
         kIdentity, kIdentity},
        {"every code at new positions: a new layout",
         Table(20, {{0, KeyCode{}}, {12, left}}),
         kIdentity,
         {12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"a learnt position past the table is not used",
         Table(9, {{8, kCtrlC}}),
         kIdentity,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, kNo, kNo}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BuildKeyPositionMap(c.table, c.table.size() / 3, c.learnt), c.expected);
    }
}

class KeyTableTest : public testing::Test {
  protected:
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
        EXPECT_FALSE(world->Configuring()) << "a begin without its end";
    }
    void Open(CQuillonMouseDevice& mouse) {
        mouse.SetTypeKey("mouse");
        mouse.ConfigChannel().SetTimeouts(500, 500, 500);
        ASSERT_TRUE(mouse.ConnectConfiguration(kCableConfig, false));
    }

    CTempHome home;
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
};

TEST_F(KeyTableTest, RemappedButtonsCanStillBeChangedAfterTheTableIsReadAgain) {
    std::vector<KeyListEntry> keys = FactoryKeys();
    keys[0].current.code = kFactoryKeyTable[1];  // left and right swapped
    keys[1].current.code = kFactoryKeyTable[0];
    // Each round writes the key list, then a fresh device reads the table back.
    auto round = [&](const std::vector<KeyListEntry>& list) {
        CQuillonMouseDevice mouse{backend.get()};
        Open(mouse);
        EXPECT_TRUE(mouse.ReadDeviceInfo());
        EXPECT_EQ(mouse.GetKeyPositionMap(), kIdentity);
        mouse.SetKeyList(list);
        EXPECT_EQ(mouse.WriteCurrentKeyTable(0), 1);
        EXPECT_FALSE(mouse.SetKeyAssignment(kMouseKeyButtons, kCtrlC));
    };
    round(keys);
    EXPECT_EQ(CodeAt(world->KeyTable(), 0), kFactoryKeyTable[1]);
    EXPECT_EQ(CodeAt(world->KeyTable(), 1), kFactoryKeyTable[0]);
    // Searched for the factory codes alone, this table swaps the two buttons.
    EXPECT_NE(BuildKeyPositionMap(world->KeyTable(), 20), kIdentity);

    keys[3].current.code = kCtrlC;  // and forward loses its code
    round(keys);
    EXPECT_EQ(CodeAt(world->KeyTable(), 3), kCtrlC);

    round(FactoryKeys());
    EXPECT_EQ(world->KeyTable(), Table(20));
    round(FactoryKeys());
}

// Learnt positions count only for the table they were kept with: an edited positions file, or a
// table another tool wrote, is read by the table's codes.
TEST_F(KeyTableTest, LearntPositionsLoseToATableTheyWereNotKeptWith) {
    {
        CQuillonMouseDevice mouse{backend.get()};
        Open(mouse);
        ASSERT_TRUE(mouse.ReadDeviceInfo());
    }
    const std::filesystem::path file = std::filesystem::path(std::getenv("XDG_DATA_HOME")) /
                                       "Kestrune Q418-RGB" / "mouse" / "key_positions.json";
    ASSERT_TRUE(std::filesystem::exists(file));
    auto readAndChangeLeft = [&] {
        CQuillonMouseDevice mouse{backend.get()};
        Open(mouse);
        ASSERT_TRUE(mouse.ReadDeviceInfo());
        EXPECT_EQ(mouse.GetKeyPositionMap(), kIdentity);
        std::vector<KeyListEntry> keys = FactoryKeys();
        keys[0].current.code = kCtrlC;
        mouse.SetKeyList(keys);
        ASSERT_EQ(mouse.WriteCurrentKeyTable(0), 1);
        EXPECT_EQ(CodeAt(world->KeyTable(), 0), kCtrlC);
        EXPECT_EQ(CodeAt(world->KeyTable(), 1), kFactoryKeyTable[1]);
        mouse.SetKeyList(FactoryKeys());
        ASSERT_EQ(mouse.WriteCurrentKeyTable(0), 1);
    };

    std::ofstream(file, std::ios::trunc)
        << R"({"KeyPositions": [1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10]})";
    readAndChangeLeft();

    {
        // Another tool, keeping no positions, gives the factory layout's left and right codes
        // the other way round.
        CQuillonMouseDevice other{backend.get()};
        other.ConfigChannel().SetTimeouts(500, 500, 500);
        ASSERT_TRUE(other.ConnectConfiguration(kCableConfig, false));
        ASSERT_TRUE(other.ReadDeviceInfo());
        std::vector<KeyListEntry> keys = FactoryKeys();
        keys[0].current.code = kFactoryKeyTable[1];
        keys[1].current.code = kFactoryKeyTable[0];
        other.SetKeyList(keys);
        ASSERT_EQ(other.WriteCurrentKeyTable(0), 1);
    }
    CQuillonMouseDevice mouse{backend.get()};
    Open(mouse);
    ASSERT_TRUE(mouse.ReadDeviceInfo());
    EXPECT_EQ(mouse.GetKeyPositionMap(), (KeyPositionMap{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(KeyTableTest, AKeyTableNeverReadIsNeverWritten) {
    CQuillonMouseDevice mouse{backend.get()};
    Open(mouse);
    std::vector<KeyListEntry> keys = FactoryKeys();
    keys[3].current.code = kCtrlC;
    mouse.SetKeyList(keys);
    const Bytes table = world->KeyTable();
    const uint32_t before = world->RequestsHandled();
    // Its image is all zeros: every other position of the mouse would lose its function.
    EXPECT_EQ(mouse.WriteCurrentKeyTable(0), 0);
    EXPECT_EQ(world->RequestsHandled(), before);
    EXPECT_EQ(world->KeyTable(), table);
}
