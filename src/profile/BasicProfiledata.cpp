// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/BasicProfiledata.h"

#include "base/Debug.h"
#include "profile/DataLock.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

Json::Value Int(int64_t value) {
    return Json::Value(static_cast<Json::Int64>(value));
}

}  // namespace

void CBasicProfiledata::SetProfilePath(const fs::path& path) {
    if (!path.empty())
        m_profilePath = path;
}

void CBasicProfiledata::SetDefaultPath(const fs::path& path) {
    if (!path.empty())
        m_defaultPath = path;
}

void CBasicProfiledata::SetLightListPath(const fs::path& path) {
    m_lightListPath = path;
}

bool CBasicProfiledata::SetDeviceIndex(int index) {
    if (index < 0 || index > kMaxDeviceIndex)
        return false;
    m_deviceIndex = index;
    return true;
}

Json::Value CBasicProfiledata::LoadInto(const fs::path& path, Json::Value& target) {
    m_repairWriteFailed = false;
    m_readRefused = false;
    m_readError.clear();
    const auto index = static_cast<size_t>(m_deviceIndex);
    Json::Value document = CJsonFile::ReadDocument(path);
    bool refused = CJsonFile::LastReadRefused();
    Json::Value section = JsonElement(JsonMember(document, "Device"), index);
    // The default document is the program's, never written; a file we may not read is not
    // broken, and neither a reader nor anyone else writes over it.
    if (!section.isObject() && path != m_defaultPath && !refused && !m_readOnly) {
        // The repair is a change: made on a fresh read under the folder's lock.
        CDataFolderLock lock(path.parent_path());
        document = CJsonFile::ReadDocument(path);
        refused = CJsonFile::LastReadRefused();
        section = JsonElement(JsonMember(document, "Device"), index);
        if (!section.isObject() && !refused) {
            // A missing or unusable section is repaired from the default document; a file we
            // cannot parse is kept, not written over.
            const Json::Value defaults = CJsonFile::ReadDocument(m_defaultPath);
            section = JsonElement(JsonMember(defaults, "Device"), index);
            if (!section.isObject())
                section = Json::Value();
            if (!document.isObject())
                CJsonFile::KeepBroken(path);
            JsonArrayElement(JsonArrayMember(document, "Device"), index) = section;
            m_repairWriteFailed = !CJsonFile::WriteDocument(path, document);
        }
    } else if (!section.isObject() && m_readOnly && !refused && path != m_defaultPath) {
        // Shown as the repair would make it, with nothing written.
        section = JsonElement(JsonMember(CJsonFile::ReadDocument(m_defaultPath), "Device"), index);
    }
    if (refused) {
        m_readRefused = true;
        CJsonFile::ReadText(path);
        m_readError = CJsonFile::LastError();
        DebugPrintf(DebugArea::Profile, "cannot read %s: %s", path.c_str(), m_readError.c_str());
        section = Json::Value();
    }
    if (!section.isObject()) {
        section = Json::Value();
    } else {
        // What is out of range is read as the nearest value the mouse takes, and told.
        WarnFileProblems(
            path, CheckProfileSection(section, "Device[" + std::to_string(index) + "]", true));
    }
    target = section;
    return section;
}

Json::Value CBasicProfiledata::LoadSection(const fs::path& path) {
    return LoadInto(path, m_section);
}

Json::Value CBasicProfiledata::LoadSecondary(const fs::path& path) {
    return LoadInto(path, m_secondary);
}

bool CBasicProfiledata::Save() {
    return SaveSection(Json::Value(m_section), m_profilePath);
}

bool CBasicProfiledata::SaveSection(const Json::Value& section, const fs::path& path) {
    if (path.empty())
        return false;
    // Every other member of the file stays as it is, read afresh under the lock.
    CDataFolderLock lock(path.parent_path());
    Json::Value document = CJsonFile::ReadDocument(path);
    // A file we may not read is not ours to replace.
    if (CJsonFile::LastReadRefused())
        return false;
    if (!document.isObject())
        CJsonFile::KeepBroken(path);
    JsonArrayElement(JsonArrayMember(document, "Device"), static_cast<size_t>(m_deviceIndex)) =
        section;
    return CJsonFile::WriteDocument(path, document);
}

