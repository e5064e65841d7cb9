// SPDX-License-Identifier: GPL-2.0-or-later
// A device's list of profiles ("ProfileList.ini" in its data folder) and the operations on it.
// The profile control of the UI shows this model; it holds no toolkit state.
#pragma once

#include <json/json.h>

#include "profile/FileCheck.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class ProfileResult {
    Done,
    LimitReached,   // already kMaxProfiles profiles: add, copy and import are refused
    NameTaken,      // another profile has this name (letter case ignored)
    NameBlank,      // the name is empty or only white space
    NoSuchProfile,  // the index names no profile
    LastProfile,    // the only profile cannot be deleted
    NotAProfile,    // an import file that is not a profile file
    Unreadable,     // the profile file to export, or the list file, cannot be read
    WriteFailed,    // a file could not be written; the list on disk is unchanged
};

struct ProfileEntry {
    std::string name;  // UTF-8, as typed
    std::string id;    // the profile file's name without ".Json"
};

class CProfileList {
  public:
    static constexpr int kMaxProfiles = 50;
    static constexpr int kHeadsetKind = 7;
    static constexpr const char* kListFileName = "ProfileList.ini";
    static constexpr const char* kProfileExtension = ".Json";
    // Names the profile of an add until the list names it too.
    static constexpr const char* kPendingAddFileName = ".kestrune-adding";

    // The device kind: the device class of the device record (2 mouse, 7 headset).
    void SetKind(int kind) { m_kind = kind; }
    int GetKind() const { return m_kind; }
    void SetFolders(const std::filesystem::path& deviceFolder,
                    const std::filesystem::path& defaultDocument);

    // Reads the list; with no usable list this is a first start: one profile "Profile1" made
    // from the default document. Selects the profile the list names ("profileselect", or the
    // first one when that is out of range). WriteFailed when a file could not be written; the
    // model is usable all the same.
    ProfileResult LoadList();

    // The profiles in list order, as read by the last operation.
    const std::vector<ProfileEntry>& GetEntries() const { return m_entries; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Index of the profile with this name (letter case ignored), or -1.
    int FindByName(std::string_view name) const;
    int FindById(std::string_view id) const;

    // The current profile: the one the device uses. -1 when it has left the list.
    int GetSelection() const { return m_selection; }
    std::string GetCurrentProfileId() const { return m_currentId; }
    std::filesystem::path GetListFilePath() const { return m_folder / kListFileName; }
    std::filesystem::path ProfilePath(std::string_view id) const;

    // Every change re-reads the list file first, so an edit made meanwhile is not lost, and
    // writes the whole list back. A failed write leaves the list file and the model unchanged,
    // except that a selection is made all the same (the device switches; only the next start
    // does not learn of it).
    ProfileResult SelectProfile(int index);
    // New profile "Profile1", "profile2", ... (or the name given) from the default document;
    // the device keeps its profile, the list names the new one for the next start.
    ProfileResult AddProfile(std::string_view name = {});
    // "<name> copy", "<name> copy copy", ...: every setting of the source is copied.
    ProfileResult CopyProfile(int index);
    // Deleting the current profile makes its predecessor (or the first) current.
    ProfileResult DeleteProfile(int index);
    // The name is stored as typed (invalid UTF-8 replaced); a change of letter case is allowed.
    ProfileResult RenameProfile(int index, std::string newName);
    // Takes a profile file whole under the file's title: "Game", "Game(1)", "Game(1)(2)", ...
    // A file with a field out of range is refused (NotAProfile; LastProblems names them).
    ProfileResult ImportProfile(const std::filesystem::path& file);
    const std::vector<FileProblem>& LastProblems() const { return m_problems; }
    // Why the list file could not be read (LoadList gave Unreadable).
    std::string ReadError() const { return m_readError; }
    ProfileResult ExportProfile(int index, const std::filesystem::path& file);
    // Back to the default document, keeping the name and identifier (and on the headset the
    // user's equalisers).
    ProfileResult ResetProfile(int index);

    // Profile files in the folder that the list does not name (left by an interrupted change or
    // an earlier list), by identifier; the name is the file's "profilename".
    std::vector<ProfileEntry> ListOrphans();
    // Names such a file in the list again (under its "profilename", made unique), or deletes it.
    // The identifier is a copy: the list's own entries are read afresh first.
    ProfileResult AdoptOrphan(std::string id);
    ProfileResult RemoveOrphan(std::string id);

    // For the macro deletion: the list file read afresh, and the profile file of an entry
    // (empty when out of range).
    int GetProfileCount();
    std::filesystem::path GetProfileFilePath(int index) const;

    // Function tabs, numbered 1 to 9.
    static const std::vector<std::string>& TabNames();
    // The tabs a device kind hides (false) or shows (true); tabs not named keep the layout's
    // visibility.
    static std::vector<std::pair<std::string, bool>> TabVisibility(int kind);
    // Tab 1 ... 9 becomes the selected one; any other number selects none (0).
    void SelectTab(int tab);
    int GetSelectedTab() const { return m_selectedTab; }

    // Called after every change of the entries, the selection or the current profile.
    void SetChangeListener(std::function<void()> listener) { m_listener = std::move(listener); }

  private:
    static bool Sanitize(Json::Value& list);
    void Refresh();
    void RebuildEntries();
    // Keeps an unusable list file beside the new one first.
    bool WriteList();
    void FinishInterruptedAdd();
    std::string PendingAddId() const;
    void Notify() const;
    bool InRange(int index) const { return index >= 0 && index < GetCount(); }
    std::string UniqueId() const;
    ProfileResult Append(const std::string& name, const std::string& id, Json::Value document,
                         bool selectAtNextStart, bool newFile = true);

    int m_kind = 2;
    std::filesystem::path m_folder;
    std::filesystem::path m_defaultPath;
    std::string m_currentId;
    Json::Value m_list;          // the last usable read of the list file, with our changes
    bool m_listBroken = false;   // the last read found an unusable list file
    bool m_listRefused = false;  // the last read found a list file it may not read
    std::string m_readError;
    std::vector<FileProblem> m_problems;
    std::vector<ProfileEntry> m_entries;
    int m_selection = -1;
    std::vector<std::string> m_countedIds;  // GetProfileCount's read
    int m_selectedTab = 0;
    std::function<void()> m_listener;
};
