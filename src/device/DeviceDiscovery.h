// SPDX-License-Identifier: GPL-2.0-or-later
// Finding the supported devices: the slots (a working copy of kHidInterfaceTable), the scan
// thread that fills and frees them as interfaces come and go, and what an arrival or a removal
// does to the device objects: connect, disconnect, transport switch, event interfaces.
//
// Device work runs on the scan thread, under the channels' I/O locks, so the owner's thread
// never waits on a device. The owner hears about it through IDeviceDiscoveryOwner, called on
// its own thread through its dispatcher; calls still queued when discovery is destroyed are
// dropped.
#pragma once

#include <sys/types.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "device/CallbackDispatcher.h"
#include "device/DeviceTables.h"
#include "device/HidBackends.h"
#include "device/QuillonUSBDevice.h"

class IDeviceDiscoveryOwner {
  public:
    virtual ~IDeviceDiscoveryOwner() = default;
    // A device object exists: the mouse and the keyboard at start, the others on first arrival.
    virtual void OnDeviceCreated(CQuillonUSBDevice& /*device*/) {}
    // A slot was taken (record: the slot, path included) or freed (record: as it was).
    virtual void OnInterfaceArrived(int /*slot*/, const HidInterfaceInfo& /*record*/) {}
    virtual void OnInterfaceRemoved(int /*slot*/, const HidInterfaceInfo& /*record*/) {}
    // Show the device's entry (selected when no entry is visible) or hide it.
    virtual void OnShowEntry(CQuillonUSBDevice& /*device*/, bool /*show*/) {}
    // Start the entry's first-contact timer or its link poll (see CConnectionLife).
    virtual void OnStartFirstContact(CQuillonUSBDevice& /*device*/, int /*delayMs*/) {}
    virtual void OnStartLinkPoll(CQuillonUSBDevice& /*device*/, int /*delayMs*/) {}
    // The configuration channel moved to the receiver or back to the cable.
    virtual void OnTransportSwitched(CQuillonUSBDevice& /*device*/, bool /*throughReceiver*/) {}
    // The first scan pass is over (the window comes up).
    virtual void OnFirstPassDone() {}
    // After every arrival: bring the window up.
    virtual void OnBringUp() {}
};

using DeviceFactory =
    std::function<std::unique_ptr<CQuillonUSBDevice>(int typeIndex, IHidBackend* backend)>;
// The families of this library; the mouse type gets the base class.
std::unique_ptr<CQuillonUSBDevice> MakeBaseFamilyDevice(int typeIndex, IHidBackend* backend);

// Device type of a record key (vendor ID, product ID, class, kind equal); -1 when none.
int FindDeviceTypeIndex(uint16_t vendorId, uint16_t productId, uint16_t deviceClass,
                        uint16_t collectionKind);
// Index in kHidInterfaceTable of a record key; -1 when none.
int FindInterfaceTableIndex(uint16_t vendorId, uint16_t productId, uint16_t deviceClass,
                            uint16_t collectionKind);

class CDeviceDiscovery {
  public:
    static constexpr size_t kSlotCount = kHidInterfaceTable.size();
    static constexpr int kFirstContactDelayMs = 500;
    static constexpr int kLinkPollDelayMs = 2000;

    CDeviceDiscovery(std::shared_ptr<CCompositeHidBackend> backend, IDispatcher& dispatcher,
                     IDeviceDiscoveryOwner& owner, DeviceFactory factory = MakeBaseFamilyDevice);
    // Stops the scan and closes every device.
    ~CDeviceDiscovery();
    CDeviceDiscovery(const CDeviceDiscovery&) = delete;
    CDeviceDiscovery& operator=(const CDeviceDiscovery&) = delete;

    // Given to every device created (set before Start).
    void SetEventSink(IDeviceEventSink* sink) { m_eventSink = sink; }
    // Pauses of the link query after a switch to the receiver (tests shorten them).
    void SetLinkQueryPauseMs(int ms) { m_linkQueryPauseMs = ms; }

    // Fills the slots, creates the mouse and keyboard devices (hidden) and starts the scan.
    void Start();
    // Ends the scan thread promptly: a command it waits on is cut short by closing that
    // device's configuration transports.
    void Stop();

    std::array<HidInterfaceInfo, kSlotCount> Slots() const;
    // The device of a type; null until created. Devices live as long as discovery.
    CQuillonUSBDevice* Device(int typeIndex) const;
    std::vector<CQuillonUSBDevice*> Devices() const;

    // Diagnostics for benchmarks: passes run, and the scan thread's id (0 before it runs).
    uint64_t PassCount() const { return m_passes.load(); }
    pid_t ScanThreadId() const { return m_scanThreadId.load(); }

  private:
    enum class Family { None, Keyboard, Mouse, MousePad, Headset };
    static Family FamilyOf(uint16_t deviceClass);
    static bool IsReceiverClass(uint16_t deviceClass);

    void ScanLoop(std::stop_token stop);
    // True when it freed a slot.
    bool Pass(std::stop_token stop, bool first);
    void ConsiderPath(const std::string& path, std::stop_token stop);

    void HandleArrived(int slot, std::stop_token stop);
    void HandleRemoved(int slot, const HidInterfaceInfo& record, std::stop_token stop);
    void ConnectConfiguration(int slot, std::stop_token stop);
    void ConnectEvent(int slot);
    void CloseEvent(int slot);
    // The device whose event interface on this slot's transport is open (or closed, with
    // open false); `receiver` tells which transport that is.
    CQuillonUSBDevice* EventDeviceFor(int slot, bool open, bool& receiver) const;
    void SwitchTransport(int cableSlot, bool toReceiver, std::stop_token stop);

    HidInterfaceInfo SlotCopy(int slot) const;
    bool PartnerAttached(int slot) const;
    // The record a device serving this slot holds: the configuration record, the cable
    // partner's for a paired receiver slot.
    HidInterfaceInfo ReferenceRecord(int slot) const;
    CQuillonUSBDevice* FindDevice(const HidInterfaceInfo& record) const;
    CQuillonUSBDevice* CreateDevice(int tableIndex);

    void Notify(std::function<void(IDeviceDiscoveryOwner&)> call);

    std::shared_ptr<CCompositeHidBackend> m_backend;
    IDispatcher& m_dispatcher;
    IDeviceDiscoveryOwner& m_owner;
    DeviceFactory m_factory;
    IDeviceEventSink* m_eventSink = nullptr;
    int m_linkQueryPauseMs = 50;
    // Cleared on destruction: queued owner calls then do nothing.
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);

    // Written by the scan thread, read by the owner.
    mutable std::mutex m_slotsMutex;
    std::array<HidInterfaceInfo, kSlotCount> m_slots;
    // The instance key of what each slot holds, read before the interface was first opened.
    std::array<std::string, kSlotCount> m_slotKeys;

    mutable std::mutex m_devicesMutex;
    std::vector<std::unique_ptr<CQuillonUSBDevice>> m_devices;

    // The device the scan thread runs commands on, if any.
    std::mutex m_queryMutex;
    CQuillonUSBDevice* m_querying = nullptr;

    std::atomic<uint64_t> m_passes{0};
    std::atomic<pid_t> m_scanThreadId{0};
    std::jthread m_scanThread;
};
