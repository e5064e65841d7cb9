// SPDX-License-Identifier: GPL-2.0-or-later
// Discovery against the simulated mouse: plugging and pulling the cable and the receiver, what
// it does to the mouse's channels, and interfaces that are not the mouse's.
#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <mutex>

#include "DiscoveryFixture.h"
#include "PlugTally.h"
#include "base/Debug.h"
#include "device/QuillonKeyboardDevice.h"
#include "support/HookedBackend.h"
#include "support/ScriptedHid.h"

namespace {

// Reports the event codes the mouse's listeners read, on the test's thread.
class CEventRecorder : public IDeviceEventSink {
  public:
    explicit CEventRecorder(IDispatcher& dispatcher) : m_dispatcher(dispatcher) {}
    void OnDeviceEvent(CQuillonUSBDevice&, bool throughReceiver,
                       std::span<const uint8_t> report) override {
        uint16_t code = report.size() >= 3 ? static_cast<uint16_t>(report[1] | report[2] << 8) : 0;
        m_dispatcher.Post(
            [this, throughReceiver, code] { events.emplace_back(throughReceiver, code); });
    }
    std::vector<std::pair<bool, uint16_t>> events;

  private:
    IDispatcher& m_dispatcher;
};

bool InformationBlockReads(CQuillonUSBDevice& device, const CSimWorld& world) {
    uint8_t block[kInformationBlockSize] = {};
    return device.ConfigChannel().ReadInformationBlock(block) == kResultDone &&
           std::vector<uint8_t>(block, block + sizeof block) == world.InfoBlock();
}

TEST(DeviceTablesTest, PairsPointBackAndIdentityIgnoresSlotState) {
    for (size_t i = 0; i < kHidInterfaceTable.size(); ++i) {
        const HidInterfaceInfo& row = kHidInterfaceTable[i];
        if (!row.paired)
            continue;
        SCOPED_TRACE(i);
        ASSERT_LT(row.pairIndex, kHidInterfaceTable.size());
        EXPECT_EQ(kHidInterfaceTable[row.pairIndex].pairIndex, i);
        EXPECT_EQ(kHidInterfaceTable[row.pairIndex].collectionKind, row.collectionKind);
    }
    HidInterfaceInfo slot = kHidInterfaceTable[4];
    slot.inUse = 1;
    slot.path = "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
    slot.pairIndex = 0;
    EXPECT_EQ(slot, kHidInterfaceTable[4]);
    slot.usage = 0x93;
    EXPECT_FALSE(slot == kHidInterfaceTable[4]);

    HidInterfaceInfo parsed = InterfaceInfoFromPath("/dev/hidraw3#VID_320F&PID_226F&MI_01&COL02");
    EXPECT_EQ(FindInterfaceRowByPathNumbers(parsed.vendorId, parsed.productId,
                                            parsed.interfaceNumber, parsed.collectionNumber),
              6);
    EXPECT_EQ(FindDeviceTypeIndex(0x320F, 0x226E, 2, 0), 0);
    EXPECT_EQ(FindDeviceTypeIndex(0x320F, 0x226F, 6, 0), -1);  // a receiver is not a type
    EXPECT_EQ(FindInterfaceTableIndex(0x320F, 0x226F, 6, 0), 6);
}

TEST_F(DiscoveryTest, StartCreatesTheMouseAndKeyboardHidden) {
    Start();
    EXPECT_EQ(owner.Count(DiscoveryNote::Created, 0), 1);
    EXPECT_EQ(owner.Count(DiscoveryNote::Created, 1), 1);
    EXPECT_EQ(owner.Count(DiscoveryNote::Show), 0);
    EXPECT_FALSE(Mouse().IsConfigPresent());
    EXPECT_EQ(Mouse().GetTypeKey(), "mouse");
    EXPECT_EQ(Mouse().GetLightCount(), 15);
    EXPECT_EQ(Mouse().GetKeyCount(), 11);
    EXPECT_TRUE(Mouse().IsWirelessCapable());
    EXPECT_EQ(Mouse().GetDeviceKind(), 1);
    EXPECT_EQ(Mouse().GetDeviceRecord(), kHidInterfaceTable[kCableConfig]);
    EXPECT_NE(dynamic_cast<CQuillonKeyboardDevice*>(discovery.Device(1)), nullptr);
}

TEST_F(DiscoveryTest, CablePlugConnectsDirectlyAndShowsTheEntry) {
    CEventRecorder events(dispatcher);
    discovery.SetEventSink(&events);
    Start();
    world->SetCablePlugged(true);
    ASSERT_TRUE(WaitFor([&] {
        return owner.Count(DiscoveryNote::Arrived, kCableConfig) == 1 &&
               owner.Count(DiscoveryNote::Arrived, kCableEvents) == 1;
    }));
    EXPECT_TRUE(SlotInUse(kCableConfig));
    EXPECT_TRUE(SlotInUse(kCableEvents));
    EXPECT_EQ(discovery.Slots()[kCableConfig].path,
              "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02");
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::FirstContact, kMouse) == 1; }));
    EXPECT_EQ(owner.Count(DiscoveryNote::Show, kMouse), 1);

    CReportChannel& channel = Mouse().ConfigChannel();
    EXPECT_TRUE(channel.IsPresent());
    EXPECT_FALSE(channel.IsReceiverMode());
    EXPECT_FALSE(Mouse().IsThroughReceiver());
    EXPECT_EQ(channel.GetChunkSize(), 56);
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));
    EXPECT_TRUE(Mouse().IsEventInterfaceOpen(false));
    EXPECT_FALSE(Mouse().IsEventInterfaceOpen(true));

    world->SendEvent(0x0401);
    ASSERT_TRUE(WaitFor([&] { return !events.events.empty(); }));
    EXPECT_EQ(events.events[0], std::make_pair(false, uint16_t{0x0401}));
    // One mouse: the arrival found the device made at start.
    EXPECT_EQ(owner.Count(DiscoveryNote::Created), 2);
}

