// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/MouseProfiledata.h"

#include "profile/JsonFile.h"

namespace {

struct SettingsMember {
    size_t word;
    const char* name;
};

constexpr SettingsMember kSystemMembers[] = {
    {MouseSettings::kDoubleClickTime, "DoubleClickTime"},
    {MouseSettings::kPointerSpeed, "MouseSpeed"},
    {MouseSettings::kPointerPrecision, "PointerPrecision"},
    {MouseSettings::kScrollPage, "ScorllPage"},
    {MouseSettings::kWheelScrollLines, "WheelScorlllinse"},
};

constexpr SettingsMember kReportMembers[] = {
    {MouseSettings::kReportRate, "StageActive"},
    {MouseSettings::kLiftOff, "SilentAltitude"},
    {MouseSettings::kAngleSnapping, "Linear_Calibration"},
    {MouseSettings::kRipple, "Ripple"},
    {MouseSettings::kWirelessSleep1, "ble_sleep1"},
    {MouseSettings::kWirelessSleep2, "ble_sleep2"},
    {MouseSettings::kDeviceSleep1, "device_sleep1"},
    {MouseSettings::kDeviceSleep2, "device_sleep2"},
    {MouseSettings::kKeyDebounce, "key_debounce_time"},
};

}  // namespace

CMouseProfiledata::CMouseProfiledata() {
    SetFirstCustomEffect(12);
}

std::vector<DpiStage> CMouseProfiledata::GetDpiStages() {
    const Json::Value& dpi = JsonMember(Section(), "DPIStages");
    if (!dpi.isObject())
        return m_dpiStages;
    m_activeDpiStage = static_cast<int>(JsonInteger(dpi, "StageActive"));
    const Json::Value& stages = JsonMember(dpi, "StageDPIs");
    if (stages.isArray()) {
        for (Json::ArrayIndex i = 0; i < stages.size(); ++i) {
            const Json::Value& element = stages[i];
            DpiStage stage;
            stage.enabled = JsonByte(element, "StageActive");
            stage.xySeparate = JsonByte(element, "StageXY");
            stage.x = JsonWord(element, "StageDPIX");
            stage.y = JsonWord(element, "StageDPIY");
            stage.red = JsonByte(element, "StageColorR");
            stage.green = JsonByte(element, "StageColorG");
            stage.blue = JsonByte(element, "StageColorB");
            if (i < m_dpiStages.size())
                m_dpiStages[i] = stage;
            else
                m_dpiStages.push_back(stage);
        }
    }
    return m_dpiStages;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStage>& stages) {
    m_dpiStages = stages;
    Json::Value& array = JsonArrayMember(JsonObjectMember(Section(), "DPIStages"), "StageDPIs");
    for (size_t i = 0; i < stages.size(); ++i) {
        Json::Value& element = JsonArrayElement(array, i);
        if (!element.isObject())
            element = Json::Value(Json::objectValue);
        element["StageActive"] = stages[i].enabled;
        element["StageColorB"] = stages[i].blue;
        element["StageColorG"] = stages[i].green;
        element["StageColorR"] = stages[i].red;
        element["StageXY"] = stages[i].xySeparate;
        element["StageDPIX"] = stages[i].x;
        element["StageDPIY"] = stages[i].y;
    }
}

void CMouseProfiledata::SetActiveDpiStage(int stage) {
    m_activeDpiStage = stage;
    JsonObjectMember(Section(), "DPIStages")["StageActive"] = stage;
}

MouseSettings CMouseProfiledata::GetMouseSettings() {
    MouseSettings settings;
    const Json::Value& system = JsonMember(Section(), "SystemStages");
    if (system.isObject()) {
        for (const SettingsMember& member : kSystemMembers)
            settings[member.word] = JsonWord(system, member.name);
        const Json::Value& report = JsonMember(Section(), "ReportStages");
        if (report.isObject()) {
            for (const SettingsMember& member : kReportMembers)
                settings[member.word] = JsonWord(report, member.name);
        }
    }
    m_settings = settings;
    return settings;
}

void CMouseProfiledata::SetMouseSettings(const MouseSettings& settings) {
    m_settings = settings;
    Json::Value& system = JsonObjectMember(Section(), "SystemStages");
    for (const SettingsMember& member : kSystemMembers)
        system[member.name] = static_cast<int>(settings[member.word]);
    Json::Value& report = JsonObjectMember(Section(), "ReportStages");
    for (const SettingsMember& member : kReportMembers)
        report[member.name] = static_cast<int>(settings[member.word]);
}
