// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/QuillonMouseDevice.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "base/Debug.h"
#include "base/Paths.h"
#include "device/DeviceTables.h"
#include "keys/KeyCodes.h"
#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "macro/ShootData.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"

namespace {

LightInfo LightFromBytes(std::span<const uint8_t> bytes) {
    LightInfo light;
    std::memcpy(&light, bytes.data(), std::min(bytes.size(), sizeof light));
    return light;
}

LightMirror MirrorOf(const LightInfo& light) {
    return {light.effect, light.brightness, light.speed, light.multiColor,
            light.red,    light.green,      light.blue};
}

std::span<const uint8_t> BytesOf(const LightInfo& light) {
    return {reinterpret_cast<const uint8_t*>(&light), sizeof light};
}

}  // namespace

CQuillonMouseDevice::CQuillonMouseDevice(IHidBackend* backend, ILightClock& clock)
    : CQuillonUSBDevice(backend),
      m_profile(std::make_shared<CMouseProfiledata>()),
      m_light(*this, clock) {
    m_profile->SetDefaultPath(GetProgramDataFolder() / "DefaultData" / "mouse.Json");
    SetProfileData(m_profile);
}

CQuillonMouseDevice::~CQuillonMouseDevice() {
    StopThreads();
}

void CQuillonMouseDevice::StopThreads() {
    // The light thread calls back into this object: it goes first.
    StopLightThread();
    StopEventListener(false);
    StopEventListener(true);
}

bool CQuillonMouseDevice::IsReachable() {
    ExpectCommandThread("CQuillonMouseDevice::IsReachable");
    return ConfigChannel().QueryLink();
}

MouseResult CQuillonMouseDevice::ReadStatus() {
    ExpectCommandThread("CQuillonMouseDevice::RefreshStatus");
    std::array<uint8_t, kPowerStatusSize> status{};
    const int result = ConfigChannel().ReadStatusBytes(status.data(), 2, 0);
    if (result != kResultDone)
        return MouseResult::Failed(MouseStep::kStatus, result);
    status[3] = ConfigChannel().IsReceiverMode() ? 1 : 0;
    std::lock_guard lock(m_statusMutex);
    m_powerStatus = status;
    return {};
}

std::array<uint8_t, kPowerStatusSize> CQuillonMouseDevice::PowerStatus() const {
    std::lock_guard lock(m_statusMutex);
    return m_powerStatus;
}

// ---- first contact and events ----

void CQuillonMouseDevice::InitialSync() {
    ExpectCommandThread("CQuillonMouseDevice::InitialSync");
    ConfigChannel().SetTransmissionEnabled(true);
    ReadDeviceInfo();
    // Declined: the program ends (the window) or the command stops (kestrunectl).
    if (GetFirmwareCheck() == FirmwareCheck::kDeclined)
        return;
    LoadProfile();
    // A change the mouse missed goes out before anything is read back: the profile is the
    // truth, and reading first would put the mouse's old value over it.
    if (!m_settingsUnsent || !SendSettings(0).Sent())
        ReadSettingsBlock();
    ApplyProfile();
    StartLightThread();
}

void CQuillonMouseDevice::ReloadSettings() {
    ExpectCommandThread("CQuillonMouseDevice::ReloadSettings");
    ReadSettingsBlock();
    ApplyProfile();
}

void CQuillonMouseDevice::ApplyProfile() {
    ExpectCommandThread("CQuillonMouseDevice::ApplyProfile");
    LoadNameLists();
    if (IMouseOwner* owner = m_owner.load())
        owner->OnProfileApplied(*this, TakeProfileSnapshot());
}

