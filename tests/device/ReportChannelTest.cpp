// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/ReportChannel.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "base/Debug.h"
#include "support/ScriptedHid.h"

namespace {

const std::string kCablePath = "cable#vid_320f&pid_226e&mi_01&col02";
const std::string kReceiverPath = "receiver#vid_320f&pid_226f&mi_01&col02";

uint16_t Offset(const Report& report) {
    return static_cast<uint16_t>(report[5] | report[6] << 8);
}

// A channel on a scripted cable and receiver, like discovery leaves it.
class ReportChannelTest : public testing::Test {
  protected:
    void SetUp() override {
        cable = backend.Add(kCablePath, MouseConfigProps(0x226E));
        receiver = backend.Add(kReceiverPath, MouseConfigProps(0x226F));
        cable->responder = EchoResponder(0x11);
        receiver->responder = EchoResponder(0x22);
        channel.SetTimeouts(30, 30, 30);
    }

    void UseCable() {
        ASSERT_EQ(channel.DirectTransport().Open(kCablePath, true, true, true, false), 1);
        channel.SetPresent(true);
        channel.SetTransportMode(kTransportModeDirect);
    }
    void UseReceiver() {
        ASSERT_EQ(channel.ReceiverTransport().Open(kReceiverPath, true, true, true, false), 1);
        channel.SetPresent(true);
        channel.SetTransportMode(kTransportModeReceiver);
    }

