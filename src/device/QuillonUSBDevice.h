// SPDX-License-Identifier: GPL-2.0-or-later
// The device base class: one physical device with its two report channels, identity,
// connection state, light state and the operations its family overrides. The page that shows
// a device is a separate (toolkit) class that drives it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "base/ThreadCheck.h"
#include "device/DeviceTables.h"
#include "device/ReportChannel.h"

class CQuillonUSBDevice;
// The family's profile data object (the profile library); the device only holds it.
class CBasicProfiledata;
// A button's assignment and its default (the profile library).
struct KeyListEntry;
// The mouse family's facade (the mouse library); the front ends reach it through AsMouse.
class CQuillonMouseDevice;

// Receives the input reports the device's event listeners read. Called on a listener thread.
class IDeviceEventSink {
  public:
    virtual ~IDeviceEventSink() = default;
    virtual void OnDeviceEvent(CQuillonUSBDevice& device, bool throughReceiver,
                               std::span<const uint8_t> report) = 0;
};

inline constexpr size_t kLightInfoSize = 14;
inline constexpr size_t kKeyLightBufferSize = 170;
inline constexpr size_t kKeyLightRingSize = 23;

// A light colour entry: bytes red, green, blue, brightness in memory order.
constexpr uint32_t PackLightColour(uint8_t red, uint8_t green, uint8_t blue, uint8_t brightness) {
    return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 |
           static_cast<uint32_t>(blue) << 16 | static_cast<uint32_t>(brightness) << 24;
}

class CQuillonUSBDevice {
  public:
    // Both channels use `backend` (null: the process-wide backend).
    explicit CQuillonUSBDevice(IHidBackend* backend = nullptr);
    virtual ~CQuillonUSBDevice();
    CQuillonUSBDevice(const CQuillonUSBDevice&) = delete;
    CQuillonUSBDevice& operator=(const CQuillonUSBDevice&) = delete;

    // The mouse's own operations; null for the other families.
    virtual CQuillonMouseDevice* AsMouse() { return nullptr; }

    // ---- identity and wiring (set when the device is created) ----
    void SetTypeIndex(int index) { m_typeIndex = index; }
    int GetTypeIndex() const { return m_typeIndex; }
    void SetTypeKey(std::string key) { m_typeKey = std::move(key); }
    const std::string& GetTypeKey() const { return m_typeKey; }
    void SetPageLayout(std::string layout) { m_pageLayout = std::move(layout); }
    const std::string& GetPageLayout() const { return m_pageLayout; }
    void SetLightFilePrefix(std::string prefix) { m_lightFilePrefix = std::move(prefix); }
    const std::string& GetLightFilePrefix() const { return m_lightFilePrefix; }
    void SetWirelessCapable(bool capable) { m_wirelessCapable = capable; }
    bool IsWirelessCapable() const { return m_wirelessCapable; }
    void SetReserved(int value) { m_reserved = value; }
    int GetReserved() const { return m_reserved; }
    // The configuration interface's record; also stores its class and collection kind.
    void SetDeviceRecord(const HidInterfaceInfo& record);
    HidInterfaceInfo GetDeviceRecord() const;
    int GetDeviceClass() const { return m_deviceClass.load(); }
    int GetCollectionKind() const { return m_collectionKind.load(); }
    // Key count: the size of the key map.
    void SetKeyCount(int count);
    int GetKeyCount() const { return m_keyCount; }
    // A new light count resizes the colour array and per-light state and zeroes them; the same
    // count keeps them.
    void SetLightCount(int count);
    int GetLightCount() const;

    // ---- threads ----
    // Commands (everything that talks to the device or touches its profile) run on the thread
    // that owns the device: the window binds its worker; unbound, any thread but the UI thread.
    // Connection changes (connect, disconnect, switch, event interfaces) run on discovery's
    // thread under the channels' I/O locks; AbortConfiguration may be called from anywhere.
    void BindCommandThread() { m_commandThread.BindToCurrentThread(); }
    const CThreadOwner& CommandThread() const { return m_commandThread; }
    // Debug builds abort when `operation` runs off the command thread.
    void ExpectCommandThread(const char* operation) const {
        ExpectOwnerThread(m_commandThread, operation);
    }

    // ---- connection ----
    CReportChannel& ConfigChannel() { return m_configChannel; }
    CReportChannel& EventChannel() { return m_eventChannel; }
    bool IsConfigPresent() const { return m_configChannel.IsPresent(); }
    bool IsThroughReceiver() const { return m_throughReceiver.load(); }

    // Opens the configuration interface on the receiver or the direct transport, under the
    // channel's I/O lock; on success the channel is present and, with setTransportMode, in
    // that transport's mode (the mouse pad and headset keep the channel's initial mode).
    bool ConnectConfiguration(const std::string& path, bool throughReceiver,
                              bool setTransportMode = true);
    // Not present, both transports closed.
    void DisconnectConfiguration();
    // The same without waiting for the I/O lock, which a command holds while it waits for a
    // reply: that wait ends at once. For shutting down.
    void AbortConfiguration();
    // Moves the configuration channel to the receiver or the cable, (re)opened on `path`. When
    // the open fails and the transport in use is still there, the device stays on it. Returns
    // whether the device now uses the transport asked for.
    bool SwitchTransport(const std::string& path, bool toReceiver);

    // Opens an event interface on the event channel's receiver or direct transport and starts
    // that listener. The channel's present flag marks the direct transport open, its receiver
    // mode the receiver transport.
    bool OpenEventInterface(const std::string& path, bool throughReceiver);
    void CloseEventInterface(bool throughReceiver);
    bool IsEventInterfaceOpen(bool throughReceiver) const;
    // Where listeners deliver what they read; set before the event interfaces open.
    void SetEventSink(IDeviceEventSink* sink) { m_eventSink = sink; }