MouseProfileSnapshot CQuillonMouseDevice::TakeProfileSnapshot() {
    ExpectCommandThread("CQuillonMouseDevice::TakeProfileSnapshot");
    MouseProfileSnapshot snapshot;
    // The file it came from names it, also when the profile list chose it.
    const std::filesystem::path loaded = m_profile->GetProfilePath();
    snapshot.profileId = loaded.empty() ? m_profileId : loaded.stem().string();
    snapshot.stages = GetDpiStages();
    snapshot.activeStage = m_profile->GetActiveDpiStage();
    snapshot.settings = m_profile->GetMouseSettings();
    snapshot.light = m_profile->GetLightInfo();
    snapshot.keys = m_keyList;
    snapshot.sensor = GetSensor();
    MouseNames names = m_names.Get();
    snapshot.macroNames = std::move(names.macros);
    snapshot.effectNames = std::move(names.effects);
    snapshot.effectVisible = std::move(names.effectVisible);
    snapshot.effectValues = std::move(names.effectValues);
    return snapshot;
}

void CQuillonMouseDevice::HandleEvent(std::span<const uint8_t> report, bool throughReceiver) {
    const MouseEvent event = DecodeMouseEvent(report, throughReceiver);
    IMouseOwner* owner = m_owner.load();
    switch (event.action) {
        case MouseEventAction::kReloadSettings:
            DebugLine(DebugArea::Mouse, "接收到自动添加设备的同步信息要求");
            if (owner)
                owner->ScheduleSettingsReload(*this, event.delayMs);
            break;
        case MouseEventAction::kReactiveLight:
            // The engine ignores it unless the preview runs the reactive effect.
            m_light.Engine().TriggerReactive();
            break;
        case MouseEventAction::kRefreshProfile:
            if (owner && IsConfigPresent())
                owner->ScheduleProfileRefresh(*this, event);
            break;
        case MouseEventAction::kIgnore:
            break;
    }
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
        const std::span<const uint8_t> report(buffer.data(), got);
        DeliverEvent(throughReceiver, report);
        HandleEvent(report, throughReceiver);
    }
    DebugLine(DebugArea::Mouse, "MS 设备同步线程设定退出");
}

// ---- device memory ----

int CQuillonMouseDevice::CanTalk() {
    CReportChannel& channel = ConfigChannel();
    if (!channel.IsPresent())
        return kResultNoReply;
    if (channel.IsReceiverMode() && !channel.QueryLink())
        return kResultUnreachable;
    return kResultDone;
}

MouseResult CQuillonMouseDevice::ReadInformation() {
    ExpectCommandThread("CQuillonMouseDevice::ReadDeviceInfo");
    if (const int reach = CanTalk(); reach != kResultDone)
        return MouseResult::Failed(MouseStep::kInformation, reach);
    CReportChannel& channel = ConfigChannel();
    channel.BeginConfiguration();
    std::array<uint8_t, kInformationBlockSize> info{};
    int result = channel.ReadInformationBlock(info.data());
    if (result == kResultDone) {
        SetInformationBlock(info);
        if (channel.SetKeyTableSize(static_cast<uint16_t>(3 * info[5])) != 1) {
            DebugPrintf(DebugArea::Mouse, "key table of %u bytes refused", 3u * info[5]);
            result = kResultNoReply;
        } else if (!m_firmware.Check(channel, FirmwareVersion())) {
            return MouseResult::Failed(MouseStep::kInformation, kResultNoReply);
        }
    }
    std::array<uint8_t, kMaxKeyTableSize> keys{};
    if (result == kResultDone)
        result = channel.ReadKeyAssignmentTable(keys.data());
    // Close the configuration the begin opened, whatever failed.
    channel.EndConfiguration();
    if (result != kResultDone)
        return MouseResult::Failed(MouseStep::kInformation, result);
    // Only a device with a type has a data folder to keep what the table teaches.
    m_keyTable.Take(keys, info[5],
                    GetTypeKey().empty() ? std::filesystem::path() : GetUserDeviceFolder());
    return {};
}

uint16_t CQuillonMouseDevice::FirmwareVersion() {
    const CHidDevice& direct = ConfigChannel().DirectTransport();
    return direct.IsOpen() ? direct.GetVersion() : 0;
}

