// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/DeviceDiscovery.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>

#include "base/Debug.h"
#include "device/QuillonHS6533Device.h"
#include "device/QuillonKeyboardDevice.h"
#include "device/QuillonMousePadDevice.h"

namespace {

constexpr int kLinkQueryTries = 26;

// Sleeps unless stop is requested first; false when it was.
bool PauseUnlessStopped(std::stop_token stop, int ms) {
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    return !cv.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; }) &&
           !stop.stop_requested();
}

}  // namespace

std::unique_ptr<CQuillonUSBDevice> MakeBaseFamilyDevice(int typeIndex, IHidBackend* backend) {
    switch (typeIndex) {
        case 1:
            return std::make_unique<CQuillonKeyboardDevice>(backend);
        case 2:
            return std::make_unique<CQuillonMousePadDevice>(backend);
        case 3:
            return std::make_unique<CQuillonHS6533Device>(backend);
        default:
            return std::make_unique<CQuillonUSBDevice>(backend);
    }
}

int FindDeviceTypeIndex(uint16_t vendorId, uint16_t productId, uint16_t deviceClass,
                        uint16_t collectionKind) {
    for (size_t i = 0; i < kDeviceTypeTable.size(); ++i) {
        const DeviceTypeInfo& type = kDeviceTypeTable[i];
        if (type.vendorId == vendorId && type.productId == productId &&
            type.deviceClass == deviceClass && type.collectionKind == collectionKind)
            return static_cast<int>(i);
    }
    return -1;
}

int FindInterfaceTableIndex(uint16_t vendorId, uint16_t productId, uint16_t deviceClass,
                            uint16_t collectionKind) {
    for (size_t i = 0; i < kHidInterfaceTable.size(); ++i) {
        const HidInterfaceInfo& row = kHidInterfaceTable[i];
        if (row.vendorId == vendorId && row.productId == productId &&
            row.deviceClass == deviceClass && row.collectionKind == collectionKind)
            return static_cast<int>(i);
    }
    return -1;
}

CDeviceDiscovery::CDeviceDiscovery(std::shared_ptr<CCompositeHidBackend> backend,
                                   IDispatcher& dispatcher, IDeviceDiscoveryOwner& owner,
                                   DeviceFactory factory)
    : m_backend(std::move(backend)),
      m_dispatcher(dispatcher),
      m_owner(owner),
      m_factory(factory ? std::move(factory) : MakeBaseFamilyDevice),
      m_slots(kHidInterfaceTable) {}

CDeviceDiscovery::~CDeviceDiscovery() {
    *m_alive = false;
    Stop();
    std::lock_guard lock(m_devicesMutex);
    for (const auto& device : m_devices)
        if (device)
            device->StopThreads();
    m_devices.clear();
}

CDeviceDiscovery::Family CDeviceDiscovery::FamilyOf(uint16_t deviceClass) {
    switch (deviceClass) {
        case kDeviceClassKeyboard:
        case kDeviceClassKeyboardReceiver:
            return Family::Keyboard;
        case kDeviceClassMouse:
        case kDeviceClassMouseReceiver:
            return Family::Mouse;
        case kDeviceClassMousePad:
            return Family::MousePad;
        case kDeviceClassHeadset:
            return Family::Headset;
        default:
            return Family::None;
    }
}

bool CDeviceDiscovery::IsReceiverClass(uint16_t deviceClass) {
    return deviceClass == kDeviceClassMouseReceiver || deviceClass == kDeviceClassKeyboardReceiver;
}

void CDeviceDiscovery::Start() {
    if (m_scanThread.joinable())
        return;
    {
        std::lock_guard lock(m_slotsMutex);
        m_slots = kHidInterfaceTable;
        m_slotKeys = {};
    }
    // The mouse and keyboard exist from the start; the others on their first arrival.
    for (int type : {0, 1}) {
        const DeviceTypeInfo& info = kDeviceTypeTable[static_cast<size_t>(type)];
        int index = FindInterfaceTableIndex(info.vendorId, info.productId, info.deviceClass,
                                            info.collectionKind);
        if (index >= 0 && !Device(type))
            CreateDevice(index);
    }
    m_scanThread = std::jthread([this](std::stop_token stop) { ScanLoop(stop); });
}

void CDeviceDiscovery::Stop() {
    if (!m_scanThread.joinable())
        return;
    m_scanThread.request_stop();
    {
        // A command the scan thread waits on (the link query after a switch) ends at once.
        std::lock_guard lock(m_queryMutex);
        if (m_querying)
            m_querying->AbortConfiguration();
    }
    m_scanThread.join();
}

