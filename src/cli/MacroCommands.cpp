// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/MacroCommands.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <sstream>

#include "base/Paths.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "macro/MacroAssignments.h"
#include "macro/MacroList.h"
#include "macro/MacroText.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMouseKind = 2;
constexpr const char* kMouseTypeKey = "mouse";

struct MacroCliArgs {
    bool all = false;     // list: also the macro files the list does not name
    std::string orphan;   // adopt, remove: an orphaned macro file's identifier
    std::string macro;    // the macro acted on: name, identifier or index
    std::string newName;  // add, rename
    std::string file;     // import, export, edit ("-" or empty: standard input)
    bool force = false;   // delete a macro that buttons are assigned to
};

constexpr const char* kEditHelp = R"(The text form, one event per line:
  down NAME        press a key, modifier or mouse button
  up NAME          release it
  press NAME       down, then up
  move DIR N       move the pointer left, right, up or down by N (0-255)
  delay MS         wait MS milliseconds (0-65535) after the event above
  raw ACTION TYPE BUTTON   any event by its numbers (what show prints for unknown ones)
  # comment
Names ignore letter case: keys as "kestrunectl macro keys" lists them (a, Enter, F1, LCtrl,
Page Up, Left arrow, ...), mouse buttons left, right, middle, back, forward.
Examples:
  printf 'down LShift\ndelay 20\npress a\ndelay 50\nup LShift\n' | kestrunectl macro edit macro_1
  kestrunectl macro show macro_1 > m.txt; $EDITOR m.txt; kestrunectl macro edit macro_1 m.txt)";

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json;
    CMacroList macros;
};

void PrintJson(Context& c, const Json::Value& value) {
    PrintCliJson(c.out, value);
}

