// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SimTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SimCommandsTest : public SimFixture {
  protected:
    void SetUp() override {
        handle = OpenConfig();
        ASSERT_TRUE(handle);
    }
    Bytes Send(const Bytes& request) { return Transact(*handle, request); }
    // Reads `length` bytes of a region with chunks of `chunk` bytes, as a host would.
    Bytes ReadChunked(uint8_t command, size_t length, size_t chunk) {
        Bytes out;
        for (size_t off = 0; off < length; off += chunk) {
            auto n = static_cast<uint8_t>(std::min(chunk, length - off));
            Bytes reply = Send(Request(command, n, static_cast<uint16_t>(off)));
            EXPECT_EQ(reply[3], command);
            EXPECT_EQ(reply[7], 0) << "status at offset " << off;
            Bytes part = Data(reply, n);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    }
    void WriteChunked(uint8_t command, const Bytes& data, size_t chunk) {
        for (size_t off = 0; off < data.size(); off += chunk) {
            auto n = static_cast<uint8_t>(std::min(chunk, data.size() - off));
            Bytes part(data.begin() + static_cast<std::ptrdiff_t>(off),
                       data.begin() + static_cast<std::ptrdiff_t>(off + n));
            Bytes reply = Send(Request(command, n, static_cast<uint16_t>(off), part));
            EXPECT_EQ(reply[3], command);
            EXPECT_EQ(reply[7], 0) << "status at offset " << off;
        }
    }

    std::shared_ptr<CSimHidHandle> handle;
};

TEST_F(SimCommandsTest, InfoBlockCarriesTheConfiguration) {
    SimMouseConfig config;
    config.sensorId = 0x3104;
    config.keyTablePositions = 21;
    config.dpiStep = 100;
    config.sliderPositions = 0x0182;
    config.lowestDpi = 0x0190;
    config.macroMemorySize = 0x0300;
    world.SetConfig(config);

    // Same bytes in one packet (cable) and in 24 + 10 (receiver chunking).
    Bytes info = ReadChunked(0x03, 34, 56);
    EXPECT_EQ(info, ReadChunked(0x03, 34, 24));
    EXPECT_EQ(info, world.InfoBlock());
    ASSERT_EQ(info.size(), 34u);
    EXPECT_EQ(info[5], 21);
    EXPECT_EQ(info[9] | info[10] << 8, 0x3104);
    EXPECT_EQ(info[11], 100);
    EXPECT_EQ(info[12] | info[13] << 8, 0x0182);
    EXPECT_EQ(info[14] | info[15] << 8, 0x0190);
    EXPECT_EQ(info[16] | info[17] << 8, 0x0300);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
}

TEST_F(SimCommandsTest, SettingsWriteLandsAndReadsBack) {
    Bytes before = world.SettingsMemory();
    ASSERT_EQ(before.size(), 256u);
    EXPECT_EQ(before[0], 0) << "slot 0 is the current profile";

    Bytes block = Pattern(87, 0x30);
    block[0] = 0;
    EXPECT_EQ(Send(Request(0x01))[7], 0);
    WriteChunked(0x06, block, 24);
    EXPECT_EQ(Send(Request(0x02))[7], 0);

    Bytes after = world.SettingsMemory();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), after.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 87, after.end(), before.begin() + 87))
        << "bytes past the block untouched";
    EXPECT_EQ(ReadChunked(0x05, 87, 56), block);
    // Slot addressing reaches the whole memory.
    WriteChunked(0x06, Bytes{1, 2, 3}, 56);
    EXPECT_EQ(ReadChunked(0x05, 256, 56), world.SettingsMemory());
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
}

TEST_F(SimCommandsTest, KeyTableHoldsFactoryCodesAtConfiguredPositions) {
    SimMouseConfig config;
    config.keyTablePositions = 12;
    config.buttonPositions = {3, 0, 1, 2, 4, 5, 6, 0xFF, 8, 9, 11};
    world.SetConfig(config);

    Bytes table = ReadChunked(0x07, 36, 24);
    ASSERT_EQ(table, world.KeyTable());
    auto at = [&](size_t position) {
        return Bytes(&table[3 * position], &table[3 * position + 3]);
    };
    EXPECT_EQ(at(3), (Bytes{0x10, 0x01, 0x00})) << "left button";
    EXPECT_EQ(at(0), (Bytes{0x10, 0x02, 0x00})) << "right button";
    EXPECT_EQ(at(8), (Bytes{0xA0, 0x1B, 0x00}));
    EXPECT_EQ(at(9), (Bytes{0x16, 0x90, 0x01}));
    EXPECT_EQ(at(11), (Bytes{0x14, 0x78, 0x02}));
    EXPECT_EQ(at(7), (Bytes{0, 0, 0})) << "the DPI-loop button is absent";
    for (size_t p = 0; p < 12; ++p)
        EXPECT_NE(at(p), (Bytes{0x13, 0x03, 0x00})) << "absent code found at " << p;

    Bytes image = Pattern(36, 0x50);
    WriteChunked(0x09, image, 56);
    EXPECT_EQ(world.KeyTable(), image);
    // A battery change must not reset what the host wrote.
    config.batteryPercent = 10;
    world.SetConfig(config);
    EXPECT_EQ(world.KeyTable(), image);
}

