// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/KeyboardProfiledata.h"

#include "profile/JsonFile.h"

namespace {

Json::Value& GroupArray(Json::Value& section, int group) {
    return JsonArrayElement(
        JsonArrayMember(JsonObjectMember(section, "CustomLightMode"), "LightColorInfo"),
        static_cast<size_t>(group));
}

void WriteColor(Json::Value& key, const CustomLightColor& color) {
    key = Json::Value(Json::objectValue);
    key["Red"] = color.red;
    key["Green"] = color.green;
    key["Blue"] = color.blue;
    key["Alpha"] = color.alpha;
}

}  // namespace

KeyboardSettings CKeyboardProfiledata::GetKeyboardSettings() {
    KeyboardSettings settings;
    const Json::Value& system = JsonMember(Section(), "SystemStages");
    if (system.isObject()) {
        settings.repeat = JsonWord(system, "Repeat");
        settings.repeatDelay = JsonWord(system, "RepeatDelay");
        settings.key6Flag = JsonWord(system, "Key6Flag");
        settings.pollingRate = JsonWord(system, "PollingRate");
        settings.wFlag = JsonWord(system, "WFlag");
        settings.winFlag = JsonWord(system, "WinFlag");
    }
    m_settings = settings;
    return settings;
}

void CKeyboardProfiledata::SetKeyboardSettings(const KeyboardSettings& settings) {
    m_settings = settings;
    Json::Value& system = JsonObjectMember(Section(), "SystemStages");
    system["Repeat"] = settings.repeat;
    system["RepeatDelay"] = settings.repeatDelay;
    system["Key6Flag"] = settings.key6Flag;
    system["PollingRate"] = settings.pollingRate;
    system["WFlag"] = settings.wFlag;
    system["WinFlag"] = settings.winFlag;
}

std::vector<CustomLightColor> CKeyboardProfiledata::GetCustomLightColors(int group, int count) {
    if (group < 0 || group >= kMaxCustomGroups || count < 0 || count > kMaxCustomKeys)
        return {};
    std::vector<CustomLightColor> colors(static_cast<size_t>(count));
    const Json::Value& keys =
        JsonElement(JsonMember(JsonMember(Section(), "CustomLightMode"), "LightColorInfo"),
                    static_cast<size_t>(group));
    const bool groupPresent = keys.isArray();
    // Read everything first: writing zeros may replace the array being read.
    std::vector<bool> missing(colors.size(), true);
    if (groupPresent) {
        for (size_t k = 0; k < colors.size(); ++k) {
            const Json::Value& key = JsonElement(keys, k);
            if (!key.isObject())
                continue;
            missing[k] = false;
            colors[k] = {JsonByte(key, "Red"), JsonByte(key, "Green"), JsonByte(key, "Blue"),
                         JsonByte(key, "Alpha")};
        }
    }
    for (size_t k = 0; k < colors.size(); ++k) {
        if (missing[k])
            WriteColor(JsonArrayElement(GroupArray(Section(), group), k), {});
    }
    m_customColors = colors;
    return colors;
}

void CKeyboardProfiledata::SetCustomLightColors(int group,
                                                const std::vector<CustomLightColor>& colors) {
    if (group < 0 || group >= kMaxCustomGroups ||
        colors.size() > static_cast<size_t>(kMaxCustomKeys))
        return;
    m_customColors = colors;
    Json::Value& keys = GroupArray(Section(), group);
    for (size_t k = 0; k < colors.size(); ++k)
        WriteColor(JsonArrayElement(keys, k), colors[k]);
}

int CKeyboardProfiledata::GetCustomLightGroup() {
    m_customGroup = static_cast<int>(
        JsonInteger(JsonMember(Section(), "CustomLightMode"), "CustomLightModeGroupIndex"));
    return m_customGroup;
}

void CKeyboardProfiledata::SetCustomLightGroup(int group) {
    m_customGroup = group;
    JsonObjectMember(Section(), "CustomLightMode")["CustomLightModeGroupIndex"] = group;
}
