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

TEST(KeyPositionMapTest, LearntPositionsStandInOnlyForFactoryCodesTheTableLost) {
    const KeyCode left = kFactoryKeyTable[0], right = kFactoryKeyTable[1];
    const KeyCode forward = kFactoryKeyTable[3];
    const struct {
        const char* name;
        Bytes table;
        KeyPositionMap learnt;
        KeyPositionMap expected;
    } cases[] = {
        // A table with every factory code is read by its codes, whatever was learnt: a
        // key_positions.json with other positions cannot move a button's slot.
        {"every code there, the learnt map permuted",
         Table(20),
         {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         kIdentity},
        {"left and right swapped, every code there",
         Table(20, {{0, right}, {1, left}}),
         kIdentity,
         {1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"left plays forward, forward a key", Table(20, {{0, forward}, {3, kCtrlC}}), kIdentity,
         kIdentity},
        {"nothing learnt, a code missing",
         Table(20, {{3, kCtrlC}}),
         Learnt({}),
         {0, 1, 2, kNo, 4, 5, 6, 7, 8, 9, 10}},
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
    keys[0].current.code = kFactoryKeyTable[3];  // left plays forward, forward a key
    keys[3].current.code = kCtrlC;
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
    EXPECT_EQ(CodeAt(world->KeyTable(), 0), kFactoryKeyTable[3]);
    EXPECT_EQ(CodeAt(world->KeyTable(), 3), kCtrlC);
    // Searched for the factory codes alone, this table puts forward at left's position.
    EXPECT_NE(BuildKeyPositionMap(world->KeyTable(), 20), kIdentity);

    keys[1].current.code = kCtrlC;  // and right too
    round(keys);
    EXPECT_EQ(CodeAt(world->KeyTable(), 1), kCtrlC);

    round(FactoryKeys());
    EXPECT_EQ(world->KeyTable(), Table(20));
    round(FactoryKeys());
}

TEST_F(KeyTableTest, ATamperedPositionsFileLosesToATableWithEveryFactoryCode) {
    {
        CQuillonMouseDevice mouse{backend.get()};
        Open(mouse);
        ASSERT_TRUE(mouse.ReadDeviceInfo());
    }
    // Left and right exchanged in the learnt positions.
    const std::filesystem::path file = std::filesystem::path(std::getenv("XDG_DATA_HOME")) /
                                       "Kestrune Q418-RGB" / "mouse" / "key_positions.json";
    ASSERT_TRUE(std::filesystem::exists(file));
    {
        std::ofstream out(file, std::ios::trunc);
        out << R"({"KeyPositions": [1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10]})";
    }
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