bool CQuillonMouseDevice::NeedsFirmwareUpgrade() {
    return FirmwareNeedsUpgrade(FirmwareVersion());
}

MouseResult CQuillonMouseDevice::ReadSettings() {
    ExpectCommandThread("CQuillonMouseDevice::ReadSettingsBlock");
    SetLightingSync(0);
    if (const int reach = CanTalk(); reach != kResultDone)
        return MouseResult::Failed(MouseStep::kSettings, reach);
    CReportChannel& channel = ConfigChannel();
    uint8_t slot = 0;
    int result = channel.ReadSettingsMemory(&slot, 1, 0);
    MouseSettingsBlock image{};
    if (result == kResultDone)
        result = channel.ReadSettingsMemory(image.data(), kMouseSettingsBlockSize,
                                            static_cast<uint16_t>(slot * kSettingsSlotStride));
    if (result != kResultDone)
        return MouseResult::Failed(MouseStep::kSettings, result);
    image[MouseBlock::kSlot] = slot;
    m_settingsImage = image;

    LightInfo light = GetLightSettings();
    MouseSettings settings = m_profile->GetMouseSettings();
    int activeStage = m_profile->GetActiveDpiStage();
    TranslateMouseSettingsBlock(image, GetEffectValues(), light, settings, activeStage);
    m_light.Engine().SetMirror(MirrorOf(light));
    m_light.Engine().SetLightInfo(light);
    m_profile->SetMouseSettings(settings);
    m_profile->SetActiveDpiStage(activeStage);
    CQuillonUSBDevice::SetLightSettings(BytesOf(light));
    m_profile->SetLightInfo(light);
    return SaveProfile();
}

MouseResult CQuillonMouseDevice::SendSettings(uint8_t slot) {
    ExpectCommandThread("CQuillonMouseDevice::WriteSettings");
    // Before a profile is loaded the records are empty: writing them would wipe the mouse.
    if (!m_profileLoaded) {
        DebugLine(DebugArea::Mouse, "settings not written: no profile loaded");
        return MouseResult::Failed(MouseStep::kSettings, kResultNoReply);
    }
    const std::vector<DpiStage> stages = GetDpiStages();
    const MouseSettingsBlock image =
        BuildMouseSettingsBlock(slot, m_profile->GetLightInfo(), stages,
                                m_profile->GetActiveDpiStage(), m_profile->GetMouseSettings());
    if (const int reach = CanTalk(); reach != kResultDone)
        return MouseResult::Failed(MouseStep::kSettings, reach);
    CReportChannel& channel = ConfigChannel();
    int result = channel.BeginConfiguration();
    if (result == kResultDone)
        result = channel.WriteSettingsMemory(image.data(), kMouseSettingsBlockSize,
                                             static_cast<uint16_t>(slot * kSettingsSlotStride));
    // The end goes out whatever happened, so the mouse leaves configuration.
    const int ended = channel.EndConfiguration();
    if (result == kResultDone)
        result = ended == kResultDone ? kResultDone : ended;
    if (result != kResultDone)
        return MouseResult::Failed(MouseStep::kSettings, result);
    m_settingsUnsent = false;
    return {};
}

std::vector<DpiStage> CQuillonMouseDevice::GetDpiStages() {
    ExpectCommandThread("CQuillonMouseDevice::GetDpiStages");
    std::vector<DpiStage> stages = m_profile->GetDpiStages();
    const std::vector<ClampedStage> clamped = ClampStagesToSensor(GetSensor(), stages);
    if (!clamped.empty()) {
        // The stored stages take the positions the mouse will be sent, so this is told once.
        m_profile->SetDpiStages(stages);
        const int highest = HighestPosition(GetSensor());
        std::vector<FileProblem> problems;
        for (const ClampedStage& stage : clamped)
            problems.push_back(
                {"DPI stage " + std::to_string(stage.stage) + "'s position",
                 std::to_string(stage.position),
                 "a position from 0 to " + std::to_string(highest) + " on this mouse's sensor"});
        WarnFileProblems(m_profile->GetProfilePath(), problems);
    }
    return stages;
}

