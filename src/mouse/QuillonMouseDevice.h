// The mouse family: the link query, the battery status and the two event listeners (cable and
// receiver). Its page, settings image and profiles come with the mouse's own work.
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/DeviceDiscovery.h"
#include "device/QuillonUSBDevice.h"

inline constexpr size_t kPowerStatusSize = 6;

class CQuillonMouseDevice : public CQuillonUSBDevice {
  public:
    explicit CQuillonMouseDevice(IHidBackend* backend = nullptr);
    // Stops both listeners before the base closes the channels.
    ~CQuillonMouseDevice() override;

    const char* ClassName() const override { return "QuillonMouseDevice"; }

    // The link query through the receiver; true at once on the cable.
    bool IsReachable() override;
    // Reads the battery level and charging state (0x1A) into the power status record.
    void RefreshStatus() override;
    // Byte 0 battery percent, 1 charging state, 3 whether through the receiver.
    std::array<uint8_t, kPowerStatusSize> PowerStatus() const;

  protected:
    void StartEventListener(bool throughReceiver) override;
    void StopEventListener(bool throughReceiver) override;

  private:
    void Listen(std::stop_token stop, bool throughReceiver);

    mutable std::mutex m_statusMutex;
    std::array<uint8_t, kPowerStatusSize> m_powerStatus{};
    // [0] cable, [1] receiver.
    std::array<std::jthread, 2> m_listeners;
};

// The mouse for the mouse type, the other families as the device library makes them.
std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend);
