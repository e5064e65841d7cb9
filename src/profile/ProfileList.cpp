// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/ProfileList.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>

#include "base/Debug.h"
#include "profile/DataLock.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

Json::Value MakeElement(const std::string& name, const std::string& id) {
    Json::Value element(Json::objectValue);
    element["profilename"] = name;
    element["profileUUID"] = id;
    element["profileislink"] = 0;
    element["profilelinkmame"] = "";
    return element;
}

// A profile document under a new name and identifier; anything but an object starts empty.
Json::Value Named(Json::Value document, const std::string& name, const std::string& id) {
    if (!document.isObject())
        document = Json::Value(Json::objectValue);
    document["profilename"] = name;
    document["profileUUID"] = id;
    return document;
}

}  // namespace

void CProfileList::SetFolders(const fs::path& deviceFolder, const fs::path& defaultDocument) {
    m_folder = deviceFolder;
    m_defaultPath = defaultDocument;
}

fs::path CProfileList::ProfilePath(std::string_view id) const {
    return m_folder / (std::string(id) + kProfileExtension);
}

int CProfileList::FindByName(std::string_view name) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (NamesEqualIgnoringCase(m_entries[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

int CProfileList::FindById(std::string_view id) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

// Keeps the entries that can be used: an object with an identifier that is a plain file name,
// seen for the first time. True when at least one is left.
bool CProfileList::Sanitize(Json::Value& list) {
    const Json::Value& profiles = JsonMember(list, "profilelist");
    if (!profiles.isArray())
        return false;
    Json::Value kept(Json::arrayValue);
    std::set<std::string> seen;
    for (const Json::Value& element : profiles) {
        const std::string id = JsonString(element, "profileUUID");
        if (!IsPlainFileName(id)) {
            DebugPrintf(DebugArea::Profile, "profile list: entry without a usable identifier");
            continue;
        }
        if (!seen.insert(id).second)
            continue;
        Json::Value entry = element;
        entry["profilename"] = SanitizeUtf8(JsonString(element, "profilename"));
        kept.append(entry);
    }
    list["profilelist"] = kept;
    return kept.size() > 0;
}

void CProfileList::RebuildEntries() {
    m_entries.clear();
    for (const Json::Value& element : JsonMember(m_list, "profilelist"))
        m_entries.push_back(
            {JsonString(element, "profilename"), JsonString(element, "profileUUID")});
}

void CProfileList::Refresh() {
    Json::Value list = CJsonFile::ReadDocument(GetListFilePath());
    m_listRefused = CJsonFile::LastReadRefused();
    if (m_listRefused)
        m_readError = CJsonFile::LastError();
    // An unusable file keeps the list we know; the next write puts it back, the unusable one
    // kept beside it. A file we may not read is left alone: nothing is written over it.
    CheckProfileListDocument(list, kMaxProfiles, true);
    if (Sanitize(list))
        m_list = list;
    else
        m_listBroken = !m_listRefused && CJsonFile::Exists(GetListFilePath());
    RebuildEntries();
    m_selection = FindById(m_currentId);
}

bool CProfileList::WriteList() {
    if (m_listRefused) {
        DebugPrintf(DebugArea::Profile, "profile list not written: it cannot be read");
        return false;
    }
    if (m_listBroken) {
        CJsonFile::KeepBroken(GetListFilePath());
        m_listBroken = false;
    }
    return CJsonFile::WriteDocument(GetListFilePath(), m_list);
}

void CProfileList::Notify() const {
    if (m_listener)
        m_listener();
}

std::string CProfileList::UniqueId() const {
    // Two profiles made within one millisecond must not share a file.
    const auto now = std::chrono::system_clock::now();
    std::string id;
    for (int step = 0; step < 100000; ++step) {
        id = MakeTimeId(now + std::chrono::milliseconds(step));
        std::error_code ec;
        if (FindById(id) < 0 && !fs::exists(ProfilePath(id), ec))
            break;
    }
    return id;
}

ProfileResult CProfileList::LoadList() {
    CDataFolderLock lock(m_folder);
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    ProfileResult result = ProfileResult::Done;
    Json::Value list = CJsonFile::ReadDocument(GetListFilePath());
    m_listRefused = CJsonFile::LastReadRefused();
    if (m_listRefused) {
        // Not a first start: the list is there, we may not read it. Nothing is made.
        m_readError = CJsonFile::LastError();
        m_entries.clear();
        m_selection = -1;
        m_currentId.clear();
        Notify();
        return ProfileResult::Unreadable;
    }
    WarnFileProblems(GetListFilePath(), CheckProfileListDocument(list, kMaxProfiles, true));
    // Reading writes nothing, unless there is no usable list to read.
    bool write = false;
    if (Sanitize(list)) {
        m_list = list;
    } else {
        // First start, or nothing usable in the list: one new profile. An unusable list is
        // kept beside the new one, and profile files of an earlier list stay on disk.
        CJsonFile::KeepBroken(GetListFilePath());
        if (!list.isObject())
            list = Json::Value(Json::objectValue);
        m_list = list;
        m_entries.clear();
        const std::string id = UniqueId();
        m_list["profilelist"] = Json::Value(Json::arrayValue);
        m_list["profilelist"].append(MakeElement("Profile1", id));
        m_list["profileselect"] = 0;
        write = true;
        if (!CJsonFile::WriteDocument(
                ProfilePath(id), Named(CJsonFile::ReadDocument(m_defaultPath), "Profile1", id)))
            result = ProfileResult::WriteFailed;
    }
    RebuildEntries();

    const auto stored = JsonToInteger(JsonMember(m_list, "profileselect"));
    int select = 0;
    if (stored && *stored >= 0 && *stored < GetCount())
        select = static_cast<int>(*stored);
    m_selection = select;
    m_currentId = m_entries[static_cast<size_t>(select)].id;
    if (write && !WriteList())
        result = ProfileResult::WriteFailed;
    Notify();
    return result;
}

ProfileResult CProfileList::SelectProfile(int index) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    m_selection = index;
    m_currentId = m_entries[static_cast<size_t>(index)].id;
    m_list["profileselect"] = index;
    const bool written = WriteList();
    Notify();
    return written ? ProfileResult::Done : ProfileResult::WriteFailed;
}

void CProfileList::FinishInterruptedAdd() {
    const fs::path marker = m_folder / kPendingAddFileName;
    if (!CJsonFile::Exists(marker))
        return;
    std::string id = CJsonFile::ReadText(marker, 256);
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
        id.pop_back();
    // The add got as far as the list, or no further than its profile file: then that file goes.
    if (IsPlainFileName(id) && FindById(id) < 0) {
        DebugPrintf(DebugArea::Profile, "removing the profile of an interrupted add: %s",
                    id.c_str());
        std::error_code ec;
        fs::remove(ProfilePath(id), ec);
    }
    std::error_code ec;
    fs::remove(marker, ec);
}

std::string CProfileList::PendingAddId() const {
    std::string id = CJsonFile::ReadText(m_folder / kPendingAddFileName, 256);
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
        id.pop_back();
    return id;
}

ProfileResult CProfileList::Append(const std::string& name, const std::string& id,
                                   Json::Value document, bool selectAtNextStart, bool newFile) {
    if (m_listRefused)
        return ProfileResult::WriteFailed;
    // A new profile is its file and its list entry, both or neither: the marker names it until
    // the list does, and the next change removes a file whose add did not get that far.
    const fs::path marker = m_folder / kPendingAddFileName;
    if (newFile && !CJsonFile::WriteText(marker, id + "\n"))
        return ProfileResult::WriteFailed;
    struct MarkerRemoval {
        fs::path path;
        bool active;
        ~MarkerRemoval() {
            std::error_code ec;
            if (active)
                fs::remove(path, ec);
        }
    } removal{marker, newFile};
    // The profile file first: the list never names a file we failed to write.
    if (!CJsonFile::WriteDocument(ProfilePath(id), Named(std::move(document), name, id))) {
        std::error_code ec;
        if (newFile)
            fs::remove(ProfilePath(id), ec);
        return ProfileResult::WriteFailed;
    }
    const Json::Value saved = m_list;
    Json::Value& profiles = JsonArrayMember(m_list, "profilelist");
    profiles.append(MakeElement(name, id));
    if (selectAtNextStart)
        m_list["profileselect"] = static_cast<int>(profiles.size()) - 1;
    if (!WriteList()) {
        m_list = saved;
        std::error_code ec;
        if (newFile)
            fs::remove(ProfilePath(id), ec);
        return ProfileResult::WriteFailed;
    }
    RebuildEntries();
    Notify();
    return ProfileResult::Done;
}

ProfileResult CProfileList::AddProfile(std::string_view wanted) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (GetCount() >= kMaxProfiles)
        return ProfileResult::LimitReached;
    std::string name = "Profile1";
    if (!wanted.empty()) {
        name = SanitizeUtf8(wanted);
        if (IsBlankText(name))
            return ProfileResult::NameBlank;
        if (FindByName(name) >= 0)
            return ProfileResult::NameTaken;
    }
    for (int n = 2; wanted.empty() && FindByName(name) >= 0; ++n)
        name = "profile" + std::to_string(n);
    return Append(name, UniqueId(), CJsonFile::ReadDocument(m_defaultPath), true);
}

ProfileResult CProfileList::CopyProfile(int index) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (GetCount() >= kMaxProfiles)
        return ProfileResult::LimitReached;
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    const ProfileEntry source = m_entries[static_cast<size_t>(index)];
    std::string name = source.name + " copy";
    while (FindByName(name) >= 0)
        name += " copy";
    return Append(name, UniqueId(), CJsonFile::ReadDocument(ProfilePath(source.id)), false);
}