    CScriptedBackend backend;
    std::shared_ptr<CScriptedConnection> cable, receiver;
    CReportChannel channel{&backend};
};

TEST(ReportFraming, ChecksumIsTheLow16BitsOfBytes3To63) {
    uint8_t begin[kReportSize] = {0x04, 0, 0, 0x01};
    SealReport(begin);
    EXPECT_EQ(begin[1], 0x01);
    EXPECT_EQ(begin[2], 0x00);

    uint8_t full[kReportSize];
    std::fill(std::begin(full), std::end(full), 0xFF);  // 61 × 0xFF = 0x3CC3
    full[0] = 0x04;
    SealReport(full);
    EXPECT_EQ(full[1], 0xC3);
    EXPECT_EQ(full[2], 0x3C);

    // Bytes 0 to 2 never count.
    uint8_t other[kReportSize] = {0x99, 0x77, 0x55, 0x01};
    EXPECT_EQ(ReportChecksum(other), 1);
}

TEST_F(ReportChannelTest, BeginIsSentAsTheReferenceBytes) {
    UseCable();
    EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
    auto writes = cable->Writes();
    ASSERT_EQ(writes.size(), 1u);
    Report expected(kReportSize, 0);
    expected[0] = 0x04;
    expected[1] = 0x01;
    expected[3] = 0x01;
    EXPECT_EQ(writes[0], expected);
}

TEST_F(ReportChannelTest, ShortRequestIsPaddedAndLongOneCut) {
    UseCable();
    uint8_t reply[kReportSize];
    const uint8_t shortRequest[] = {0x04, 0x00, 0x00, 0x03, 0x05};
    EXPECT_EQ(channel.Transact(shortRequest, sizeof shortRequest, reply, sizeof reply, nullptr),
              kResultDone);
    std::vector<uint8_t> longRequest(100, 0x33);
    longRequest[3] = 0x03;
    EXPECT_EQ(
        channel.Transact(longRequest.data(), longRequest.size(), reply, sizeof reply, nullptr),
        kResultDone);
    auto writes = cable->Writes();
    ASSERT_EQ(writes.size(), 2u);
    ASSERT_EQ(writes[0].size(), kReportSize);
    EXPECT_EQ(writes[0][4], 0x05);
    EXPECT_TRUE(
        std::all_of(writes[0].begin() + 5, writes[0].end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(writes[1].size(), kReportSize);
}

struct ChunkCase {
    const char* name;
    bool receiver;
    std::function<int(CReportChannel&)> run;
    uint8_t command;
    std::vector<std::pair<int, int>> packets;  // (length, offset)
};

TEST_F(ReportChannelTest, ChunkingFollowsTheTransport) {
    std::vector<uint8_t> buffer(1024, 0xAB);
    auto* data = buffer.data();
    const ChunkCase cases[] = {
        {"info block, cable",
         false,
         [&](CReportChannel& c) { return c.ReadInformationBlock(data); },
         0x03,
         {{34, 0}}},
        {"info block, receiver",
         true,
         [&](CReportChannel& c) { return c.ReadInformationBlock(data); },
         0x03,
         {{24, 0}, {10, 24}}},
        {"settings 87 at 128, cable",
         false,
         [&](CReportChannel& c) { return c.WriteSettingsMemory(data, 87, 128); },
         0x06,
         {{56, 128}, {31, 184}}},
        {"settings 87 at 0, receiver",
         true,
         [&](CReportChannel& c) { return c.ReadSettingsMemory(data, 87, 0); },
         0x05,
         {{24, 0}, {24, 24}, {24, 48}, {15, 72}}},
        {"shoot data keeps 56 through the receiver",
         true,
         [&](CReportChannel& c) { return c.WriteShootMemory(data, 120); },
         0x17,
         {{56, 0}, {56, 56}, {8, 112}}},
        {"macro data, cable",
         false,
         [&](CReportChannel& c) { return c.WriteMacroMemory(data, 80); },
         0x15,
         {{56, 0}, {24, 56}}},
        {"paged memory page 2 of 128",
         false,
         [&](CReportChannel& c) { return c.ReadPagedMemory(data, 60, 2, 128); },
         0x0A,
         {{56, 256}, {4, 312}}},
        {"key table third of 60",
         false,
         [&](CReportChannel& c) {
             c.SetKeyTableSize(60);
             return c.ReadKeyTableThird(data);
         },
         0x1B,
         {{20, 0}}},
    };
    for (const ChunkCase& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedBackend local;
        auto connection = local.Add(c.receiver ? kReceiverPath : kCablePath,
                                    MouseConfigProps(c.receiver ? 0x226F : 0x226E));
        connection->responder = EchoResponder();
        CReportChannel ch(&local);
        CHidDevice& transport = c.receiver ? ch.ReceiverTransport() : ch.DirectTransport();
        ASSERT_EQ(transport.Open(c.receiver ? kReceiverPath : kCablePath, true, true, true, false),
                  1);
        ch.SetPresent(true);
        ch.SetTransportMode(c.receiver ? kTransportModeReceiver : kTransportModeDirect);

        EXPECT_EQ(c.run(ch), kResultDone);
        auto writes = connection->Writes();
        ASSERT_EQ(writes.size(), c.packets.size());
        for (size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(writes[i][3], c.command);
            EXPECT_EQ(writes[i][4], c.packets[i].first) << "packet " << i;
            EXPECT_EQ(Offset(writes[i]), c.packets[i].second) << "packet " << i;
            EXPECT_EQ(ReportChecksum(std::span<const uint8_t, 64>(writes[i].data(), 64)),
                      writes[i][1] | writes[i][2] << 8);
        }
    }
}

TEST_F(ReportChannelTest, ReadsCopyReplyDataAndWritesCarryTheSource) {
    UseCable();
    std::vector<uint8_t> source(87);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i + 1);
    ASSERT_EQ(channel.WriteSettingsMemory(source.data(), 87, 0), kResultDone);
    auto writes = cable->Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE(std::equal(source.begin(), source.begin() + 56, writes[0].begin() + 8));
    EXPECT_TRUE(std::equal(source.begin() + 56, source.end(), writes[1].begin() + 8));
    EXPECT_EQ(writes[1][8 + 31], 0);  // unused data bytes stay zero

    uint8_t info[kInformationBlockSize + 4] = {};
    ASSERT_EQ(channel.ReadInformationBlock(info), kResultDone);
    EXPECT_EQ(info[0], 0x11);
    EXPECT_EQ(info[33], 0x11);
    EXPECT_EQ(info[34], 0x00);  // nothing past the block
}

TEST_F(ReportChannelTest, KeyTable) {
    UseCable();
    EXPECT_EQ(channel.SetKeyTableSize(513), 0);
    EXPECT_EQ(channel.GetKeyTableSize(), 512);
    EXPECT_EQ(channel.SetKeyTableSize(60), 1);
    std::vector<uint8_t> table(512, 7);
    EXPECT_EQ(channel.WriteKeyAssignmentTable(table.data(), 1), kResultBadBank);
    EXPECT_TRUE(cable->Writes().empty());
    EXPECT_EQ(channel.WriteKeyAssignmentTable(table.data(), 0), kResultDone);
    auto writes = cable->Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1][4], 4);
    EXPECT_EQ(Offset(writes[1]), 56);
    EXPECT_EQ(channel.ReadKeyAssignmentTable(table.data()), kResultDone);
    EXPECT_EQ(cable->Writes().size(), 4u);
}

