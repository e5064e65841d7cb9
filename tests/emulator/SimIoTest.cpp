// SPDX-License-Identifier: GPL-2.0-or-later

#include <poll.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "SimTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

class SimIoTest : public SimFixture {};

TEST_F(SimIoTest, EventsReachEveryHandleOfTheEventInterface) {
    auto first = Open(SimDeviceKind::Cable, 0);
    auto second = Open(SimDeviceKind::Cable, 0);
    auto config = OpenConfig();
    ASSERT_TRUE(first && second);
    world.SendEvent(0x0401);
    world.SendEvent(0x1123);
    for (auto* handle : {first.get(), second.get()}) {
        Bytes report;
        ASSERT_EQ(handle->Read(report, 1000), SimIo::Ok);
        EXPECT_EQ(report, (Bytes{0x03, 0x01, 0x04}));
        ASSERT_EQ(handle->Read(report, 1000), SimIo::Ok);
        EXPECT_EQ(report, (Bytes{0x03, 0x23, 0x11}));
    }
    Bytes none;
    EXPECT_EQ(config->Read(none, 0), SimIo::Timeout) << "events stay on interface 0";
}

TEST_F(SimIoTest, EventsGoThroughTheReceiverOnlyWhileTheLinkIsUp) {
    world.SetReceiverPlugged(true);
    world.SetCablePlugged(false);
    auto events = Open(SimDeviceKind::Receiver, 0);
    ASSERT_TRUE(events);
    Bytes report;
    world.SetLinkUp(false);
    world.SendEvent(0x0403);
    EXPECT_EQ(events->Read(report, 0), SimIo::Timeout);
    world.SetLinkUp(true);
    world.SendEvent(0x1005);
    ASSERT_EQ(events->Read(report, 1000), SimIo::Ok);
    EXPECT_EQ(report, (Bytes{0x03, 0x05, 0x10}));
}

TEST_F(SimIoTest, UnplugReleasesABlockedReadWithGone) {
    auto events = Open(SimDeviceKind::Cable, 0);
    auto config = OpenConfig();
    auto blocked = std::async(std::launch::async, [&] {
        Bytes report;
        return events->Read(report, -1);
    });
    world.SetCablePlugged(false);
    EXPECT_EQ(blocked.get(), SimIo::Gone);
    EXPECT_EQ(config->Write(Request(0x01), 100), SimIo::Gone);
    EXPECT_TRUE(world.Interfaces().empty());

    // Plugging back brings fresh interfaces; old handles stay dead.
    world.SetCablePlugged(true);
    Bytes report;
    EXPECT_EQ(events->Read(report, 0), SimIo::Gone);
    auto fresh = OpenConfig();
    ASSERT_TRUE(fresh);
    EXPECT_EQ(Transact(*fresh, Request(0x01))[3], 0x01);
}

TEST_F(SimIoTest, CancelReleasesABlockedReadAndStopsLaterIo) {
    auto events = Open(SimDeviceKind::Cable, 0);
    auto blocked = std::async(std::launch::async, [&] {
        Bytes report;
        return events->Read(report, -1);
    });
    events->Cancel();
    EXPECT_EQ(blocked.get(), SimIo::Cancelled);
    Bytes report;
    EXPECT_EQ(events->Read(report, 0), SimIo::Cancelled);
    EXPECT_EQ(events->Write(Request(0x01), 100), SimIo::Cancelled);
    // Other handles are unaffected.
    auto other = Open(SimDeviceKind::Cable, 0);
    world.SendEvent(0x0401);
    EXPECT_EQ(other->Read(report, 1000), SimIo::Ok);
}

TEST_F(SimIoTest, CancelReleasesAWriteWaitingOutTheInterval) {
    world.SetUsbIntervalUs(60'000'000);
    auto config = OpenConfig();
    auto blocked = std::async(std::launch::async, [&] { return config->Write(Request(0x01), -1); });
    config->Cancel();
    EXPECT_EQ(blocked.get(), SimIo::Cancelled);
    EXPECT_EQ(world.RequestsHandled(), 0u);
}