TEST_F(DiscoveryTest, ReceiverBesideTheCableKeepsTheCable) {
    world->SetCablePlugged(true);
    Start();
    world->SetReceiverPlugged(true);
    ASSERT_TRUE(WaitFor([&] {
        return owner.Count(DiscoveryNote::Arrived, kReceiverConfig) == 1 &&
               owner.Count(DiscoveryNote::Arrived, kReceiverEvents) == 1;
    }));
    // The receiver's event interface opens beside the cable's, ready for a switch.
    ASSERT_TRUE(WaitFor([&] { return Mouse().IsEventInterfaceOpen(true); }));
    EXPECT_TRUE(Mouse().IsEventInterfaceOpen(false));
    EXPECT_EQ(owner.Count(DiscoveryNote::Created), 2);
    EXPECT_EQ(owner.Count(DiscoveryNote::Switched), 0);
    EXPECT_FALSE(Mouse().ConfigChannel().IsReceiverMode());
    EXPECT_EQ(Mouse().ConfigChannel().GetChunkSize(), 56);
    EXPECT_FALSE(Mouse().IsThroughReceiver());
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));
}

TEST_F(DiscoveryTest, PullingTheCableSwitchesToTheReceiverAndBack) {
    CEventRecorder events(dispatcher);
    discovery.SetEventSink(&events);
    world->SetCablePlugged(true);
    world->SetReceiverPlugged(true);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Mouse().IsEventInterfaceOpen(true); }));

    world->SetCablePlugged(false);
    ASSERT_TRUE(WaitFor([&] {
        return owner.Count(DiscoveryNote::Switched, 1) == 1 &&
               owner.Count(DiscoveryNote::LinkPoll, kMouse) == 1 &&
               owner.Count(DiscoveryNote::Removed, kCableEvents) == 1;
    }));
    EXPECT_FALSE(SlotInUse(kCableConfig));
    EXPECT_EQ(owner.Count(DiscoveryNote::Hide), 0);  // the page stays
    CReportChannel& channel = Mouse().ConfigChannel();
    EXPECT_TRUE(channel.IsPresent());
    EXPECT_TRUE(channel.IsReceiverMode());
    EXPECT_EQ(channel.GetChunkSize(), 24);
    EXPECT_TRUE(Mouse().IsThroughReceiver());
    EXPECT_EQ(Mouse().PowerStatus()[0], world->Config().batteryPercent);
    EXPECT_EQ(Mouse().PowerStatus()[3], 1);
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));

    world->SendEvent(0x1002);
    ASSERT_TRUE(WaitFor([&] { return !events.events.empty(); }));
    EXPECT_EQ(events.events[0], std::make_pair(true, uint16_t{0x1002}));

    const int shown = owner.Count(DiscoveryNote::Show, kMouse);
    world->SetCablePlugged(true);
    ASSERT_TRUE(WaitFor([&] {
        return owner.Count(DiscoveryNote::Switched, 0) == 1 &&
               owner.Count(DiscoveryNote::Show, kMouse) == shown + 1 &&
               Mouse().IsEventInterfaceOpen(false);
    }));
    EXPECT_FALSE(channel.IsReceiverMode());
    EXPECT_EQ(channel.GetChunkSize(), 56);
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));
}

