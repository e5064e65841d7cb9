// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroList.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "base/Debug.h"
#include "macro/MacroCheck.h"
#include "profile/DataLock.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

Json::Value MakeElement(const std::string& name, const std::string& id) {
    Json::Value element(Json::objectValue);
    element["MacroName"] = name;
    element["Guid"] = id;
    return element;
}

// A blank name counts as taken, so a unique name is never blank.
bool NameTaken(const std::vector<MacroEntry>& entries, const std::string& name) {
    if (IsBlankText(name))
        return true;
    for (const MacroEntry& entry : entries) {
        if (NamesEqualIgnoringCase(entry.name, name))
            return true;
    }
    return false;
}

}  // namespace

CMacroList::CMacroList(fs::path deviceFolder, std::string listFileName)
    : m_folder(std::move(deviceFolder)), m_listFileName(std::move(listFileName)) {}

fs::path CMacroList::MacroFilePath(std::string_view id) const {
    if (!IsPlainFileName(id))
        return {};
    return m_folder / (std::string(id) + kMacroExtension);
}

Json::Value CMacroList::ReadDocument(bool* broken) const {
    Json::Value document = CJsonFile::ReadDocument(ListFilePath());
    if (broken)
        *broken = (!document.isObject() || !JsonMember(document, "MacroInfo").isArray()) &&
                  CJsonFile::Exists(ListFilePath());
    if (!document.isObject()) {
        if (!document.isNull())
            DebugPrintf(DebugArea::Macro, "macro list unusable: %s", ListFilePath().c_str());
        document = Json::Value(Json::objectValue);
    } else if (JsonMember(document, "MacroInfo").isArray()) {
        // Entries keep their places (buttons name them by position): told, not mended.
        WarnFileProblems(ListFilePath(),
                         CheckMacroListDocument(document, static_cast<size_t>(kMaxMacros)));
    }
    if (!JsonMember(document, "MacroInfo").isArray())
        document["MacroInfo"] = Json::Value(Json::arrayValue);
    return document;
}

bool CMacroList::WriteDocument(const Json::Value& document, bool broken) const {
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    // What could not be read is kept, not written over.
    if (broken)
        CJsonFile::KeepBroken(ListFilePath());
    if (!CJsonFile::WriteDocument(ListFilePath(), document)) {
        DebugPrintf(DebugArea::Macro, "could not write %s", ListFilePath().c_str());
        return false;
    }
    return true;
}

std::vector<MacroEntry> CMacroList::Entries(const Json::Value& document) {
    std::vector<MacroEntry> entries;
    // An element that is not an object keeps its place: later macros keep their index.
    for (const Json::Value& element : JsonMember(document, "MacroInfo"))
        entries.push_back(
            {SanitizeUtf8(JsonString(element, "MacroName")), JsonString(element, "Guid")});
    return entries;
}

std::vector<MacroEntry> CMacroList::ReadList() const {
    return Entries(ReadDocument());
}

bool CMacroList::HasListFile() const {
    return JsonMember(CJsonFile::ReadDocument(ListFilePath()), "MacroInfo").isArray();
}

