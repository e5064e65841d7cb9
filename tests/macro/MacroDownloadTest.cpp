// SPDX-License-Identifier: GPL-2.0-or-later
// The macro block, the shoot block and the key table, built and sent to the simulated mouse; the
// checks read what the mouse's memory received.
#include <gtest/gtest.h>

#include "device/ReportChannel.h"
#include "keys/KeyCodes.h"
#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "macro/ShootData.h"
#include "mouse/QuillonMouseDevice.h"
#include "profile/TempFolder.h"
#include "simulated/EmulatedHidBackend.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";

static_assert(kMacroNoKeyPosition == kNoKeyPosition);

// The mouse's buttons with their factory functions; `codes` overrides the first ones.
std::vector<KeyListEntry> Keys(std::vector<KeyCode> codes) {
    std::vector<KeyListEntry> keys;
    for (size_t i = 0; i < kMouseKeyButtons; ++i) {
        const auto button = static_cast<uint16_t>(i);
        const KeyCode factory = kFactoryKeyTable[i];
        keys.push_back({{button, i < codes.size() ? codes[i] : factory}, {button, factory}});
    }
    return keys;
}

KeyPositionMap AllPositioned() {
    KeyPositionMap map{};
    for (size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<uint8_t>(i);
    return map;
}

std::vector<MacroEvent> Events(size_t count) {
    std::vector<MacroEvent> events;
    for (size_t i = 0; i < count; ++i)
        events.push_back(
            MakeMacroEvent(MacroEventType::Key, i % 2 == 0, 0x04, static_cast<uint16_t>(i)));
    return events;
}

uint16_t Le16(const Bytes& bytes, size_t at) {
    return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

KeyCode CodeAt(const Bytes& table, size_t position) {
    return {table.at(3 * position), table.at(3 * position + 1), table.at(3 * position + 2)};
}

}  // namespace

TEST(MacroBlockTest, SlotsFollowTheButtonsFirstUse) {
    const KeyCode key = MakeKeyboardCode(0, 0x04);
    std::vector<KeyListEntry> keys =
        Keys({MakeMacroCode(5, 0), MakeMacroCode(2, 1), MakeMacroRepeatCode(5, 3), key,
              MakeMacroCode(4, 0), MakeMacroCode(9, 0)});
    KeyPositionMap positions = AllPositioned();
    positions[4] = kMacroNoKeyPosition;  // a button the key table does not have
    EXPECT_EQ(BuildMacroList(keys, positions, 6), (std::vector<int>{5, 2}));

    const Bytes current(60, 0xEE);
    const Bytes image = BuildKeyTableImage(current, keys, positions, 6);
    ASSERT_EQ(image.size(), current.size());
    EXPECT_EQ(CodeAt(image, 0), MakeMacroCode(0, 0));
    EXPECT_EQ(CodeAt(image, 1), MakeMacroCode(1, 1));
    EXPECT_EQ(CodeAt(image, 2), MakeMacroRepeatCode(0, 3));
    EXPECT_EQ(CodeAt(image, 3), key);
    EXPECT_EQ(CodeAt(image, 4), (KeyCode{0xEE, 0xEE, 0xEE}));  // no position: untouched
    // Macro 9 of 6 no longer exists: the button's factory function goes instead.
    EXPECT_EQ(CodeAt(image, 5), kFactoryKeyTable[5]);
    EXPECT_EQ(CodeAt(image, 19), (KeyCode{0xEE, 0xEE, 0xEE}));
}

TEST(MacroBlockTest, LayoutOfTwoMacros) {
    const std::vector<std::vector<MacroEvent>> macros = {Events(3), Events(10)};
    EXPECT_EQ(MacroBlockSize(macros), 80u);
    const Bytes block = BuildMacroBlock(macros);
    ASSERT_EQ(block.size(), 80u);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 6), (Bytes{0xAA, 0x55, 80, 0, 2, 0}));
    EXPECT_EQ(Bytes(block.begin() + 6, block.begin() + 16), Bytes(10, 0));
    EXPECT_EQ(Le16(block, 16), 20);
    EXPECT_EQ(Le16(block, 18), 36);
    EXPECT_EQ(Le16(block, 20), 3);
    EXPECT_EQ(Le16(block, 22), 0);
    EXPECT_EQ(Le16(block, 36), 10);
    const auto second = EncodeMacroEvent(macros[0][1]);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), block.begin() + 28));
    const auto last = EncodeMacroEvent(macros[1][9]);
    EXPECT_TRUE(std::equal(last.begin(), last.end(), block.end() - 4));
}

TEST(MacroBlockTest, EventsOverTheLimit) {
    struct Case {
        size_t size;
        int over;
    };
    // Each event that goes frees four bytes.
    for (const Case& c : {Case{1024, 0}, Case{1026, 1}, Case{1028, 1}, Case{1030, 2}, Case{80, 0}})
        EXPECT_EQ(MacroEventsOverLimit(c.size), c.over) << c.size;
    // Blocks whose sizes no longer fit their 16-bit fields are not built.
    EXPECT_TRUE(BuildMacroBlock(std::vector<std::vector<MacroEvent>>{Events(16400)}).empty());
}

class MacroDownloadTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        world->SetReceiverPlugged(true);
        channel.SetTimeouts(100, 100, 100);
        factoryTable = world->KeyTable();
    }
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }

    void Use(bool receiver) {
        CHidDevice& transport = receiver ? channel.ReceiverTransport() : channel.DirectTransport();
        ASSERT_EQ(
            transport.Open(receiver ? kReceiverConfig : kCableConfig, true, true, true, false), 1);
        channel.SetPresent(true);
        channel.SetTransportMode(receiver ? kTransportModeReceiver : kTransportModeDirect);
    }
    // Macros 0 .. counts.size() - 1 with these numbers of events.
    void MakeMacros(const std::vector<size_t>& counts) {
        for (size_t i = 0; i < counts.size(); ++i) {
            int index = -1;
            ASSERT_EQ(macros.Add({}, &index), MacroResult::Done);
            ASSERT_EQ(macros.Save(index, Events(counts[i])), MacroResult::Done);
        }
    }
    ApplyMacrosResult Apply(const std::vector<KeyListEntry>& keys) {
        const KeyPositionMap positions = BuildKeyPositionMap(factoryTable, factoryTable.size() / 3);
        return ApplyMacros(channel, macros, factoryTable, keys, positions);
    }
    Bytes BlockOf(const std::vector<int>& used) {
        std::vector<std::vector<MacroEvent>> events;
        for (int index : used)
            events.push_back(macros.ReadEvents(index));
        return BuildMacroBlock(events);
    }
    Bytes MacroMemoryStart(size_t length) {
        const Bytes memory = world->MacroMemory();
        return Bytes(memory.begin(), memory.begin() + static_cast<ptrdiff_t>(length));
    }

    CTempFolder folder;
    CMacroList macros{folder.Path()};
    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    CReportChannel channel{backend.get()};
    Bytes factoryTable;
};

TEST_F(MacroDownloadTest, MacrosAndKeyTableReachTheMouseByCableAndReceiver) {
    MakeMacros({3, 10, 4});
    const std::vector<KeyListEntry> keys =
        Keys({MakeMacroCode(2, 1), MakeMacroCode(0, 0), MakeMacroCode(2, 3)});
    for (bool receiver : {false, true}) {
        SCOPED_TRACE(receiver ? "receiver" : "cable");
        Use(receiver);
        const ApplyMacrosResult result = Apply(keys);
        EXPECT_EQ(result.used, (std::vector<int>{2, 0}));
        EXPECT_EQ(result.macroResult, 0);
        EXPECT_EQ(result.keyTableResult, 1);
        const Bytes block = BlockOf({2, 0});
        EXPECT_EQ(MacroMemoryStart(block.size()), block);
        const Bytes table = world->KeyTable();
        EXPECT_EQ(CodeAt(table, 0), MakeMacroCode(0, 1));
        EXPECT_EQ(CodeAt(table, 1), MakeMacroCode(1, 0));
        EXPECT_EQ(CodeAt(table, 2), MakeMacroCode(0, 3));
        EXPECT_EQ(CodeAt(table, 3), kFactoryKeyTable[3]);
        EXPECT_FALSE(world->Configuring());
        EXPECT_EQ(world->WritesOutsideConfiguration(), 0u);
    }
}

TEST_F(MacroDownloadTest, ATooLargeBlockSendsNothing) {
    Use(false);
    const std::vector<KeyListEntry> keys =
        Keys({MakeMacroCode(0, 0), MakeMacroCode(1, 0), MakeMacroCode(2, 0)});
    struct Case {
        std::vector<size_t> events;  // of macros 0, 1, 2
        int over;
    };
    const Case cases[] = {
        {{125, 123, 0}, 1},  // 16 + 6 × 3 + 4 × 248 = 1026 bytes
        {{125, 124, 0}, 2},  // 1030 bytes
    };
    MakeMacros({0, 0, 0});
    for (const Case& c : cases) {
        for (size_t i = 0; i < c.events.size(); ++i)
            ASSERT_EQ(macros.Save(static_cast<int>(i), Events(c.events[i])), MacroResult::Done);
        const ApplyMacrosResult result = Apply(keys);
        EXPECT_EQ(result.macroResult, c.over);
        EXPECT_FALSE(result.keyTableAttempted);
        EXPECT_EQ(world->MacroMemory(), Bytes(world->MacroMemory().size(), 0));
        EXPECT_EQ(world->KeyTable(), factoryTable);
    }

    // Two macros of 125 and 124 events take exactly the mouse's 1024 bytes.
    const ApplyMacrosResult fits = Apply(Keys({MakeMacroCode(0, 0), MakeMacroCode(1, 0)}));
    EXPECT_EQ(fits.macroResult, 0);
    EXPECT_EQ(world->MacroMemory(), BlockOf({0, 1}));
}