TEST_F(DiscoveryTest, SwitchToTheReceiverAsksForTheLinkUntilItGivesUp) {
    world->SetCablePlugged(true);
    world->SetReceiverPlugged(true);
    world->SetLinkUp(false);
    Start();
    CDebugCapture debug;
    world->SetCablePlugged(false);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::LinkPoll, kMouse) == 1; }));
    auto lines = debug.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "获取2.4G模式失败"), 26);
    // Then it gives up, once, after the last try.
    const auto gaveUp = std::find(lines.begin(), lines.end(), "获取2");
    ASSERT_NE(gaveUp, lines.end());
    EXPECT_EQ(std::count(gaveUp, lines.end(), "获取2.4G模式失败"), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "获取2"), 1);
    // Still connected through the receiver: the link poll decides about the entry.
    EXPECT_TRUE(Mouse().IsConfigPresent());
    EXPECT_EQ(owner.Count(DiscoveryNote::Hide), 0);
}

// Passes every call through; signals once a link query has been written.
class CLinkQueryLatch : public IHidBackend {
    class CConnection : public IHidConnection {
      public:
        CConnection(std::shared_ptr<IHidConnection> inner, std::promise<void>& written,
                    std::once_flag& once)
            : m_inner(std::move(inner)), m_written(written), m_once(once) {}
        const HidInterfaceProps& Props() const override { return m_inner->Props(); }
        HidIoStatus Read(std::span<uint8_t> buffer, size_t& bytesRead, int timeoutMs) override {
            return m_inner->Read(buffer, bytesRead, timeoutMs);
        }
        HidIoStatus Write(std::span<const uint8_t> report, size_t& written,
                          int timeoutMs) override {
            HidIoStatus status = m_inner->Write(report, written, timeoutMs);
            if (report.size() > 3 && report[3] == kCmdLinkQuery)
                std::call_once(m_once, [this] { m_written.set_value(); });
            return status;
        }
        void Cancel() override { m_inner->Cancel(); }

      private:
        std::shared_ptr<IHidConnection> m_inner;
        std::promise<void>& m_written;
        std::once_flag& m_once;
    };

  public:
    explicit CLinkQueryLatch(std::shared_ptr<IHidBackend> inner) : m_inner(std::move(inner)) {}
    bool Owns(std::string_view path) const override { return m_inner->Owns(path); }
    bool Enumerate(std::vector<std::string>& paths) override { return m_inner->Enumerate(paths); }
    std::shared_ptr<IHidConnection> Open(const std::string& path, unsigned access,
                                         int* error) override {
        auto inner = m_inner->Open(path, access, error);
        return inner ? std::make_shared<CConnection>(inner, written, m_once) : nullptr;
    }
    bool IsPresent(const std::string& path) override { return m_inner->IsPresent(path); }
    std::string InstanceKey(const std::string& path) override { return m_inner->InstanceKey(path); }
    int ChangeFd() override { return m_inner->ChangeFd(); }
    void AcknowledgeChange() override { m_inner->AcknowledgeChange(); }
    std::promise<void> written;

  private:
    std::shared_ptr<IHidBackend> m_inner;
    std::once_flag m_once;
};