TEST_F(SimCommandsTest, MacroAndShootWritesFillTheirMemories) {
    Bytes macro = Pattern(80, 0xAA);
    WriteChunked(0x15, macro, 24);
    Bytes shoot = Pattern(130, 0x11);
    WriteChunked(0x17, shoot, 56);

    Bytes macroMemory = world.MacroMemory();
    ASSERT_EQ(macroMemory.size(), 1024u);
    EXPECT_TRUE(std::equal(macro.begin(), macro.end(), macroMemory.begin()));
    EXPECT_EQ(macroMemory[80], 0);
    Bytes shootMemory = world.ShootMemory();
    ASSERT_EQ(shootMemory.size(), world.Config().shootMemorySize);
    EXPECT_TRUE(std::equal(shoot.begin(), shoot.end(), shootMemory.begin()));

    // The last byte is writable, the one after it is not.
    EXPECT_EQ(Send(Request(0x15, 1, 1023, {0x77}))[7], 0);
    EXPECT_EQ(world.MacroMemory()[1023], 0x77);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
}

TEST_F(SimCommandsTest, StatusBytesFollowBatteryAndCharging) {
    Bytes reply = Send(Request(0x1A, 2, 0));
    EXPECT_EQ(reply[3], 0x1A);
    EXPECT_EQ(Data(reply, 2), (Bytes{85, 0}));

    SimMouseConfig config = world.Config();
    config.batteryPercent = 40;
    config.charging = 1;
    world.SetConfig(config);
    EXPECT_EQ(Data(Send(Request(0x1A, 2, 0)), 2), (Bytes{40, 1}));
    EXPECT_EQ(Data(Send(Request(0x1A, 1, 1)), 1), (Bytes{1}));
}

TEST_F(SimCommandsTest, BeginEndTrackConfiguringAndLinkQueryAnswersOverCable) {
    EXPECT_FALSE(world.Configuring());
    WriteChunked(0x06, Bytes{0, 1}, 56);
    EXPECT_EQ(world.WritesOutsideConfiguration(), 1u);

    Send(Request(0x01));
    EXPECT_TRUE(world.Configuring());
    WriteChunked(0x06, Bytes{0, 1}, 56);
    Send(Request(0x02));
    EXPECT_FALSE(world.Configuring());
    EXPECT_EQ(world.WritesOutsideConfiguration(), 1u);

    Bytes link = Send(Request(0xAA));
    EXPECT_EQ(link[3], 0xAA);
    EXPECT_EQ(link[8], 0xFF);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
    EXPECT_EQ(world.RequestsHandled(), 5u);
}

