// SPDX-License-Identifier: GPL-2.0-or-later
// The report protocol against the simulated mouse: the bytes that reach its memory, the receiver
// link, and the faults a real link shows.
#include <gtest/gtest.h>

#include <future>

#include "device/ReportChannel.h"
#include "simulated/EmulatedHidBackend.h"

namespace {

const std::string kCableConfig = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverConfig = "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02";
const std::string kCableEvents = "emulated/cable-if0#vid_320f&pid_226e&mi_00&col03";

class EmulatedChannelTest : public testing::Test {
  protected:
    void SetUp() override {
        world->SetCablePlugged(true);
        world->SetReceiverPlugged(true);
        channel.SetTimeouts(100, 100, 100);
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

    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    CReportChannel channel{backend.get()};
};

TEST_F(EmulatedChannelTest, EnumerationGivesEachCollectionItsPath) {
    std::vector<std::string> paths;
    ASSERT_TRUE(backend->Enumerate(paths));
    for (const std::string& expected :
         {kCableConfig, kReceiverConfig, kCableEvents,
          std::string("emulated/cable-if1#vid_320f&pid_226e&mi_01&col01")})
        EXPECT_NE(std::find(paths.begin(), paths.end(), expected), paths.end()) << expected;

    CHidDevice device(backend.get());
    ASSERT_EQ(device.Open(kCableConfig, true, true, true, false), 1);
    EXPECT_EQ(device.GetUsagePage(), 0xFF1C);
    EXPECT_EQ(device.GetUsage(), 0x92);
    EXPECT_EQ(device.GetInputReportLength(), 64);
    EXPECT_EQ(device.GetOutputReportLength(), 64);
    EXPECT_EQ(device.GetVersion(), 0x0105);
    ASSERT_EQ(device.Open(kCableEvents, true, false, true, false), 1);
    EXPECT_EQ(device.GetUsagePage(), 0x000C);
    EXPECT_EQ(device.GetUsage(), 0x01);
}

TEST_F(EmulatedChannelTest, ReadsAndWritesReachTheMouseMemory) {
    for (bool receiver : {false, true}) {
        SCOPED_TRACE(receiver ? "receiver" : "cable");
        Use(receiver);
        uint8_t info[kInformationBlockSize] = {};
        ASSERT_EQ(channel.BeginConfiguration(), kResultDone);
        ASSERT_EQ(channel.ReadInformationBlock(info), kResultDone);
        EXPECT_EQ(std::vector<uint8_t>(info, info + 34), world->InfoBlock());

        std::vector<uint8_t> image(87);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 3 + receiver);
        ASSERT_EQ(channel.WriteSettingsMemory(image.data(), 87, 0), kResultDone);
        auto memory = world->SettingsMemory();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
        std::vector<uint8_t> back(87);
        ASSERT_EQ(channel.ReadSettingsMemory(back.data(), 87, 0), kResultDone);
        EXPECT_EQ(back, image);

        ASSERT_EQ(channel.SetKeyTableSize(static_cast<uint16_t>(3 * info[5])), 1);
        std::vector<uint8_t> keys(512);
        ASSERT_EQ(channel.ReadKeyAssignmentTable(keys.data()), kResultDone);
        keys.resize(channel.GetKeyTableSize());
        EXPECT_EQ(keys, world->KeyTable());
        keys[0] = 0x70;
        ASSERT_EQ(channel.WriteKeyAssignmentTable(keys.data(), 0), kResultDone);
        EXPECT_EQ(world->KeyTable()[0], 0x70);

        uint8_t status[2] = {};
        ASSERT_EQ(channel.ReadStatusBytes(status, 2, 0), kResultDone);
        EXPECT_EQ(status[0], world->StatusBytes()[0]);
        EXPECT_EQ(channel.EndConfiguration(), kResultDone);
    }
}

TEST_F(EmulatedChannelTest, ReceiverLinkDown) {
    Use(true);
    EXPECT_TRUE(channel.QueryLink());
    world->SetLinkUp(false);
    EXPECT_FALSE(channel.QueryLink());
    EXPECT_EQ(channel.BeginConfiguration(), kResultUnreachable);
    uint8_t info[kInformationBlockSize];
    EXPECT_EQ(channel.ReadInformationBlock(info), kResultUnreachable);
    world->SetLinkUp(true);
    EXPECT_TRUE(channel.QueryLink());
    EXPECT_EQ(channel.ReadInformationBlock(info), kResultDone);
}

TEST_F(EmulatedChannelTest, LinkLostDuringAChunkedWriteStopsIt) {
    Use(true);
    std::vector<uint8_t> table(60, 1);
    ASSERT_EQ(channel.SetKeyTableSize(60), 1);
    world->InjectFault({SimFault::LinkDropDuringTransfer, 0, 1});
    EXPECT_EQ(channel.WriteKeyAssignmentTable(table.data(), 0), kResultUnreachable);
    EXPECT_FALSE(channel.QueryLink());
}

TEST_F(EmulatedChannelTest, FaultyRepliesGiveResultCodesAndTheLinkRecovers) {
    Use(false);
    struct Case {
        SimFault::Kind fault;
        int expected;
    } cases[] = {
        {SimFault::EchoOtherCommand, kResultDone},
        {SimFault::StatusFailed, kResultStatusFailed},
        {SimFault::StatusRejected, kResultStatusRejected},
        {SimFault::DropReply, kResultNoReply},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        world->InjectFault({c.fault, 0, 0});
        EXPECT_EQ(channel.BeginConfiguration(), c.expected);
        EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
    }
    // Garbage is never taken for a reply.
    world->InjectFault({SimFault::GarbleReply, 0, 0});
    EXPECT_NE(channel.BeginConfiguration(), kResultDone);
    EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
}

TEST_F(EmulatedChannelTest, UnplugDuringATransferFailsCleanly) {
    Use(false);
    world->InjectFault({SimFault::UnplugDuringTransfer, 0, 1});
    std::vector<uint8_t> image(87, 9);
    int result = channel.WriteSettingsMemory(image.data(), 87, 0);
    EXPECT_TRUE(result == kResultNoReply || result == kResultWriteFailed) << result;
    EXPECT_TRUE(channel.DirectTransport().LastIoWasGone());
    EXPECT_FALSE(backend->IsPresent(kCableConfig));
    EXPECT_EQ(channel.BeginConfiguration(), kResultWriteFailed);

    world->SetCablePlugged(true);
    EXPECT_TRUE(backend->IsPresent(kCableConfig));
    Use(false);
    EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
}

TEST_F(EmulatedChannelTest, EventReportsReachTheEventCollectionOnly) {
    CHidDevice events(backend.get());
    ASSERT_EQ(events.Open(kCableEvents, true, false, true, false), 1);
    world->SendEvent(0x0401);
    uint8_t report[16] = {};
    uint32_t got = 0;
    ASSERT_EQ(events.Read(report, sizeof report, &got, 1000), 1);
    EXPECT_EQ(report[1] | report[2] << 8, 0x0401);

    // A listener blocked with no time-out is released by Close from another thread.
    std::promise<void> reading;
    auto listener = std::async(std::launch::async, [&] {
        reading.set_value();
        return events.Read(report, sizeof report, &got, -1);
    });
    reading.get_future().wait();
    events.Close();
    EXPECT_EQ(listener.get(), 0);
}

}  // namespace