int Fail(Context& c, int status, const std::string& message) {
    return PrintCliError(c.out, c.err, c.json, status, message);
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// ": permission denied", ... for the end of an error message.
std::string Cause() {
    const std::string cause = CJsonFile::LastError();
    return cause.empty() ? std::string() : ": " + cause;
}

// The text form of the longest macro the mouse holds fits many times in this; more is refused
// unread, so memory stays bounded.
constexpr size_t kMaxMacroTextBytes = 256 * 1024;

int FailResult(Context& c, MacroResult result, const std::string& subject) {
    switch (result) {
        case MacroResult::Done:
            return kExitOk;
        case MacroResult::LimitReached:
            return Fail(c, kExitError,
                        "there are already " + std::to_string(CMacroList::kMaxMacros) +
                            " macros, the most the mouse keeps; delete one first");
        case MacroResult::NameTaken:
            return Fail(c, kExitError,
                        "a macro is already named " + Quoted(subject) + " (letter case ignored)");
        case MacroResult::NameBlank:
            return Fail(c, kExitUsage, "a macro name cannot be blank");
        case MacroResult::NoSuchMacro:
            return Fail(c, kExitError, "no macro " + Quoted(subject));
        case MacroResult::UnsafeId:
            return Fail(c, kExitError,
                        "the list entry of macro " + Quoted(subject) +
                            " names no usable file; its file is left alone");
        case MacroResult::NotAMacro:
            if (!c.macros.LastProblems().empty())
                return Fail(c, kExitError,
                            subject + " was not imported (nothing was stored): " +
                                ProblemsText(c.macros.LastProblems()));
            return Fail(c, kExitError, subject + " is not a macro file");
        case MacroResult::Unreadable:
            return Fail(c, kExitError, "could not read " + subject + Cause());
        case MacroResult::WriteFailed:
            return Fail(
                c, kExitError,
                "could not write the macro files in " + c.macros.Folder().string() + Cause());
        case MacroResult::TooLarge:
            return Fail(c, kExitError,
                        subject + " has more than " + std::to_string(CMacroList::kMaxEvents) +
                            " events, the most one macro can have in the mouse's " +
                            std::to_string(CMacroList::kMacroMemoryBytes) +
                            " bytes of macro memory; nothing was saved");
    }
    return kExitError;
}

// Name first, then identifier, then index; -1 when nothing matches.
int Resolve(const CMacroList& macros, const std::string& macro) {
    if (int index = macros.FindByName(macro); index >= 0)
        return index;
    if (int index = macros.FindById(macro); index >= 0)
        return index;
    if (!macro.empty() && macro.size() < 4 &&
        macro.find_first_not_of("0123456789") == std::string::npos) {
        const int index = std::stoi(macro);
        if (static_cast<size_t>(index) < macros.ReadList().size())
            return index;
    }
    return -1;
}

Json::Value EntryJson(const std::vector<MacroEntry>& entries, int index) {
    const MacroEntry& entry = entries.at(static_cast<size_t>(index));
    Json::Value value;
    value["index"] = index;
    value["name"] = entry.name;
    value["id"] = entry.id;
    return value;
}

int Report(Context& c, const std::string& action, const std::string& text, int index) {
    if (c.json) {
        Json::Value value;
        value["action"] = action;
        if (index >= 0)
            value["macro"] = EntryJson(c.macros.ReadList(), index);
        PrintJson(c, value);
    } else {
        c.out << text << "\n";
    }
    return kExitOk;
}

// "" for a macro whose file reads (or was never saved), else what is wrong with it.
std::string FileTrouble(const Context& c, const MacroEntry& entry) {
    std::string why;
    switch (c.macros.FileState(entry.id, &why)) {
        case MacroFileState::Unreadable:
            return "cannot be read: " + why;
        case MacroFileState::Broken:
            return "not a usable macro file: " + why;
        default:
            return {};
    }
}

int RunList(Context& c, bool all) {
    const std::vector<MacroEntry> entries = c.macros.ReadList();
    const std::vector<MacroEntry> orphans =
        all ? c.macros.ListOrphans() : std::vector<MacroEntry>();
    if (c.json) {
        Json::Value value;
        value["macros"] = Json::Value(Json::arrayValue);
        for (size_t i = 0; i < entries.size(); ++i) {
            Json::Value entry = EntryJson(entries, static_cast<int>(i));
            const std::string trouble = FileTrouble(c, entries[i]);
            if (trouble.empty())
                entry["events"] =
                    static_cast<Json::UInt64>(c.macros.ReadEvents(static_cast<int>(i)).size());
            else
                entry["error"] = trouble;
            value["macros"].append(entry);
        }
        if (all) {
            value["orphans"] = Json::Value(Json::arrayValue);
            for (const MacroEntry& orphan : orphans) {
                Json::Value o;
                o["name"] = orphan.name;
                o["id"] = orphan.id;
                o["file"] = c.macros.MacroFilePath(orphan.id).string();
                value["orphans"].append(o);
            }
        }
        PrintJson(c, value);
        return kExitOk;
    }
    if (entries.empty() && orphans.empty())
        c.out << "No macros yet; add one with: kestrunectl macro add NAME\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        c.out << i << "  " << entries[i].name << "  (" << entries[i].id << ")  ";
        if (const std::string trouble = FileTrouble(c, entries[i]); !trouble.empty()) {
            c.out << "its file " << trouble << "\n";
            continue;
        }
        const size_t events = c.macros.ReadEvents(static_cast<int>(i)).size();
        c.out << events << (events == 1 ? " event" : " events") << "\n";
    }
    if (!orphans.empty()) {
        c.out << "Macro files the list does not name (kestrunectl macro adopt|remove ID):\n";
        for (const MacroEntry& orphan : orphans)
            c.out << "  ?  " << orphan.name << "  (" << orphan.id << ")\n";
    }
    return kExitOk;
}

int Adopt(Context& c, const MacroCliArgs& args, std::istream&) {
    int index = -1;
    const MacroResult result = c.macros.AdoptOrphan(args.orphan, &index);
    if (result == MacroResult::NoSuchMacro)
        return Fail(c, kExitError,
                    "no orphaned macro file " + Quoted(args.orphan) +
                        " (kestrunectl macro list --all shows them)");
    if (result == MacroResult::Unreadable)
        return Fail(c, kExitError,
                    c.macros.MacroFilePath(args.orphan).string() +
                        " cannot be read as a macro file; it stays where it is");
    if (result != MacroResult::Done)
        return FailResult(c, result, args.orphan);
    return Report(c, "adopt",
                  "adopted macro " + Quoted(c.macros.ReadList()[static_cast<size_t>(index)].name),
                  index);
}