std::array<HidInterfaceInfo, CDeviceDiscovery::kSlotCount> CDeviceDiscovery::Slots() const {
    std::lock_guard lock(m_slotsMutex);
    return m_slots;
}

HidInterfaceInfo CDeviceDiscovery::SlotCopy(int slot) const {
    std::lock_guard lock(m_slotsMutex);
    return m_slots[static_cast<size_t>(slot)];
}

CQuillonUSBDevice* CDeviceDiscovery::Device(int typeIndex) const {
    std::lock_guard lock(m_devicesMutex);
    for (const auto& device : m_devices)
        if (device->GetTypeIndex() == typeIndex)
            return device.get();
    return nullptr;
}

std::vector<CQuillonUSBDevice*> CDeviceDiscovery::Devices() const {
    std::lock_guard lock(m_devicesMutex);
    std::vector<CQuillonUSBDevice*> devices;
    for (const auto& device : m_devices)
        devices.push_back(device.get());
    return devices;
}

void CDeviceDiscovery::Notify(std::function<void(IDeviceDiscoveryOwner&)> call) {
    m_dispatcher.Post([alive = m_alive, owner = &m_owner, call = std::move(call)] {
        if (*alive)
            call(*owner);
    });
}

// ---- the scan ----

void CDeviceDiscovery::ScanLoop(std::stop_token stop) {
    m_scanThreadId = static_cast<pid_t>(gettid());
    // Sets up the change monitors before the first enumeration, so that nothing arriving
    // during it goes unseen.
    m_backend->WaitForChange(0, stop);
    bool first = true;
    while (!stop.stop_requested()) {
        // Taken before the pass: a change during the pass leaves the descriptor readable and
        // brings another pass.
        m_backend->AcknowledgeChange();
        const bool freed = Pass(stop, first);
        first = false;
        // A freed slot is matched again at once: what came back in its place (the same path
        // after a quick re-plug, or a new node number) was listed while the slot was still
        // held, and its change signal may be consumed already.
        if (freed)
            continue;
        // Sleeps until the udev monitor or the simulated mouse reports a change, or stop.
        m_backend->WaitForChange(-1, stop);
    }
    DebugLine(DebugArea::Device, "抓取设备线程设定退出");
}

bool CDeviceDiscovery::Pass(std::stop_token stop, bool first) {
    ++m_passes;
    bool anyFree = false;
    {
        std::lock_guard lock(m_slotsMutex);
        for (const HidInterfaceInfo& slot : m_slots)
            anyFree = anyFree || !slot.inUse;
    }
    if (anyFree) {
        CHidDevice enumerator(m_backend.get());
        // A backend that fails still leaves the others' paths to look at.
        if (!enumerator.BeginEnumeration())
            DebugLine(DebugArea::Device, "HID enumeration failed; using the interfaces found");
        while (const char* path = enumerator.NextPath()) {
            if (stop.stop_requested())
                return false;
            ConsiderPath(path, stop);
        }
        enumerator.FreePathList();
    }
    // Arrivals were handled inside ConsiderPath; report them before the first pass ends.
    bool freed = false;
    for (int slot = 0; slot < static_cast<int>(kSlotCount); ++slot) {
        if (stop.stop_requested())
            return freed;
        HidInterfaceInfo record;
        std::string key;
        {
            std::lock_guard lock(m_slotsMutex);
            record = m_slots[static_cast<size_t>(slot)];
            key = m_slotKeys[static_cast<size_t>(slot)];
        }
        if (!record.inUse || record.path.empty())
            continue;
        // The path alone cannot tell: after a quick re-plug it leads to the device again, but
        // the interfaces opened on the old plug are dead.
        CHidDevice probe(m_backend.get());
        if (probe.InstanceKey(record.path) == key)
            continue;
        {
            std::lock_guard lock(m_slotsMutex);
            m_slots[static_cast<size_t>(slot)].inUse = 0;
            m_slots[static_cast<size_t>(slot)].path.clear();
            m_slotKeys[static_cast<size_t>(slot)].clear();
        }
        HandleRemoved(slot, record, stop);
        freed = true;
    }
    if (first)
        Notify([](IDeviceDiscoveryOwner& owner) { owner.OnFirstPassDone(); });
    return freed;
}

