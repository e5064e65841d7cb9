// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse family's facade: the information block, the settings image built from and read into
// its profile, the battery status and the two event listeners (cable and receiver), over its
// parts: the key table (MouseKeyTable), the lighting (MouseLightState), the name lists
// (MouseNameLists) and the firmware hand-off (FirmwareUpgrade). Its page drives it.
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
#include "lighting/LightCommit.h"
#include "lighting/LightDevice.h"
#include "macro/RecoilDevice.h"
#include "mouse/DpiMath.h"
#include "mouse/FirmwareUpgrade.h"
#include "mouse/MouseEvents.h"
#include "mouse/MouseKeyTable.h"
#include "mouse/MouseLightState.h"
#include "mouse/MouseNameLists.h"
#include "mouse/MouseResult.h"
#include "mouse/MouseSettingsBlock.h"
#include "profile/MouseProfiledata.h"
#include "records/ProfileRecords.h"

inline constexpr size_t kPowerStatusSize = 6;

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

class CQuillonMouseDevice : public CQuillonUSBDevice,
                            public ILightDevice,
                            public ILightPageDevice,
                            public IRecoilDevice {
  public:
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
    void SetFirmwarePrompt(IFirmwarePrompt* prompt) { m_firmware.SetPrompt(prompt); }
    // Null: the posix_spawn launcher.
    void SetUpgraderLauncher(IUpgraderLauncher* launcher) { m_firmware.SetLauncher(launcher); }

    // ---- the parts ----
    // Read and written on the command thread.
    const CMouseKeyTable& KeyTable() const { return m_keyTable; }
    CMouseLightState& Lighting() { return m_light; }
    const CMouseNameLists& NameLists() const { return m_names; }

    CQuillonMouseDevice* AsMouse() override { return this; }

    // The link query through the receiver; true at once on the cable.
    bool IsReachable() override;
    // Reads the battery level and charging state (0x1A) into the power status record.
    MouseResult ReadStatus();
    void RefreshStatus() override { ReadStatus(); }
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
    MouseResult ReadInformation();
    bool ReadDeviceInfo() { return ReadInformation().Sent(); }
    FirmwareCheck GetFirmwareCheck() const { return m_firmware.State(); }
    // The firmware version of the cable interface; 0 when unknown.
    uint16_t FirmwareVersion();
    // Whether the cable interface reports firmware older than the upgrader installs.
    bool NeedsFirmwareUpgrade();
    // The sensor named by the information block.
    DpiSensor GetSensor() const { return SensorFromInfoBlock(GetInformationBlock()); }
    // Reads the settings image into the light state and the profile, then saves the profile
    // file. Nothing changes when the mouse is out of reach or a read fails.
    MouseResult ReadSettings();
    int ReadSettingsBlock() { return ReadSettings().Sent() ? 1 : 0; }
    // Writes the image built from the profile at slot × 128. Nothing is sent when the mouse is
    // out of reach or no profile was loaded.
    MouseResult SendSettings(uint8_t slot);
    int WriteSettings(uint8_t slot) { return SendSettings(slot).Sent() ? 1 : 0; }
    int WriteSettings() override { return WriteSettings(0); }

    const KeyPositionMap& GetKeyPositionMap() const { return m_keyTable.Positions(); }
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
    // ResetToDefault, then the key table and the settings image to the mouse.
    MouseResult RestoreDefaults();
    // Before a change: reads the profile file again when another program saved it since this
    // one last read or wrote it, so no change is made on a stale copy. True when it was read.
    bool ReloadProfileIfChanged();
    // Saves the profile file.
    MouseResult SaveProfile();
    void StoreSettings() override { SaveProfile(); }
    // The type index of the name lists; the profile's device index is always 0.
    void SetDeviceKind(int kind) override;
    // Key-list entries naming a macro that no longer exists get their factory assignment back.
    void FixMacroAssignments() override;
    void LoadNameLists() override;

    // ---- settings: each setter hands the record to the profile (memory only) ----
    // Positions the mouse's sensor does not have read as its highest (and are told once).
    std::vector<DpiStage> GetDpiStages();
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
    // An image the mouse did not take goes out again at the next contact.
    MouseResult CommitSettings();
    // Whether the mouse lacks the settings image the profile holds.
    bool SettingsUnsent() const { return m_settingsUnsent; }

    // ---- macros, key table and recoil data on the mouse ----
    std::vector<int> BuildMacroList() override;
    // Nothing is sent before the key table was read: its other positions would be wiped.
    int WriteKeyTable(int profile, const std::vector<KeyListEntry>& keys) override;
    int WriteCurrentKeyTable(int profile) override;
    int WriteMacroData(const std::vector<int>& used) override;
    MouseResult SendRecoil();
    RecoilSent SendRecoilPatterns() override;
    // 1 sent, 0 too large to describe, -1 the transfer failed.
    int WriteShootData();
    // The used macros, then the key table, then the profile file. Too long macros stop it
    // before anything is sent; failed macros still send the key table.
    MouseResult ApplyMacros();
    // The used macros, then the key table; nothing is saved. Failed macros still send the key
    // table, and so do too long ones when `keysDespiteSize` (the profile switch).
    MouseResult SendMacrosAndKeyTable(bool keysDespiteSize);
    // The current profile read from its file and shown, then written whole: the settings
    // image, the used macros and the key table (also after macros too long for the mouse).
    // Nothing is saved, so a mouse that stops answering midway leaves every file as it was.
    MouseResult LoadAndWriteProfile();
    // Whether a write result means the mouse stopped answering (or was out of reach), rather
    // than only its macros failing or not fitting.
    static bool LostTheMouse(const MouseResult& result) {
        if (result.device == kResultDone)
            return false;
        return result.failed != MouseStep::kMacros || result.device == kResultUnreachable;
    }
    // The language key of the message ApplyMacros calls for ("message_text_16" takes the
    // number of events over the limit); null when none.
    static const char* ApplyMacrosMessageKey(const MouseResult& result) {
        if (result.overLimit > 0)
            return "message_text_16";
        return result.failed == MouseStep::kMacros ? "message_text_7" : nullptr;
    }

    // ---- light state ----
    // The 14 bytes into the light state and the profile's LightInfo.
    void SetLightSettings(std::span<const uint8_t> info) override;
    void SetLightInfo(const LightInfo& light);
    LightInfo GetLightSettings() const;
    LightMirror GetLightMirror() const;
    // The profile's LightInfo into the light state and the mirror; the per-LED list and the
    // custom effect's steps for the preview.
    int ApplyLightState() override;
    std::vector<LightListEntry> GetLedLightList() const { return m_light.LedList(); }
    std::vector<EffectStep> GetCustomEffectSteps() const { return m_light.EffectSteps(); }
    // The frame is the preview engine's.
    void LightsOff() override { m_light.Engine().LightsOff(); }
    void SetLightColour(int index, uint32_t colour) override;
    uint32_t GetLightColour(int index) const override;
    void ClearKeyLights() override { m_light.Engine().ClearKeyLights(); }
    // Also gates the preview: the synchronised lighting owns the frame while it is set.
    void SetLightingSync(int flag) override;

    // ---- light preview (ILightDevice) ----
    CLightEngine& GetLightEngine() override { return m_light.Engine(); }
    int GetDeviceClass() const override;
    void OnLightFrame(const CLightFrame& frame) override;
    void ApplySynchronisedLight(const LightInfo& info) override;
    // ILightPageDevice: the edit, then CommitSettings.
    LightCommitResult CommitLightEdit(const LightEdit& edit, bool leaveSync) override;
    // Whoever shows the frame says so; nothing is computed while nobody does.
    void SetPreviewWanted(bool wanted) { m_light.Engine().SetPreviewWanted(wanted); }
    // Restarts a running thread.
    void StartLightThread();
    void StopLightThread();
    CLightThread& LightThread() { return m_light.Thread(); }

    // ---- name lists ----
    std::vector<std::string> GetMacroNames() const { return m_names.Macros(); }
    std::vector<std::string> GetEffectNames() const { return m_names.Get().effects; }
    std::vector<int> GetEffectVisible() const { return m_names.Get().effectVisible; }
    std::vector<int> GetEffectValues() const { return m_names.EffectValues(); }
    std::vector<std::string> GetAreaNames() const { return m_names.Get().areas; }
    std::vector<std::string> GetCustomLightNames() const { return m_names.Get().customLights; }
    // Translates the effect number the mouse reports into an effect list position.
    void SetEffectValues(std::vector<int> values) { m_names.SetEffectValues(std::move(values)); }

  protected:
    void OnConfigPresenceChanged() override;
    void StartEventListener(bool throughReceiver) override;
    void StopEventListener(bool throughReceiver) override;

  private:
    void Listen(std::stop_token stop, bool throughReceiver);
    // Present, and on the receiver the link query answers true; kResultDone then.
    int CanTalk();
    size_t MacroCount() const;
    // After a failed transfer: whether the receiver lost the mouse.
    int TransferFailure();
    // The default document's section as the profile, not yet saved.
    void LoadDefaultSection();

    std::shared_ptr<CMouseProfiledata> m_profile;
    std::string m_profileId;
    bool m_profileLoaded = false;
    // The profile file as this mouse last read or wrote it.
    struct FileStamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time{};
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::filesystem::path& file);
    FileStamp m_profileStamp;

    std::atomic<IMouseOwner*> m_owner{nullptr};
    // Held while a light frame is handed over, so SetOwner(nullptr) leaves no call in flight.
    std::mutex m_ownerMutex;
    CFirmwareHandOff m_firmware;

    mutable std::mutex m_statusMutex;
    std::array<uint8_t, kPowerStatusSize> m_powerStatus{};
    // [0] cable, [1] receiver.
    std::array<std::jthread, 2> m_listeners;

    CMouseKeyTable m_keyTable;
    MouseSettingsBlock m_settingsImage{};
    // A change of the profile's settings the mouse did not take (command thread).
    bool m_settingsUnsent = false;
    std::vector<KeyListEntry> m_keyList;

    CMouseLightState m_light;
    CMouseNameLists m_names;
};

// The mouse for the mouse type, the other families as the device library makes them.
std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend);