TEST(DiscoveryStopTest, StopCutsAnUnansweredLinkQueryShort) {
    auto world = std::make_shared<CSimWorld>();
    world->SetReceiverPlugged(true);
    auto latch = std::make_shared<CLinkQueryLatch>(MakeEmulatedHidBackend(world));
    auto backend = std::make_shared<CCompositeHidBackend>();
    backend->Add(latch);
    CCallbackDispatcher dispatcher;
    CRecordingOwner owner;
    CDeviceDiscovery discovery(backend, dispatcher, owner, MakeQuillonDevice);
    discovery.Start();
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return owner.Count(DiscoveryNote::FirstPass) == 1; },
                                     std::chrono::seconds(10)));
    // The receiver stops answering and waits as long as it likes: only Stop can end the wait
    // (a hang here fails the test by its time-out).
    discovery.Device(0)->ConfigChannel().SetTimeouts(600000, 600000, 600000);
    world->InjectFault({SimFault::DropReply});
    world->SetCablePlugged(false);
    ASSERT_EQ(latch->written.get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);
    discovery.Stop();
    EXPECT_EQ(owner.Count(DiscoveryNote::LinkPoll), 0);
}

TEST_F(DiscoveryTest, ReceiverAloneBindsTheMouseWithoutShowingIt) {
    world->SetReceiverPlugged(true);
    Start();
    EXPECT_TRUE(SlotInUse(kReceiverConfig));
    EXPECT_TRUE(SlotInUse(kReceiverEvents));
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::FirstContact, kMouse) == 1; }));
    // Shown once first contact finds the mouse reachable (CConnectionLife).
    EXPECT_EQ(owner.Count(DiscoveryNote::Show), 0);
    EXPECT_TRUE(Mouse().IsConfigPresent());
    EXPECT_TRUE(Mouse().IsThroughReceiver());
    EXPECT_TRUE(Mouse().ConfigChannel().IsReceiverMode());
    EXPECT_EQ(Mouse().ConfigChannel().GetChunkSize(), 24);
    EXPECT_TRUE(Mouse().IsEventInterfaceOpen(true));
    EXPECT_TRUE(Mouse().IsReachable());
    world->SetLinkUp(false);
    EXPECT_FALSE(Mouse().IsReachable());

    world->SetReceiverPlugged(false);
    ASSERT_TRUE(WaitFor([&] {
        return owner.Count(DiscoveryNote::Hide, kMouse) == 1 &&
               owner.Count(DiscoveryNote::Removed) == 2 && !Mouse().IsEventInterfaceOpen(true);
    }));
    EXPECT_FALSE(Mouse().IsConfigPresent());
}

TEST_F(DiscoveryTest, ForeignInterfacesAreIgnored) {
    auto foreign = std::make_shared<CScriptedBackend>();
    const HidInterfaceProps config = MouseConfigProps();
    HidInterfaceProps otherUsage = config;
    otherUsage.usagePage = 0xFF00;
    HidInterfaceProps otherVendor = config;
    otherVendor.vendorId = 0x1234;
    foreign->Add("/dev/hidraw1#vid_320f&pid_226e&mi_02&col02", config);  // interface 2
    foreign->Add("/dev/hidraw2#vid_320f&pid_226e&mi_01&col05", config);  // collection 5
    foreign->Add("/dev/hidraw3#vid_320f&pid_226e&mi_01&col02", otherUsage);
    foreign->Add("/dev/hidraw4#vid_1234&pid_226e&mi_01&col02", otherVendor);
    foreign->Add("/dev/hidraw5#vid_320f&pid_226e&mi_01", config);  // no collection number
    backend->Add(foreign);
    Start();
    for (const HidInterfaceInfo& slot : discovery.Slots())
        EXPECT_FALSE(slot.inUse) << slot.path;
    EXPECT_EQ(owner.Count(DiscoveryNote::Arrived), 0);

    // The mouse itself is still found beside them.
    world->SetCablePlugged(true);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::Arrived) == 2; }));
    EXPECT_EQ(discovery.Slots()[kCableConfig].path,
              "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02");
}