int RemoveOrphan(Context& c, const MacroCliArgs& args, std::istream&) {
    const MacroResult result = c.macros.RemoveOrphan(args.orphan);
    if (result == MacroResult::NoSuchMacro)
        return Fail(c, kExitError,
                    "no orphaned macro file " + Quoted(args.orphan) +
                        " (kestrunectl macro list --all shows them; listed macros are deleted "
                        "with macro delete)");
    if (result != MacroResult::Done)
        return FailResult(c, result, args.orphan);
    return Report(c, "remove", "removed the orphaned macro file " + args.orphan, -1);
}

int RunShow(Context& c, int index) {
    const std::vector<MacroEntry> entries = c.macros.ReadList();
    const MacroEntry& shown = entries[static_cast<size_t>(index)];
    if (const std::string trouble = FileTrouble(c, shown); !trouble.empty())
        return Fail(c, kExitError,
                    "the file of macro " + Quoted(shown.name) + " (" +
                        c.macros.MacroFilePath(shown.id).string() + ") " + trouble);
    const std::vector<MacroEvent> events = c.macros.ReadEvents(index);
    if (c.json) {
        Json::Value value = EntryJson(entries, index);
        value["events"] = Json::Value(Json::arrayValue);
        for (const MacroEvent& event : events) {
            Json::Value e;
            e["action"] = event.down ? "down" : "up";
            e["type"] = event.type;
            e["button"] = event.button;
            e["delay"] = event.delay;
            e["text"] = FormatMacroEvent(event);
            value["events"].append(e);
        }
        PrintJson(c, value);
        return kExitOk;
    }
    const MacroEntry& entry = entries[static_cast<size_t>(index)];
    c.out << "# macro " << index << ": " << entry.name << " (" << entry.id << "), " << events.size()
          << (events.size() == 1 ? " event" : " events") << "\n"
          << FormatMacroText(events);
    return kExitOk;
}

int RunDelete(Context& c, int index, bool force) {
    const std::string name = c.macros.ReadList()[static_cast<size_t>(index)].name;
    CProfileList profiles;
    profiles.SetKind(kMouseKind);
    profiles.SetFolders(c.macros.Folder(), GetDefaultProfileFile(kMouseTypeKey));
    const std::vector<fs::path> files = DeviceProfileFiles(profiles);

    int buttons = 0, inProfiles = 0;
    for (const fs::path& file : files) {
        const int count = CountMacroAssignments(ReadProfileKeyList(file), index);
        buttons += count;
        inProfiles += count > 0 ? 1 : 0;
    }
    if (buttons > 0 && !force)
        return Fail(c, kExitError,
                    "macro " + Quoted(name) + " is assigned to " + std::to_string(buttons) +
                        (buttons == 1 ? " button" : " buttons") + " in " +
                        std::to_string(inProfiles) + (inProfiles == 1 ? " profile" : " profiles") +
                        "; add --force to delete it and give those buttons their factory "
                        "function back");

    // The assignments first: buttons of later macros follow them down by one.
    const MacroDeletionFix fix = FixProfilesForDeletedMacro(files, index);
    if (fix.writeFailed)
        return Fail(
            c, kExitError,
            "could not write the profile " + fix.failedFile.string() + "; nothing was deleted");
    if (MacroResult r = c.macros.Delete(index); r != MacroResult::Done) {
        UndoMacroDeletionFix(fix);
        return FailResult(c, r, name);
    }

    std::string text = "deleted macro " + Quoted(name);
    if (fix.changedAssignments > 0)
        text += "; " + std::to_string(fix.changedAssignments) + " button assignment" +
                (fix.changedAssignments == 1 ? "" : "s") + " in " +
                std::to_string(fix.changedFiles.size()) + " profile" +
                (fix.changedFiles.size() == 1 ? "" : "s") + " updated";
    if (c.json) {
        Json::Value value;
        value["action"] = "delete";
        value["name"] = name;
        value["changedAssignments"] = fix.changedAssignments;
        value["changedProfiles"] = static_cast<Json::UInt64>(fix.changedFiles.size());
        PrintJson(c, value);
        return kExitOk;
    }
    c.out << text << "\n";
    return kExitOk;
}

