// The mouse family: its information block and key table, the settings image built from and read
// into its profile, the battery status, the two event listeners (cable and receiver) and the
// hand-off of old firmware to the upgrader. Its page is a toolkit class that drives it.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "device/QuillonUSBDevice.h"
#include "lighting/LightDevice.h"
#include "lighting/LightEngine.h"
#include "lighting/LightThread.h"
#include "macro/MacroDownload.h"
#include "mouse/DpiMath.h"
#include "mouse/FirmwareUpgrade.h"
#include "mouse/MouseEvents.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/MouseProfiledata.h"
#include "records/ProfileRecords.h"

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
// The same, for a key table that may hold remapped buttons. A table with every factory code at
// other positions than `learnt` (positions from earlier tables) is taken as it is. Otherwise a
// button's code counts only where no other button was learnt, and a button without one keeps
// its learnt position while that is free.
KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions,
                                   const KeyPositionMap& learnt);

class CQuillonMouseDevice;

// The profile as the page shows it: a copy taken on the mouse's command thread, so the UI thread
// never reads the profile object while the worker changes it.
struct MouseProfileSnapshot {
    std::string profileId;
    std::vector<DpiStage> stages;
    int activeStage = 0;
    MouseSettings settings{};
    LightInfo light{};
    std::vector<KeyListEntry> keys;
    DpiSensor sensor{};
    std::vector<std::string> macroNames;
    std::vector<std::string> effectNames;
    std::vector<int> effectVisible;
    std::vector<int> effectValues;
};

// What the mouse asks of the program that drives it (the window, kestrunectl). None of these
// may block: each hands its work to the thread it belongs to.
class IMouseOwner {
  public:
    virtual ~IMouseOwner() = default;
    // On a listener thread: run ReloadSettings on the mouse's command thread after delayMs.
    virtual void ScheduleSettingsReload(CQuillonMouseDevice& mouse, int delayMs) = 0;
    // On a listener thread: run ApplyProfile on the mouse's command thread.
    virtual void ScheduleProfileRefresh(CQuillonMouseDevice& mouse, const MouseEvent& event) = 0;
    // From ApplyProfile, on the mouse's command thread: the profile to show. The window hands
    // it to the UI thread, where the page shows it.
    virtual void OnProfileApplied(CQuillonMouseDevice& /*mouse*/,
                                  const MouseProfileSnapshot& /*profile*/) {}
    // On the light thread: a new preview frame is in GetLightEngine().Frame(). Hand it to the
    // thread that paints.
    virtual void OnLightFrame(CQuillonMouseDevice& /*mouse*/) {}
};

enum class FirmwareCheck {
    kNotChecked,
    kCurrent,          // up to date, or unknown (no cable interface, version 0)
    kOutdated,         // old, and nobody to ask
    kDeclined,         // old, and the user said no
    kUpgraderStarted,  // the upgrader has the mouse now; transmission is off
    kUpgraderFailed,   // confirmed, but the upgrader did not start or failed
};

// What a change reached: the profile file and the mouse.
struct SettingsCommit {
    bool saved = false;
    int written = 0;       // WriteSettings: 1 written, 0 not
    int deviceResult = 0;  // the first failing command's result, kResultDone when written
};

class CQuillonMouseDevice : public CQuillonUSBDevice, public ILightDevice {
  public:
    static constexpr const char* kMacroFileName = "macro.config";
    static constexpr const char* kLightNamesFileName = "default_light.json";
    static constexpr const char* kDefaultLightFilePrefix = "orvel_light";

    // `clock` paces the light preview (tests drive their own).
    explicit CQuillonMouseDevice(IHidBackend* backend = nullptr,
                                 ILightClock& clock = SteadyLightClock());
    // Stops the threads (if the owner did not), before the base closes the channels.
    ~CQuillonMouseDevice() override;
    // The light thread, then both listeners.
    void StopThreads() override;

    // ---- who the mouse talks to (set before the event interfaces open) ----
    // Returns once no light frame is being handed to the previous owner.
    void SetOwner(IMouseOwner* owner);
    void SetFirmwarePrompt(IFirmwarePrompt* prompt) { m_prompt = prompt; }
    // Null: the posix_spawn launcher.
    void SetUpgraderLauncher(IUpgraderLauncher* launcher) { m_launcher = launcher; }

    // The link query through the receiver; true at once on the cable.
    bool IsReachable() override;
    // Reads the battery level and charging state (0x1A) into the power status record.
    void RefreshStatus() override;
    // Byte 0 battery percent, 1 charging state, 3 whether through the receiver.
    std::array<uint8_t, kPowerStatusSize> PowerStatus() const;

    // ---- first contact and events ----
    // Transmission on, device information, profile, settings image, then the page.
    void InitialSync() override;
    // ReadSettingsBlock, then ApplyProfile (event 0x0401).
    void ReloadSettings() override;
    // The name lists, then the owner is handed the profile to show.
    void ApplyProfile() override;
    // The profile and name lists as they stand now (command thread).
    MouseProfileSnapshot TakeProfileSnapshot();
    // What a listener does with a report (public for tests).
    void HandleEvent(std::span<const uint8_t> report, bool throughReceiver);

