// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/QuillonUSBDevice.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "base/Debug.h"
#include "base/Paths.h"

CQuillonUSBDevice::CQuillonUSBDevice(IHidBackend* backend)
    : m_configChannel(backend), m_eventChannel(backend) {}

// The families stop their listeners in their own destructors; the channels close their
// transports in theirs.
CQuillonUSBDevice::~CQuillonUSBDevice() = default;

void CQuillonUSBDevice::SetDeviceRecord(const HidInterfaceInfo& record) {
    {
        std::lock_guard lock(m_recordMutex);
        m_record = record;
    }
    m_deviceClass = record.deviceClass;
    m_collectionKind = record.collectionKind;
}

HidInterfaceInfo CQuillonUSBDevice::GetDeviceRecord() const {
    std::lock_guard lock(m_recordMutex);
    return m_record;
}

void CQuillonUSBDevice::SetKeyCount(int count) {
    m_keyCount = std::max(0, count);
    std::lock_guard lock(m_dataMutex);
    m_keyMap.resize(static_cast<size_t>(m_keyCount), 0);
}

void CQuillonUSBDevice::SetLightCount(int count) {
    const size_t size = static_cast<size_t>(std::max(0, count));
    std::lock_guard lock(m_dataMutex);
    if (size == m_lightColours.size())
        return;
    m_lightColours.assign(size, 0);
    m_lightState.assign(size, 0);
}

int CQuillonUSBDevice::GetLightCount() const {
    std::lock_guard lock(m_dataMutex);
    return static_cast<int>(m_lightColours.size());
}

bool CQuillonUSBDevice::ConnectConfiguration(const std::string& path, bool throughReceiver,
                                             bool setTransportMode) {
    ExpectNotUiThread("CQuillonUSBDevice::ConnectConfiguration");
    CReportChannel& channel = m_configChannel;
    std::lock_guard io(channel.IoLock());
    CHidDevice& transport =
        throughReceiver ? channel.ReceiverTransport() : channel.DirectTransport();
    if (!transport.Open(path, true, true, true, false))
        return false;
    if (setTransportMode)
        channel.SetTransportMode(throughReceiver ? kTransportModeReceiver : kTransportModeDirect);
    m_throughReceiver = throughReceiver;
    channel.SetPresent(true);
    OnConfigPresenceChanged();
    return true;
}

void CQuillonUSBDevice::DisconnectConfiguration() {
    ExpectNotUiThread("CQuillonUSBDevice::DisconnectConfiguration");
    CReportChannel& channel = m_configChannel;
    std::lock_guard io(channel.IoLock());
    channel.SetPresent(false);
    channel.DirectTransport().Close();
    channel.ReceiverTransport().Close();
    OnConfigPresenceChanged();
}

void CQuillonUSBDevice::AbortConfiguration() {
    m_configChannel.SetPresent(false);
    // Close is safe beside a blocked read: it cancels it.
    m_configChannel.DirectTransport().Close();
    m_configChannel.ReceiverTransport().Close();
    OnConfigPresenceChanged();
}

bool CQuillonUSBDevice::SwitchTransport(const std::string& path, bool toReceiver) {
    ExpectNotUiThread("CQuillonUSBDevice::SwitchTransport");
    CReportChannel& channel = m_configChannel;
    std::lock_guard io(channel.IoLock());
    CHidDevice& from = toReceiver ? channel.DirectTransport() : channel.ReceiverTransport();
    CHidDevice& to = toReceiver ? channel.ReceiverTransport() : channel.DirectTransport();
    const bool wasPresent = channel.IsPresent();
    channel.SetPresent(false);
    to.Close();
    if (!to.Open(path, true, true, true, false)) {
        // E.g. a cable that went again before it opened: the receiver still serves the device.
        if (wasPresent && m_throughReceiver.load() != toReceiver && from.IsOpen() &&
            from.IsPresent(from.GetPath()))
            channel.SetPresent(true);
        OnConfigPresenceChanged();
        return false;
    }
    channel.SetTransportMode(toReceiver ? kTransportModeReceiver : kTransportModeDirect);
    m_throughReceiver = toReceiver;
    channel.SetPresent(true);
    OnConfigPresenceChanged();
    return true;
}

bool CQuillonUSBDevice::OpenEventInterface(const std::string& path, bool throughReceiver) {
    ExpectNotUiThread("CQuillonUSBDevice::OpenEventInterface");
    CloseEventInterface(throughReceiver);
    bool opened;
    {
        std::lock_guard io(m_eventChannel.IoLock());
        opened = EventTransport(throughReceiver).Open(path, true, true, true, false) != 0;
        if (opened) {
            if (throughReceiver)
                m_eventChannel.SetTransportMode(kTransportModeReceiver);
            else
                m_eventChannel.SetPresent(true);
        }
    }
    if (opened)
        StartEventListener(throughReceiver);
    return opened;
}