int CMacroList::FindByName(std::string_view name) const {
    const std::vector<MacroEntry> entries = ReadList();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (NamesEqualIgnoringCase(entries[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

int CMacroList::FindById(std::string_view id) const {
    const std::vector<MacroEntry> entries = ReadList();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

std::string CMacroList::DefaultName() const {
    const std::vector<MacroEntry> entries = ReadList();
    auto taken = [&entries](const std::string& name) {
        for (const MacroEntry& entry : entries) {
            if (NamesEqualIgnoringCase(entry.name, name))
                return true;
        }
        return false;
    };
    std::string name;
    for (int n = 1;; ++n) {
        name = "macro_" + std::to_string(n);
        if (!taken(name))
            return name;
    }
}

std::string CMacroList::UniqueId(const std::vector<MacroEntry>& entries) const {
    // Two macros made within one millisecond must not share a file.
    const auto now = std::chrono::system_clock::now();
    std::string id;
    for (int step = 0; step < 100000; ++step) {
        id = MakeTimeId(now + std::chrono::milliseconds(step));
        bool used = false;
        for (const MacroEntry& entry : entries)
            used = used || entry.id == id;
        std::error_code ec;
        if (!used && !fs::exists(MacroFilePath(id), ec))
            break;
    }
    return id;
}

MacroResult CMacroList::Append(Json::Value document, const std::string& name, const std::string& id,
                               bool broken) {
    document["MacroInfo"].append(MakeElement(name, id));
    return WriteDocument(document, broken) ? MacroResult::Done : MacroResult::WriteFailed;
}

MacroResult CMacroList::Add(std::string_view name, int* index) {
    CDataFolderLock lock(m_folder);
    bool broken = false;
    Json::Value document = ReadDocument(&broken);
    const std::vector<MacroEntry> entries = Entries(document);
    if (entries.size() >= static_cast<size_t>(kMaxMacros))
        return MacroResult::LimitReached;
    std::string chosen = name.empty() ? DefaultName() : SanitizeUtf8(name);
    if (IsBlankText(chosen))
        return MacroResult::NameBlank;
    for (const MacroEntry& entry : entries) {
        if (NamesEqualIgnoringCase(entry.name, chosen))
            return MacroResult::NameTaken;
    }
    const MacroResult result = Append(std::move(document), chosen, UniqueId(entries), broken);
    if (result == MacroResult::Done && index)
        *index = static_cast<int>(entries.size());
    return result;
}

MacroResult CMacroList::Rename(int index, std::string_view newName) {
    CDataFolderLock lock(m_folder);
    Json::Value document = ReadDocument();
    const std::vector<MacroEntry> entries = Entries(document);
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return MacroResult::NoSuchMacro;
    const std::string name = SanitizeUtf8(newName);
    if (IsBlankText(name))
        return MacroResult::NameBlank;
    // The macro's own name counts too: a change of letter case alone is refused.
    for (const MacroEntry& entry : entries) {
        if (NamesEqualIgnoringCase(entry.name, name))
            return MacroResult::NameTaken;
    }
    Json::Value& element = document["MacroInfo"][static_cast<Json::ArrayIndex>(index)];
    if (!element.isObject())
        element = MakeElement(name, "");
    element["MacroName"] = name;
    return WriteDocument(document) ? MacroResult::Done : MacroResult::WriteFailed;
}

MacroResult CMacroList::Delete(int index) {
    CDataFolderLock lock(m_folder);
    Json::Value document = ReadDocument();
    std::vector<MacroEntry> entries = Entries(document);
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return MacroResult::NoSuchMacro;
    const std::string id = entries[static_cast<size_t>(index)].id;
    Json::Value removed;
    document["MacroInfo"].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
    // The list first: a failed write leaves the macro whole.
    if (!WriteDocument(document))
        return MacroResult::WriteFailed;
    entries.erase(entries.begin() + index);
    for (const MacroEntry& entry : entries) {
        // Another entry reads the same file; it stays.
        if (entry.id == id)
            return MacroResult::Done;
    }
    if (const fs::path path = MacroFilePath(id); !path.empty()) {
        std::error_code ec;
        fs::remove(path, ec);
    }
    return MacroResult::Done;
}

MacroResult CMacroList::Import(const fs::path& file, int* index) {
    CDataFolderLock lock(m_folder);
    bool broken = false;
    Json::Value document = ReadDocument(&broken);
    const std::vector<MacroEntry> entries = Entries(document);
    if (entries.size() >= static_cast<size_t>(kMaxMacros))
        return MacroResult::LimitReached;
    m_problems.clear();
    // The limits a reader keeps: a file bigger than one reads as nothing is not taken.
    const std::string text = CJsonFile::ReadText(file, kMaxMacroFileBytes);
    if (text.empty())
        return MacroResult::Unreadable;
    Json::Value imported = CJsonFile::ParseDocument(text);
    if (!imported.isObject())
        return MacroResult::NotAMacro;
    if (const Json::Value& events = JsonMember(imported, "Events");
        events.isArray() && events.size() > kMaxEvents)
        return MacroResult::TooLarge;
    // Taken only as it reads back: events the mouse can play, nothing else.
    m_problems = CheckMacroDocument(imported, kMaxEvents, false);
    if (!m_problems.empty())
        return MacroResult::NotAMacro;

    auto taken = [&entries](const std::string& name) { return NameTaken(entries, name); };
    std::string name = SanitizeUtf8(CJsonFile::FileTitle(file));
    for (int n = 2; taken(name); ++n)
        name = std::to_string(n);

    const std::string id = UniqueId(entries);
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (!CJsonFile::WriteText(MacroFilePath(id), text))
        return MacroResult::WriteFailed;
    const MacroResult result = Append(std::move(document), name, id, broken);
    if (result != MacroResult::Done) {
        fs::remove(MacroFilePath(id), ec);
        return result;
    }
    if (index)
        *index = static_cast<int>(entries.size());
    return MacroResult::Done;
}

MacroResult CMacroList::Export(int index, const fs::path& file) const {
    const std::vector<MacroEntry> entries = ReadList();
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return MacroResult::NoSuchMacro;
    const MacroEntry& entry = entries[static_cast<size_t>(index)];
    const fs::path path = MacroFilePath(entry.id);
    if (path.empty())
        return MacroResult::UnsafeId;
    std::string text;
    std::error_code ec;
    if (fs::exists(path, ec)) {
        text = CJsonFile::ReadText(path);
        if (text.empty())
            return MacroResult::Unreadable;
    } else {
        text = CJsonFile::FormatDocument(MacroDocument(entry, {}));
    }
    return CJsonFile::WriteText(file, text) ? MacroResult::Done : MacroResult::WriteFailed;
}

std::vector<MacroEvent> CMacroList::ReadEvents(int index) const {
    const std::vector<MacroEntry> entries = ReadList();
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return {};
    return ReadEventsById(entries[static_cast<size_t>(index)].id);
}

MacroFileState CMacroList::ReadFile(std::string_view id, Json::Value* document,
                                    std::string* why) const {
    const fs::path path = MacroFilePath(id);
    if (path.empty()) {
        if (why)
            *why = "its identifier is not a file name";
        return MacroFileState::Broken;
    }
    if (!CJsonFile::Exists(path))
        return MacroFileState::Missing;
    const std::string text = CJsonFile::ReadText(path, kMaxMacroFileBytes);
    if (CJsonFile::LastReadRefused() || (text.empty() && CJsonFile::LastError() != "empty")) {
        if (why)
            *why = CJsonFile::LastError();
        return CJsonFile::LastReadRefused() ? MacroFileState::Unreadable : MacroFileState::Broken;
    }
    Json::Value parsed = CJsonFile::ParseDocument(text);
    if (!parsed.isObject() || !JsonMember(parsed, "Events").isArray()) {
        if (why)
            *why = text.empty() ? "it is empty" : "it is not a macro file";
        return MacroFileState::Broken;
    }
    if (document)
        *document = std::move(parsed);
    return MacroFileState::Usable;
}

MacroFileState CMacroList::FileState(std::string_view id, std::string* why) const {
    return ReadFile(id, nullptr, why);
}

std::vector<MacroEvent> CMacroList::ReadEventsById(std::string_view id) const {
    const fs::path path = MacroFilePath(id);
    Json::Value document;
    std::string why;
    const MacroFileState state = ReadFile(id, &document, &why);
    if (state != MacroFileState::Usable) {
        if (state != MacroFileState::Missing)
            DebugPrintf(DebugArea::Macro, "macro file %s cannot be read: %s", path.c_str(),
                        why.c_str());
        return {};
    }
    // What no mouse plays is mended, and told. A long macro is read whole: the download says
    // what does not fit.
    WarnFileProblems(path, CheckMacroDocument(document, CFileChecker::kMaxArrayCount, true));
    const Json::Value& events = JsonMember(document, "Events");
    std::vector<MacroEvent> result;
    result.reserve(events.size());
    for (const Json::Value& element : events)
        result.push_back(ReadMacroEvent(element));
    return result;
}

Json::Value CMacroList::MacroDocument(const MacroEntry& entry,
                                      const std::vector<MacroEvent>& events) const {
    Json::Value document(Json::objectValue);
    document["MacroName"] = entry.name;
    document["Guid"] = entry.id;
    Json::Value& array = document["Events"] = Json::Value(Json::arrayValue);
    for (const MacroEvent& event : events)
        array.append(MacroEventToJson(event, DelayForm::String));
    document["Version"] = kFileVersion;
    return document;
}

MacroResult CMacroList::Save(int index, const std::vector<MacroEvent>& events) {
    // Refused before anything is written: the mouse could never hold it.
    if (events.size() > kMaxEvents)
        return MacroResult::TooLarge;
    CDataFolderLock lock(m_folder);
    const std::vector<MacroEntry> entries = ReadList();
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return MacroResult::NoSuchMacro;
    const MacroEntry& entry = entries[static_cast<size_t>(index)];
    const fs::path path = MacroFilePath(entry.id);
    if (path.empty())
        return MacroResult::UnsafeId;
    // A file we may not read is not written over; one that does not read as a macro is kept
    // beside the new one.
    switch (FileState(entry.id)) {
        case MacroFileState::Unreadable:
            return MacroResult::Unreadable;
        case MacroFileState::Broken:
            CJsonFile::KeepBroken(path);
            break;
        default:
            break;
    }
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (!CJsonFile::WriteDocument(path, MacroDocument(entry, events))) {
        DebugPrintf(DebugArea::Macro, "could not write %s", path.c_str());
        return MacroResult::WriteFailed;
    }
    return MacroResult::Done;
}

std::vector<MacroEntry> CMacroList::ListOrphans() const {
    const std::vector<MacroEntry> entries = ReadList();
    std::vector<MacroEntry> orphans;
    std::error_code ec;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string id = path.stem().string();
        if (path.extension() != kMacroExtension || !IsPlainFileName(id) || !it->is_regular_file(ec))
            continue;
        bool listed = false;
        for (const MacroEntry& entry : entries)
            listed = listed || entry.id == id;
        if (listed)
            continue;
        const Json::Value document = CJsonFile::ReadDocument(path);
        orphans.push_back({SanitizeUtf8(JsonString(document, "MacroName")), id});
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const MacroEntry& a, const MacroEntry& b) { return a.id < b.id; });
    return orphans;
}

MacroResult CMacroList::AdoptOrphan(std::string_view wanted, int* index) {
    CDataFolderLock lock(m_folder);
    const std::string id(wanted);
    bool broken = false;
    Json::Value document = ReadDocument(&broken);
    const std::vector<MacroEntry> entries = Entries(document);
    const fs::path path = MacroFilePath(id);
    bool listed = false;
    for (const MacroEntry& entry : entries)
        listed = listed || entry.id == id;
    if (path.empty() || listed || !CJsonFile::Exists(path))
        return MacroResult::NoSuchMacro;
    if (entries.size() >= static_cast<size_t>(kMaxMacros))
        return MacroResult::LimitReached;
    if (FileState(id) != MacroFileState::Usable)
        return MacroResult::Unreadable;
    auto taken = [&entries](const std::string& name) { return NameTaken(entries, name); };
    // The name it was last saved under, made unique as an import's is.
    const std::string base = SanitizeUtf8(JsonString(CJsonFile::ReadDocument(path), "MacroName"));
    std::string name = base.size() > CFileChecker::kMaxTextBytes ? std::string() : base;
    for (int n = 2; taken(name); ++n)
        name = (IsBlankText(base) ? "macro_" : base + "(") + std::to_string(n) +
               (IsBlankText(base) ? "" : ")");
    const MacroResult result = Append(std::move(document), name, id, broken);
    if (result == MacroResult::Done && index)
        *index = static_cast<int>(entries.size());
    return result;
}

MacroResult CMacroList::RemoveOrphan(std::string_view wanted) {
    CDataFolderLock lock(m_folder);
    const std::string id(wanted);
    const fs::path path = MacroFilePath(id);
    if (path.empty() || FindById(id) >= 0 || !CJsonFile::Exists(path))
        return MacroResult::NoSuchMacro;
    std::error_code ec;
    return fs::remove(path, ec) ? MacroResult::Done : MacroResult::WriteFailed;
}