TEST_F(SimIoTest, ChangeFdSignalsPlugChangesOnly) {
    int fd = world.ChangeFd();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(Readable(fd));
    world.SetCablePlugged(true);  // no change
    EXPECT_FALSE(Readable(fd));
    world.SetReceiverPlugged(true);
    EXPECT_TRUE(Readable(fd));
    world.AcknowledgeChange();
    EXPECT_FALSE(Readable(fd));
    world.SetCablePlugged(false);
    world.SetLinkUp(false);
    EXPECT_TRUE(Readable(fd));
    world.AcknowledgeChange();
    world.SetLinkUp(true);
    EXPECT_FALSE(Readable(fd));
}

TEST_F(SimIoTest, UnpluggedInterfacesCannotBeOpened) {
    auto cable = world.Interfaces();
    ASSERT_EQ(cable.size(), 2u);
    world.SetCablePlugged(false);
    for (auto& iface : cable) {
        EXPECT_FALSE(iface->Plugged());
        EXPECT_EQ(iface->Open(), nullptr);
    }
}

TEST_F(SimIoTest, UsbIntervalSpacesWriteAndReply) {
    const auto interval = std::chrono::milliseconds(5);
    world.SetUsbIntervalUs(5000);
    auto config = OpenConfig();
    auto start = Clock::now();
    ASSERT_EQ(config->Write(Request(0x01), 1000), SimIo::Ok);
    EXPECT_GE(Clock::now() - start, interval);
    Bytes reply;
    ASSERT_EQ(config->Read(reply, 1000), SimIo::Ok);
    EXPECT_GE(Clock::now() - start, 2 * interval);
    EXPECT_EQ(reply[3], 0x01);
    // A write that cannot finish within its time-out is not delivered.
    EXPECT_EQ(config->Write(Request(0x02), 1), SimIo::Timeout);
    EXPECT_EQ(world.RequestsHandled(), 1u);
}

// The host's threads: a listener blocked on interface 0 and a command thread on interface 1,
// while the test flips the link and sends events.
TEST_F(SimIoTest, ConcurrentHostAndTestThreads) {
    world.SetReceiverPlugged(true);
    auto events = Open(SimDeviceKind::Cable, 0);
    auto config = OpenConfig();
    auto receiver = OpenConfig(SimDeviceKind::Receiver);
    constexpr int kEvents = 200;
    std::atomic<int> received{0};
    std::thread listener([&] {
        Bytes report;
        while (events->Read(report, -1) == SimIo::Ok)
            ++received;
    });
    std::thread commands([&] {
        for (int i = 0; i < 200; ++i) {
            Bytes reply;
            ASSERT_EQ(config->Write(Request(0x05, 24, static_cast<uint16_t>(i % 200)), 1000),
                      SimIo::Ok);
            ASSERT_EQ(config->Read(reply, 1000), SimIo::Ok);
            ASSERT_EQ(reply[3], 0x05);
            ASSERT_EQ(receiver->Write(Request(0x1A, 2, 0), 1000), SimIo::Ok);
            ASSERT_EQ(receiver->Read(reply, 1000), SimIo::Ok);
            ASSERT_TRUE(reply[3] == 0x1A || reply[3] == 0xAA);
        }
    });
    for (int i = 0; i < kEvents; ++i) {
        world.SendEvent(static_cast<uint16_t>(0x1000 + i));
        world.SetLinkUp(i % 2 == 0);
    }
    commands.join();
    // Every event was queued before this point; the unplug ends the listener once it has read
    // them all (reports already received stay readable).
    world.SetCablePlugged(false);
    listener.join();
    EXPECT_EQ(received, kEvents);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << world.LastProtocolError();
}

class SimFaultTest : public SimFixture {
  protected:
    void SetUp() override {
        config = OpenConfig();
        ASSERT_TRUE(config);
    }
    Bytes Reply() {
        Bytes reply;
        EXPECT_EQ(config->Read(reply, 1000), SimIo::Ok);
        return reply;
    }
    bool NoReply() {
        Bytes reply;
        return config->Read(reply, 0) == SimIo::Timeout;
    }
    std::shared_ptr<CSimHidHandle> config;
};

TEST_F(SimFaultTest, DropAfterRequestsLetsTheFirstOnesPass) {
    world.InjectFault({SimFault::DropReply, 0, 2});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Transact(*config, Request(0x01))[3], 0x01);
    ASSERT_EQ(config->Write(Request(0x01), 1000), SimIo::Ok);
    EXPECT_TRUE(NoReply());
    EXPECT_EQ(Transact(*config, Request(0x02))[3], 0x02) << "only one reply dropped";
}