void CDeviceDiscovery::ConsiderPath(const std::string& path, std::stop_token stop) {
    HidInterfaceInfo record = InterfaceInfoFromPath(path);
    {
        std::lock_guard lock(m_slotsMutex);
        bool freeSlot = false;
        for (const HidInterfaceInfo& slot : m_slots) {
            // An interface already held stays in its slot: matching it again would take a
            // second slot with the same numbers for the same interface.
            if (slot.inUse && slot.path == path)
                return;
            freeSlot = freeSlot || (!slot.inUse && slot.vendorId == record.vendorId &&
                                    slot.productId == record.productId &&
                                    slot.collectionNumber == record.collectionNumber &&
                                    slot.interfaceNumber == record.interfaceNumber);
        }
        if (!freeSlot)
            return;
    }
    CHidDevice probe(m_backend.get());
    // Read before anything opens: should the device be re-plugged from here on, the key no
    // longer matches and the unplug check frees the slot for the new plug.
    const std::string key = probe.InstanceKey(path);
    if (key.empty() || !probe.Open(path, true, false, true, false))
        return;  // gone already, or not ours to open; tried again on the next pass
    record.vendorId = probe.GetVendorId();
    record.productId = probe.GetProductId();
    record.usagePage = probe.GetUsagePage();
    record.usage = probe.GetUsage();
    probe.Close();

    int taken = -1;
    {
        std::lock_guard lock(m_slotsMutex);
        for (size_t i = 0; i < m_slots.size(); ++i) {
            HidInterfaceInfo& slot = m_slots[i];
            if (!slot.inUse && slot.vendorId == record.vendorId &&
                slot.productId == record.productId &&
                slot.collectionNumber == record.collectionNumber &&
                slot.interfaceNumber == record.interfaceNumber &&
                slot.usagePage == record.usagePage && slot.usage == record.usage) {
                slot.inUse = 1;
                slot.path = path;
                m_slotKeys[i] = key;
                taken = static_cast<int>(i);
                break;
            }
        }
    }
    if (taken >= 0)
        HandleArrived(taken, stop);
}

// ---- arrival and removal ----

bool CDeviceDiscovery::PartnerAttached(int slot) const {
    std::lock_guard lock(m_slotsMutex);
    const HidInterfaceInfo& own = m_slots[static_cast<size_t>(slot)];
    if (!own.paired || own.pairIndex >= kSlotCount)
        return false;
    const HidInterfaceInfo& partner = m_slots[own.pairIndex];
    return partner.inUse && !partner.path.empty() && partner.pairIndex == slot;
}

HidInterfaceInfo CDeviceDiscovery::ReferenceRecord(int slot) const {
    std::lock_guard lock(m_slotsMutex);
    const HidInterfaceInfo* reference = &m_slots[static_cast<size_t>(slot)];
    if (reference->collectionKind != kCollectionConfiguration) {
        for (const HidInterfaceInfo& candidate : m_slots)
            if (candidate.collectionKind == kCollectionConfiguration &&
                candidate.vendorId == reference->vendorId &&
                candidate.productId == reference->productId &&
                candidate.deviceClass == reference->deviceClass) {
                reference = &candidate;
                break;
            }
    }
    if (IsReceiverClass(reference->deviceClass) && reference->paired &&
        reference->pairIndex < kSlotCount) {
        const HidInterfaceInfo& partner = m_slots[reference->pairIndex];
        if (partner.pairIndex < kSlotCount && &m_slots[partner.pairIndex] == reference)
            reference = &partner;
    }
    HidInterfaceInfo result = *reference;
    result.inUse = 0;
    result.path.clear();
    return result;
}

CQuillonUSBDevice* CDeviceDiscovery::FindDevice(const HidInterfaceInfo& record) const {
    std::lock_guard lock(m_devicesMutex);
    for (const auto& device : m_devices)
        if (device->GetDeviceRecord() == record)
            return device.get();
    return nullptr;
}

