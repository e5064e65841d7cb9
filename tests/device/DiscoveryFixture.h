// SPDX-License-Identifier: GPL-2.0-or-later
// Discovery over the simulated mouse, with an owner that records what it is told on the test's
// thread (the thread that pumps the dispatcher).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"

struct DiscoveryNote {
    enum Kind {
        Created,
        Arrived,
        Removed,
        Show,
        Hide,
        FirstContact,
        LinkPoll,
        Switched,
        FirstPass
    };
    Kind kind;
    int value;  // slot, type index, or the new transport (1: receiver)
    std::string path;
};

class CRecordingOwner : public IDeviceDiscoveryOwner {
  public:
    void OnDeviceCreated(CQuillonUSBDevice& device) override {
        Add(DiscoveryNote::Created, device.GetTypeIndex());
    }
    void OnInterfaceArrived(int slot, const HidInterfaceInfo& record) override {
        Add(DiscoveryNote::Arrived, slot, record.path);
    }
    void OnInterfaceRemoved(int slot, const HidInterfaceInfo& record) override {
        Add(DiscoveryNote::Removed, slot, record.path);
    }
    void OnShowEntry(CQuillonUSBDevice& device, bool show) override {
        Add(show ? DiscoveryNote::Show : DiscoveryNote::Hide, device.GetTypeIndex());
    }
    void OnStartFirstContact(CQuillonUSBDevice& device, int) override {
        Add(DiscoveryNote::FirstContact, device.GetTypeIndex());
    }
    void OnStartLinkPoll(CQuillonUSBDevice& device, int) override {
        Add(DiscoveryNote::LinkPoll, device.GetTypeIndex());
    }
    void OnTransportSwitched(CQuillonUSBDevice&, bool throughReceiver) override {
        Add(DiscoveryNote::Switched, throughReceiver ? 1 : 0);
    }
    void OnFirstPassDone() override { Add(DiscoveryNote::FirstPass, 0); }

    int Count(DiscoveryNote::Kind kind, int value = -1) const {
        return static_cast<int>(std::count_if(notes.begin(), notes.end(), [&](const auto& n) {
            return n.kind == kind && (value < 0 || n.value == value);
        }));
    }

    std::vector<DiscoveryNote> notes;

  private:
    void Add(DiscoveryNote::Kind kind, int value, std::string path = {}) {
        notes.push_back({kind, value, std::move(path)});
    }
};

class DiscoveryTest : public testing::Test {
  protected:
    static constexpr int kMouse = 0;
    // Slots of the mouse's interfaces.
    static constexpr int kCableConfig = 4, kCableEvents = 5, kReceiverConfig = 6,
                         kReceiverEvents = 7;

    DiscoveryTest() {
        world->SetCablePlugged(false);
        backend->Add(MakeEmulatedHidBackend(world));
    }
    void TearDown() override {
        EXPECT_EQ(world->ProtocolErrors(), 0u) << world->LastProtocolError();
    }

    // Starts discovery and waits for its first pass.
    void Start() {
        discovery.SetLinkQueryPauseMs(1);
        discovery.Start();
        ASSERT_TRUE(WaitFor([&] { return owner.Count(DiscoveryNote::FirstPass) == 1; }));
    }
    // Pumps the owner's calls until `done` holds; the deadline only matters when it never does.
    bool WaitFor(const std::function<bool()>& done) {
        return dispatcher.PumpUntil(done, std::chrono::seconds(10));
    }
    bool SlotInUse(int slot) const { return discovery.Slots()[static_cast<size_t>(slot)].inUse; }
    CQuillonMouseDevice& Mouse() {
        auto* mouse = dynamic_cast<CQuillonMouseDevice*>(discovery.Device(kMouse));
        EXPECT_NE(mouse, nullptr);
        return *mouse;
    }

    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::shared_ptr<CCompositeHidBackend> backend = std::make_shared<CCompositeHidBackend>();
    CCallbackDispatcher dispatcher;
    CRecordingOwner owner;
    CDeviceDiscovery discovery{backend, dispatcher, owner, MakeQuillonDevice};
};
