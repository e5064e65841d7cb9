// The mouse family: the link query, the battery status and the two event listeners (cable and
// receiver). Its page, settings image and profiles come with the mouse's own work.
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "device/QuillonUSBDevice.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/ProfileRecords.h"

inline constexpr size_t kPowerStatusSize = 6;

inline constexpr size_t kMouseKeyButtons = 11;
// The factory codes that identify the buttons in the key table, by button index.
inline constexpr std::array<KeyCode, kMouseKeyButtons> kFactoryKeyTable = {{
    {0x10, 0x01, 0x00},  // left
    {0x10, 0x02, 0x00},  // right
    {0x10, 0x04, 0x00},  // middle
    {0x10, 0x10, 0x00},  // forward
    {0x10, 0x08, 0x00},  // back
    {0x13, 0x01, 0x00},  // DPI +
    {0x13, 0x02, 0x00},  // DPI -
    {0x13, 0x03, 0x00},  // DPI loop
    {0xA0, 0x1B, 0x00},  // GM
    {0x16, 0x90, 0x01},  // M8
    {0x14, 0x78, 0x02},  // fire
}};
// A button whose code is not in the key table.
inline constexpr uint8_t kNoKeyPosition = 0xAA;
using KeyPositionMap = std::array<uint8_t, kMouseKeyButtons>;

// Each button's first position in a key table of `positions` entries (3 bytes each).
KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions);

// The firmware the upgrader installs; older firmware (0 = unknown) asks for it.
inline constexpr uint16_t kCurrentMouseFirmware = 0x0105;
constexpr bool FirmwareNeedsUpgrade(uint16_t version) {
    return version != 0 && version < kCurrentMouseFirmware;
}

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

    // ---- device memory (UI thread) ----
    // Information block, then the key table into the key table image and the key position
    // map. False when the mouse is out of reach, a read fails or the key table is too large.
    bool ReadDeviceInfo();
    // Whether the cable interface reports firmware older than the upgrader installs; the caller
    // offers the upgrade.
    bool NeedsFirmwareUpgrade();
    // Reads the settings image and takes its light, settings words and active stage into the
    // held records. 0 when the mouse is out of reach or a read fails: nothing changes then.
    int ReadSettingsBlock();
    // Writes the image built from the held records at slot × 128. 1 when it was written; 0
    // without sending anything when the mouse is out of reach.
    int WriteSettings(uint8_t slot);
    int WriteSettings() override { return WriteSettings(0); }

    const std::array<uint8_t, kMaxKeyTableSize>& KeyTableImage() const { return m_keyTable; }
    const KeyPositionMap& GetKeyPositionMap() const { return m_keyPositions; }
    const MouseSettingsBlock& SettingsImage() const { return m_settingsImage; }

    // ---- held records: what the settings image is built from and read into ----
    const LightInfo& GetLightInfo() const { return m_light; }
    void SetLightInfo(const LightInfo& light) { m_light = light; }
    const std::vector<DpiStage>& GetDpiStages() const { return m_stages; }
    void SetDpiStages(std::vector<DpiStage> stages) { m_stages = std::move(stages); }
    int GetActiveStage() const { return m_activeStage; }
    void SetActiveStage(int stage) { m_activeStage = stage; }
    const MouseSettings& GetMouseSettings() const { return m_settings; }
    void SetMouseSettings(const MouseSettings& settings) { m_settings = settings; }
    // Translates the effect number the mouse reports into an effect list position.
    void SetEffectValues(std::vector<int> values) { m_effectValues = std::move(values); }

  protected:
    void StartEventListener(bool throughReceiver) override;
    void StopEventListener(bool throughReceiver) override;

  private:
    void Listen(std::stop_token stop, bool throughReceiver);
    // Present, and on the receiver the link query answers true.
    bool CanTalk();

    mutable std::mutex m_statusMutex;
    std::array<uint8_t, kPowerStatusSize> m_powerStatus{};
    // [0] cable, [1] receiver.
    std::array<std::jthread, 2> m_listeners;

    std::array<uint8_t, kMaxKeyTableSize> m_keyTable{};
    KeyPositionMap m_keyPositions = MakeEmptyKeyPositions();
    MouseSettingsBlock m_settingsImage{};
    LightInfo m_light;
    std::vector<DpiStage> m_stages;
    int m_activeStage = 0;
    MouseSettings m_settings;
    std::vector<int> m_effectValues;

    static constexpr KeyPositionMap MakeEmptyKeyPositions() {
        KeyPositionMap map{};
        map.fill(kNoKeyPosition);
        return map;
    }
};

// The mouse for the mouse type, the other families as the device library makes them.
std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend);