TEST_F(SimFaultTest, DelayedReplyArrivesLate) {
    world.InjectFault({SimFault::DelayReply, 30, 0});
    auto start = Clock::now();
    ASSERT_EQ(config->Write(Request(0x01), 1000), SimIo::Ok);
    EXPECT_EQ(Reply()[3], 0x01);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
}

// Held replies come when the test lets them go, in order, and a reader waiting for ever is
// woken by the release.
TEST_F(SimFaultTest, HeldRepliesComeWhenReleased) {
    world.HoldReplies();
    ASSERT_EQ(config->Write(Request(0x01), 1000), SimIo::Ok);
    ASSERT_EQ(config->Write(Request(0x02), 1000), SimIo::Ok);
    EXPECT_TRUE(NoReply());
    auto reader = std::async(std::launch::async, [&] {
        Bytes reply;
        EXPECT_EQ(config->Read(reply, -1), SimIo::Ok);
        return reply;
    });
    world.ReleaseReplies();
    EXPECT_EQ(reader.get()[3], 0x01);
    EXPECT_EQ(Reply()[3], 0x02);
    EXPECT_EQ(Transact(*config, Request(0x01))[3], 0x01) << "replies are no longer held";
}

TEST_F(SimFaultTest, GarbledReplyIsNotTheAnswer) {
    world.InjectFault({SimFault::GarbleReply, 0, 0});
    ASSERT_EQ(config->Write(Request(0x05, 8, 0), 1000), SimIo::Ok);
    Bytes reply = Reply();
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(reply[0], 0x04);
    EXPECT_NE(reply[3], 0x05);
    EXPECT_TRUE(NoReply());
}

TEST_F(SimFaultTest, EchoSendsAnotherCommandBeforeTheRealReply) {
    world.InjectFault({SimFault::EchoOtherCommand, 0, 0});
    ASSERT_EQ(config->Write(Request(0x1A, 2, 0), 1000), SimIo::Ok);
    EXPECT_NE(Reply()[3], 0x1A);
    Bytes real = Reply();
    EXPECT_EQ(real[3], 0x1A);
    EXPECT_EQ(real[8], 85);
}

TEST_F(SimFaultTest, StatusFaultsFailTheCommandWithoutRunningIt) {
    world.InjectFault({SimFault::StatusFailed, 0, 0});
    world.InjectFault({SimFault::StatusRejected, 0, 0});
    Bytes settings = world.SettingsMemory();
    Bytes failed = Transact(*config, Request(0x06, 1, 5, {0x42}));
    EXPECT_EQ(failed[3], 0x06);
    EXPECT_EQ(failed[7], 0xFF);
    Bytes rejected = Transact(*config, Request(0x06, 1, 5, {0x42}));
    EXPECT_EQ(rejected[7], 0xFE);
    EXPECT_EQ(world.SettingsMemory(), settings);
    EXPECT_EQ(Transact(*config, Request(0x06, 1, 5, {0x42}))[7], 0);
    EXPECT_EQ(world.ProtocolErrors(), 0u) << "injected faults are not the host's";
}

TEST_F(SimFaultTest, UnplugDuringTransfer) {
    world.AcknowledgeChange();
    world.InjectFault({SimFault::UnplugDuringTransfer, 0, 0});
    EXPECT_EQ(config->Write(Request(0x01), 1000), SimIo::Ok);
    Bytes reply;
    EXPECT_EQ(config->Read(reply, 1000), SimIo::Gone);
    EXPECT_FALSE(world.CablePlugged());
    EXPECT_TRUE(Readable(world.ChangeFd()));
}

TEST_F(SimFaultTest, LinkDropDuringTransferThroughTheReceiver) {
    world.SetReceiverPlugged(true);
    auto receiver = OpenConfig(SimDeviceKind::Receiver);
    world.InjectFault({SimFault::LinkDropDuringTransfer, 0, 1});
    EXPECT_EQ(Transact(*receiver, Request(0x01))[3], 0x01);
    EXPECT_EQ(Transact(*receiver, Request(0x05, 8, 0))[3], 0xAA);
    EXPECT_FALSE(world.LinkUp());
    EXPECT_EQ(Transact(*receiver, Request(0xAA))[8], 0x00);
}

TEST_F(SimFaultTest, ClearFaultsDiscardsPendingOnes) {
    world.InjectFault({SimFault::DropReply, 0, 1});
    world.ClearFaults();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Transact(*config, Request(0x01))[3], 0x01);
}

}  // namespace
