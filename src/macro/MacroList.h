// SPDX-License-Identifier: GPL-2.0-or-later
// A device's macros: the list file ("macro.config") that names them in order, and one file per
// macro (its identifier + ".mac") that holds its events. A button assigned to a macro stores its
// position in the list, so entries never move except by a deletion.
#pragma once

#include <json/json.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroEvent.h"
#include "profile/FileCheck.h"

enum class MacroResult {
    Done,
    LimitReached,  // already kMaxMacros macros
    NameTaken,     // another macro (or this one) has this name, letter case ignored
    NameBlank,     // empty or only white space
    NoSuchMacro,   // the index names no macro
    UnsafeId,      // the entry's "Guid" is not a plain file name: its file is never touched
    NotAMacro,     // an import file that is not a JSON object
    Unreadable,    // a file to copy could not be read
    WriteFailed,   // a file could not be written; what was on disk is unchanged
    TooLarge,      // more events than the mouse's macro memory holds (kMaxEvents)
};

// How a macro's file reads.
enum class MacroFileState {
    Usable,      // a macro file (fields out of range are mended on reading)
    Missing,     // never saved: an empty macro
    Unreadable,  // there, but we may not read it (permission)
    Broken,      // there, but not a macro file (or too big, or its entry names no file)
};

struct MacroEntry {
    std::string name;  // UTF-8, as typed
    std::string id;    // "Guid": the macro file's name without ".mac"
};

class CMacroList {
  public:
    static constexpr int kMaxMacros = 50;
    // A recording stops adding here; saving this many or more earns a warning.
    static constexpr size_t kRecordLimit = 60;
    static constexpr int kFileVersion = 64;
    // The mouse keeps the macros its buttons use in 1024 bytes: a header of 16 bytes, 6 per
    // macro and 4 per event. One macro alone can so hold this many events.
    static constexpr size_t kMacroMemoryBytes = 1024;
    static constexpr size_t kMaxEvents = (kMacroMemoryBytes - 16 - 6) / 4;
    static constexpr const char* kListFileName = "macro.config";
    // The headset and mouse-pad families keep their list under this name.
    static constexpr const char* kOtherListFileName = "orvel_macro.config";
    static constexpr const char* kMacroExtension = ".mac";

    explicit CMacroList(std::filesystem::path deviceFolder,
                        std::string listFileName = kListFileName);

    const std::filesystem::path& Folder() const { return m_folder; }
    std::filesystem::path ListFilePath() const { return m_folder / m_listFileName; }
    // Empty for an identifier that is not a plain file name.
    std::filesystem::path MacroFilePath(std::string_view id) const;

    // Every operation reads the list file afresh, so an edit made meanwhile is kept, and every
    // change holds the folder's lock. A missing, empty or unparsable file is an empty list; the
    // first change keeps such a file beside the new one.
    std::vector<MacroEntry> ReadList() const;
    // Whether the list file holds a "MacroInfo" array at all.
    bool HasListFile() const;
    // Index of the macro with this name (letter case ignored), or -1.
    int FindByName(std::string_view name) const;
    int FindById(std::string_view id) const;

    // "macro_1", "macro_2", ...: the first not taken.
    std::string DefaultName() const;
    // Appends an entry with a fresh identifier; the macro file comes with the first save. An
    // empty name takes DefaultName(). `index` receives the new macro's position.
    MacroResult Add(std::string_view name = {}, int* index = nullptr);
    // Refused when blank after trimming or equal to any name of the list, its own included.
    MacroResult Rename(int index, std::string_view name);
    // Removes the entry (later ones move up by one), then its file. Button assignments are the
    // caller's (see FixProfilesForDeletedMacro).
    MacroResult Delete(int index);
    // Adds a macro named after the file and copies the file's bytes unchanged as its macro file.
    MacroResult Import(const std::filesystem::path& file, int* index = nullptr);
    // The macro file's bytes, unchanged; a macro never saved exports as an empty one.
    MacroResult Export(int index, const std::filesystem::path& file) const;

    // The events of a macro in play order: empty when the file is missing or unparsable.
    std::vector<MacroEvent> ReadEvents(int index) const;
    std::vector<MacroEvent> ReadEventsById(std::string_view id) const;
    // Whether the macro's file can be read as one; `why` says what is wrong.
    MacroFileState FileState(std::string_view id, std::string* why = nullptr) const;
    // What a refused import found wrong (field, value, limit).
    const std::vector<FileProblem>& LastProblems() const { return m_problems; }

    // Macro files in the folder that the list does not name, by identifier; the name is the
    // file's "MacroName".
    std::vector<MacroEntry> ListOrphans() const;
    // Names such a file in the list again, under its "MacroName" made unique; or deletes it.
    MacroResult AdoptOrphan(std::string_view id, int* index = nullptr);
    MacroResult RemoveOrphan(std::string_view id);
    // Writes the whole macro file: name and identifier from the list, the events with "Delay"
    // as text, "Version" 64. A file that does not read as a macro is kept beside first; one we
    // may not read is not written over (Unreadable).
    MacroResult Save(int index, const std::vector<MacroEvent>& events);

  private:
    // `broken`: the list file is there but unusable, so a write keeps it beside first.
    Json::Value ReadDocument(bool* broken = nullptr) const;
    bool WriteDocument(const Json::Value& document, bool broken = false) const;
    static std::vector<MacroEntry> Entries(const Json::Value& document);
    std::string UniqueId(const std::vector<MacroEntry>& entries) const;
    Json::Value MacroDocument(const MacroEntry& entry, const std::vector<MacroEvent>& events) const;
    MacroResult Append(Json::Value document, const std::string& name, const std::string& id,
                       bool broken);

    MacroFileState ReadFile(std::string_view id, Json::Value* document, std::string* why) const;

    std::filesystem::path m_folder;
    std::string m_listFileName;
    std::vector<FileProblem> m_problems;
};