int RunEdit(Context& c, int index, const std::string& file, std::istream& in) {
    std::string text;
    std::string source = "standard input";
    if (file.empty() || file == "-") {
        text.resize(kMaxMacroTextBytes + 1);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxMacroTextBytes)
            return Fail(c, kExitError,
                        "standard input holds more than " + std::to_string(kMaxMacroTextBytes) +
                            " bytes, far more than a macro the mouse can hold; the macro is "
                            "unchanged");
    } else {
        source = file;
        text = CJsonFile::ReadText(file, kMaxMacroTextBytes);
        if (text.empty() && !CJsonFile::LastError().empty() && CJsonFile::LastError() != "empty")
            return Fail(c, kExitError,
                        "could not read " + file + ": " + CJsonFile::LastError() +
                            "; the macro is unchanged");
    }
    MacroTextError error;
    const auto events = ParseMacroText(text, &error);
    if (!events)
        return Fail(c, kExitUsage,
                    source + ", line " + std::to_string(error.line) + ": " + error.message +
                        "; the macro is unchanged");
    const MacroEntry entry = c.macros.ReadList()[static_cast<size_t>(index)];
    const std::string name = entry.name;
    std::string why;
    if (c.macros.FileState(entry.id, &why) == MacroFileState::Unreadable)
        return Fail(c, kExitError,
                    "cannot read " + c.macros.MacroFilePath(entry.id).string() + ": " + why +
                        "; it is not written over, the macro is unchanged");
    if (events->size() > CMacroList::kMaxEvents)
        return Fail(c, kExitError,
                    source + " holds " + std::to_string(events->size()) +
                        " events; one macro can have at most " +
                        std::to_string(CMacroList::kMaxEvents) + " in the mouse's " +
                        std::to_string(CMacroList::kMacroMemoryBytes) +
                        " bytes of macro memory. The macro is unchanged");
    if (MacroResult r = c.macros.Save(index, *events); r != MacroResult::Done)
        return FailResult(c, r, name);
    if (events->size() >= CMacroList::kRecordLimit)
        c.err << "kestrunectl: warning: macro " << Quoted(name) << " has " << events->size()
              << " events; recordings stop at " << CMacroList::kRecordLimit
              << ", and all macros the buttons use share 1024 bytes of the mouse's memory\n";
    return Report(c, "edit",
                  "saved " + std::to_string(events->size()) + " events to macro " + Quoted(name),
                  index);
}

int List(Context& c, const MacroCliArgs& args, std::istream&) {
    return RunList(c, args.all);
}

int Keys(Context& c, const MacroCliArgs&, std::istream&) {
    const std::vector<std::string> names = MacroKeyNames();
    if (c.json) {
        Json::Value value(Json::arrayValue);
        for (const std::string& name : names)
            value.append(name);
        PrintJson(c, value);
    } else {
        for (const std::string& name : names)
            c.out << name << "\n";
    }
    return kExitOk;
}

int Add(Context& c, const MacroCliArgs& args, std::istream&) {
    int index = -1;
    if (MacroResult r = c.macros.Add(args.newName, &index); r != MacroResult::Done)
        return FailResult(c, r, args.newName);
    return Report(c, "add",
                  "added macro " + Quoted(c.macros.ReadList()[static_cast<size_t>(index)].name),
                  index);
}

int Import(Context& c, const MacroCliArgs& args, std::istream&) {
    int index = -1;
    if (MacroResult r = c.macros.Import(args.file, &index); r != MacroResult::Done)
        return FailResult(c, r, args.file);
    return Report(c, "import",
                  "imported macro " + Quoted(c.macros.ReadList()[static_cast<size_t>(index)].name),
                  index);
}

int Show(Context& c, const MacroCliArgs&, int index, std::istream&) {
    return RunShow(c, index);
}

int Delete(Context& c, const MacroCliArgs& args, int index, std::istream&) {
    return RunDelete(c, index, args.force);
}

int Edit(Context& c, const MacroCliArgs& args, int index, std::istream& in) {
    return RunEdit(c, index, args.file, in);
}

int Rename(Context& c, const MacroCliArgs& args, int index, std::istream&) {
    const std::string name = c.macros.ReadList()[static_cast<size_t>(index)].name;
    MacroResult r = c.macros.Rename(index, args.newName);
    if (r == MacroResult::NameTaken && NamesEqualIgnoringCase(name, args.newName))
        return Fail(c, kExitError,
                    Quoted(args.newName) + " differs from " + Quoted(name) +
                        " only in letter case, which macro names do not tell apart");
    if (r != MacroResult::Done)
        return FailResult(c, r, args.newName);
    return Report(c, "rename", "renamed macro " + Quoted(name) + " to " + Quoted(args.newName),
                  index);
}