TEST_F(ReportChannelTest, ReplyWithAnotherCommandIsSkippedOnce) {
    UseCable();
    cable->responder = [](const Report& request) {
        return std::vector<Report>{MakeReply(0x1A), MakeReply(request[3], 0, {0x42})};
    };
    uint8_t info[kInformationBlockSize];
    EXPECT_EQ(channel.ReadInformationBlock(info), kResultDone);
    EXPECT_EQ(info[0], 0x42);

    // Two strangers in a row: the second read's reply is used whatever it holds.
    cable->responder = [](const Report&) {
        return std::vector<Report>{MakeReply(0x1A), MakeReply(0x1B, 0xFE), MakeReply(0x01)};
    };
    EXPECT_EQ(channel.BeginConfiguration(), kResultStatusRejected);
}

TEST_F(ReportChannelTest, ReceiverAnsweringAAMeansUnreachable) {
    UseReceiver();
    receiver->responder = [](const Report&) {
        return std::vector<Report>{MakeReply(0xAA), MakeReply(0x01)};
    };
    int readsBefore = receiver->ReadCalls();
    EXPECT_EQ(channel.BeginConfiguration(), kResultUnreachable);
    EXPECT_EQ(receiver->ReadCalls() - readsBefore, 1);

    // On the cable 0xAA is just another command code.
    UseCable();
    cable->responder = [](const Report&) {
        return std::vector<Report>{MakeReply(0xAA), MakeReply(0x01)};
    };
    EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
}

TEST_F(ReportChannelTest, StatusBytesAndChunkStop) {
    UseCable();
    int packet = 0;
    cable->responder = [&packet](const Report& request) {
        uint8_t status = ++packet == 2 ? 0xFF : 0x00;
        return std::vector<Report>{MakeReply(request[3], status)};
    };
    std::vector<uint8_t> table(512);
    EXPECT_EQ(channel.WriteKeyAssignmentTable(table.data(), 0), kResultStatusFailed);
    EXPECT_EQ(cable->Writes().size(), 2u);  // stopped at the failing packet

    cable->responder = [](const Report& r) { return std::vector<Report>{MakeReply(r[3], 0xFE)}; };
    EXPECT_EQ(channel.EndConfiguration(), kResultStatusRejected);
    cable->responder = [](const Report& r) { return std::vector<Report>{MakeReply(r[3], 0x80)}; };
    EXPECT_EQ(channel.EndConfiguration(), kResultDone);
}

TEST_F(ReportChannelTest, FailuresOfTheExchange) {
    // Not present: nothing is written.
    ASSERT_EQ(channel.DirectTransport().Open(kCablePath, true, true, true, false), 1);
    channel.SetTransportMode(kTransportModeDirect);
    EXPECT_EQ(channel.BeginConfiguration(), kResultNoReply);
    EXPECT_TRUE(cable->Writes().empty());

    channel.SetPresent(true);
    cable->responder = nullptr;  // silent device
    EXPECT_EQ(channel.BeginConfiguration(), kResultNoReply);

    // A reply too short to carry a status byte.
    cable->responder = [](const Report&) { return std::vector<Report>{Report{0x04, 0, 0, 0x01}}; };
    EXPECT_EQ(channel.BeginConfiguration(), kResultNoReply);

    cable->failWrites = true;
    int reads = cable->ReadCalls();
    EXPECT_EQ(channel.BeginConfiguration(), kResultWriteFailed);
    EXPECT_EQ(cable->ReadCalls(), reads);  // no read after a failed write
    EXPECT_FALSE(channel.IsBusy());
}

