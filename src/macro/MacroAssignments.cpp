// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroAssignments.h"

#include <optional>
#include <string>
#include <utility>

#include "base/Debug.h"
#include "keys/KeyCodes.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

// The assignment after deleting macro `deleted`, or nothing when it does not change.
std::optional<KeyCode> Fixed(const KeyCode& current, const KeyCode& factory, int deleted) {
    if (!IsMacroCode(current) || deleted < 0)
        return std::nullopt;
    if (current[1] == deleted)
        return factory;
    if (current[1] > deleted) {
        KeyCode moved = current;
        --moved[1];
        return moved;
    }
    return std::nullopt;
}

// The "KeyList" array of device section 0, or null when the document has none.
Json::Value* ProfileKeyListArray(Json::Value& document) {
    if (!document.isObject() || !document["Device"].isArray() || document["Device"].empty())
        return nullptr;
    Json::Value& section = document["Device"][0];
    if (!section.isObject() || !section["KeyList"].isArray())
        return nullptr;
    return &section["KeyList"];
}

}  // namespace

int CountMacroAssignments(std::span<const KeyListEntry> keys, int macroIndex) {
    int count = 0;
    for (const KeyListEntry& key : keys) {
        if (IsMacroCode(key.current.code) && key.current.code[1] == macroIndex)
            ++count;
    }
    return count;
}

int FixKeyListForDeletedMacro(std::vector<KeyListEntry>& keys, int deleted) {
    int changed = 0;
    for (KeyListEntry& key : keys) {
        if (auto code = Fixed(key.current.code, key.factory.code, deleted)) {
            key.current.code = *code;
            ++changed;
        }
    }
    return changed;
}

std::vector<fs::path> DeviceProfileFiles(CProfileList& profiles) {
    std::vector<fs::path> files;
    const int count = profiles.GetProfileCount();
    for (int i = 0; i < count; ++i)
        files.push_back(profiles.GetProfileFilePath(i));
    return files;
}

std::vector<KeyListEntry> ReadProfileKeyList(const fs::path& profileFile) {
    Json::Value document = CJsonFile::ReadDocument(profileFile);
    std::vector<KeyListEntry> keys;
    const Json::Value* found = ProfileKeyListArray(document);
    if (!found)
        return keys;
    const Json::Value& array = *found;
    for (Json::ArrayIndex i = 0; i < array.size(); ++i) {
        const auto button = static_cast<uint16_t>(i);
        keys.push_back(
            {{button, UnpackKeyCode(static_cast<uint32_t>(JsonInteger(array[i], "Assignment")))},
             {button,
              UnpackKeyCode(static_cast<uint32_t>(JsonInteger(array[i], "DefaultAssignment")))}});
    }
    return keys;
}

MacroDeletionFix FixProfilesForDeletedMacro(std::span<const fs::path> profileFiles, int deleted,
                                            const fs::path& skip) {
    MacroDeletionFix result;
    // Everything is worked out before the first write.
    struct Change {
        fs::path file;
        std::string original;
        Json::Value document;
    };
    std::vector<Change> changes;
    for (const fs::path& file : profileFiles) {
        if (file.empty() || (!skip.empty() && file == skip))
            continue;
        std::string original = CJsonFile::ReadText(file);
        Json::Value document = CJsonFile::ParseDocument(original);
        Json::Value* array = ProfileKeyListArray(document);
        if (!array)
            continue;
        int changed = 0;
        for (Json::Value& element : *array) {
            if (!element.isObject())
                continue;
            const KeyCode current =
                UnpackKeyCode(static_cast<uint32_t>(JsonInteger(element, "Assignment")));
            const KeyCode factory =
                UnpackKeyCode(static_cast<uint32_t>(JsonInteger(element, "DefaultAssignment")));
            if (auto code = Fixed(current, factory, deleted)) {
                element["Assignment"] = static_cast<Json::Int64>(PackKeyCode(*code));
                ++changed;
            }
        }
        if (changed == 0)
            continue;
        result.changedAssignments += changed;
        changes.push_back({file, std::move(original), std::move(document)});
    }

    for (size_t i = 0; i < changes.size(); ++i) {
        if (CJsonFile::WriteDocument(changes[i].file, changes[i].document)) {
            result.changedFiles.push_back(changes[i].file);
            result.originals.push_back(changes[i].original);
            continue;
        }
        DebugPrintf(DebugArea::Macro, "could not write %s", changes[i].file.c_str());
        for (size_t k = 0; k < i; ++k)
            CJsonFile::WriteText(changes[k].file, changes[k].original);
        result.writeFailed = true;
        result.failedFile = changes[i].file;
        result.changedFiles.clear();
        result.originals.clear();
        result.changedAssignments = 0;
        break;
    }
    return result;
}

void UndoMacroDeletionFix(const MacroDeletionFix& fix) {
    for (size_t i = 0; i < fix.changedFiles.size() && i < fix.originals.size(); ++i)
        CJsonFile::WriteText(fix.changedFiles[i], fix.originals[i]);
}
