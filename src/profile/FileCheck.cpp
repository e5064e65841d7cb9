// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/FileCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <optional>

#include "profile/JsonFile.h"

namespace {

std::mutex g_listenerMutex;
FileWarningListener g_listener;

constexpr int kMaxDepth = 64;

// One problem per field: the first check that found it names it.
std::vector<FileProblem> Distinct(std::vector<FileProblem> problems) {
    std::vector<FileProblem> result;
    for (FileProblem& problem : problems) {
        bool seen = false;
        for (const FileProblem& kept : result)
            seen = seen || kept.field == problem.field;
        if (!seen)
            result.push_back(std::move(problem));
        if (result.size() > 1000)
            break;  // enough to say what is wrong
    }
    return result;
}
constexpr size_t kShownProblems = 3;

std::string Range(int64_t low, int64_t high) {
    return "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

// Valid UTF-8 of at most `maxBytes`, cut at a character's start.
std::string Shortened(const std::string& text, size_t maxBytes) {
    std::string result = SanitizeUtf8(text);
    if (result.size() <= maxBytes)
        return result;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(result[end]) & 0xC0) == 0x80)
        --end;
    result.resize(end);
    return result;
}

}  // namespace

std::optional<int64_t> WholeNumber(const Json::Value& value) {
    if (value.isInt64())
        return value.asInt64();
    if (value.isUInt64())
        return INT64_MAX;  // beyond every range of ours
    if (value.isDouble()) {
        const double real = value.asDouble();
        if (std::isfinite(real) && std::fabs(real) < 9.0e18 &&
            real == static_cast<double>(static_cast<int64_t>(real)))
            return static_cast<int64_t>(real);
    }
    return std::nullopt;
}

namespace {

struct SettingsField {
    const char* name;
    int64_t high;
};

// What the mouse takes in each settings word it is sent: the option groups their options, the
// sleep and debounce words one byte (the block carries the low byte).
constexpr SettingsField kSystemFields[] = {
    {"DoubleClickTime", 0xFFFF}, {"MouseSpeed", 0xFFFF},       {"PointerPrecision", 1},
    {"ScorllPage", 1},           {"WheelScorlllinse", 0xFFFF},
};
constexpr SettingsField kReportFields[] = {
    {"StageActive", 4},   {"SilentAltitude", 1}, {"Linear_Calibration", 1}, {"Ripple", 1},
    {"ble_sleep1", 0xFF}, {"ble_sleep2", 0xFF},  {"device_sleep1", 0xFF},   {"device_sleep2", 0xFF},
};
constexpr const char* kLightBytes[] = {"SelectItem",  "Light",     "Speed", "Fx",
                                       "Red",         "Green",     "Blue",  "ZZCCLedMode",
                                       "CustomGroup", "OldLedmode"};
constexpr const char* kLedBytes[] = {"LEDREGMode", "LEDBrightness", "LEDSpeed",
                                     "red",        "green",         "blue"};
constexpr const char* kStageBytes[] = {"StageColorR", "StageColorG", "StageColorB"};

}  // namespace

std::string FileProblem::Text() const {
    return field + " is " + value + "; it must be " + limit;
}

std::string ProblemsText(const std::vector<FileProblem>& problems) {
    std::string text;
    for (size_t i = 0; i < problems.size() && i < kShownProblems; ++i)
        text += (i ? "; " : "") + problems[i].Text();
    if (problems.size() > kShownProblems)
        text += "; and " + std::to_string(problems.size() - kShownProblems) + " more";
    return text;
}

