// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/Hs6533Profiledata.h"

#include "profile/JsonFile.h"

namespace {

int32_t Int32(const Json::Value& object, const char* key) {
    return static_cast<int32_t>(JsonInteger(object, key));
}

}  // namespace

HeadsetSettings CHs6533Profiledata::GetHeadsetSettings() {
    HeadsetSettings settings;
    const Json::Value& system = JsonMember(Section(), "SystemSetStages");
    if (system.isObject()) {
        settings.magicEnable = Int32(system, "MagicEnable");
        settings.magicType = Int32(system, "MagicType");
        settings.eqType = Int32(system, "EqType");
        settings.customEqSelectIndex = Int32(system, "CustomEqSeletIndex");
        settings.micInSelect = Int32(system, "MicInSelect");
        settings.micInValue = Int32(system, "MicInValue");
        settings.micMonitorSelect = Int32(system, "MicMoniterSelect");
        settings.micMonitorValue = Int32(system, "MicMoniterValue");
    }
    m_settings = settings;
    return settings;
}

void CHs6533Profiledata::SetHeadsetSettings(const HeadsetSettings& settings) {
    m_settings = settings;
    Json::Value& system = JsonObjectMember(Section(), "SystemSetStages");
    system["MagicEnable"] = settings.magicEnable;
    system["MagicType"] = settings.magicType;
    system["EqType"] = settings.eqType;
    system["CustomEqSeletIndex"] = settings.customEqSelectIndex;
    system["MicInSelect"] = settings.micInSelect;
    system["MicInValue"] = settings.micInValue;
    system["MicMoniterSelect"] = settings.micMonitorSelect;
    system["MicMoniterValue"] = settings.micMonitorValue;
}

std::vector<int> CHs6533Profiledata::ReadBands(const char* member, int index) {
    std::vector<int> values(kEqBands, 0);
    if (index < 0 || index >= kMaxEqSets)
        return values;
    const Json::Value& bands =
        JsonElement(JsonMember(Section(), member), static_cast<size_t>(index));
    for (size_t k = 0; k < values.size(); ++k)
        values[k] = static_cast<int>(JsonInteger(JsonElement(bands, k), "value"));
    return values;
}

void CHs6533Profiledata::WriteBands(const char* member, int index, const std::vector<int>& values) {
    if (index < 0 || index >= kMaxEqSets || values.size() > static_cast<size_t>(kEqBands))
        return;
    Json::Value& bands =
        JsonArrayElement(JsonArrayMember(Section(), member), static_cast<size_t>(index));
    for (size_t k = 0; k < values.size(); ++k) {
        Json::Value& band = JsonArrayElement(bands, k);
        if (!band.isObject())
            band = Json::Value(Json::objectValue);
        band["value"] = values[k];
    }
}

std::vector<int> CHs6533Profiledata::GetEqValues(int type) {
    m_eqValues = ReadBands("EQHzValueInfo", type);
    return m_eqValues;
}

void CHs6533Profiledata::SetEqValues(int type, const std::vector<int>& values) {
    WriteBands("EQHzValueInfo", type, values);
}

std::vector<std::string> CHs6533Profiledata::GetCustomEqNames() const {
    std::vector<std::string> names;
    const Json::Value& array = JsonMember(Section(), "CustomEQNameInfo");
    if (!array.isArray())
        return names;
    for (Json::ArrayIndex i = 0; i < array.size(); ++i)
        names.push_back(JsonString(array[i], "Name"));
    return names;
}

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
    Json::Value array(Json::arrayValue);
    for (const std::string& name : names) {
        Json::Value element(Json::objectValue);
        element["Name"] = name;
        array.append(element);
    }
    JsonArrayMember(Section(), "CustomEQNameInfo") = array;
}

std::vector<int> CHs6533Profiledata::GetCustomEqValues(int index) {
    m_eqValues = ReadBands("CustomEQHzValueInfo", index);
    return m_eqValues;
}

void CHs6533Profiledata::SetCustomEqValues(int index, const std::vector<int>& values) {
    WriteBands("CustomEQHzValueInfo", index, values);
}