    // ---- device memory ----
    // Information block, the firmware check, then the key table into the key table image and
    // the key position map. False when the mouse is out of reach, a read fails, the key table
    // is too large or the firmware check stopped it (see GetFirmwareCheck).
    bool ReadDeviceInfo();
    FirmwareCheck GetFirmwareCheck() const { return m_firmwareCheck.load(); }
    // The firmware version of the cable interface; 0 when unknown.
    uint16_t FirmwareVersion();
    // Whether the cable interface reports firmware older than the upgrader installs.
    bool NeedsFirmwareUpgrade();
    // The sensor named by the information block.
    DpiSensor GetSensor() const { return SensorFromInfoBlock(GetInformationBlock()); }
    // Reads the settings image into the light state and the profile, then saves the profile
    // file. 0 when the mouse is out of reach or a read fails: nothing changes then.
    int ReadSettingsBlock();
    // Writes the image built from the profile at slot × 128. 1 when it was written; 0 without
    // sending anything when the mouse is out of reach or no profile was loaded.
    int WriteSettings(uint8_t slot);
    int WriteSettings() override { return WriteSettings(0); }
    // The result of the last command sequence (kResultUnreachable with the link down, ...).
    int LastDeviceResult() const { return m_lastDeviceResult.load(); }

    const std::array<uint8_t, kMaxKeyTableSize>& KeyTableImage() const { return m_keyTable; }
    const KeyPositionMap& GetKeyPositionMap() const { return m_keyPositions; }
    const MouseSettingsBlock& SettingsImage() const { return m_settingsImage; }

    // ---- profile ----
    CMouseProfiledata& Profile() {
        ExpectCommandThread("CQuillonMouseDevice::Profile");
        return *m_profile;
    }
    // The profile the page's profile control names. Without one the profile list's selection
    // is used. A name that is not a plain file name is refused.
    bool SetCurrentProfileId(const std::string& id);
    // The handed identifier, or the profile list's selection.
    std::string CurrentProfileId();
    void SetProfilePaths() override;
    std::string GetProfilePath() const override { return m_profile->GetProfilePath().string(); }
    // Profile file (or its repair from the default document): key list, light, stages, settings.
    int LoadProfile() override;
    // The default document's section into the current profile file, then ApplyProfile.
    void ResetToDefault() override;
    // Saves the profile file; false when it could not be written.
    void StoreSettings() override;
    bool LastStoreSucceeded() const { return m_lastStoreOk; }
    // The type index of the name lists; the profile's device index is always 0.
    void SetDeviceKind(int kind) override;
    // Key-list entries naming a macro that no longer exists get their factory assignment back.
    void FixMacroAssignments() override;
    void LoadNameLists() override;

    // ---- settings: each setter hands the record to the profile (memory only) ----
    std::vector<DpiStage> GetDpiStages() {
        ExpectCommandThread("CQuillonMouseDevice::GetDpiStages");
        return m_profile->GetDpiStages();
    }
    void SetDpiStages(const std::vector<DpiStage>& stages);
    int GetActiveStage() const {
        ExpectCommandThread("CQuillonMouseDevice::GetActiveStage");
        return m_profile->GetActiveDpiStage();
    }
    void SetActiveStage(int stage);
    MouseSettings GetMouseSettings() {
        ExpectCommandThread("CQuillonMouseDevice::GetMouseSettings");
        return m_profile->GetMouseSettings();
    }
    void SetMouseSettings(const MouseSettings& settings);
    std::vector<KeyListEntry> GetKeyList() const {
        ExpectCommandThread("CQuillonMouseDevice::GetKeyList");
        return m_keyList;
    }
    void SetKeyList(const std::vector<KeyListEntry>& list);
    // One button's assignment, into the profile at once; false for a button the list lacks.
    bool SetKeyAssignment(size_t button, const KeyCode& code);
    // The common tail of every change: save the profile file, then write the settings image.
    SettingsCommit CommitSettings();

    // ---- macros, key table and recoil data on the mouse ----
    std::vector<int> BuildMacroList() override;
    // Nothing is sent before the key table was read: its other positions would be wiped.
    int WriteKeyTable(int profile, const std::vector<KeyListEntry>& keys) override;
    int WriteCurrentKeyTable(int profile) override;
    int WriteMacroData(const std::vector<int>& used) override;
    // 1 sent, 0 too large to describe, -1 the transfer failed.
    int WriteShootData();
    // The used macros, then the key table, then the profile file. Too long macros stop it
    // before anything is sent.
    ApplyMacrosResult ApplyMacros();
    // The language key of the message ApplyMacros calls for ("message_text_16" takes the
    // number of events over the limit); null when none.
    static const char* ApplyMacrosMessageKey(const ApplyMacrosResult& result) {
        if (result.macroResult > 0)
            return "message_text_16";
        return result.macroResult < 0 ? "message_text_7" : nullptr;
    }
    // The positions learnt from a key table holding every factory code, in the data folder.
    static constexpr const char* kKeyPositionsFileName = "key_positions.json";