std::string FieldPath(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

std::string FieldPath(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::string CFileChecker::Describe(const Json::Value& value) {
    switch (value.type()) {
        case Json::nullValue:
            return "null";
        case Json::booleanValue:
            return value.asBool() ? "true" : "false";
        case Json::intValue:
        case Json::uintValue:
            return value.asString();
        case Json::realValue: {
            char text[32];
            std::snprintf(text, sizeof text, "%.15g", value.asDouble());
            return text;
        }
        case Json::stringValue: {
            const std::string text = value.asString();
            if (text.size() > 24)
                return "a text of " + std::to_string(text.size()) + " bytes";
            return "the text \"" + SanitizeUtf8(text) + "\"";
        }
        case Json::arrayValue:
            return "an array of " + std::to_string(value.size()) + " elements";
        case Json::objectValue:
            return "an object";
    }
    return "unknown";
}

void CFileChecker::Add(std::string field, std::string value, std::string limit) {
    m_problems.push_back({std::move(field), std::move(value), std::move(limit)});
}

void CFileChecker::Integer(Json::Value& object, const char* key, int64_t low, int64_t high,
                           const std::string& path, int64_t fallback) {
    if (!object.isObject() || !object.isMember(key))
        return;
    Json::Value& member = object[key];
    const std::optional<int64_t> number = WholeNumber(member);
    if (number && *number >= low && *number <= high)
        return;
    Add(FieldPath(path, key), Describe(member), Range(low, high));
    if (m_mend)
        member = Json::Value(
            static_cast<Json::Int64>(number ? std::clamp(*number, low, high) : fallback));
}

void CFileChecker::Flag(Json::Value& object, const char* key, const std::string& path) {
    if (!object.isObject() || !object.isMember(key))
        return;
    Json::Value& member = object[key];
    if (member.isBool())
        return;
    const std::optional<int64_t> number = WholeNumber(member);
    if (number && (*number == 0 || *number == 1))
        return;
    Add(FieldPath(path, key), Describe(member), "true, false, 0 or 1");
    if (m_mend)
        member = number && *number != 0 ? 1 : 0;
}

void CFileChecker::Text(Json::Value& object, const char* key, const std::string& path,
                        size_t maxBytes) {
    if (!object.isObject() || !object.isMember(key))
        return;
    Json::Value& member = object[key];
    if (member.isString() && member.asString().size() <= maxBytes)
        return;
    Add(FieldPath(path, key), Describe(member),
        "a text of at most " + std::to_string(maxBytes) + " bytes");
    if (m_mend)
        member = member.isString() ? Shortened(member.asString(), maxBytes) : "";
}

bool CFileChecker::Element(Json::Value& element, const std::string& at) {
    if (element.isObject())
        return true;
    Add(at, Describe(element), "an object");
    if (m_mend)
        element = Json::Value(Json::objectValue);
    return false;
}

bool CFileChecker::Object(Json::Value& object, const char* key, const std::string& path) {
    if (!object.isObject() || !object.isMember(key))
        return false;
    Json::Value& member = object[key];
    if (member.isObject())
        return true;
    Add(FieldPath(path, key), Describe(member), "an object");
    if (m_mend)
        object.removeMember(key);
    return false;
}

bool CFileChecker::Array(Json::Value& object, const char* key, size_t maxCount,
                         const std::string& path) {
    if (!object.isObject() || !object.isMember(key))
        return false;
    Json::Value& member = object[key];
    if (!member.isArray()) {
        Add(FieldPath(path, key), Describe(member), "an array");
        if (m_mend)
            object.removeMember(key);
        return false;
    }
    if (member.size() > maxCount) {
        Add(FieldPath(path, key), Describe(member),
            "an array of at most " + std::to_string(maxCount) + " elements");
        // Checking alone stops here: its elements need not be looked at one by one.
        if (!m_mend)
            return false;
        member.resize(static_cast<Json::ArrayIndex>(maxCount));
    }
    return true;
}

void CFileChecker::Sizes(Json::Value& value, const std::string& path, int depth) {
    if (depth > kMaxDepth) {
        Add(path, "nested deeper than " + std::to_string(kMaxDepth) + " levels",
            "less deeply nested");
        if (m_mend)
            value = Json::Value();
        return;
    }
    if (value.isString() && value.asString().size() > kMaxTextBytes) {
        Add(path, Describe(value), "a text of at most " + std::to_string(kMaxTextBytes) + " bytes");
        if (m_mend)
            value = Shortened(value.asString(), kMaxTextBytes);
    } else if (value.isArray()) {
        if (value.size() > kMaxArrayCount) {
            Add(path, Describe(value),
                "an array of at most " + std::to_string(kMaxArrayCount) + " elements");
            if (!m_mend)
                return;
            value.resize(static_cast<Json::ArrayIndex>(kMaxArrayCount));
        }
        for (Json::ArrayIndex i = 0; i < value.size(); ++i)
            Sizes(value[i], FieldPath(path, i), depth + 1);
    } else if (value.isObject()) {
        if (value.size() > kMaxArrayCount) {
            Add(path.empty() ? "the document" : path,
                "an object of " + std::to_string(value.size()) + " members",
                "an object of at most " + std::to_string(kMaxArrayCount) + " members");
            if (!m_mend)
                return;
            const std::vector<std::string> names = value.getMemberNames();
            for (size_t i = kMaxArrayCount; i < names.size(); ++i)
                value.removeMember(names[i]);
        }
        for (const std::string& name : value.getMemberNames())
            Sizes(value[name], FieldPath(path, name), depth + 1);
    }
}

std::vector<FileProblem> CheckProfileSection(Json::Value& section, const std::string& path,
                                             bool mend) {
    CFileChecker check(mend);
    if (!section.isObject())
        return {};
    if (check.Object(section, "LightInfo", path)) {
        Json::Value& light = section["LightInfo"];
        const std::string at = FieldPath(path, "LightInfo");
        for (const char* name : kLightBytes)
            check.Integer(light, name, 0, 0xFF, at);
        check.Flag(light, "MultiColor", at);
    }
    if (check.Array(section, "LightList", ProfileLimits::kMaxLights, path)) {
        Json::Value& list = section["LightList"];
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            const std::string at = FieldPath(FieldPath(path, "LightList"), i);
            Json::Value& led = list[i];
            if (led.isNull())
                continue;
            if (!led.isObject()) {
                check.Add(at, CFileChecker::Describe(led), "an object or null");
                if (mend)
                    led = Json::Value();
                continue;
            }
            for (const char* name : kLedBytes)
                check.Integer(led, name, 0, 0xFF, at);
            check.Flag(led, "LEDMultiColor", at);
            check.Flag(led, "LEDDirection", at);
        }
    }
    if (check.Array(section, "KeyList", ProfileLimits::kMaxKeys, path)) {
        Json::Value& keys = section["KeyList"];
        for (Json::ArrayIndex i = 0; i < keys.size(); ++i) {
            const std::string at = FieldPath(FieldPath(path, "KeyList"), i);
            Json::Value& key = keys[i];
            if (!check.Element(key, at))
                continue;
            check.Integer(key, "Assignment", 0, ProfileLimits::kMaxKeyCode, at);
            check.Integer(key, "DefaultAssignment", 0, ProfileLimits::kMaxKeyCode, at);
        }
    }
    if (check.Object(section, "DPIStages", path)) {
        Json::Value& dpi = section["DPIStages"];
        const std::string at = FieldPath(path, "DPIStages");
        check.Integer(dpi, "StageActive", 0, ProfileLimits::kMaxStages - 1, at);
        if (check.Array(dpi, "StageDPIs", ProfileLimits::kMaxStages, at)) {
            Json::Value& stages = dpi["StageDPIs"];
            for (Json::ArrayIndex i = 0; i < stages.size(); ++i) {
                const std::string stageAt = FieldPath(FieldPath(at, "StageDPIs"), i);
                Json::Value& stage = stages[i];
                if (!check.Element(stage, stageAt))
                    continue;
                check.Flag(stage, "StageActive", stageAt);
                check.Flag(stage, "StageXY", stageAt);
                // Positions; which of them the sensor has is checked where the sensor is known.
                check.Integer(stage, "StageDPIX", 0, 0xFFFF, stageAt);
                check.Integer(stage, "StageDPIY", 0, 0xFFFF, stageAt);
                for (const char* name : kStageBytes)
                    check.Integer(stage, name, 0, 0xFF, stageAt);
            }
        }
    }
    if (check.Object(section, "SystemStages", path)) {
        Json::Value& system = section["SystemStages"];
        const std::string at = FieldPath(path, "SystemStages");
        for (const SettingsField& field : kSystemFields)
            check.Integer(system, field.name, 0, field.high, at);
    }
    if (check.Object(section, "ReportStages", path)) {
        Json::Value& report = section["ReportStages"];
        const std::string at = FieldPath(path, "ReportStages");
        for (const SettingsField& field : kReportFields)
            check.Integer(report, field.name, 0, field.high, at);
        // One byte, or 0xFFFF for no debounce item chosen.
        if (const Json::Value& debounce = JsonMember(report, "key_debounce_time");
            !(WholeNumber(debounce).value_or(0) == 0xFFFF))
            check.Integer(report, "key_debounce_time", 0, 0xFF, at);
    }
    check.Sizes(section, path);
    return Distinct(check.Problems());
}

std::vector<FileProblem> CheckProfileDocument(Json::Value& document, bool mend) {
    CFileChecker check(mend);
    if (!document.isObject()) {
        check.Add("the document", CFileChecker::Describe(document), "an object");
        return check.Problems();
    }
    check.Text(document, "profilename", "");
    check.Text(document, "profileUUID", "");
    std::vector<FileProblem> problems = check.Problems();
    if (check.Array(document, "Device", ProfileLimits::kMaxDevices, "")) {
        problems = check.Problems();
        Json::Value& devices = document["Device"];
        for (Json::ArrayIndex i = 0; i < devices.size(); ++i) {
            Json::Value& section = devices[i];
            const std::string at = FieldPath("Device", i);
            if (section.isNull())
                continue;
            if (!section.isObject()) {
                problems.push_back({at, CFileChecker::Describe(section), "an object or null"});
                if (mend)
                    section = Json::Value();
                continue;
            }
            for (FileProblem& problem : CheckProfileSection(section, at, mend))
                problems.push_back(std::move(problem));
        }
    } else {
        problems = check.Problems();
    }
    // Everything else a file may carry is kept as it is, within the sizes.
    CFileChecker rest(mend);
    for (const std::string& name : document.getMemberNames()) {
        if (name != "Device")
            rest.Sizes(document[name], name, 1);
    }
    for (const FileProblem& problem : rest.Problems())
        problems.push_back(problem);
    return Distinct(std::move(problems));
}

std::vector<FileProblem> CheckProfileListDocument(Json::Value& document, int maxProfiles,
                                                  bool mend) {
    CFileChecker check(mend);
    // A list that is missing or not one at all is the reader's to replace (and keep aside).
    if (!document.isObject())
        return {};
    if (check.Array(document, "profilelist", static_cast<size_t>(maxProfiles), "")) {
        Json::Value& profiles = document["profilelist"];
        // Mending leaves out the entries no reader can use.
        Json::Value kept(Json::arrayValue);
        for (Json::ArrayIndex i = 0; i < profiles.size(); ++i) {
            const std::string at = FieldPath("profilelist", i);
            Json::Value& entry = profiles[i];
            if (!entry.isObject()) {
                check.Add(at, CFileChecker::Describe(entry), "an object");
                continue;
            }
            check.Text(entry, "profilename", at);
            check.Text(entry, "profilelinkmame", at);
            check.Integer(entry, "profileislink", 0, 1, at);
            const Json::Value& id = JsonMember(entry, "profileUUID");
            if (!id.isString() || !IsPlainFileName(id.asString())) {
                check.Add(FieldPath(at, "profileUUID"), CFileChecker::Describe(id),
                          "a file name without folders");
                continue;
            }
            kept.append(entry);
        }
        if (mend)
            profiles = kept;
        // One outside the list falls back to the first profile.
        const int count = static_cast<int>(profiles.size());
        const std::optional<int64_t> select = WholeNumber(JsonMember(document, "profileselect"));
        if (document.isMember("profileselect") &&
            !(select && *select >= 0 && *select < std::max(count, 1))) {
            check.Add("profileselect", CFileChecker::Describe(document["profileselect"]),
                      "a profile's index, from 0 to " + std::to_string(std::max(count - 1, 0)));
            if (mend)
                document["profileselect"] = 0;
        }
    }
    check.Sizes(document, "");
    return Distinct(check.Problems());
}

void SetFileWarningListener(FileWarningListener listener) {
    std::lock_guard lock(g_listenerMutex);
    g_listener = std::move(listener);
}

void WarnFileProblems(const std::filesystem::path& file, const std::vector<FileProblem>& problems) {
    if (problems.empty())
        return;
    FileWarningListener listener;
    {
        std::lock_guard lock(g_listenerMutex);
        listener = g_listener;
    }
    if (listener)
        listener(file, problems);
}