ProfileResult CProfileList::DeleteProfile(int index) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    if (GetCount() < 2)
        return ProfileResult::LastProfile;
    const std::string id = m_entries[static_cast<size_t>(index)].id;
    const int neighbour = index == 0 ? 0 : index - 1;

    // The current profile moves with the deletion; deleting it makes the neighbour current.
    int selection = m_selection;
    if (selection < 0 || selection == index)
        selection = neighbour;
    else if (selection > index)
        --selection;
    // The profile named for the next start is kept where it can be.
    int next = selection;
    if (m_selection >= 0 && m_selection != index) {
        const auto stored = JsonToInteger(JsonMember(m_list, "profileselect"));
        if (stored && *stored >= 0 && *stored < GetCount()) {
            next = static_cast<int>(*stored);
            if (next == index)
                next = neighbour;
            else if (next > index)
                --next;
        }
    }

    const Json::Value saved = m_list;
    Json::Value removed;
    m_list["profilelist"].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
    m_list["profileselect"] = next;
    // The list first: a failed write must not lose the profile's file.
    if (!WriteList()) {
        m_list = saved;
        return ProfileResult::WriteFailed;
    }
    std::error_code ec;
    fs::remove(ProfilePath(id), ec);
    RebuildEntries();
    m_selection = selection;
    m_currentId = m_entries[static_cast<size_t>(selection)].id;
    Notify();
    return ProfileResult::Done;
}