TEST_F(ReportChannelTest, LinkQuery) {
    UseCable();
    EXPECT_TRUE(channel.QueryLink());
    EXPECT_TRUE(cable->Writes().empty());  // no I/O on the cable

    UseReceiver();
    struct Case {
        uint8_t byte8, status;
        bool up;
    } cases[] = {{0xFF, 0x00, true}, {0x00, 0x00, false}, {0xFF, 0xFF, false}, {0xFF, 0xFE, false}};
    for (const Case& c : cases) {
        receiver->responder = [c](const Report&) {
            return std::vector<Report>{MakeReply(0xAA, c.status, {c.byte8})};
        };
        EXPECT_EQ(channel.QueryLink(), c.up) << int(c.byte8) << " " << int(c.status);
    }
    receiver->responder = nullptr;
    EXPECT_FALSE(channel.QueryLink());
    EXPECT_EQ(receiver->Writes().back()[3], 0xAA);
}

TEST_F(ReportChannelTest, StatusRead) {
    UseReceiver();
    receiver->responder = [](const Report& r) {
        return std::vector<Report>{MakeReply(r[3], 0, {85, 1, 9, 9})};
    };
    uint8_t status[6] = {};
    EXPECT_EQ(channel.ReadStatusBytes(status, 2, 0), kResultDone);
    EXPECT_EQ(status[0], 85);
    EXPECT_EQ(status[1], 1);
    EXPECT_EQ(status[2], 0);  // only the bytes asked for
    Report request = receiver->Writes().back();
    EXPECT_EQ(request[3], 0x1A);
    EXPECT_EQ(request[4], 2);
}

TEST_F(ReportChannelTest, LightFrameIsDroppedWhileAnotherCommandRuns) {
    UseCable();
    std::promise<void> written;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    cable->responder = nullptr;
    cable->onWrite = [&] { written.set_value(); };
    auto slow = std::async(std::launch::async, [&] {
        channel.SetTimeouts(-1, -1, -1);  // wait until the reply is pushed
        return channel.BeginConfiguration();
    });
    written.get_future().wait();
    cable->onWrite = nullptr;

    CDebugCapture capture;
    const uint8_t frame[40] = {1, 2, 3};
    EXPECT_TRUE(channel.IsBusy());
    EXPECT_EQ(channel.WriteLightFrame(frame, sizeof frame), kResultDone);
    EXPECT_TRUE(capture.Contains("放弃灯光数据"));
    EXPECT_EQ(cable->Writes().size(), 1u);  // only the begin command

    cable->Push(MakeReply(0x01));
    EXPECT_EQ(slow.get(), kResultDone);

    // Not busy: sent quietly (no hex dump).
    cable->responder = EchoResponder();
    capture.Clear();
    EXPECT_EQ(channel.WriteLightFrame(frame, sizeof frame), kResultDone);
    EXPECT_EQ(cable->Writes().back()[3], 0x12);
    EXPECT_FALSE(capture.Contains("命令"));
}

TEST_F(ReportChannelTest, TransmissionDisabledSendsNothing) {
    UseCable();
    channel.SetTransmissionEnabled(false);
    uint8_t data[100] = {};
    EXPECT_EQ(channel.BeginConfiguration(), kResultWriteFailed);
    EXPECT_EQ(channel.ReadInformationBlock(data), kResultWriteFailed);
    EXPECT_EQ(channel.WritePagedMemory(data, 100, 0, 128), kResultDone);
    EXPECT_EQ(channel.WriteLightFrame(data, 20), kResultWriteFailed);
    EXPECT_TRUE(cable->Writes().empty());
}

TEST_F(ReportChannelTest, VerboseTransactionsDumpBothReports) {
    UseCable();
    CDebugCapture capture;
    EXPECT_EQ(channel.BeginConfiguration(), kResultDone);
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "命令");
    EXPECT_EQ(lines[1],
              "04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
              "00 00 00 00  00 00 00 00");
    EXPECT_EQ(lines[3], "返回");
}

}  // namespace