// ---- profile ----

bool CQuillonMouseDevice::SetCurrentProfileId(const std::string& id) {
    ExpectCommandThread("CQuillonMouseDevice::SetCurrentProfileId");
    if (!id.empty() && !IsPlainFileName(id)) {
        DebugPrintf(DebugArea::Mouse, "profile identifier refused: %s", id.c_str());
        return false;
    }
    m_profileId = id;
    return true;
}

std::string CQuillonMouseDevice::CurrentProfileId() {
    ExpectCommandThread("CQuillonMouseDevice::CurrentProfileId");
    if (!m_profileId.empty())
        return m_profileId;
    CProfileList list;
    list.SetKind(kDeviceClassMouse);
    list.SetFolders(GetUserDeviceFolder(), m_profile->GetDefaultPath());
    list.LoadList();
    return list.GetCurrentProfileId();
}

void CQuillonMouseDevice::SetProfilePaths() {
    ExpectCommandThread("CQuillonMouseDevice::SetProfilePaths");
    const std::filesystem::path folder = GetUserDeviceFolder();
    const std::string id = CurrentProfileId();
    if (IsPlainFileName(id) && !id.empty())
        m_profile->SetProfilePath(folder / (id + CProfileList::kProfileExtension));
    const std::string prefix =
        GetLightFilePrefix().empty() ? kDefaultLightFilePrefix : GetLightFilePrefix();
    m_profile->SetLightListPath(folder / (prefix + ".config"));
}

int CQuillonMouseDevice::LoadProfile() {
    ExpectCommandThread("CQuillonMouseDevice::LoadProfile");
    SetProfilePaths();
    m_profile->LoadSection(m_profile->GetProfilePath());
    if (m_profile->ReadRefused()) {
        // Nothing of a file we may not read is sent, nor empty records in its place.
        m_profileLoaded = false;
        return 0;
    }
    m_profileStamp = StampOf(m_profile->GetProfilePath());
    m_keyList = m_profile->GetKeyList();
    ApplyLightState();
    m_profile->GetDpiStages();
    m_profile->GetMouseSettings();
    m_profileLoaded = true;
    return 1;
}

CQuillonMouseDevice::FileStamp CQuillonMouseDevice::StampOf(const std::filesystem::path& file) {
    std::error_code ec;
    FileStamp stamp;
    stamp.size = std::filesystem::file_size(file, ec);
    if (ec)
        return {};
    stamp.time = std::filesystem::last_write_time(file, ec);
    return ec ? FileStamp{} : stamp;
}

bool CQuillonMouseDevice::ReloadProfileIfChanged() {
    ExpectCommandThread("CQuillonMouseDevice::ReloadProfileIfChanged");
    if (!m_profileLoaded || m_profile->GetProfilePath().empty())
        return false;
    const FileStamp now = StampOf(m_profile->GetProfilePath());
    if (now == FileStamp{} || now == m_profileStamp)
        return false;
    DebugPrintf(DebugArea::Profile, "profile changed by another program: %s",
                m_profile->GetProfilePath().c_str());
    LoadProfile();
    FixMacroAssignments();
    return true;
}

void CQuillonMouseDevice::LoadDefaultSection() {
    SetProfilePaths();
    // The profile file path stays: the next save puts the default section into it.
    m_profile->LoadSection(m_profile->GetDefaultPath());
    m_keyList = m_profile->GetKeyList();
    ApplyLightState();
    m_profile->GetDpiStages();
    m_profile->GetMouseSettings();
    m_profileLoaded = true;
}

void CQuillonMouseDevice::ResetToDefault() {
    ExpectCommandThread("CQuillonMouseDevice::ResetToDefault");
    LoadDefaultSection();
    StoreSettings();
    ApplyProfile();
}

