// SPDX-License-Identifier: GPL-2.0-or-later
// Discovery over emulated hidraw nodes: the mouse's cable as its two nodes (interface 0 with the
// event collection, interface 1 with the configuration collection), plugged and pulled.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "HidrawTestbed.h"
#include "device/DeviceDiscovery.h"
#include "device/HidrawBackend.h"
#include "device/PlugTally.h"
#include "emulator/SimDescriptors.h"

namespace {

constexpr int kCableConfig = 4, kCableEvents = 5;

struct CableNodes {
    std::string events;  // "hidraw0"
    std::string config;
};

std::string ConfigPath(const CableNodes& nodes) {
    return "/dev/" + nodes.config + "#vid_320f&pid_226e&mi_01&col02";
}

class HidrawDiscoveryTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CHidrawTestbed::Available()) << "run under umockdev-wrapper";
        testbed = std::make_unique<CHidrawTestbed>();
        // Stays plugged: umockdev cannot send a remove uevent, so an event of this node tells
        // the monitor once the unplugged nodes are gone, as the kernel's remove event would.
        testbed->AddNode(
            {"hidraw9", "2-1", 0x1234, 0x5678, 0x0100, 0, SimEventInterfaceDescriptor()});
        backend->Add(MakeHidrawBackend());
        discovery = std::make_unique<CDeviceDiscovery>(backend, dispatcher, tally);
        discovery->Start();
        ASSERT_TRUE(Pump([&] { return tally.firstPass; }));
    }

    void Plug(const CableNodes& nodes) {
        testbed->AddNode(
            {nodes.events, "1-1", 0x320F, 0x226E, 0x0105, 0, SimEventInterfaceDescriptor()});
        testbed->AddNode(
            {nodes.config, "1-1", 0x320F, 0x226E, 0x0105, 1, SimConfigInterfaceDescriptor()});
    }
    // Without an event: the caller decides when the monitor hears of it.
    void Pull(const CableNodes& nodes) {
        testbed->RemoveNode(nodes.events);
        testbed->RemoveNode(nodes.config);
    }
    void Unplug(const CableNodes& nodes) {
        Pull(nodes);
        testbed->Uevent("hidraw9", "change");
    }

    bool Pump(const std::function<bool()>& done) {
        return dispatcher.PumpUntil(done, std::chrono::seconds(20));
    }
    // Both of the cable's slots told `arrivals` and `removals` times, the configuration
    // interface connected after every arrival.
    bool Reached(int arrivals, int removals) {
        return Pump([&] {
            for (int slot : {kCableConfig, kCableEvents})
                if (tally.arrivals[slot] != arrivals || tally.removals[slot] != removals)
                    return false;
            return tally.firstContacts == arrivals;
        });
    }
    std::string Counts() const {
        return "config " + std::to_string(tally.arrivals[kCableConfig]) + "/" +
               std::to_string(tally.removals[kCableConfig]) + ", events " +
               std::to_string(tally.arrivals[kCableEvents]) + "/" +
               std::to_string(tally.removals[kCableEvents]);
    }

    // Declared first, destroyed last: discovery holds its nodes open.
    std::unique_ptr<CHidrawTestbed> testbed;
    std::shared_ptr<CCompositeHidBackend> backend = std::make_shared<CCompositeHidBackend>();
    CCallbackDispatcher dispatcher;
    CPlugTally tally;
    std::unique_ptr<CDeviceDiscovery> discovery;
};

TEST_F(HidrawDiscoveryTest, AReplugTheScanSeesOnlyAfterwardsIsARemovalAndAnArrival) {
    const CableNodes first{"hidraw0", "hidraw1"};
    Plug(first);
    ASSERT_TRUE(Reached(1, 0)) << Counts();

    struct Case {
        const char* what;
        CableNodes again;
    };
    // The kernel hands the freed node numbers out again, or new ones while the old are held.
    const Case cases[] = {{"same node numbers", first},
                          {"new node numbers", {"hidraw2", "hidraw3"}}};
    CableNodes current = first;
    int plugs = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Pulled and back before the monitor hears of it: it sees only the add events.
        Pull(current);
        Plug(c.again);
        ASSERT_TRUE(Reached(plugs + 1, plugs)) << Counts();
        ++plugs;
        current = c.again;
        EXPECT_EQ(discovery->Slots()[kCableConfig].path, ConfigPath(c.again));

        // The configuration transport is open on the node now plugged.
        CReportChannel& channel = discovery->Device(0)->ConfigChannel();
        std::vector<uint8_t> report(64, 0);
        report[0] = kSimConfigReportId;
        uint32_t written = 0;
        {
            std::lock_guard io(channel.IoLock());
            ASSERT_EQ(channel.DirectTransport().Write(report.data(), 64, &written, 1000), 1);
        }
        EXPECT_EQ(testbed->TakeOutput(c.again.config, 64), report);
    }
    EXPECT_TRUE(tally.faults.empty()) << tally.faults.front();
}

// As the simulated mouse's loop, with far fewer cycles: umockdev takes milliseconds to remove a
// device.
TEST_F(HidrawDiscoveryTest, EveryPlugArrivesAndEveryUnplugIsRemoved) {
    const CableNodes cable{"hidraw0", "hidraw1"};
    const int cycles = PlugCycles(30);
    int plugs = 0, unplugs = 0;
    for (bool pause : {true, false}) {
        SCOPED_TRACE(pause ? "waiting for each change" : "re-plugging at once");
        if (!pause) {
            Plug(cable);
            ASSERT_TRUE(Reached(++plugs, unplugs)) << Counts();
        }
        for (int i = 0; i < cycles; ++i) {
            if (pause) {
                Plug(cable);
                ASSERT_TRUE(Reached(++plugs, unplugs)) << "plug " << i << ": " << Counts();
                Unplug(cable);
            } else {
                Pull(cable);
                Plug(cable);
                ++plugs;
            }
            ASSERT_TRUE(Reached(plugs, ++unplugs)) << i << ": " << Counts();
        }
    }
    EXPECT_TRUE(tally.faults.empty()) << tally.faults.front();
    EXPECT_TRUE(discovery->Device(0)->IsConfigPresent());
}

}  // namespace