bool CBasicProfiledata::SaveSecondary(const fs::path& path) {
    return SaveSection(Json::Value(m_secondary), path);
}

bool CBasicProfiledata::SaveWhole(const Json::Value& document, const fs::path& path) {
    CDataFolderLock lock(path.parent_path());
    return CJsonFile::WriteDocument(path, document);
}

LightInfo CBasicProfiledata::GetLightInfo() {
    LightInfo info;
    const Json::Value& light = JsonMember(m_section, "LightInfo");
    if (light.isObject()) {
        info.effect = JsonByte(light, "SelectItem");
        info.brightness = JsonByte(light, "Light");
        info.speed = JsonByte(light, "Speed");
        info.direction = JsonByte(light, "Fx");
        info.multiColor = JsonFlag(light, "MultiColor") ? 1 : 0;
        info.red = JsonByte(light, "Red");
        info.green = JsonByte(light, "Green");
        info.blue = JsonByte(light, "Blue");
        info.ledMode = JsonByte(light, "ZZCCLedMode");
        info.customGroup = JsonByte(light, "CustomGroup");
        info.savedEffect = JsonByte(light, "OldLedmode");
    }
    m_lightInfo = info;
    return info;
}

void CBasicProfiledata::SetLightInfo(const LightInfo& info) {
    m_lightInfo = info;
    Json::Value light(Json::objectValue);
    light["SelectItem"] = info.effect;
    light["Light"] = info.brightness;
    light["Speed"] = info.speed;
    light["MultiColor"] = info.multiColor;
    light["Red"] = info.red;
    light["Green"] = info.green;
    light["Blue"] = info.blue;
    light["Fx"] = info.direction;
    light["ZZCCLedMode"] = info.ledMode;
    light["CustomGroup"] = info.customGroup;
    light["OldLedmode"] = info.savedEffect;
    JsonObjectMember(m_section, "LightInfo") = light;
}

DeviceAudioSettings CBasicProfiledata::GetAudioLightInfo() {
    const Json::Value& audio = JsonMember(m_section, "AudioLightInfo");
    if (audio.isObject()) {
        DeviceAudioSettings settings;
        settings.audioMode = JsonByte(audio, "AudioMode");
        settings.backgroundRed = JsonByte(audio, "BkColorR");
        settings.backgroundGreen = JsonByte(audio, "BkColorG");
        settings.backgroundBlue = JsonByte(audio, "BkColorB");
        settings.foregroundRed = JsonByte(audio, "FgColorR");
        settings.foregroundGreen = JsonByte(audio, "FgColorG");
        settings.foregroundBlue = JsonByte(audio, "FgColorB");
        settings.sevenColor = JsonFlag(audio, "7ColorFlags") ? 1 : 0;
        // Whatever the file holds: the device only plays this colour type.
        settings.colorType = 1;
        m_audioSettings = settings;
    }
    return m_audioSettings;
}

void CBasicProfiledata::SetAudioLightInfo(const DeviceAudioSettings& settings) {
    m_audioSettings = settings;
    Json::Value& audio = JsonObjectMember(m_section, "AudioLightInfo");
    audio["AudioMode"] = settings.audioMode;
    audio["BkColorR"] = settings.backgroundRed;
    audio["BkColorG"] = settings.backgroundGreen;
    audio["BkColorB"] = settings.backgroundBlue;
    audio["FgColorR"] = settings.foregroundRed;
    audio["FgColorG"] = settings.foregroundGreen;
    audio["FgColorB"] = settings.foregroundBlue;
    audio["7ColorFlags"] = settings.sevenColor;
    audio["ColorTypeFlags"] = settings.colorType;
}

std::vector<LightListEntry> CBasicProfiledata::GetLightList() {
    std::vector<LightListEntry> list;
    const Json::Value& array = JsonMember(m_section, "LightList");
    if (array.isArray()) {
        list.resize(array.size());
        for (Json::ArrayIndex i = 0; i < array.size(); ++i) {
            const Json::Value& led = array[i];
            if (!led.isObject())
                continue;
            LightListEntry& entry = list[i];
            entry.mode = JsonByte(led, "LEDREGMode");
            entry.brightness = JsonByte(led, "LEDBrightness");
            entry.speed = JsonByte(led, "LEDSpeed");
            entry.direction = JsonFlag(led, "LEDDirection") ? 1 : 0;
            entry.multiColor = JsonFlag(led, "LEDMultiColor") ? 1 : 0;
            entry.red = JsonByte(led, "red");
            entry.green = JsonByte(led, "green");
            entry.blue = JsonByte(led, "blue");
            entry.present = 1;
        }
    }
    m_lightList = list;
    return list;
}