MouseResult CQuillonMouseDevice::RestoreDefaults() {
    ExpectCommandThread("CQuillonMouseDevice::RestoreDefaults");
    LoadDefaultSection();
    const bool saved = SaveProfile().saved;
    ApplyProfile();
    MouseResult result;
    if (WriteCurrentKeyTable(0) != 1)
        result = MouseResult::Failed(MouseStep::kKeyTable, TransferFailure());
    else
        result = SendSettings(0);
    result.saved = saved;
    return result;
}

MouseResult CQuillonMouseDevice::SaveProfile() {
    ExpectCommandThread("CQuillonMouseDevice::StoreSettings");
    MouseResult result;
    result.saved = m_profile->Save();
    if (result.saved)
        m_profileStamp = StampOf(m_profile->GetProfilePath());
    if (!result.saved)
        DebugPrintf(DebugArea::Profile, "profile not saved: %s",
                    m_profile->GetProfilePath().c_str());
    return result;
}

void CQuillonMouseDevice::SetDeviceKind(int kind) {
    CQuillonUSBDevice::SetDeviceKind(kind);
    m_profile->SetDeviceIndex(0);
}

void CQuillonMouseDevice::FixMacroAssignments() {
    ExpectCommandThread("CQuillonMouseDevice::FixMacroAssignments");
    LoadNameLists();
    const size_t macros = GetMacroNames().size();
    bool changed = false;
    for (KeyListEntry& entry : m_keyList) {
        if (IsMacroCode(entry.current.code) && entry.current.code[1] >= macros) {
            entry.current = entry.factory;
            changed = true;
        }
    }
    if (changed)
        m_profile->SetKeyList(m_keyList);
}

void CQuillonMouseDevice::LoadNameLists() {
    ExpectCommandThread("CQuillonMouseDevice::LoadNameLists");
    m_names.Load(GetUserDeviceFolder(), static_cast<size_t>(std::max(GetDeviceKind(), 0)),
                 m_profile->GetLightListPath(), static_cast<size_t>(m_profile->GetDeviceIndex()));
}

// ---- settings ----

void CQuillonMouseDevice::SetDpiStages(const std::vector<DpiStage>& stages) {
    ExpectCommandThread("CQuillonMouseDevice::SetDpiStages");
    m_profile->SetDpiStages(stages);
    m_profileLoaded = true;
}

void CQuillonMouseDevice::SetActiveStage(int stage) {
    ExpectCommandThread("CQuillonMouseDevice::SetActiveStage");
    m_profile->SetActiveDpiStage(stage);
    m_profileLoaded = true;
}

void CQuillonMouseDevice::SetMouseSettings(const MouseSettings& settings) {
    ExpectCommandThread("CQuillonMouseDevice::SetMouseSettings");
    m_profile->SetMouseSettings(settings);
    m_profileLoaded = true;
}

void CQuillonMouseDevice::SetKeyList(const std::vector<KeyListEntry>& list) {
    ExpectCommandThread("CQuillonMouseDevice::SetKeyList");
    m_keyList = list;
    m_profile->SetKeyList(list);
}

bool CQuillonMouseDevice::SetKeyAssignment(size_t button, const KeyCode& code) {
    ExpectCommandThread("CQuillonMouseDevice::SetKeyAssignment");
    if (button >= m_keyList.size())
        return false;
    m_keyList[button].current.code = code;
    m_profile->SetKeyList(m_keyList);
    return true;
}

// ---- macros, key table and recoil data ----

size_t CQuillonMouseDevice::MacroCount() const {
    return CMacroList(GetUserDeviceFolder()).ReadList().size();
}

int CQuillonMouseDevice::TransferFailure() {
    CReportChannel& channel = ConfigChannel();
    if (channel.IsPresent() && channel.IsReceiverMode() && !channel.QueryLink())
        return kResultUnreachable;
    return kResultNoReply;
}