    // ---- device data ----
    std::array<uint8_t, kInformationBlockSize> GetInformationBlock() const;
    void SetInformationBlock(std::span<const uint8_t> block);

    // ---- flags handed down by the main window ----
    // Light control 1 on a keyboard sends the light-control notice (0x1C).
    void SetLightControl(int flag);
    int GetLightControl() const { return m_lightControl.load(); }
    virtual void SetLightingSync(int flag) { m_lightingSync = flag; }
    int GetLightingSync() const { return m_lightingSync.load(); }

    // ---- files ----
    // The per-user data folder, then the type key, with a trailing separator; created on
    // demand (the path is returned even if that fails).
    std::filesystem::path GetUserDeviceFolder() const;
    // The program's "DefaultData" folder, then type key + ".Json".
    std::filesystem::path GetDefaultProfilePath() const;

    // ---- profile object: filled in by the profile library ----
    void SetProfileData(std::shared_ptr<CBasicProfiledata> profile) {
        m_profile = std::move(profile);
    }
    const std::shared_ptr<CBasicProfiledata>& GetProfileData() const { return m_profile; }

    // ---- lighting state ----
    virtual int ApplyLightState() { return 0; }
    virtual void LightsOff();
    // The page paints the frame; the device itself sends nothing.
    virtual void OutputLightFrame() {}
    virtual void SetLightColour(int index, uint32_t colour);
    virtual uint32_t GetLightColour(int index) const;
    virtual void SetLightSettings(std::span<const uint8_t> info);
    std::array<uint8_t, kLightInfoSize> LightSettings() const;
    virtual void SetLightEngineParams(int first, int second, int third);
    virtual std::array<int, 3> GetLightEngineParams() const;
    virtual void ClearKeyLights();
    // Step arithmetic of the software effects.
    static int StepUp(int counter, int step, int limit);
    static int StepDown(int counter, int step);

    // Stops the device's own threads (light preview, event listeners). Its owner calls it while
    // the object is still whole: a thread calling a virtual during destruction would race with
    // the destructors that change the object's type.
    virtual void StopThreads() {}

    // ---- operations the families override ----
    virtual void InitialSync() {}
    virtual void ReloadSettings() {}
    virtual void RefreshStatus() {}
    virtual bool IsReachable() { return true; }
    virtual int LoadProfile() { return 0; }
    virtual void ApplyProfile() {}
    virtual void FixMacroAssignments() {}
    virtual void ResetToDefault() {}
    // The macros the buttons use, as macro list indices in slot order.
    virtual std::vector<int> BuildMacroList() { return {}; }
    // 1 sent, 0 not sent.
    virtual int WriteKeyTable(int /*profile*/, const std::vector<KeyListEntry>& /*keys*/) {
        return 0;
    }
    virtual int WriteCurrentKeyTable(int /*profile*/) { return 0; }
    // 0 sent or nothing to send, -1 failed, n > 0 the macros are n events too long.
    virtual int WriteMacroData(const std::vector<int>& /*used*/) { return 0; }
    virtual int WriteSettings() { return 0; }
    virtual void LoadNameLists() {}
    virtual void SetKeyMap(std::vector<uint32_t> keyMap);
    std::vector<uint32_t> GetKeyMap() const;
    virtual void SetProfilePaths() {}
    virtual std::string GetProfilePath() const { return {}; }
    virtual void StoreSettings() {}
    virtual void SetDeviceKind(int kind) { m_deviceKind = kind; }
    virtual int GetDeviceKind() const { return m_deviceKind.load(); }

  protected:
    // The families' listeners; the base has none.
    virtual void StartEventListener(bool /*throughReceiver*/) {}
    virtual void StopEventListener(bool /*throughReceiver*/) {}
    // After the configuration channel was connected, disconnected, aborted or switched.
    virtual void OnConfigPresenceChanged() {}
    // Hands a report read by a listener to the sink.
    void DeliverEvent(bool throughReceiver, std::span<const uint8_t> report);
    CHidDevice& EventTransport(bool throughReceiver) {
        return throughReceiver ? m_eventChannel.ReceiverTransport()
                               : m_eventChannel.DirectTransport();
    }

  private:
    CThreadOwner m_commandThread;
    CReportChannel m_configChannel;
    CReportChannel m_eventChannel;
    std::atomic<bool> m_throughReceiver{false};
    std::atomic<IDeviceEventSink*> m_eventSink{nullptr};

    int m_typeIndex = -1;
    std::string m_typeKey;
    std::string m_pageLayout;
    std::string m_lightFilePrefix;
    bool m_wirelessCapable = false;
    int m_reserved = 0;
    int m_keyCount = 0;
    mutable std::mutex m_recordMutex;
    HidInterfaceInfo m_record;
    std::atomic<int> m_deviceClass{0};
    std::atomic<int> m_collectionKind{0};
    std::atomic<int> m_deviceKind{0};

    std::atomic<int> m_lightControl{1};
    std::atomic<int> m_lightingSync{0};

    // Guards the data below: the lighting threads write it while the page reads it.
    mutable std::mutex m_dataMutex;
    std::array<uint8_t, kInformationBlockSize> m_informationBlock{};
    std::vector<uint32_t> m_lightColours;
    std::vector<uint32_t> m_lightState;
    std::array<uint8_t, kLightInfoSize> m_lightSettings{};
    std::array<int, 3> m_audioSettings{};
    std::array<uint8_t, kKeyLightBufferSize> m_keyLights{};
    std::array<uint8_t, kKeyLightRingSize> m_keyLightRing{};
    std::vector<uint32_t> m_keyMap;

    std::shared_ptr<CBasicProfiledata> m_profile;
};