TEST(DiscoveryVanishTest, AnInterfaceGoneBeforeItOpensIsIgnored) {
    auto world = std::make_shared<CSimWorld>();
    auto vanishing = std::make_shared<CHookedBackend>(MakeEmulatedHidBackend(world));
    // Listed, then gone before any open.
    vanishing->AfterNextEnumeration([world] { world->SetCablePlugged(false); });
    auto backend = std::make_shared<CCompositeHidBackend>();
    backend->Add(vanishing);
    CCallbackDispatcher dispatcher;
    CRecordingOwner owner;
    CDeviceDiscovery discovery(backend, dispatcher, owner, MakeQuillonDevice);
    discovery.Start();
    auto wait = [&](const std::function<bool()>& done) {
        return dispatcher.PumpUntil(done, std::chrono::seconds(10));
    };
    ASSERT_TRUE(wait([&] { return owner.Count(DiscoveryNote::FirstPass) == 1; }));
    EXPECT_EQ(owner.Count(DiscoveryNote::Arrived), 0);
    for (const HidInterfaceInfo& slot : discovery.Slots())
        EXPECT_FALSE(slot.inUse);

    // Back again: taken on the pass the plug brings.
    world->SetCablePlugged(true);
    ASSERT_TRUE(wait([&] { return owner.Count(DiscoveryNote::Show) == 1; }));
    EXPECT_EQ(owner.Count(DiscoveryNote::Arrived), 2);
    EXPECT_TRUE(discovery.Device(0)->IsConfigPresent());
}

TEST_F(DiscoveryTest, UnplugInTheMiddleOfACommand) {
    world->SetCablePlugged(true);
    Start();
    ASSERT_TRUE(Mouse().IsConfigPresent());
    Mouse().ConfigChannel().SetTimeouts(10000, 10000, 10000);
    world->InjectFault({SimFault::UnplugDuringTransfer});
    uint8_t block[kInformationBlockSize] = {};
    // The read ends when the device goes, not at the time-out.
    EXPECT_NE(Mouse().ConfigChannel().ReadInformationBlock(block), kResultDone);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::Hide, kMouse) == 1; }));
    EXPECT_FALSE(Mouse().IsConfigPresent());
    EXPECT_FALSE(SlotInUse(kCableConfig));
    EXPECT_EQ(Mouse().ConfigChannel().ReadInformationBlock(block), kResultNoReply);

    world->SetCablePlugged(true);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::Show, kMouse) == 2; }));
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));
}

TEST_F(DiscoveryTest, UnplugDuringACommandWithTheReceiverThereMovesToIt) {
    world->SetCablePlugged(true);
    world->SetReceiverPlugged(true);
    Start();
    world->InjectFault({SimFault::UnplugDuringTransfer});
    uint8_t block[kInformationBlockSize] = {};
    EXPECT_NE(Mouse().ConfigChannel().ReadInformationBlock(block), kResultDone);
    ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::Switched, 1) == 1; }));
    EXPECT_TRUE(InformationBlockReads(Mouse(), *world));
}

// The cable pulled by the test and plugged back by the hook, at two points of the scan. By its
// path the cable never left: only the instance key shows that what was opened on it is dead.
TEST(DiscoveryReplugTest, AReplugTheScanSawOnlyPartOfIsARemovalThenAnArrival) {
    struct Case {
        const char* what;
        void (CHookedBackend::*hookAt)(std::function<void()>);
    };
    const Case cases[] = {
        // Both signals taken by one acknowledgement: nothing signals after the pass.
        {"signals taken together", &CHookedBackend::BeforeNextAcknowledge},
        {"back before the unplug check", &CHookedBackend::AfterNextEnumeration},
    };
    constexpr int kCableConfig = 4, kCableEvents = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto world = std::make_shared<CSimWorld>();
        auto hooked = std::make_shared<CHookedBackend>(MakeEmulatedHidBackend(world));
        auto backend = std::make_shared<CCompositeHidBackend>();
        backend->Add(hooked);
        CCallbackDispatcher dispatcher;
        CRecordingOwner owner;
        CEventRecorder events(dispatcher);
        CDeviceDiscovery discovery(backend, dispatcher, owner, MakeQuillonDevice);
        discovery.SetEventSink(&events);
        discovery.Start();
        auto wait = [&](const std::function<bool()>& done) {
            return dispatcher.PumpUntil(done, std::chrono::seconds(10));
        };
        // The first pass connects the cable; after it the scan only waits for a change.
        ASSERT_TRUE(wait([&] { return owner.Count(DiscoveryNote::FirstPass) == 1; }));
        ASSERT_EQ(owner.Count(DiscoveryNote::FirstContact), 1);

        ((*hooked).*c.hookAt)([world] { world->SetCablePlugged(true); });
        world->SetCablePlugged(false);
        ASSERT_TRUE(wait([&] { return owner.Count(DiscoveryNote::FirstContact) == 2; }));
        for (int slot : {kCableConfig, kCableEvents}) {
            std::vector<DiscoveryNote::Kind> told;
            for (const DiscoveryNote& note : owner.notes)
                if ((note.kind == DiscoveryNote::Arrived || note.kind == DiscoveryNote::Removed) &&
                    note.value == slot)
                    told.push_back(note.kind);
            EXPECT_EQ(told, (std::vector{DiscoveryNote::Arrived, DiscoveryNote::Removed,
                                         DiscoveryNote::Arrived}))
                << "slot " << slot;
        }
        // Both interfaces are open on the new plug.
        EXPECT_TRUE(InformationBlockReads(*discovery.Device(0), *world));
        world->SendEvent(0x0401);
        EXPECT_TRUE(wait([&] { return !events.events.empty(); }));
    }
}