ProfileResult CProfileList::RenameProfile(int index, std::string newName) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    const std::string name = SanitizeUtf8(newName);
    if (IsBlankText(name))
        return ProfileResult::NameBlank;
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    for (int i = 0; i < GetCount(); ++i) {
        if (i != index && NamesEqualIgnoringCase(m_entries[static_cast<size_t>(i)].name, name))
            return ProfileResult::NameTaken;
    }
    const std::string id = m_entries[static_cast<size_t>(index)].id;
    const Json::Value saved = m_list;
    m_list["profilelist"][static_cast<Json::ArrayIndex>(index)]["profilename"] = name;
    if (!WriteList()) {
        m_list = saved;
        return ProfileResult::WriteFailed;
    }
    RebuildEntries();
    Notify();

    Json::Value document = CJsonFile::ReadDocument(ProfilePath(id));
    if (document.isObject())
        document["profilename"] = name;
    else
        document = Named(Json::Value(), name, id);
    return CJsonFile::WriteDocument(ProfilePath(id), document) ? ProfileResult::Done
                                                               : ProfileResult::WriteFailed;
}

ProfileResult CProfileList::ImportProfile(const fs::path& file) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    m_problems.clear();
    if (GetCount() >= kMaxProfiles)
        return ProfileResult::LimitReached;
    Json::Value document = CJsonFile::ReadDocument(file);
    if (!document.isObject() || JsonMember(document, "profilename").isNull() ||
        JsonMember(document, "profileUUID").isNull())
        return ProfileResult::NotAProfile;
    // Taken only as it reads back: every field in range, nothing bigger than a reader takes.
    Json::Value checked = document;
    m_problems = CheckProfileDocument(checked, false);
    if (m_problems.empty()) {
        const size_t bytes = CJsonFile::FormatDocument(document).size();
        if (bytes > CJsonFile::kMaxFileSize)
            m_problems.push_back({"the profile", std::to_string(bytes) + " bytes when stored",
                                  "at most " + std::to_string(CJsonFile::kMaxFileSize) + " bytes"});
    }
    if (!m_problems.empty())
        return ProfileResult::NotAProfile;
    // The name comes from the file's title, never from its "profilename".
    std::string name = SanitizeUtf8(CJsonFile::FileTitle(file));
    for (int n = 1; FindByName(name) >= 0; ++n)
        name += "(" + std::to_string(n) + ")";
    return Append(name, UniqueId(), std::move(document), false);
}

ProfileResult CProfileList::ExportProfile(int index, const fs::path& file) {
    Refresh();
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    const Json::Value document =
        CJsonFile::ReadDocument(ProfilePath(m_entries[static_cast<size_t>(index)].id));
    if (!document.isObject())
        return ProfileResult::Unreadable;
    return CJsonFile::WriteDocument(file, document) ? ProfileResult::Done
                                                    : ProfileResult::WriteFailed;
}

