#include "mouse/QuillonMouseDevice.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "base/Debug.h"
#include "base/Paths.h"
#include "device/DeviceTables.h"
#include "keys/KeyCodes.h"
#include "macro/MacroList.h"
#include "macro/ShootData.h"
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

std::vector<std::string> Names(const Json::Value& array, const char* key) {
    std::vector<std::string> names;
    for (Json::ArrayIndex i = 0; i < array.size(); ++i)
        names.push_back(JsonString(array[i], key));
    return names;
}

}  // namespace

CQuillonMouseDevice::CQuillonMouseDevice(IHidBackend* backend, ILightClock& clock)
    : CQuillonUSBDevice(backend),
      m_profile(std::make_shared<CMouseProfiledata>()),
      m_lightClock(clock),
      m_lightThread(*this, clock) {
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

void CQuillonMouseDevice::RefreshStatus() {
    ExpectCommandThread("CQuillonMouseDevice::RefreshStatus");
    std::array<uint8_t, kPowerStatusSize> status{};
    const int result = ConfigChannel().ReadStatusBytes(status.data(), 2, 0);
    m_lastDeviceResult = result;
    if (result != kResultDone)
        return;
    status[3] = ConfigChannel().IsReceiverMode() ? 1 : 0;
    std::lock_guard lock(m_statusMutex);
    m_powerStatus = status;
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
    snapshot.profileId = m_profileId;
    snapshot.stages = m_profile->GetDpiStages();
    snapshot.activeStage = m_profile->GetActiveDpiStage();
    snapshot.settings = m_profile->GetMouseSettings();
    snapshot.light = m_profile->GetLightInfo();
    snapshot.keys = m_keyList;
    snapshot.sensor = GetSensor();
    std::lock_guard lock(m_namesMutex);
    snapshot.macroNames = m_macroNames;
    snapshot.effectNames = m_effectNames;
    snapshot.effectVisible = m_effectVisible;
    snapshot.effectValues = m_effectValues;
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
            m_lightEngine.TriggerReactive();
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

KeyPositionMap BuildKeyPositionMap(std::span<const uint8_t> keyTable, size_t positions,
                                   const KeyPositionMap& learnt) {
    const KeyPositionMap found = BuildKeyPositionMap(keyTable, positions);
    // A table that still holds every factory code says where each button is: the learnt map
    // (a file anyone may edit) only stands in for codes the table no longer shows.
    const bool complete = std::find(found.begin(), found.end(), kNoKeyPosition) == found.end();
    if (complete)
        return found;
    positions = std::min(positions, keyTable.size() / 3);
    // A remapped button can carry another button's factory code: that copy is not the other
    // button, whose own position is known.
    auto learntByAnother = [&learnt](size_t k, size_t button) {
        for (size_t other = 0; other < kMouseKeyButtons; ++other)
            if (other != button && learnt[other] == k)
                return true;
        return false;
    };
    KeyPositionMap map{};
    map.fill(kNoKeyPosition);
    std::vector<bool> taken(positions, false);
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const KeyCode& code = kFactoryKeyTable[button];
        for (size_t k = 0; k < positions; ++k) {
            if (!taken[k] && !learntByAnother(k, button) &&
                std::equal(code.begin(), code.end(), keyTable.begin() + 3 * k)) {
                map[button] = static_cast<uint8_t>(k);
                taken[k] = true;
                break;
            }
        }
    }
    for (size_t button = 0; button < kMouseKeyButtons; ++button) {
        const uint8_t k = learnt[button];
        if (map[button] == kNoKeyPosition && k < positions && !taken[k]) {
            map[button] = k;
            taken[k] = true;
        }
    }
    return map;
}

KeyPositionMap CQuillonMouseDevice::PositionsFromKeyTable(size_t positions) {
    if (GetTypeKey().empty())
        return BuildKeyPositionMap(m_keyTable, positions);
    const std::filesystem::path file = GetUserDeviceFolder() / kKeyPositionsFileName;
    KeyPositionMap learnt = MakeEmptyKeyPositions();
    const Json::Value document = CJsonFile::ReadDocument(file);
    const Json::Value& stored = JsonMember(document, "KeyPositions");
    for (Json::ArrayIndex i = 0; stored.isArray() && i < stored.size() && i < kMouseKeyButtons;
         ++i) {
        if (stored[i].isUInt() && stored[i].asUInt() < kNoKeyPosition)
            learnt[i] = static_cast<uint8_t>(stored[i].asUInt());
    }
    const KeyPositionMap map = BuildKeyPositionMap(m_keyTable, positions, learnt);

    // A table with every factory code teaches every position; another one only the buttons
    // not known yet, where no known button sits.
    const KeyPositionMap found = BuildKeyPositionMap(m_keyTable, positions);
    const bool complete = std::find(found.begin(), found.end(), kNoKeyPosition) == found.end();
    KeyPositionMap learnNow = complete ? map : learnt;
    if (!complete) {
        for (size_t button = 0; button < kMouseKeyButtons; ++button) {
            if (learnt[button] == kNoKeyPosition && found[button] != kNoKeyPosition &&
                std::find(learnt.begin(), learnt.end(), found[button]) == learnt.end())
                learnNow[button] = found[button];
        }
    }
    if (learnNow != learnt) {
        Json::Value learntDocument(Json::objectValue);
        Json::Value& list = learntDocument["KeyPositions"] = Json::Value(Json::arrayValue);
        for (uint8_t k : learnNow)
            list.append(Json::UInt{k});
        if (!CJsonFile::WriteDocument(file, learntDocument))
            DebugPrintf(DebugArea::Mouse, "key positions not kept: %s", file.c_str());
    }
    return map;
}

bool CQuillonMouseDevice::CanTalk() {
    CReportChannel& channel = ConfigChannel();
    if (!channel.IsPresent()) {
        m_lastDeviceResult = kResultNoReply;
        return false;
    }
    if (channel.IsReceiverMode() && !channel.QueryLink()) {
        m_lastDeviceResult = kResultUnreachable;
        return false;
    }
    return true;
}

bool CQuillonMouseDevice::ReadDeviceInfo() {
    ExpectCommandThread("CQuillonMouseDevice::ReadDeviceInfo");
    if (!CanTalk())
        return false;
    CReportChannel& channel = ConfigChannel();
    channel.BeginConfiguration();
    std::array<uint8_t, kInformationBlockSize> info{};
    int result = channel.ReadInformationBlock(info.data());
    if (result == kResultDone) {
        SetInformationBlock(info);
        if (channel.SetKeyTableSize(static_cast<uint16_t>(3 * info[5])) != 1) {
            DebugPrintf(DebugArea::Mouse, "key table of %u bytes refused", 3u * info[5]);
            result = kResultNoReply;
        } else if (!CheckFirmware()) {
            return false;
        }
    }
    std::array<uint8_t, kMaxKeyTableSize> keys{};
    if (result == kResultDone)
        result = channel.ReadKeyAssignmentTable(keys.data());
    // Close the configuration the begin opened, whatever failed.
    channel.EndConfiguration();
    m_lastDeviceResult = result;
    if (result != kResultDone)
        return false;
    m_keyTable = keys;
    m_keyTableRead = true;
    m_keyPositions = PositionsFromKeyTable(info[5]);
    return true;
}

bool CQuillonMouseDevice::CheckFirmware() {
    const uint16_t version = FirmwareVersion();
    if (!FirmwareNeedsUpgrade(version)) {
        m_firmwareCheck = FirmwareCheck::kCurrent;
        return true;
    }
    if (!m_prompt) {
        DebugPrintf(DebugArea::Mouse, "firmware %04x is old, and nobody to ask", version);
        m_firmwareCheck = FirmwareCheck::kOutdated;
        return true;
    }
    CReportChannel& channel = ConfigChannel();
    // Nothing waits on the mouse while the user decides, nor once the upgrader has it.
    channel.EndConfiguration();
    m_lastDeviceResult = kResultNoReply;
    if (!m_prompt->ConfirmFirmwareUpgrade(version, kCurrentMouseFirmware)) {
        m_firmwareCheck = FirmwareCheck::kDeclined;
        m_prompt->OnFirmwareUpgradeDeclined(version, kCurrentMouseFirmware);
        return false;
    }
    channel.SetTransmissionEnabled(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CSpawnUpgraderLauncher spawn;
    IUpgraderLauncher& launcher = m_launcher ? *m_launcher : spawn;
    const std::string error =
        launcher.Launch(UpgraderPath(), kUpgradeToolArgument, UpgraderFolder());
    if (error.empty()) {
        m_firmwareCheck = FirmwareCheck::kUpgraderStarted;
        return false;
    }
    // Nothing else will talk to the mouse: this tool keeps it.
    channel.SetTransmissionEnabled(true);
    m_firmwareCheck = FirmwareCheck::kUpgraderFailed;
    DebugPrintf(DebugArea::Mouse, "upgrader: %s", error.c_str());
    m_prompt->OnUpgraderFailed(error);
    return false;
}

uint16_t CQuillonMouseDevice::FirmwareVersion() {
    const CHidDevice& direct = ConfigChannel().DirectTransport();
    return direct.IsOpen() ? direct.GetVersion() : 0;
}

bool CQuillonMouseDevice::NeedsFirmwareUpgrade() {
    return FirmwareNeedsUpgrade(FirmwareVersion());
}

int CQuillonMouseDevice::ReadSettingsBlock() {
    ExpectCommandThread("CQuillonMouseDevice::ReadSettingsBlock");
    SetLightingSync(0);
    if (!CanTalk())
        return 0;
    CReportChannel& channel = ConfigChannel();
    uint8_t slot = 0;
    int result = channel.ReadSettingsMemory(&slot, 1, 0);
    MouseSettingsBlock image{};
    if (result == kResultDone)
        result = channel.ReadSettingsMemory(image.data(), kMouseSettingsBlockSize,
                                            static_cast<uint16_t>(slot * kSettingsSlotStride));
    m_lastDeviceResult = result;
    if (result != kResultDone)
        return 0;
    image[MouseBlock::kSlot] = slot;
    m_settingsImage = image;

    LightInfo light = GetLightSettings();
    MouseSettings settings = m_profile->GetMouseSettings();
    int activeStage = m_profile->GetActiveDpiStage();
    TranslateMouseSettingsBlock(image, GetEffectValues(), light, settings, activeStage);
    m_lightEngine.SetMirror(MirrorOf(light));
    m_lightEngine.SetLightInfo(light);
    m_profile->SetMouseSettings(settings);
    m_profile->SetActiveDpiStage(activeStage);
    CQuillonUSBDevice::SetLightSettings(BytesOf(light));
    m_profile->SetLightInfo(light);
    StoreSettings();
    return 1;
}

int CQuillonMouseDevice::WriteSettings(uint8_t slot) {
    ExpectCommandThread("CQuillonMouseDevice::WriteSettings");
    // Before a profile is loaded the records are empty: writing them would wipe the mouse.
    if (!m_profileLoaded) {
        DebugLine(DebugArea::Mouse, "settings not written: no profile loaded");
        m_lastDeviceResult = kResultNoReply;
        return 0;
    }
    const std::vector<DpiStage> stages = m_profile->GetDpiStages();
    const MouseSettingsBlock image =
        BuildMouseSettingsBlock(slot, m_profile->GetLightInfo(), stages,
                                m_profile->GetActiveDpiStage(), m_profile->GetMouseSettings());
    if (!CanTalk())
        return 0;
    CReportChannel& channel = ConfigChannel();
    int result = channel.BeginConfiguration();
    if (result == kResultDone)
        result = channel.WriteSettingsMemory(image.data(), kMouseSettingsBlockSize,
                                             static_cast<uint16_t>(slot * kSettingsSlotStride));
    // The end goes out whatever happened, so the mouse leaves configuration.
    const int ended = channel.EndConfiguration();
    if (result == kResultDone)
        result = ended == kResultDone ? kResultDone : ended;
    m_lastDeviceResult = result;
    return result == kResultDone ? 1 : 0;
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
    m_keyList = m_profile->GetKeyList();
    ApplyLightState();
    m_profile->GetDpiStages();
    m_profile->GetMouseSettings();
    m_profileLoaded = true;
    return 1;
}

void CQuillonMouseDevice::ResetToDefault() {
    ExpectCommandThread("CQuillonMouseDevice::ResetToDefault");
    SetProfilePaths();
    // The profile file path stays: the next save puts the default section into it.
    m_profile->LoadSection(m_profile->GetDefaultPath());
    m_keyList = m_profile->GetKeyList();
    ApplyLightState();
    m_profile->GetDpiStages();
    m_profile->GetMouseSettings();
    m_profileLoaded = true;
    StoreSettings();
    ApplyProfile();
}

void CQuillonMouseDevice::StoreSettings() {
    ExpectCommandThread("CQuillonMouseDevice::StoreSettings");
    m_lastStoreOk = m_profile->Save();
    if (!m_lastStoreOk)
        DebugPrintf(DebugArea::Profile, "profile not saved: %s",
                    m_profile->GetProfilePath().c_str());
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
    const std::filesystem::path folder = GetUserDeviceFolder();
    const auto type = static_cast<size_t>(std::max(GetDeviceKind(), 0));
    const Json::Value macros = CJsonFile::ReadDocument(folder / kMacroFileName);
    const Json::Value lights =
        CJsonFile::ReadDocument(GetProgramDataFolder() / "DefaultData" / kLightNamesFileName);
    const Json::Value& effects = JsonElement(JsonMember(lights, "DefaultLightName"), type);
    const Json::Value& areas = JsonElement(JsonMember(lights, "AreaLightName"), type);
    const Json::Value custom = CJsonFile::ReadDocument(m_profile->GetLightListPath());
    // Indexed like the effect files that GetEffectSteps finds there, so names and effects agree.
    const Json::Value& customLights = JsonElement(JsonMember(custom, "LightInfo"),
                                                  static_cast<size_t>(m_profile->GetDeviceIndex()));

    std::lock_guard lock(m_namesMutex);
    // A missing list keeps the old one.
    if (const Json::Value& list = JsonMember(macros, "MacroInfo"); list.isArray())
        m_macroNames = Names(list, "MacroName");
    if (effects.isArray()) {
        m_effectNames = Names(effects, "LightName");
        m_effectVisible.clear();
        m_effectValues.clear();
        for (Json::ArrayIndex i = 0; i < effects.size(); ++i) {
            m_effectVisible.push_back(JsonFlag(effects[i], "visible") ? 1 : 0);
            m_effectValues.push_back(static_cast<int>(JsonInteger(effects[i], "value")));
        }
    }
    if (areas.isArray())
        m_areaNames = Names(areas, "LightName");
    if (customLights.isArray())
        m_customLightNames = Names(customLights, "LightName");
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

void CQuillonMouseDevice::NoteTransferFailure() {
    CReportChannel& channel = ConfigChannel();
    if (!channel.IsPresent())
        m_lastDeviceResult = kResultNoReply;
    else if (channel.IsReceiverMode() && !channel.QueryLink())
        m_lastDeviceResult = kResultUnreachable;
    else
        m_lastDeviceResult = kResultNoReply;
}

std::vector<int> CQuillonMouseDevice::BuildMacroList() {
    ExpectCommandThread("CQuillonMouseDevice::BuildMacroList");
    return ::BuildMacroList(m_keyList, m_keyPositions, MacroCount());
}

int CQuillonMouseDevice::WriteKeyTable(int profile, const std::vector<KeyListEntry>& keys) {
    ExpectCommandThread("CQuillonMouseDevice::WriteKeyTable");
    if (!m_keyTableRead) {
        DebugLine(DebugArea::Mouse, "key table not written: it was never read");
        m_lastDeviceResult = kResultNoReply;
        return 0;
    }
    const int result =
        ::WriteKeyTable(ConfigChannel(), m_keyTable, keys, m_keyPositions, MacroCount(), profile);
    if (result == 1)
        m_lastDeviceResult = kResultDone;
    else
        NoteTransferFailure();
    return result;
}

int CQuillonMouseDevice::WriteCurrentKeyTable(int profile) {
    ExpectCommandThread("CQuillonMouseDevice::WriteCurrentKeyTable");
    const std::vector<KeyListEntry> keys = m_keyList;
    return WriteKeyTable(profile, keys);
}

int CQuillonMouseDevice::WriteMacroData(const std::vector<int>& used) {
    ExpectCommandThread("CQuillonMouseDevice::WriteMacroData");
    const int result = ::WriteMacroData(ConfigChannel(), CMacroList(GetUserDeviceFolder()), used);
    if (result < 0)
        NoteTransferFailure();
    return result;
}

int CQuillonMouseDevice::WriteShootData() {
    ExpectCommandThread("CQuillonMouseDevice::WriteShootData");
    const int result = ::WriteShootData(
        ConfigChannel(), CShootData(GetUserDeviceFolder(), GetProgramDataFolder() / "DefaultData"));
    if (result < 0)
        NoteTransferFailure();
    return result;
}

ApplyMacrosResult CQuillonMouseDevice::ApplyMacros() {
    ExpectCommandThread("CQuillonMouseDevice::ApplyMacros");
    ApplyMacrosResult result;
    result.used = BuildMacroList();
    result.macroResult = WriteMacroData(result.used);
    if (result.macroResult > 0)
        return result;
    const int macroDeviceResult = m_lastDeviceResult;
    result.keyTableAttempted = true;
    result.keyTableResult = WriteCurrentKeyTable(0);
    // The first failure is the one to report.
    if (result.macroResult < 0)
        m_lastDeviceResult = macroDeviceResult;
    StoreSettings();
    return result;
}

SettingsCommit CQuillonMouseDevice::CommitSettings() {
    ExpectCommandThread("CQuillonMouseDevice::CommitSettings");
    SettingsCommit commit;
    StoreSettings();
    commit.saved = m_lastStoreOk;
    commit.written = WriteSettings(0);
    commit.deviceResult = m_lastDeviceResult;
    return commit;
}

// ---- light state ----

void CQuillonMouseDevice::SetLightSettings(std::span<const uint8_t> info) {
    ExpectCommandThread("CQuillonMouseDevice::SetLightSettings");
    CQuillonUSBDevice::SetLightSettings(info);
    const LightInfo light = LightFromBytes(info);
    // The effect steps read the record itself; the mirror follows with ApplyLightState.
    m_lightEngine.SetLightInfo(light);
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
    return m_lightEngine.GetMirror();
}

int CQuillonMouseDevice::ApplyLightState() {
    ExpectCommandThread("CQuillonMouseDevice::ApplyLightState");
    const LightInfo light = m_profile->GetLightInfo();
    CQuillonUSBDevice::SetLightSettings(BytesOf(light));
    // A changed effect clears the key lights and puts the trail's head back at the start.
    m_lightEngine.ApplyLightInfo(light);
    std::vector<LightListEntry> leds = m_profile->GetLightList();
    m_profile->LoadLightListFile(m_profile->GetLightListPath());
    std::vector<EffectStep> steps = m_profile->GetEffectSteps();
    m_lightEngine.ApplyLightList(leds, m_lightClock.Now());
    m_lightEngine.SetEffectSteps(steps);
    {
        std::lock_guard lock(m_lightListMutex);
        m_ledLightList = std::move(leds);
    }
    {
        std::lock_guard lock(m_effectListMutex);
        m_effectSteps = std::move(steps);
    }
    return 1;
}

void CQuillonMouseDevice::SetLightColour(int index, uint32_t colour) {
    if (index >= 0)
        m_lightEngine.Frame().Set(static_cast<size_t>(index), LightColour::Unpack(colour));
}

uint32_t CQuillonMouseDevice::GetLightColour(int index) const {
    return index >= 0 ? m_lightEngine.Frame().Get(static_cast<size_t>(index)).Pack() : 0;
}

void CQuillonMouseDevice::SetLightingSync(int flag) {
    CQuillonUSBDevice::SetLightingSync(flag);
    m_lightEngine.SetSynchronised(flag != 0);
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

void CQuillonMouseDevice::OnConfigPresenceChanged() {
    m_lightEngine.SetPresent(IsConfigPresent());
}

void CQuillonMouseDevice::StartLightThread() {
    m_lightThread.Start();
}

void CQuillonMouseDevice::StopLightThread() {
    m_lightThread.Stop();
}

std::vector<LightListEntry> CQuillonMouseDevice::GetLedLightList() const {
    std::lock_guard lock(m_lightListMutex);
    return m_ledLightList;
}

std::vector<EffectStep> CQuillonMouseDevice::GetCustomEffectSteps() const {
    std::lock_guard lock(m_effectListMutex);
    return m_effectSteps;
}

// ---- name lists ----

std::vector<std::string> CQuillonMouseDevice::GetMacroNames() const {
    std::lock_guard lock(m_namesMutex);
    return m_macroNames;
}

std::vector<std::string> CQuillonMouseDevice::GetEffectNames() const {
    std::lock_guard lock(m_namesMutex);
    return m_effectNames;
}

std::vector<int> CQuillonMouseDevice::GetEffectVisible() const {
    std::lock_guard lock(m_namesMutex);
    return m_effectVisible;
}

std::vector<int> CQuillonMouseDevice::GetEffectValues() const {
    std::lock_guard lock(m_namesMutex);
    return m_effectValues;
}

std::vector<std::string> CQuillonMouseDevice::GetAreaNames() const {
    std::lock_guard lock(m_namesMutex);
    return m_areaNames;
}

std::vector<std::string> CQuillonMouseDevice::GetCustomLightNames() const {
    std::lock_guard lock(m_namesMutex);
    return m_customLightNames;
}

void CQuillonMouseDevice::SetEffectValues(std::vector<int> values) {
    std::lock_guard lock(m_namesMutex);
    m_effectValues = std::move(values);
}

std::unique_ptr<CQuillonUSBDevice> MakeQuillonDevice(int typeIndex, IHidBackend* backend) {
    if (typeIndex == 0)
        return std::make_unique<CQuillonMouseDevice>(backend);
    return MakeBaseFamilyDevice(typeIndex, backend);
}