// The cable plugged and pulled in a tight loop. Waiting for each change lets the test act while
// the pass that told it still runs; pulling and re-plugging without a pause between them often
// leaves the path looking unchanged by the time the scan looks.
TEST(DiscoveryPlugLoopTest, EveryPlugArrivesAndEveryUnplugIsRemoved) {
    constexpr int kCableConfig = 4, kCableEvents = 5;
    const int cycles = PlugCycles(2000);
    for (bool pause : {true, false}) {
        SCOPED_TRACE(pause ? "waiting for each change" : "re-plugging at once");
        auto world = std::make_shared<CSimWorld>();
        world->SetCablePlugged(!pause);
        auto backend = std::make_shared<CCompositeHidBackend>();
        backend->Add(MakeEmulatedHidBackend(world));
        CCallbackDispatcher dispatcher;
        CPlugTally tally;
        CDeviceDiscovery discovery(backend, dispatcher, tally, MakeQuillonDevice);
        discovery.Start();
        // Both of the cable's slots told exactly this often (an extra call fails too).
        auto reached = [&](int arrivals, int removals) {
            return dispatcher.PumpUntil(
                [&] {
                    for (int slot : {kCableConfig, kCableEvents})
                        if (tally.arrivals[slot] != arrivals || tally.removals[slot] != removals)
                            return false;
                    return true;
                },
                std::chrono::seconds(10));
        };
        auto counts = [&] {
            return std::to_string(tally.arrivals[kCableConfig]) + "/" +
                   std::to_string(tally.removals[kCableConfig]) + " " +
                   std::to_string(tally.arrivals[kCableEvents]) + "/" +
                   std::to_string(tally.removals[kCableEvents]);
        };
        if (pause) {
            for (int i = 0; i < cycles; ++i) {
                world->SetCablePlugged(true);
                ASSERT_TRUE(reached(i + 1, i)) << "plug " << i << ": " << counts();
                world->SetCablePlugged(false);
                ASSERT_TRUE(reached(i + 1, i + 1)) << "unplug " << i << ": " << counts();
            }
        } else {
            ASSERT_TRUE(reached(1, 0)) << counts();
            for (int i = 0; i < cycles; ++i) {
                world->SetCablePlugged(false);
                world->SetCablePlugged(true);
                ASSERT_TRUE(reached(i + 2, i + 1)) << "re-plug " << i << ": " << counts();
            }
        }
        EXPECT_TRUE(tally.faults.empty()) << tally.faults.front();
        auto& mouse = *discovery.Device(0);
        ASSERT_TRUE(dispatcher.PumpUntil([&] { return tally.firstContacts == cycles + !pause; },
                                         std::chrono::seconds(10)));
        // The owner hears of a removal before the device is closed.
        EXPECT_TRUE(dispatcher.PumpUntil([&] { return mouse.IsConfigPresent() == !pause; },
                                         std::chrono::seconds(10)));
        if (!pause) {
            EXPECT_TRUE(InformationBlockReads(mouse, *world));
        }
    }
}

}  // namespace