TEST_F(SimCommandsTest, MalformedRequestsAreRejectedAndCounted) {
    auto sealed = [](Bytes r, const std::function<void(Bytes&)>& edit) {
        edit(r);
        Seal(r);
        return r;
    };
    struct Case {
        const char* name;
        Bytes request;
        uint8_t status;
    };
    const Bytes good = Request(0x05, 8, 0);
    const Case cases[] = {
        {"bad checksum",
         [&] {
             Bytes r = good;
             r[1] ^= 0x01;
             return r;
         }(),
         0xFF},
        {"wrong report ID", sealed(good, [](Bytes& r) { r[0] = 0x05; }), 0xFF},
        {"63 bytes", Bytes(good.begin(), good.end() - 1), 0xFF},
        {"65 bytes", sealed(good, [](Bytes& r) { r.push_back(0); }), 0xFF},
        {"byte 7 set", sealed(good, [](Bytes& r) { r[7] = 1; }), 0xFF},
        {"length 57", Request(0x06, 57, 0), 0xFF},
        {"settings read past 256", Request(0x05, 8, 250), 0xFF},
        {"info read past 34", Request(0x03, 8, 30), 0xFF},
        {"key table write past 3p", Request(0x09, 3, 59, {1, 2, 3}), 0xFF},
        {"key table at bank 1", Request(0x09, 3, 512, {1, 2, 3}), 0xFF},
        {"macro write past the end", Request(0x15, 2, 1023, {1, 2}), 0xFF},
        {"shoot write past the end", Request(0x17, 1, 4096, {1}), 0xFF},
        {"status read past the end", Request(0x1A, 56, 1), 0xFF},
        {"unknown command", Request(0x33), 0xFF},
        {"begin with data length", Request(0x01, 1, 0), 0xFF},
        {"stale byte after a read request", sealed(good, [](Bytes& r) { r[40] = 9; }), 0xFF},
        {"stale byte after write data", Request(0x06, 2, 0, {1, 2, 3}), 0xFF},
        {"keyboard paged read 0x0A", Request(0x0A, 8, 0), 0xFE},
        {"keyboard light frame 0x12", Request(0x12, 8, 0), 0xFE},
        {"keyboard notice 0x1C", Request(0x1C), 0xFE},
    };
    Bytes settings = world.SettingsMemory();
    Bytes keys = world.KeyTable();
    Bytes macro = world.MacroMemory();
    uint32_t errors = 0;
    for (const Case& c : cases) {
        Bytes reply = Send(c.request);
        EXPECT_EQ(reply[7], c.status) << c.name;
        EXPECT_EQ(world.ProtocolErrors(), ++errors) << c.name;
        EXPECT_FALSE(world.LastProtocolError().empty()) << c.name;
    }
    EXPECT_EQ(world.SettingsMemory(), settings);
    EXPECT_EQ(world.KeyTable(), keys);
    EXPECT_EQ(world.MacroMemory(), macro);

    // The device keeps working after all that.
    EXPECT_EQ(Send(good)[7], 0);
    EXPECT_EQ(world.ProtocolErrors(), errors);
}

TEST_F(SimCommandsTest, OutputOnTheEventInterfaceIsAProtocolError) {
    auto events = Open(SimDeviceKind::Cable, 0);
    ASSERT_TRUE(events);
    EXPECT_EQ(events->Write(Request(0x01), 100), SimIo::Ok);
    EXPECT_EQ(world.ProtocolErrors(), 1u);
    Bytes nothing;
    EXPECT_EQ(events->Read(nothing, 0), SimIo::Timeout);
}

class SimReceiverTest : public SimFixture {
  protected:
    void SetUp() override {
        world.SetCablePlugged(false);
        world.SetReceiverPlugged(true);
        handle = OpenConfig(SimDeviceKind::Receiver);
        ASSERT_TRUE(handle);
    }
    std::shared_ptr<CSimHidHandle> handle;
};

TEST_F(SimReceiverTest, ForwardsWhileTheLinkIsUp) {
    Bytes link = Transact(*handle, Request(0xAA));
    EXPECT_EQ(link[3], 0xAA);
    EXPECT_EQ(link[8], 0xFF);
    Bytes reply = Transact(*handle, Request(0x06, 2, 100, {7, 8}));
    EXPECT_EQ(reply[3], 0x06);
    EXPECT_EQ(reply[7], 0);
    EXPECT_EQ(world.SettingsMemory()[100], 7);
    EXPECT_EQ(Data(Transact(*handle, Request(0x05, 2, 100)), 2), (Bytes{7, 8}));
}

TEST_F(SimReceiverTest, AnswersEveryCommandWithLinkCodeWhileTheLinkIsDown) {
    world.SetLinkUp(false);
    Bytes settings = world.SettingsMemory();
    for (const Bytes& request : {Request(0x01), Request(0x03, 24, 0), Request(0x06, 2, 0, {9, 9}),
                                 Request(0x1A, 2, 0), Request(0x02)}) {
        Bytes reply = Transact(*handle, request);
        EXPECT_EQ(reply[3], 0xAA) << "command 0x" << std::hex << int{request[3]};
    }
    EXPECT_EQ(world.SettingsMemory(), settings);
    Bytes link = Transact(*handle, Request(0xAA));
    EXPECT_EQ(link[3], 0xAA);
    EXPECT_EQ(link[8], 0x00);

    world.SetLinkUp(true);
    EXPECT_EQ(Transact(*handle, Request(0xAA))[8], 0xFF);
    EXPECT_EQ(Transact(*handle, Request(0x01))[3], 0x01);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
}

}  // namespace
