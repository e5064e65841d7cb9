#include "mouse/QuillonMouseDevice.h"

#include <algorithm>
#include <condition_variable>

#include "base/Debug.h"

CQuillonMouseDevice::CQuillonMouseDevice(IHidBackend* backend) : CQuillonUSBDevice(backend) {}

CQuillonMouseDevice::~CQuillonMouseDevice() {
    StopEventListener(false);
    StopEventListener(true);
}

bool CQuillonMouseDevice::IsReachable() {
    return ConfigChannel().QueryLink();
}

void CQuillonMouseDevice::RefreshStatus() {
    std::array<uint8_t, kPowerStatusSize> status{};
    if (ConfigChannel().ReadStatusBytes(status.data(), 2, 0) != kResultDone)
        return;
    status[3] = ConfigChannel().IsReceiverMode() ? 1 : 0;
    std::lock_guard lock(m_statusMutex);
    m_powerStatus = status;
}

std::array<uint8_t, kPowerStatusSize> CQuillonMouseDevice::PowerStatus() const {
    std::lock_guard lock(m_statusMutex);
    return m_powerStatus;
}

void CQuillonMouseDevice::StartEventListener(bool throughReceiver) {
    StopEventListener(throughReceiver);
    m_listeners[throughReceiver ? 1 : 0] = std::jthread(
        [this, throughReceiver](std::stop_token stop) { Listen(stop, throughReceiver); });
}

void CQuillonMouseDevice::StopEventListener(bool throughReceiver) {
    std::jthread& listener = m_listeners[throughReceiver ? 1 : 0];
    if (!listener.joinable())
        return;
    listener.request_stop();
    // Releases the blocked read; the interface is closed right after anyway.
    EventTransport(throughReceiver).Close();
    listener.join();
}

void CQuillonMouseDevice::Listen(std::stop_token stop, bool throughReceiver) {
    CHidDevice& transport = EventTransport(throughReceiver);
    std::vector<uint8_t> buffer(std::max<size_t>(transport.GetInputReportLength(), 64));
    while (!stop.stop_requested()) {
        uint32_t got = 0;
        if (!transport.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), &got, -1)) {
            // Closed or gone: nothing more to read until the interface is opened again, which
            // starts a new listener. Wait for the stop rather than spin.
            std::mutex mutex;
            std::condition_variable_any idle;
            std::unique_lock lock(mutex);
            idle.wait(lock, stop, [] { return false; });
            break;
        }
        DebugLine(DebugArea::Mouse, "接收到自动添加设备的同步信息要求  TEST");
        DeliverEvent(throughReceiver, {buffer.data(), got});
    }
    DebugLine(DebugArea::Mouse, "MS 设备同步线程设定退出");
}

KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions) {
    KeyPositionMap map{};
    map.fill(kNoKeyPosition);
    positions = std::min(positions, keyTable.size() / 3);
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const KeyCode& code = kFactoryKeyTable[button];
        for (size_t k = 0; k < positions; ++k) {
            if (std::equal(code.begin(), code.end(), keyTable.begin() + 3 * k)) {
                map[button] = static_cast<uint8_t>(k);
                break;
            }
        }
    }
    return map;
}

bool CQuillonMouseDevice::CanTalk() {
    CReportChannel& channel = ConfigChannel();
    return channel.IsPresent() && (!channel.IsReceiverMode() || channel.QueryLink());
}

bool CQuillonMouseDevice::ReadDeviceInfo() {
    if (!CanTalk())
        return false;
    CReportChannel& channel = ConfigChannel();
    channel.BeginConfiguration();
    std::array<uint8_t, kInformationBlockSize> info{};
    bool done = channel.ReadInformationBlock(info.data()) == kResultDone;
    if (done) {
        SetInformationBlock(info);
        done = channel.SetKeyTableSize(static_cast<uint16_t>(3 * info[5])) == 1;
    }
    std::array<uint8_t, kMaxKeyTableSize> keys{};
    if (done)
        done = channel.ReadKeyAssignmentTable(keys.data()) == kResultDone;
    // Close the configuration the begin opened, whatever failed.
    channel.EndConfiguration();
    if (!done)
        return false;
    m_keyTable = keys;
    m_keyPositions = BuildKeyPositionMap(m_keyTable, info[5]);
    return true;
}

bool CQuillonMouseDevice::NeedsFirmwareUpgrade() {
    const CHidDevice& direct = ConfigChannel().DirectTransport();
    return direct.IsOpen() && FirmwareNeedsUpgrade(direct.GetVersion());
}

int CQuillonMouseDevice::ReadSettingsBlock() {
    SetLightingSync(0);
    if (!CanTalk())
        return 0;
    CReportChannel& channel = ConfigChannel();
    uint8_t slot = 0;
    if (channel.ReadSettingsMemory(&slot, 1, 0) != kResultDone)
        return 0;
    MouseSettingsBlock image{};
    if (channel.ReadSettingsMemory(image.data(), kMouseSettingsBlockSize,
                                   static_cast<uint16_t>(slot * kSettingsSlotStride)) !=
        kResultDone)
        return 0;
    image[MouseBlock::kSlot] = slot;
    m_settingsImage = image;
    TranslateMouseSettingsBlock(image, m_effectValues, m_light, m_settings, m_activeStage);
    return 1;
}

int CQuillonMouseDevice::WriteSettings(uint8_t slot) {
    const MouseSettingsBlock image =
        BuildMouseSettingsBlock(slot, m_light, m_stages, m_activeStage, m_settings);
    if (!CanTalk())
        return 0;
    CReportChannel& channel = ConfigChannel();
    channel.BeginConfiguration();
    const int written = channel.WriteSettingsMemory(
        image.data(), kMouseSettingsBlockSize, static_cast<uint16_t>(slot * kSettingsSlotStride));
    channel.EndConfiguration();
    return written == kResultDone ? 1 : 0;
}

std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend) {
    if (typeIndex == 0)
        return std::make_unique<CQuillonMouseDevice>(backend);
    return MakeBaseFamilyDevice(typeIndex, backend);
}
