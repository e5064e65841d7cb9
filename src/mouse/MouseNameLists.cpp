// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/MouseNameLists.h"

#include "base/Paths.h"
#include "profile/JsonFile.h"

namespace {

std::vector<std::string> Names(const Json::Value& array, const char* key) {
    std::vector<std::string> names;
    for (Json::ArrayIndex i = 0; i < array.size(); ++i)
        names.push_back(JsonString(array[i], key));
    return names;
}

}  // namespace

void CMouseNameLists::Load(const std::filesystem::path& deviceFolder, size_t type,
                           const std::filesystem::path& lightListFile, size_t lightIndex) {
    const Json::Value macros = CJsonFile::ReadDocument(deviceFolder / kMacroFileName);
    const Json::Value lights =
        CJsonFile::ReadDocument(GetProgramDataFolder() / "DefaultData" / kLightNamesFileName);
    const Json::Value& effects = JsonElement(JsonMember(lights, "DefaultLightName"), type);
    const Json::Value& areas = JsonElement(JsonMember(lights, "AreaLightName"), type);
    const Json::Value custom = CJsonFile::ReadDocument(lightListFile);
    // Indexed like the effect files that GetEffectSteps finds there, so names and effects agree.
    const Json::Value& customLights = JsonElement(JsonMember(custom, "LightInfo"), lightIndex);

    std::lock_guard lock(m_mutex);
    if (const Json::Value& list = JsonMember(macros, "MacroInfo"); list.isArray())
        m_names.macros = Names(list, "MacroName");
    if (effects.isArray()) {
        m_names.effects = Names(effects, "LightName");
        m_names.effectVisible.clear();
        m_names.effectValues.clear();
        for (Json::ArrayIndex i = 0; i < effects.size(); ++i) {
            m_names.effectVisible.push_back(JsonFlag(effects[i], "visible") ? 1 : 0);
            m_names.effectValues.push_back(static_cast<int>(JsonInteger(effects[i], "value")));
        }
    }
    if (areas.isArray())
        m_names.areas = Names(areas, "LightName");
    if (customLights.isArray())
        m_names.customLights = Names(customLights, "LightName");
}

MouseNames CMouseNameLists::Get() const {
    std::lock_guard lock(m_mutex);
    return m_names;
}

std::vector<std::string> CMouseNameLists::Macros() const {
    std::lock_guard lock(m_mutex);
    return m_names.macros;
}

std::vector<int> CMouseNameLists::EffectValues() const {
    std::lock_guard lock(m_mutex);
    return m_names.effectValues;
}

void CMouseNameLists::SetEffectValues(std::vector<int> values) {
    std::lock_guard lock(m_mutex);
    m_names.effectValues = std::move(values);
}