TEST_F(MacroDownloadTest, AStaleMacroIndexIsSentAsTheDefaultAssignment) {
    MakeMacros({2, 2, 2, 2, 2});
    Use(false);
    const ApplyMacrosResult result = Apply(Keys({MakeMacroCode(7, 0), MakeMacroCode(4, 2)}));
    EXPECT_EQ(result.used, std::vector<int>{4});
    const Bytes table = world->KeyTable();
    EXPECT_EQ(CodeAt(table, 0), kFactoryKeyTable[0]);
    EXPECT_EQ(CodeAt(table, 1), MakeMacroCode(0, 2));
    EXPECT_EQ(MacroMemoryStart(BlockOf({4}).size()), BlockOf({4}));
}

TEST_F(MacroDownloadTest, NoMacroUsedStillSendsTheKeyTable) {
    MakeMacros({2});
    Use(false);
    const KeyCode key = MakeKeyboardCode(kModLeftCtrl, 0x06);
    const ApplyMacrosResult result = Apply(Keys({key}));
    EXPECT_TRUE(result.used.empty());
    EXPECT_EQ(result.macroResult, 0);
    EXPECT_EQ(result.keyTableResult, 1);
    EXPECT_EQ(CodeAt(world->KeyTable(), 0), key);
    EXPECT_EQ(world->MacroMemory(), Bytes(world->MacroMemory().size(), 0));
}

TEST_F(MacroDownloadTest, LosingTheLinkDuringTheUploadIsAFailure) {
    MakeMacros({20});
    Use(true);
    // Two packets for the information block, link query, begin, link query, then the block's
    // first chunk: the link goes with the second chunk.
    world->InjectFault({SimFault::LinkDropDuringTransfer, 0, 6});
    const ApplyMacrosResult result = Apply(Keys({MakeMacroCode(0, 0)}));
    EXPECT_EQ(result.macroResult, -1);
    EXPECT_TRUE(result.keyTableAttempted);
    EXPECT_EQ(result.keyTableResult, 0);  // the link is still down
    EXPECT_EQ(world->KeyTable(), factoryTable);
    const Bytes block = BlockOf({0});
    const Bytes memory = world->MacroMemory();
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 24, memory.begin()));
    EXPECT_NE(Bytes(memory.begin(), memory.begin() + static_cast<ptrdiff_t>(block.size())), block);

    // A reply that never comes on the cable is no success either.
    world->SetLinkUp(true);
    Use(false);
    world->InjectFault({SimFault::DropReply, 0, 3});
    EXPECT_EQ(WriteMacroData(channel, macros, std::vector<int>{0}), -1);
}

TEST_F(MacroDownloadTest, TheKeyTableNeedsTheInformationBlockAndAWholeImage) {
    Use(false);
    const std::vector<KeyListEntry> keys = Keys({MakeKeyboardCode(0, 0x05)});
    const KeyPositionMap positions = AllPositioned();
    world->InjectFault({SimFault::StatusFailed, 0, 0});
    EXPECT_EQ(WriteKeyTable(channel, factoryTable, keys, positions, 0), 0);
    EXPECT_EQ(WriteKeyTable(channel, Bytes(30, 0), keys, positions, 0), 0);
    EXPECT_EQ(world->KeyTable(), factoryTable);
    world->ClearFaults();
    channel.SetPresent(false);
    EXPECT_EQ(WriteKeyTable(channel, factoryTable, keys, positions, 0), 0);
    channel.SetPresent(true);
    EXPECT_EQ(WriteKeyTable(channel, factoryTable, keys, positions, 0), 1);
    EXPECT_EQ(CodeAt(world->KeyTable(), 0), MakeKeyboardCode(0, 0x05));
}

TEST_F(MacroDownloadTest, TheFourRecoilPatternsReachTheShootMemory) {
    CShootData shoot(folder / "mouse", fs::path(KESTRUNE_SOURCE_DATA_DIR) / "DefaultData");
    ASSERT_EQ(shoot.RestoreMissing(), kShootGuns);
    ASSERT_EQ(shoot.SetBullet(2, 29, {true, 7, false, 9, 120}), ShootResult::Done);
    fs::remove(shoot.FilePath(3));  // a missing pattern is sent empty
    std::vector<std::vector<MacroEvent>> guns;
    for (int gun = 0; gun < kShootGuns; ++gun)
        guns.push_back(shoot.ReadEvents(gun));
    const Bytes block = BuildMacroBlock(guns);
    ASSERT_EQ(block.size(), 16u + 8 + 3 * (4 + 180 * 4) + 4);
    for (bool receiver : {false, true}) {
        SCOPED_TRACE(receiver ? "receiver" : "cable");
        Use(receiver);
        EXPECT_EQ(WriteShootData(channel, shoot), 1);
        const Bytes memory = world->ShootMemory();
        EXPECT_EQ(Bytes(memory.begin(), memory.begin() + static_cast<ptrdiff_t>(block.size())),
                  block);
        EXPECT_EQ(Le16(memory, 4), 4);
        EXPECT_FALSE(world->Configuring());
    }
    world->SetLinkUp(false);
    EXPECT_EQ(WriteShootData(channel, shoot), -1);
}