std::vector<int> CQuillonMouseDevice::BuildMacroList() {
    ExpectCommandThread("CQuillonMouseDevice::BuildMacroList");
    return ::BuildMacroList(m_keyList, m_keyTable.Positions(), MacroCount());
}

int CQuillonMouseDevice::WriteKeyTable(int profile, const std::vector<KeyListEntry>& keys) {
    ExpectCommandThread("CQuillonMouseDevice::WriteKeyTable");
    return m_keyTable.Write(ConfigChannel(), keys, MacroCount(), profile);
}

int CQuillonMouseDevice::WriteCurrentKeyTable(int profile) {
    ExpectCommandThread("CQuillonMouseDevice::WriteCurrentKeyTable");
    const std::vector<KeyListEntry> keys = m_keyList;
    return WriteKeyTable(profile, keys);
}

int CQuillonMouseDevice::WriteMacroData(const std::vector<int>& used) {
    ExpectCommandThread("CQuillonMouseDevice::WriteMacroData");
    return ::WriteMacroData(ConfigChannel(), CMacroList(GetUserDeviceFolder()), used);
}

int CQuillonMouseDevice::WriteShootData() {
    ExpectCommandThread("CQuillonMouseDevice::WriteShootData");
    return ::WriteShootData(
        ConfigChannel(), CShootData(GetUserDeviceFolder(), GetProgramDataFolder() / "DefaultData"));
}

MouseResult CQuillonMouseDevice::SendRecoil() {
    const int sent = WriteShootData();
    if (sent == 0)
        return {kResultNoReply, MouseStep::kRecoil, true, 1};
    if (sent < 0)
        return MouseResult::Failed(MouseStep::kRecoil, TransferFailure());
    return {};
}

RecoilSent CQuillonMouseDevice::SendRecoilPatterns() {
    const MouseResult result = SendRecoil();
    if (result.overLimit > 0)
        return RecoilSent::kTooLarge;
    return result.Sent() ? RecoilSent::kSent : RecoilSent::kNotSent;
}

MouseResult CQuillonMouseDevice::SendMacrosAndKeyTable(bool keysDespiteSize) {
    ExpectCommandThread("CQuillonMouseDevice::SendMacrosAndKeyTable");
    MouseResult result;
    const int macros = WriteMacroData(BuildMacroList());
    if (macros > 0) {
        result.overLimit = macros;
        if (!keysDespiteSize)
            return result;
    }
    // The first failure is the one to report.
    if (macros < 0) {
        result.device = TransferFailure();
        result.failed = MouseStep::kMacros;
    }
    if (WriteCurrentKeyTable(0) != 1 && result.failed == MouseStep::kNone) {
        result.device = TransferFailure();
        result.failed = MouseStep::kKeyTable;
    }
    return result;
}

MouseResult CQuillonMouseDevice::ApplyMacros() {
    ExpectCommandThread("CQuillonMouseDevice::ApplyMacros");
    MouseResult result = SendMacrosAndKeyTable(false);
    if (result.overLimit > 0)
        return result;
    result.saved = SaveProfile().saved;
    return result;
}

MouseResult CQuillonMouseDevice::LoadAndWriteProfile() {
    ExpectCommandThread("CQuillonMouseDevice::LoadAndWriteProfile");
    LoadProfile();
    FixMacroAssignments();
    ApplyProfile();
    if (MouseResult settings = SendSettings(0); !settings.Sent())
        return settings;
    return SendMacrosAndKeyTable(true);
}

MouseResult CQuillonMouseDevice::CommitSettings() {
    ExpectCommandThread("CQuillonMouseDevice::CommitSettings");
    const bool saved = SaveProfile().saved;
    MouseResult result = SendSettings(0);
    result.saved = saved;
    if (!result.Sent())
        m_settingsUnsent = true;
    return result;
}

// ---- light state ----