int Export(Context& c, const MacroCliArgs& args, int index, std::istream&) {
    const std::string name = c.macros.ReadList()[static_cast<size_t>(index)].name;
    if (MacroResult r = c.macros.Export(index, args.file); r != MacroResult::Done) {
        if (r == MacroResult::WriteFailed)
            return Fail(c, kExitError, "could not write " + args.file + Cause());
        return FailResult(c, r, name);
    }
    return Report(c, "export", "exported macro " + Quoted(name) + " to " + args.file, index);
}

}  // namespace

void AddMacroCommands(CLI::App& app, CCliVerbs& verbs) {
    CLI::App* macro = app.add_subcommand(
        "macro", "Manage the mouse's macros (kept in files; upload them to the mouse separately)");
    macro->require_subcommand(1);
    MacroCliArgs& args = verbs.Keep<MacroCliArgs>();
    using Handler = int (*)(Context&, const MacroCliArgs&, std::istream&);
    using MacroHandler = int (*)(Context&, const MacroCliArgs&, int, std::istream&);
    auto context = [](CliSession& session) {
        return Context{session.out, session.err, session.json,
                       CMacroList(GetDeviceDataFolder(kMouseTypeKey))};
    };
    auto add = [&](const char* name, const char* help, Handler run) {
        CLI::App* command = macro->add_subcommand(name, help);
        verbs.Bind(command, CliNeeds::kFiles, [&args, context, run](CliSession& session) {
            Context c = context(session);
            return run(c, args, session.in);
        });
        return command;
    };
    // A command on the macro MACRO names.
    auto addOnMacro = [&](const char* name, const char* help, MacroHandler run) {
        CLI::App* command = macro->add_subcommand(name, help);
        command->add_option("MACRO", args.macro, "Name, identifier or index (a name wins)")
            ->required();
        verbs.Bind(command, CliNeeds::kFiles, [&args, context, run](CliSession& session) {
            Context c = context(session);
            const int index = Resolve(c.macros, args.macro);
            if (index < 0)
                return FailResult(c, MacroResult::NoSuchMacro, args.macro);
            return run(c, args, index, session.in);
        });
        return command;
    };
    add("list", "List the macros in the order buttons refer to them", List)
        ->add_flag("-a,--all", args.all,
                   "Also list the macro files in the folder that the list does not name");
    add("adopt", "Put an orphaned macro file (see list --all) back in the list", Adopt)
        ->add_option("ID", args.orphan, "Its identifier, as list --all shows it")
        ->required();
    add("remove", "Delete an orphaned macro file (see list --all)", RemoveOrphan)
        ->add_option("ID", args.orphan, "Its identifier, as list --all shows it")
        ->required();
    addOnMacro("show", "Print a macro's events in the text form that edit reads", Show);
    add("add", "Add an empty macro", Add)
        ->add_option("NAME", args.newName, "Its name (default: the next free \"macro_N\")");
    addOnMacro("rename", "Rename a macro (a change of letter case alone is refused)", Rename)
        ->add_option("NEW", args.newName, "The new name")
        ->required();
    addOnMacro("delete",
               "Delete a macro; buttons of later macros are renumbered in every "
               "profile",
               Delete)
        ->add_flag("-f,--force", args.force,
                   "Also when buttons are assigned to it: they get their factory function back");
    add("import", "Add a macro from a macro file (*.mac), named after the file", Import)
        ->add_option("FILE", args.file, "The macro file")
        ->required();
    addOnMacro("export", "Write a macro to a macro file (*.mac)", Export)
        ->add_option("FILE", args.file, "The file to write")
        ->required();
    CLI::App* edit = addOnMacro("edit",
                                "Replace a macro's events with those of a text file or standard "
                                "input (see edit --help)",
                                Edit);
    edit->footer(kEditHelp);
    edit->add_option("FILE", args.file, "The text file; - or none reads standard input");
    add("keys", "List the key and mouse button names edit understands", Keys);
}