std::vector<KeyListEntry> CBasicProfiledata::ReadKeyList(const Json::Value& section) {
    std::vector<KeyListEntry> list;
    const Json::Value& array = JsonMember(section, "KeyList");
    if (!array.isArray())
        return list;
    list.reserve(array.size());
    for (Json::ArrayIndex i = 0; i < array.size(); ++i) {
        const auto button = static_cast<uint16_t>(i);
        const auto current = static_cast<uint32_t>(JsonInteger(array[i], "Assignment"));
        const auto factory = static_cast<uint32_t>(JsonInteger(array[i], "DefaultAssignment"));
        list.push_back({{button, UnpackKeyCode(current)}, {button, UnpackKeyCode(factory)}});
    }
    return list;
}

void CBasicProfiledata::WriteKeyList(Json::Value& section, const std::vector<KeyListEntry>& list) {
    Json::Value& array = JsonArrayMember(section, "KeyList");
    for (size_t i = 0; i < list.size(); ++i) {
        Json::Value& element = JsonArrayElement(array, i);
        if (!element.isObject())
            element = Json::Value(Json::objectValue);
        element["Assignment"] = Int(PackKeyCode(list[i].current.code));
    }
}

std::vector<KeyListEntry> CBasicProfiledata::GetKeyList() {
    m_keyList = ReadKeyList(m_section);
    return m_keyList;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyListEntry>& list) {
    m_keyList = list;
    WriteKeyList(m_section, list);
}

std::vector<KeyListEntry> CBasicProfiledata::GetSecondaryKeyList() {
    m_secondaryKeyList = ReadKeyList(m_secondary);
    return m_secondaryKeyList;
}

void CBasicProfiledata::SetSecondaryKeyList(const std::vector<KeyListEntry>& list) {
    m_secondaryKeyList = list;
    WriteKeyList(m_secondary, list);
}

Json::Value CBasicProfiledata::LoadLightListFile(const fs::path& path) {
    m_lightListDocument = CJsonFile::ReadDocument(path);
    return m_lightListDocument;
}

std::vector<EffectStep> CBasicProfiledata::GetEffectSteps() {
    std::vector<EffectStep> steps;
    const int effect = m_lightInfo.effect;
    if (!m_lightListDocument.isNull() && effect >= m_firstCustomEffect) {
        const Json::Value& lights =
            JsonElement(JsonMember(m_lightListDocument, "LightInfo"), m_deviceIndex);
        const std::string guid = JsonString(
            JsonElement(lights, static_cast<size_t>(effect - m_firstCustomEffect)), "Guid");
        // The name comes from a file: it may only name a file beside the light list.
        if (IsPlainFileName(guid)) {
            const Json::Value document =
                CJsonFile::ReadDocument(m_lightListPath.parent_path() / (guid + ".light"));
            const Json::Value& list = JsonMember(document, "LEDEffectList");
            if (list.isArray()) {
                steps.resize(list.size());
                for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
                    const Json::Value& element = list[i];
                    EffectStep& step = steps[i];
                    step.mode = JsonByte(element, "LEDREGMode");
                    step.brightness = JsonByte(element, "LEDBrightness");
                    step.speed = JsonByte(element, "LEDSpeed");
                    step.direction = JsonByte(element, "LEDDirection");
                    step.multiColor = JsonByte(element, "LEDMultiColor");
                    step.red = JsonByte(element, "red");
                    step.green = JsonByte(element, "green");
                    step.blue = JsonByte(element, "blue");
                    step.time = static_cast<uint32_t>(JsonInteger(element, "Time"));
                    step.cycle = static_cast<uint32_t>(JsonInteger(element, "Cyle"));
                }
            }
        } else if (!guid.empty()) {
            DebugPrintf(DebugArea::Profile, "light list names an effect file outside its folder");
        }
    }
    m_effectSteps = steps;
    return steps;
}