void CQuillonMouseDevice::SetLightSettings(std::span<const uint8_t> info) {
    ExpectCommandThread("CQuillonMouseDevice::SetLightSettings");
    CQuillonUSBDevice::SetLightSettings(info);
    const LightInfo light = LightFromBytes(info);
    // The effect steps read the record itself; the mirror follows with ApplyLightState.
    m_light.Engine().SetLightInfo(light);
    m_profile->SetLightInfo(light);
    m_profileLoaded = true;
}

void CQuillonMouseDevice::SetLightInfo(const LightInfo& light) {
    SetLightSettings({reinterpret_cast<const uint8_t*>(&light), sizeof light});
}

LightInfo CQuillonMouseDevice::GetLightSettings() const {
    const auto bytes = LightSettings();
    return LightFromBytes(bytes);
}

LightMirror CQuillonMouseDevice::GetLightMirror() const {
    return m_light.Engine().GetMirror();
}

int CQuillonMouseDevice::ApplyLightState() {
    ExpectCommandThread("CQuillonMouseDevice::ApplyLightState");
    const LightInfo light = m_profile->GetLightInfo();
    CQuillonUSBDevice::SetLightSettings(BytesOf(light));
    m_light.Apply(*m_profile);
    return 1;
}

void CQuillonMouseDevice::SetLightColour(int index, uint32_t colour) {
    if (index >= 0)
        m_light.Engine().Frame().Set(static_cast<size_t>(index), LightColour::Unpack(colour));
}

uint32_t CQuillonMouseDevice::GetLightColour(int index) const {
    return index >= 0 ? m_light.Engine().Frame().Get(static_cast<size_t>(index)).Pack() : 0;
}

void CQuillonMouseDevice::SetLightingSync(int flag) {
    CQuillonUSBDevice::SetLightingSync(flag);
    m_light.Engine().SetSynchronised(flag != 0);
}

// ---- light preview ----

int CQuillonMouseDevice::GetDeviceClass() const {
    // Before its record is known the mouse is a cable mouse.
    const int deviceClass = CQuillonUSBDevice::GetDeviceClass();
    return deviceClass != 0 ? deviceClass : kDeviceClassMouse;
}

void CQuillonMouseDevice::SetOwner(IMouseOwner* owner) {
    std::lock_guard lock(m_ownerMutex);
    m_owner = owner;
}

void CQuillonMouseDevice::OnLightFrame(const CLightFrame&) {
    std::lock_guard lock(m_ownerMutex);
    if (IMouseOwner* owner = m_owner.load())
        owner->OnLightFrame(*this);
}

void CQuillonMouseDevice::ApplySynchronisedLight(const LightInfo& info) {
    ExpectCommandThread("CQuillonMouseDevice::ApplySynchronisedLight");
    CQuillonUSBDevice::SetLightingSync(1);
    SetLightInfo(info);
    StoreSettings();
    ApplyLightState();
    WriteSettings(0);
}

LightCommitResult CQuillonMouseDevice::CommitLightEdit(const LightEdit& edit, bool leaveSync) {
    ExpectCommandThread("CQuillonMouseDevice::CommitLightEdit");
    if (leaveSync)
        SetLightingSync(0);
    LightInfo light = GetLightSettings();
    edit(light);
    SetLightInfo(light);
    ApplyLightState();
    const MouseResult result = CommitSettings();
    if (!result.Done())
        ApplyProfile();
    return {result.Sent(), result.saved};
}

void CQuillonMouseDevice::OnConfigPresenceChanged() {
    m_light.Engine().SetPresent(IsConfigPresent());
}

void CQuillonMouseDevice::StartLightThread() {
    m_light.Thread().Start();
}

void CQuillonMouseDevice::StopLightThread() {
    m_light.Thread().Stop();
}

std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend) {
    if (typeIndex == 0)
        return std::make_unique<CQuillonMouseDevice>(backend);
    return MakeBaseFamilyDevice(typeIndex, backend);
}