CQuillonUSBDevice* CDeviceDiscovery::CreateDevice(int tableIndex) {
    if (tableIndex < 0 || static_cast<size_t>(tableIndex) >= kSlotCount)
        return nullptr;
    // A receiver record stands for its cable partner's device.
    HidInterfaceInfo record = ReferenceRecord(tableIndex);
    uint16_t deviceClass = record.deviceClass;
    if (deviceClass == kDeviceClassMouseReceiver)
        deviceClass = kDeviceClassMouse;
    else if (deviceClass == kDeviceClassKeyboardReceiver)
        deviceClass = kDeviceClassKeyboard;
    int type =
        FindDeviceTypeIndex(record.vendorId, record.productId, deviceClass, record.collectionKind);
    if (type < 0)
        return nullptr;
    std::unique_ptr<CQuillonUSBDevice> device = m_factory(type, m_backend.get());
    if (!device)
        return nullptr;
    const DeviceTypeInfo& info = kDeviceTypeTable[static_cast<size_t>(type)];
    const DevicePageInfo& page = kDevicePageTable[static_cast<size_t>(type)];
    device->SetPageLayout(std::string(page.pageLayout));
    device->SetKeyCount(page.keyButtons);
    device->SetLightCount(page.lightZones);
    device->SetTypeIndex(type);
    device->SetWirelessCapable(page.wirelessCapable != 0);
    device->SetReserved(page.reserved);
    device->SetTypeKey(std::string(info.typeKey));
    device->SetDeviceRecord(record);
    device->SetDeviceKind(info.kindNumber);
    device->SetLightFilePrefix(std::string(page.lightFilePrefix));
    device->SetEventSink(m_eventSink);
    CQuillonUSBDevice* created = device.get();
    {
        std::lock_guard lock(m_devicesMutex);
        m_devices.push_back(std::move(device));
    }
    Notify([created](IDeviceDiscoveryOwner& owner) { owner.OnDeviceCreated(*created); });
    return created;
}

void CDeviceDiscovery::HandleArrived(int slot, std::stop_token stop) {
    const HidInterfaceInfo record = SlotCopy(slot);
    auto arrived = [slot, record](IDeviceDiscoveryOwner& owner) {
        owner.OnInterfaceArrived(slot, record);
    };
    if (!FindDevice(ReferenceRecord(slot))) {
        int tableIndex = FindInterfaceTableIndex(record.vendorId, record.productId,
                                                 record.deviceClass, kCollectionConfiguration);
        CreateDevice(tableIndex);
    }
    // The owner hears of a configuration interface before what its connection brings, and of
    // an event interface once it is open.
    if (record.collectionKind == kCollectionConfiguration) {
        Notify(arrived);
        ConnectConfiguration(slot, stop);
    } else {
        ConnectEvent(slot);
        Notify(arrived);
    }
    Notify([](IDeviceDiscoveryOwner& owner) { owner.OnBringUp(); });
}

void CDeviceDiscovery::ConnectConfiguration(int slot, std::stop_token stop) {
    const HidInterfaceInfo record = SlotCopy(slot);
    const Family family = FamilyOf(record.deviceClass);
    const bool pairable = family == Family::Mouse || family == Family::Keyboard;
    const bool receiver = pairable && IsReceiverClass(record.deviceClass);
    if (pairable && record.paired && PartnerAttached(slot)) {
        // Reachable the other way already: the cable takes over, a receiver waits in reserve.
        if (!receiver)
            SwitchTransport(slot, false, stop);
        return;
    }
    const HidInterfaceInfo reference = ReferenceRecord(slot);
    CQuillonUSBDevice* device = FindDevice(reference);
    if (!device)
        return;
    if (!device->IsConfigPresent()) {
        if (device->ConnectConfiguration(record.path, receiver, pairable))
            device->SetDeviceRecord(reference);
        else
            DebugPrintf(DebugArea::Device, "cannot open %s for configuration", record.path.c_str());
    }
    if (!receiver)
        Notify([device](IDeviceDiscoveryOwner& owner) { owner.OnShowEntry(*device, true); });
    Notify([device](IDeviceDiscoveryOwner& owner) {
        owner.OnStartFirstContact(*device, kFirstContactDelayMs);
    });
}

