#include "mouse/QuillonMouseDevice.h"

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

std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend) {
    if (typeIndex == 0)
        return std::make_unique<CQuillonMouseDevice>(backend);
    return MakeBaseFamilyDevice(typeIndex, backend);
}
