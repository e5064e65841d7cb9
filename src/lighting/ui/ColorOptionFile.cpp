// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/ui/ColorOptionFile.h"

#include <cstdio>

#include "base/Debug.h"
#include "profile/DataLock.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kInfoKey = "coloroptioninfo";
constexpr const char* kPresetsKey = "palletDialogcoloroption";
constexpr const char* kPresetSelectedKey = "palletDialogcoloroption_selectitem";
constexpr const char* kCollectedKey = "palletDialogcollectcoloroption";
constexpr const char* kCollectedSelectedKey = "palletDialogcollectcoloroption_selectitem";
constexpr const char* kColourKey = "color";
constexpr const char* kUserDataKey = "UserData";

bool IsColourDocument(const Json::Value& document) {
    return JsonMember(document, kInfoKey).isObject();
}

int Selection(const Json::Value& info, const char* key) {
    const int64_t index = JsonInteger(info, key, -1);
    return index >= 0 && index < static_cast<int64_t>(kColourOptionCount) ? static_cast<int>(index)
                                                                          : -1;
}

void WritePresets(Json::Value& info, const ColourOptions& shown) {
    Json::Value& presets = JsonArrayMember(info, kPresetsKey);
    for (size_t i = 0; i < kColourOptionCount; ++i) {
        if (shown.presets[i]) {
            Json::Value& entry = JsonArrayElement(presets, i);
            JsonObjectMember(entry, kColourKey) = ColourText(*shown.presets[i]);
        }
    }
    info[kPresetSelectedKey] = shown.presetSelected;
}

void WriteCollectedSlot(Json::Value& info, const ColourOptions& shown, size_t slot) {
    const std::optional<CollectedColour>& collected = shown.collected[slot];
    if (!collected)
        return;
    Json::Value& entry = JsonArrayElement(JsonArrayMember(info, kCollectedKey), slot);
    JsonObjectMember(entry, kColourKey) = ColourText(collected->colour);
    entry[kUserDataKey] = collected->userData;
}

Json::Value WholeDocument(const ColourOptions& shown) {
    Json::Value document(Json::objectValue);
    Json::Value& info = JsonObjectMember(document, kInfoKey);
    WritePresets(info, shown);
    JsonArrayMember(info, kCollectedKey);
    for (size_t i = 0; i < kColourOptionCount; ++i)
        WriteCollectedSlot(info, shown, i);
    info[kCollectedSelectedKey] = shown.collectedSelected;
    return document;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string ColourText(uint32_t colour) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(colour));
    return text;
}

uint32_t ColourFromText(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return 0;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return 0;
    uint32_t colour = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return 0;
        colour = colour << 4 | static_cast<uint32_t>(digit);
    }
    return colour;
}

ColourOptions ColourOptionsFromDocument(const Json::Value& document) {
    ColourOptions options;
    const Json::Value& info = JsonMember(document, kInfoKey);
    const Json::Value& presets = JsonMember(info, kPresetsKey);
    const Json::Value& collected = JsonMember(info, kCollectedKey);
    for (size_t i = 0; i < kColourOptionCount; ++i) {
        const Json::Value& preset = JsonMember(JsonElement(presets, i), kColourKey);
        if (preset.isString())
            options.presets[i] = ColourFromText(preset.asString());
        const Json::Value& entry = JsonElement(collected, i);
        if (const Json::Value& colour = JsonMember(entry, kColourKey); colour.isString())
            options.collected[i] =
                CollectedColour{ColourFromText(colour.asString()), JsonString(entry, kUserDataKey)};
    }
    options.presetSelected = Selection(info, kPresetSelectedKey);
    options.collectedSelected = Selection(info, kCollectedSelectedKey);
    return options;
}

CColorOptionFile::CColorOptionFile(fs::path userFolder, fs::path defaultFolder)
    : m_userFolder(std::move(userFolder)), m_defaultFolder(std::move(defaultFolder)) {}

std::optional<ColourOptions> CColorOptionFile::Load() const {
    CDataFolderLock lock(m_userFolder);
    const Json::Value document = CJsonFile::ReadDocument(Path());
    if (IsColourDocument(document))
        return ColourOptionsFromDocument(document);
    const Json::Value fallback = CJsonFile::ReadDocument(DefaultPath());
    if (!IsColourDocument(fallback)) {
        DebugPrintf(DebugArea::Lighting, "no colour file: %s and %s cannot be read", Path().c_str(),
                    DefaultPath().c_str());
        return std::nullopt;
    }
    // An unreadable file is kept, not written over.
    CJsonFile::KeepBroken(Path());
    if (!CJsonFile::WriteDocument(Path(), fallback))
        DebugPrintf(DebugArea::Lighting, "%s not written: %s", Path().c_str(),
                    CJsonFile::LastError().c_str());
    return ColourOptionsFromDocument(fallback);
}

template <class Change>
bool CColorOptionFile::Save(const ColourOptions& shown, Change change) const {
    CDataFolderLock lock(m_userFolder);
    Json::Value document = CJsonFile::ReadDocument(Path());
    if (IsColourDocument(document)) {
        change(JsonObjectMember(document, kInfoKey));
    } else {
        CJsonFile::KeepBroken(Path());
        document = WholeDocument(shown);
    }
    if (CJsonFile::WriteDocument(Path(), document))
        return true;
    DebugPrintf(DebugArea::Lighting, "%s not written: %s", Path().c_str(),
                CJsonFile::LastError().c_str());
    return false;
}

bool CColorOptionFile::SavePresets(const ColourOptions& shown) const {
    return Save(shown, [&](Json::Value& info) { WritePresets(info, shown); });
}

bool CColorOptionFile::SaveCollected(const ColourOptions& shown, int slot) const {
    return Save(shown, [&](Json::Value& info) {
        if (slot >= 0 && slot < static_cast<int>(kColourOptionCount) &&
            shown.collected[static_cast<size_t>(slot)] &&
            shown.collected[static_cast<size_t>(slot)]->Filled())
            WriteCollectedSlot(info, shown, static_cast<size_t>(slot));
        info[kCollectedSelectedKey] = shown.collectedSelected;
    });
}