    // ---- light state ----
    // The 14 bytes into the light state and the profile's LightInfo.
    void SetLightSettings(std::span<const uint8_t> info) override;
    void SetLightInfo(const LightInfo& light);
    LightInfo GetLightSettings() const;
    LightMirror GetLightMirror() const;
    // The profile's LightInfo into the light state and the mirror; the per-LED list and the
    // custom effect's steps for the preview.
    int ApplyLightState() override;
    std::vector<LightListEntry> GetLedLightList() const;
    std::vector<EffectStep> GetCustomEffectSteps() const;
    // The frame is the preview engine's.
    void LightsOff() override { m_lightEngine.LightsOff(); }
    void SetLightColour(int index, uint32_t colour) override;
    uint32_t GetLightColour(int index) const override;
    void ClearKeyLights() override { m_lightEngine.ClearKeyLights(); }
    // Also gates the preview: the synchronised lighting owns the frame while it is set.
    void SetLightingSync(int flag) override;

    // ---- light preview (ILightDevice) ----
    CLightEngine& GetLightEngine() override { return m_lightEngine; }
    int GetDeviceClass() const override;
    void OnLightFrame(const CLightFrame& frame) override;
    void ApplySynchronisedLight(const LightInfo& info) override;
    // Whoever shows the frame says so; nothing is computed while nobody does.
    void SetPreviewWanted(bool wanted) { m_lightEngine.SetPreviewWanted(wanted); }
    // Restarts a running thread.
    void StartLightThread();
    void StopLightThread();
    CLightThread& LightThread() { return m_lightThread; }

    // ---- name lists ----
    std::vector<std::string> GetMacroNames() const;
    std::vector<std::string> GetEffectNames() const;
    std::vector<int> GetEffectVisible() const;
    std::vector<int> GetEffectValues() const;
    std::vector<std::string> GetAreaNames() const;
    std::vector<std::string> GetCustomLightNames() const;
    // Translates the effect number the mouse reports into an effect list position.
    void SetEffectValues(std::vector<int> values);

  protected:
    void OnConfigPresenceChanged() override;
    void StartEventListener(bool throughReceiver) override;
    void StopEventListener(bool throughReceiver) override;

  private:
    void Listen(std::stop_token stop, bool throughReceiver);
    // Present, and on the receiver the link query answers true.
    bool CanTalk();
    // False when ReadDeviceInfo is to stop; ends the open configuration first.
    bool CheckFirmware();
    // The key position map of the table just read, with what earlier tables taught; stores
    // the learnt positions. Only a device with a type has a data folder to keep them in.
    KeyPositionMap PositionsFromKeyTable(size_t positions);
    size_t MacroCount() const;
    // After a failed transfer: whether the receiver lost the mouse, as LastDeviceResult.
    void NoteTransferFailure();
    void StoreLightState(const LightInfo& light);

    std::shared_ptr<CMouseProfiledata> m_profile;
    std::string m_profileId;
    bool m_profileLoaded = false;
    bool m_lastStoreOk = false;

    std::atomic<IMouseOwner*> m_owner{nullptr};
    // Held while a light frame is handed over, so SetOwner(nullptr) leaves no call in flight.
    std::mutex m_ownerMutex;
    IFirmwarePrompt* m_prompt = nullptr;
    IUpgraderLauncher* m_launcher = nullptr;
    std::atomic<FirmwareCheck> m_firmwareCheck{FirmwareCheck::kNotChecked};
    std::atomic<int> m_lastDeviceResult{0};

    mutable std::mutex m_statusMutex;
    std::array<uint8_t, kPowerStatusSize> m_powerStatus{};
    // [0] cable, [1] receiver.
    std::array<std::jthread, 2> m_listeners;

    std::array<uint8_t, kMaxKeyTableSize> m_keyTable{};
    KeyPositionMap m_keyPositions = MakeEmptyKeyPositions();
    MouseSettingsBlock m_settingsImage{};
    std::vector<KeyListEntry> m_keyList;
    bool m_keyTableRead = false;

    // The page's copies; the engine keeps its own under its locks.
    mutable std::mutex m_lightListMutex;
    std::vector<LightListEntry> m_ledLightList;
    mutable std::mutex m_effectListMutex;
    std::vector<EffectStep> m_effectSteps;

    // The preview: the engine before the thread that computes its frames.
    ILightClock& m_lightClock;
    CLightEngine m_lightEngine;
    CLightThread m_lightThread;

    mutable std::mutex m_namesMutex;
    std::vector<std::string> m_macroNames;
    std::vector<std::string> m_effectNames;
    std::vector<int> m_effectVisible;
    std::vector<int> m_effectValues;
    std::vector<std::string> m_areaNames;
    std::vector<std::string> m_customLightNames;

    static constexpr KeyPositionMap MakeEmptyKeyPositions() {
        KeyPositionMap map{};
        map.fill(kNoKeyPosition);
        return map;
    }
};

// The mouse for the mouse type, the other families as the device library makes them.
std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend);