void CDeviceDiscovery::SwitchTransport(int cableSlot, bool toReceiver, std::stop_token stop) {
    const HidInterfaceInfo cable = SlotCopy(cableSlot);
    CQuillonUSBDevice* device = FindDevice(ReferenceRecord(cableSlot));
    if (!device || cable.pairIndex >= kSlotCount)
        return;
    const std::string path = toReceiver ? SlotCopy(cable.pairIndex).path : cable.path;
    const bool present = device->IsConfigPresent();
    if (present && device->IsThroughReceiver() == toReceiver)
        return;  // there already (an earlier switch had failed)
    // Without a transport in use (its open had failed) this is a plain connection.
    if (!(present ? device->SwitchTransport(path, toReceiver)
                  : device->ConnectConfiguration(path, toReceiver))) {
        DebugPrintf(DebugArea::Device, "transport switch to %s failed",
                    toReceiver ? "the receiver" : "the cable");
        if (toReceiver)
            Notify([device](IDeviceDiscoveryOwner& owner) { owner.OnShowEntry(*device, false); });
        return;
    }
    Notify([device, toReceiver](IDeviceDiscoveryOwner& owner) {
        owner.OnTransportSwitched(*device, toReceiver);
    });
    // Marks the device whose commands Stop may cut short; no transport opens meanwhile.
    struct QueryScope {
        CDeviceDiscovery& self;
        QueryScope(CDeviceDiscovery& owner, CQuillonUSBDevice* device) : self(owner) {
            std::lock_guard lock(self.m_queryMutex);
            self.m_querying = device;
        }
        ~QueryScope() {
            std::lock_guard lock(self.m_queryMutex);
            self.m_querying = nullptr;
        }
    } query(*this, device);
    if (toReceiver) {
        if (device->IsWirelessCapable()) {
            bool linked = false;
            for (int i = 0; i < kLinkQueryTries && !linked; ++i) {
                // Checked after the scope is marked: a Stop from now on cuts the query short.
                if (stop.stop_requested())
                    return;
                linked = device->ConfigChannel().QueryLink();
                if (!linked) {
                    DebugLine(DebugArea::Device, "获取2.4G模式失败");
                    if (!PauseUnlessStopped(stop, m_linkQueryPauseMs))
                        return;
                }
            }
            DebugLine(DebugArea::Device, "获取2");
            if (stop.stop_requested())
                return;
            device->RefreshStatus();
        }
        Notify([device](IDeviceDiscoveryOwner& owner) {
            owner.OnStartLinkPoll(*device, kLinkPollDelayMs);
        });
    } else {
        Notify([device](IDeviceDiscoveryOwner& owner) {
            owner.OnStartFirstContact(*device, kFirstContactDelayMs);
            owner.OnShowEntry(*device, true);
        });
        if (device->IsWirelessCapable() && !stop.stop_requested())
            device->RefreshStatus();
    }
}

CQuillonUSBDevice* CDeviceDiscovery::EventDeviceFor(int slot, bool open, bool& receiver) const {
    const HidInterfaceInfo record = SlotCopy(slot);
    const Family family = FamilyOf(record.deviceClass);
    receiver = (family == Family::Mouse || family == Family::Keyboard) &&
               IsReceiverClass(record.deviceClass);
    const HidInterfaceInfo reference = ReferenceRecord(slot);
    for (CQuillonUSBDevice* device : Devices()) {
        HidInterfaceInfo own = device->GetDeviceRecord();
        if (own.vendorId == reference.vendorId && own.productId == reference.productId &&
            own.deviceClass == reference.deviceClass &&
            device->IsEventInterfaceOpen(receiver) == open)
            return device;
    }
    return nullptr;
}

void CDeviceDiscovery::ConnectEvent(int slot) {
    // Each transport on its own: the receiver's events open beside the cable's, so they are
    // heard once the cable goes.
    bool receiver = false;
    if (CQuillonUSBDevice* device = EventDeviceFor(slot, false, receiver)) {
        const std::string path = SlotCopy(slot).path;
        if (!device->OpenEventInterface(path, receiver))
            DebugPrintf(DebugArea::Device, "cannot open the event interface %s", path.c_str());
    }
}

void CDeviceDiscovery::CloseEvent(int slot) {
    bool receiver = false;
    if (CQuillonUSBDevice* device = EventDeviceFor(slot, true, receiver))
        device->CloseEventInterface(receiver);
}

void CDeviceDiscovery::HandleRemoved(int slot, const HidInterfaceInfo& record,
                                     std::stop_token stop) {
    auto removed = [slot, record](IDeviceDiscoveryOwner& owner) {
        owner.OnInterfaceRemoved(slot, record);
    };
    const Family family = FamilyOf(record.deviceClass);
    if (record.collectionKind != kCollectionConfiguration) {
        CloseEvent(slot);
        Notify(removed);
        return;
    }
    Notify(removed);
    const bool pairable = family == Family::Mouse || family == Family::Keyboard;
    if (pairable && record.paired && PartnerAttached(slot)) {
        if (!IsReceiverClass(record.deviceClass))
            SwitchTransport(slot, true, stop);
        return;
    }
    if (family == Family::Mouse)
        DebugLine(DebugArea::Device, "鼠标设备丢失");
    CQuillonUSBDevice* device = FindDevice(ReferenceRecord(slot));
    if (!device)
        return;
    device->DisconnectConfiguration();
    Notify([device](IDeviceDiscoveryOwner& owner) { owner.OnShowEntry(*device, false); });
}