ProfileResult CProfileList::ResetProfile(int index) {
    CDataFolderLock lock(m_folder);
    Refresh();
    if (!InRange(index))
        return ProfileResult::NoSuchProfile;
    const ProfileEntry entry = m_entries[static_cast<size_t>(index)];
    Json::Value document = Named(CJsonFile::ReadDocument(m_defaultPath), entry.name, entry.id);
    if (m_kind == kHeadsetKind) {
        // The user's own equalisers survive a reset.
        const Json::Value current = CJsonFile::ReadDocument(ProfilePath(entry.id));
        const Json::Value& section = JsonElement(JsonMember(current, "Device"), 0);
        for (const char* member : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& value = JsonMember(section, member);
            if (value.isNull())
                continue;
            Json::Value& target = JsonArrayElement(JsonArrayMember(document, "Device"), 0);
            if (!target.isObject())
                target = Json::Value(Json::objectValue);
            target[member] = value;
        }
    }
    return CJsonFile::WriteDocument(ProfilePath(entry.id), document) ? ProfileResult::Done
                                                                     : ProfileResult::WriteFailed;
}

std::vector<ProfileEntry> CProfileList::ListOrphans() {
    CDataFolderLock lock(m_folder);
    Refresh();
    std::vector<ProfileEntry> orphans;
    // A file whose add was interrupted is not an orphan: the next change removes it.
    const std::string pending = PendingAddId();
    std::error_code ec;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string id = path.stem().string();
        if (path.extension() != kProfileExtension || !IsPlainFileName(id) || FindById(id) >= 0 ||
            id == pending || !it->is_regular_file(ec))
            continue;
        const Json::Value document = CJsonFile::ReadDocument(path);
        orphans.push_back({SanitizeUtf8(JsonString(document, "profilename")), id});
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const ProfileEntry& a, const ProfileEntry& b) { return a.id < b.id; });
    return orphans;
}

ProfileResult CProfileList::AdoptOrphan(std::string id) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (!IsPlainFileName(id) || FindById(id) >= 0)
        return ProfileResult::NoSuchProfile;
    if (GetCount() >= kMaxProfiles)
        return ProfileResult::LimitReached;
    const fs::path path = ProfilePath(id);
    Json::Value document = CJsonFile::ReadDocument(path);
    if (!document.isObject())
        return CJsonFile::Exists(path) ? ProfileResult::NotAProfile : ProfileResult::NoSuchProfile;
    std::string name = SanitizeUtf8(JsonString(document, "profilename"));
    if (IsBlankText(name))
        name = "Profile";
    const std::string base = name;
    for (int n = 1; FindByName(name) >= 0; ++n)
        name = base + "(" + std::to_string(n) + ")";
    // The file keeps its identifier; the list names it again.
    return Append(name, std::string(id), std::move(document), false, false);
}

ProfileResult CProfileList::RemoveOrphan(std::string id) {
    CDataFolderLock lock(m_folder);
    Refresh();
    FinishInterruptedAdd();
    if (!IsPlainFileName(id) || FindById(id) >= 0 || !CJsonFile::Exists(ProfilePath(id)))
        return ProfileResult::NoSuchProfile;
    std::error_code ec;
    if (!fs::remove(ProfilePath(id), ec))
        return ProfileResult::WriteFailed;
    return ProfileResult::Done;
}

int CProfileList::GetProfileCount() {
    m_countedIds.clear();
    Json::Value list = CJsonFile::ReadDocument(GetListFilePath());
    if (Sanitize(list)) {
        for (const Json::Value& element : list["profilelist"])
            m_countedIds.push_back(JsonString(element, "profileUUID"));
    }
    return static_cast<int>(m_countedIds.size());
}

fs::path CProfileList::GetProfileFilePath(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_countedIds.size())
        return {};
    return ProfilePath(m_countedIds[static_cast<size_t>(index)]);
}

const std::vector<std::string>& CProfileList::TabNames() {
    static const std::vector<std::string> names = {
        "deng_Op_tab",       "key_Op_tab",   "macro_Op_tab",      "system_Op_tab",  "cursor_Op_tab",
        "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab", "otherset_Op_tab"};
    return names;
}

std::vector<std::pair<std::string, bool>> CProfileList::TabVisibility(int kind) {
    switch (kind) {
        case 1:
            return {{"cursor_Op_tab", false}};
        case 3:
        case 5:
            return {{"cursor_Op_tab", false},
                    {"macro_Op_tab", false},
                    {"system_Op_tab", false},
                    {"key_Op_tab", false}};
        case 4:
            return {{"cursor_Op_tab", false}, {"macro_Op_tab", false}, {"key_Op_tab", false}};
        case 7:
            return {{"cursor_Op_tab", false},    {"macro_Op_tab", false},
                    {"system_Op_tab", false},    {"key_Op_tab", false},
                    {"6533_voice_Op_tab", true}, {"magic_Op_tab", true},
                    {"Virtual7.1_Op_tab", true}};
        default:
            return {};
    }
}

void CProfileList::SelectTab(int tab) {
    m_selectedTab = tab >= 1 && tab <= static_cast<int>(TabNames().size()) ? tab : 0;
}