void CQuillonUSBDevice::CloseEventInterface(bool throughReceiver) {
    ExpectNotUiThread("CQuillonUSBDevice::CloseEventInterface");
    StopEventListener(throughReceiver);
    std::lock_guard io(m_eventChannel.IoLock());
    if (throughReceiver)
        m_eventChannel.SetTransportMode(kTransportModeDirect);
    else
        m_eventChannel.SetPresent(false);
    EventTransport(throughReceiver).Close();
}

bool CQuillonUSBDevice::IsEventInterfaceOpen(bool throughReceiver) const {
    return throughReceiver ? m_eventChannel.IsReceiverMode() : m_eventChannel.IsPresent();
}

void CQuillonUSBDevice::DeliverEvent(bool throughReceiver, std::span<const uint8_t> report) {
    if (IDeviceEventSink* sink = m_eventSink.load())
        sink->OnDeviceEvent(*this, throughReceiver, report);
}

std::array<uint8_t, kInformationBlockSize> CQuillonUSBDevice::GetInformationBlock() const {
    std::lock_guard lock(m_dataMutex);
    return m_informationBlock;
}

void CQuillonUSBDevice::SetInformationBlock(std::span<const uint8_t> block) {
    std::lock_guard lock(m_dataMutex);
    m_informationBlock.fill(0);
    std::memcpy(m_informationBlock.data(), block.data(),
                std::min(block.size(), m_informationBlock.size()));
}

void CQuillonUSBDevice::SetLightControl(int flag) {
    m_lightControl = flag;
    if (flag == 1 && GetDeviceClass() == kDeviceClassKeyboard)
        m_configChannel.SendLightControlNotice();
}

std::filesystem::path CQuillonUSBDevice::GetUserDeviceFolder() const {
    std::filesystem::path folder = GetUserDataFolder() / m_typeKey;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec)
            DebugPrintf(DebugArea::Device, "cannot create %s: %s", folder.c_str(),
                        ec.message().c_str());
    }
    // Trailing separator: callers append file names.
    return folder / "";
}

std::filesystem::path CQuillonUSBDevice::GetDefaultProfilePath() const {
    return GetProgramDataFolder() / "DefaultData" / (m_typeKey + ".Json");
}

void CQuillonUSBDevice::LightsOff() {
    std::lock_guard lock(m_dataMutex);
    std::fill(m_lightColours.begin(), m_lightColours.end(), 0);
}

void CQuillonUSBDevice::SetLightColour(int index, uint32_t colour) {
    std::lock_guard lock(m_dataMutex);
    if (index >= 0 && static_cast<size_t>(index) < m_lightColours.size())
        m_lightColours[static_cast<size_t>(index)] = colour;
}

uint32_t CQuillonUSBDevice::GetLightColour(int index) const {
    std::lock_guard lock(m_dataMutex);
    if (index < 0 || static_cast<size_t>(index) >= m_lightColours.size())
        return 0;
    return m_lightColours[static_cast<size_t>(index)];
}

void CQuillonUSBDevice::SetLightSettings(std::span<const uint8_t> info) {
    std::lock_guard lock(m_dataMutex);
    m_lightSettings.fill(0);
    std::memcpy(m_lightSettings.data(), info.data(), std::min(info.size(), kLightInfoSize));
}

std::array<uint8_t, kLightInfoSize> CQuillonUSBDevice::LightSettings() const {
    std::lock_guard lock(m_dataMutex);
    return m_lightSettings;
}

void CQuillonUSBDevice::SetLightEngineParams(int first, int second, int third) {
    std::lock_guard lock(m_dataMutex);
    m_audioSettings = {first, second, third};
}

std::array<int, 3> CQuillonUSBDevice::GetLightEngineParams() const {
    std::lock_guard lock(m_dataMutex);
    return m_audioSettings;
}

void CQuillonUSBDevice::ClearKeyLights() {
    std::lock_guard lock(m_dataMutex);
    m_keyLights.fill(0);
    m_keyLightRing.fill(0);
}

int CQuillonUSBDevice::StepUp(int counter, int step, int limit) {
    counter += step;
    return counter > limit ? 0 : counter;
}

int CQuillonUSBDevice::StepDown(int counter, int step) {
    return counter > step ? counter - step : 0;
}

void CQuillonUSBDevice::SetKeyMap(std::vector<uint32_t> keyMap) {
    std::lock_guard lock(m_dataMutex);
    m_keyMap = std::move(keyMap);
}

std::vector<uint32_t> CQuillonUSBDevice::GetKeyMap() const {
    std::lock_guard lock(m_dataMutex);
    return m_keyMap;
}
