// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/ProfileCommands.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "base/Paths.h"
#include "cli/CliMouse.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"
#include "profile/MouseProfiledata.h"
#include "profile/ProfileActions.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMouseKind = 2;
constexpr const char* kMouseTypeKey = "mouse";

constexpr const char* kProfileHelp =
    "The profile: its name, identifier or index (a name wins); default the selected one";

struct ProfileCliArgs {
    std::string profile;   // the profile acted on: name, identifier or index; empty: the selected
    std::string newName;   // add, rename
    std::string file;      // import, export
    bool all = false;      // list: also the profile files the list does not name
    std::string orphan;    // adopt, remove: an orphaned profile file's identifier
    bool noApply = false;  // select: the list file only, the mouse is not written
};

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json;
    CProfileList list;
};

int Fail(Context& c, int status, const std::string& message) {
    return PrintCliError(c.out, c.err, c.json, status, message);
}

void PrintJson(Context& c, const Json::Value& value) {
    PrintCliJson(c.out, value);
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// ": permission denied", ... for the end of an error message.
std::string Cause() {
    const std::string cause = CJsonFile::LastError();
    return cause.empty() ? std::string() : ": " + cause;
}

int FailResult(Context& c, ProfileResult result, const std::string& subject) {
    switch (result) {
        case ProfileResult::Done:
            return kExitOk;
        case ProfileResult::LimitReached:
            return Fail(c, kExitError,
                        "there are already " + std::to_string(CProfileList::kMaxProfiles) +
                            " profiles, the most a device keeps; delete one first");
        case ProfileResult::NameTaken:
            return Fail(c, kExitError, "another profile is already named " + Quoted(subject));
        case ProfileResult::NameBlank:
            return Fail(c, kExitUsage, "a profile name cannot be blank");
        case ProfileResult::NoSuchProfile:
            return Fail(c, kExitError, "no profile " + Quoted(subject));
        case ProfileResult::LastProfile:
            return Fail(c, kExitError, "the only profile cannot be deleted");
        case ProfileResult::NotAProfile: {
            if (!c.list.LastProblems().empty())
                return Fail(c, kExitError,
                            subject + " was not imported (nothing was stored): " +
                                ProblemsText(c.list.LastProblems()));
            // A file that cannot be read at all says why.
            CJsonFile::ReadText(subject);
            const std::string cause = CJsonFile::LastError();
            if (!cause.empty() && cause != "empty")
                return Fail(c, kExitError, "could not read " + subject + ": " + cause);
            return Fail(c, kExitError, subject + " is not a profile file");
        }
        case ProfileResult::Unreadable:
            return Fail(c, kExitError,
                        "the file of profile " + Quoted(subject) + " cannot be read" + Cause());
        case ProfileResult::WriteFailed:
            return Fail(c, kExitError,
                        "could not write the profile files in " +
                            c.list.GetListFilePath().parent_path().string() + Cause());
    }
    return kExitError;
}

// Name first, then identifier, then index; -1 when nothing matches.
int Resolve(const CProfileList& list, const std::string& profile) {
    if (profile.empty())
        return list.GetSelection();
    if (int index = list.FindByName(profile); index >= 0)
        return index;
    if (int index = list.FindById(profile); index >= 0)
        return index;
    if (profile.find_first_not_of("0123456789") == std::string::npos && profile.size() < 4) {
        int index = std::stoi(profile);
        if (index < list.GetCount())
            return index;
    }
    return -1;
}

Json::Value EntryJson(const CProfileList& list, int index) {
    const ProfileEntry& entry = list.GetEntries().at(static_cast<size_t>(index));
    Json::Value value;
    value["index"] = index;
    value["name"] = entry.name;
    value["id"] = entry.id;
    value["selected"] = index == list.GetSelection();
    return value;
}

std::string Colour(uint8_t red, uint8_t green, uint8_t blue) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
    return text;
}

std::string Code(const KeyCode& code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", code[0], code[1], code[2]);
    return text;
}

int Report(Context& c, const std::string& action, const std::string& text, int index);

int List(Context& c, const ProfileCliArgs& args) {
    const std::vector<ProfileEntry> orphans =
        args.all ? c.list.ListOrphans() : std::vector<ProfileEntry>();
    if (c.json) {
        Json::Value value;
        value["profiles"] = Json::Value(Json::arrayValue);
        for (int i = 0; i < c.list.GetCount(); ++i)
            value["profiles"].append(EntryJson(c.list, i));
        value["selected"] = c.list.GetSelection();
        if (args.all) {
            value["orphans"] = Json::Value(Json::arrayValue);
            for (const ProfileEntry& orphan : orphans) {
                Json::Value o;
                o["name"] = orphan.name;
                o["id"] = orphan.id;
                o["file"] = c.list.ProfilePath(orphan.id).string();
                value["orphans"].append(o);
            }
        }
        PrintJson(c, value);
        return kExitOk;
    }
    for (int i = 0; i < c.list.GetCount(); ++i) {
        const ProfileEntry& entry = c.list.GetEntries()[static_cast<size_t>(i)];
        c.out << (i == c.list.GetSelection() ? "* " : "  ") << i << "  " << entry.name << "  ("
              << entry.id << ")\n";
    }
    if (!orphans.empty()) {
        c.out << "Profile files the list does not name (kestrunectl profile adopt|remove ID):\n";
        for (const ProfileEntry& orphan : orphans)
            c.out << "  ?  " << orphan.name << "  (" << orphan.id << ")\n";
    }
    return kExitOk;
}

int Adopt(Context& c, const ProfileCliArgs& args) {
    const ProfileResult result = c.list.AdoptOrphan(args.orphan);
    if (result == ProfileResult::NoSuchProfile)
        return Fail(c, kExitError,
                    "no orphaned profile file " + Quoted(args.orphan) +
                        " (kestrunectl profile list --all shows them)");
    if (result != ProfileResult::Done)
        return FailResult(c, result, c.list.ProfilePath(args.orphan).string());
    const int index = c.list.FindById(args.orphan);
    return Report(c, "adopt", "adopted " + Quoted(c.list.GetEntries().back().name), index);
}

int RemoveOrphan(Context& c, const ProfileCliArgs& args) {
    const ProfileResult result = c.list.RemoveOrphan(args.orphan);
    if (result == ProfileResult::NoSuchProfile)
        return Fail(c, kExitError,
                    "no orphaned profile file " + Quoted(args.orphan) +
                        " (kestrunectl profile list --all shows them; listed profiles are "
                        "deleted with profile delete)");
    if (result != ProfileResult::Done)
        return FailResult(c, result, args.orphan);
    if (c.json) {
        Json::Value value;
        value["action"] = "remove";
        value["id"] = args.orphan;
        PrintJson(c, value);
    } else {
        c.out << "removed the orphaned profile file " << args.orphan << "\n";
    }
    return kExitOk;
}

int RunShow(Context& c, int index) {
    const ProfileEntry& entry = c.list.GetEntries().at(static_cast<size_t>(index));
    CMouseProfiledata profile;
    profile.SetDefaultPath(GetDefaultProfileFile(kMouseTypeKey));
    profile.SetProfilePath(c.list.ProfilePath(entry.id));
    // Showing changes nothing on disk, not even a repair.
    profile.SetReadOnly(true);
    profile.LoadSection(profile.GetProfilePath());
    if (profile.ReadRefused())
        return Fail(c, kExitError,
                    "cannot read " + profile.GetProfilePath().string() + ": " +
                        profile.ReadError() + "; nothing was changed");
    const LightInfo light = profile.GetLightInfo();
    const std::vector<DpiStage> stages = profile.GetDpiStages();
    const MouseSettings settings = profile.GetMouseSettings();
    const std::vector<KeyListEntry> keys = profile.GetKeyList();

    if (c.json) {
        Json::Value value = EntryJson(c.list, index);
        value["file"] = profile.GetProfilePath().string();
        Json::Value& l = value["light"];
        l["effect"] = light.effect;
        l["brightness"] = light.brightness;
        l["speed"] = light.speed;
        l["direction"] = light.direction;
        l["multiColor"] = light.multiColor;
        l["colour"] = Colour(light.red, light.green, light.blue);
        value["activeStage"] = profile.GetActiveDpiStage();
        value["dpiStages"] = Json::Value(Json::arrayValue);
        for (const DpiStage& stage : stages) {
            Json::Value s;
            s["enabled"] = stage.enabled != 0;
            s["xySeparate"] = stage.xySeparate != 0;
            s["x"] = stage.x;
            s["y"] = stage.y;
            s["colour"] = Colour(stage.red, stage.green, stage.blue);
            value["dpiStages"].append(s);
        }
        value["settings"] = Json::Value(Json::arrayValue);
        for (uint16_t word : settings.words)
            value["settings"].append(word);
        value["buttons"] = Json::Value(Json::arrayValue);
        for (const KeyListEntry& key : keys) {
            Json::Value k;
            k["button"] = key.current.button;
            k["code"] = PackKeyCode(key.current.code);
            k["factoryCode"] = PackKeyCode(key.factory.code);
            value["buttons"].append(k);
        }
        PrintJson(c, value);
        return kExitOk;
    }
    c.out << "Profile " << index << ": " << entry.name << " (" << entry.id << ")\n"
          << "File: " << profile.GetProfilePath().string() << "\n"
          << "Lighting: effect " << int{light.effect} << ", brightness " << int{light.brightness}
          << ", speed " << int{light.speed} << ", direction " << int{light.direction}
          << ", multicolour " << int{light.multiColor} << ", colour "
          << Colour(light.red, light.green, light.blue) << "\n"
          << "DPI stages (active " << profile.GetActiveDpiStage() << "):\n";
    for (size_t i = 0; i < stages.size(); ++i) {
        c.out << "  " << i << ": " << (stages[i].enabled ? "on " : "off") << "  position "
              << stages[i].x;
        if (stages[i].xySeparate)
            c.out << "/" << stages[i].y;
        c.out << "  " << Colour(stages[i].red, stages[i].green, stages[i].blue) << "\n";
    }
    c.out << "Report rate option " << settings[MouseSettings::kReportRate] << ", lift-off "
          << settings[MouseSettings::kLiftOff] << ", angle snapping "
          << settings[MouseSettings::kAngleSnapping] << ", ripple control "
          << settings[MouseSettings::kRipple] << ", debounce "
          << settings[MouseSettings::kKeyDebounce] << "\n"
          << "Sleep: wireless " << settings[MouseSettings::kWirelessSleep1] << "/"
          << settings[MouseSettings::kWirelessSleep2] << ", device "
          << settings[MouseSettings::kDeviceSleep1] << "/" << settings[MouseSettings::kDeviceSleep2]
          << "\n"
          << "Buttons:\n";
    for (const KeyListEntry& key : keys) {
        c.out << "  " << key.current.button << ": " << Code(key.current.code);
        if (key.current.code != key.factory.code)
            c.out << "  (factory " << Code(key.factory.code) << ")";
        c.out << "\n";
    }
    return kExitOk;
}

// What a change did, in words or as JSON.
int Report(Context& c, const std::string& action, const std::string& text, int index) {
    if (c.json) {
        Json::Value value;
        value["action"] = action;
        value["profile"] = EntryJson(c.list, index);
        value["selected"] = c.list.GetSelection();
        PrintJson(c, value);
    } else {
        c.out << text << "\n";
    }
    return kExitOk;
}

// The profile a command names, resolved; a name that matches nothing fails the command.
struct Target {
    int index;
    ProfileEntry entry;
};

int Add(Context& c, const ProfileCliArgs& args) {
    const ProfileAddition added = AddAndSelectProfile(c.list, args.newName);
    if (added.result != ProfileResult::Done)
        return FailResult(c, added.result, args.newName);
    return Report(c, "add", "added " + Quoted(c.list.GetEntries().back().name), added.index);
}

int Import(Context& c, const ProfileCliArgs& args) {
    if (ProfileResult r = c.list.ImportProfile(args.file); r != ProfileResult::Done)
        return FailResult(c, r, args.file);
    const int index = c.list.GetCount() - 1;
    return Report(c, "import", "imported " + Quoted(c.list.GetEntries().back().name), index);
}

int Show(Context& c, const ProfileCliArgs&, const Target& target) {
    return RunShow(c, target.index);
}

// Selects the profile, and writes it to the mouse when one is connected, as the window's switch
// does: settings image, macros, key table. A mouse that stops answering midway leaves the list
// as it was.
int Select(CliSession& session, Context& c, const ProfileCliArgs& args, const Target& target) {
    {
        // A profile we may not read is not selected: the mouse would get nothing of it.
        CMouseProfiledata probe;
        probe.SetReadOnly(true);
        probe.SetDefaultPath(GetDefaultProfileFile(kMouseTypeKey));
        probe.LoadSection(c.list.ProfilePath(target.entry.id));
        if (probe.ReadRefused())
            return Fail(c, kExitError,
                        "cannot read " + c.list.ProfilePath(target.entry.id).string() + ": " +
                            probe.ReadError() + "; nothing was changed");
        if (!args.noApply) {
            if (const std::string unreadable = UnreadableMacrosText(
                    c.list.GetListFilePath().parent_path(), probe.GetKeyList());
                !unreadable.empty())
                return Fail(c, kExitError,
                            "cannot read the macro " + unreadable +
                                " that the profile's buttons play; nothing was changed (select "
                                "it with --no-apply to leave the mouse as it is)");
        }
    }
    const int previous = c.list.GetSelection();
    const ProfileResult result = c.list.SelectProfile(target.index);
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    if (args.noApply)
        return Report(c, "select", "selected " + Quoted(target.entry.name), target.index);
    CliMouse cli;
    bool connected = false;
    int exitCode = kExitOk;
    if (!OpenMouseIfConnected(session, cli, connected, exitCode)) {
        if (connected) {
            c.list.SelectProfile(previous);
            return exitCode;
        }
        session.err << "kestrunectl: note: no mouse connected; it gets the profile with: "
                       "kestrunectl apply and kestrunectl upload\n";
        return Report(c, "select", "selected " + Quoted(target.entry.name), target.index);
    }
    const MouseResult sent = cli.mouse->LoadAndWriteProfile();
    if (CQuillonMouseDevice::LostTheMouse(sent)) {
        c.list.SelectProfile(previous);
        return FailCommand(session, cli.connection, sent.device,
                           "writing the profile; the mouse keeps part of it, and the selected "
                           "profile is still the one before");
    }
    if (sent.overLimit > 0)
        session.err << "kestrunectl: warning: " << MacrosTooLongText(sent.overLimit)
                    << "; the settings and the key table were written\n";
    else if (sent.failed == MouseStep::kMacros)
        session.err << "kestrunectl: warning: " << kMacrosNotSentText << "\n";
    return Report(c, "select",
                  "selected " + Quoted(target.entry.name) + " and wrote it to the mouse",
                  target.index);
}

// The default settings into the selected profile, and to the mouse when one is connected.
int Defaults(CliSession& session, Context& c) {
    CliMouse cli;
    bool connected = false;
    int exitCode = kExitOk;
    if (!OpenMouseIfConnected(session, cli, connected, exitCode)) {
        if (connected)
            return exitCode;
        if (!OpenProfileOnly(session, cli, exitCode))
            return exitCode;
    }
    const MouseResult result = cli.mouse->RestoreDefaults();
    if (!result.saved)
        return Fail(c, kExitError,
                    "could not save the profile file " + cli.mouse->GetProfilePath() + Cause());
    const int index = c.list.FindById(cli.profile.id);
    if (connected && !result.Sent())
        return FailCommand(session, cli.connection, result.device,
                           "the defaults are in the profile but not on the mouse (send them "
                           "later with: kestrunectl apply and kestrunectl upload)");
    return Report(c, "defaults",
                  "restored the default settings of " + Quoted(cli.profile.name) +
                      (connected ? " and wrote them to the mouse" : ""),
                  index);
}

int Copy(Context& c, const ProfileCliArgs&, const Target& target) {
    const ProfileResult result = c.list.CopyProfile(target.index);
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    return Report(
        c, "copy",
        "copied " + Quoted(target.entry.name) + " to " + Quoted(c.list.GetEntries().back().name),
        c.list.GetCount() - 1);
}

int Rename(Context& c, const ProfileCliArgs& args, const Target& target) {
    const ProfileResult result = c.list.RenameProfile(target.index, args.newName);
    if (result == ProfileResult::NameTaken)
        return FailResult(c, result, args.newName);
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    return Report(c, "rename",
                  "renamed " + Quoted(target.entry.name) + " to " +
                      Quoted(c.list.GetEntries()[static_cast<size_t>(target.index)].name),
                  target.index);
}

int Delete(Context& c, const ProfileCliArgs&, const Target& target) {
    const ProfileResult result = c.list.DeleteProfile(target.index);
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    const int selected = c.list.GetSelection();
    return Report(c, "delete",
                  "deleted " + Quoted(target.entry.name) + "; selected " +
                      Quoted(c.list.GetEntries()[static_cast<size_t>(selected)].name),
                  selected);
}

int Export(Context& c, const ProfileCliArgs& args, const Target& target) {
    const ProfileResult result = c.list.ExportProfile(target.index, args.file);
    if (result == ProfileResult::WriteFailed)
        return Fail(c, kExitError, "could not write " + args.file + Cause());
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    return Report(c, "export", "exported " + Quoted(target.entry.name) + " to " + args.file,
                  target.index);
}

int Reset(Context& c, const ProfileCliArgs&, const Target& target) {
    const ProfileResult result = c.list.ResetProfile(target.index);
    if (result != ProfileResult::Done)
        return FailResult(c, result, target.entry.name);
    return Report(c, "reset", "reset " + Quoted(target.entry.name) + " to the default settings",
                  target.index);
}

// Every command starts from the list as it is on disk. A list that cannot be read ends the
// command (`status`) before anything is changed.
Context LoadContext(CliSession& session, int& status) {
    Context c{session.out, session.err, session.json, {}};
    status = kExitOk;
    const ProfileResult loaded = LoadDeviceProfileList(c.list, kMouseKind, kMouseTypeKey);
    if (loaded == ProfileResult::Unreadable)
        status = Fail(c, kExitError,
                      "cannot read the profile list " + c.list.GetListFilePath().string() + ": " +
                          c.list.ReadError() + "; nothing was changed");
    else if (loaded == ProfileResult::WriteFailed)
        session.err << "kestrunectl: warning: could not write the profile list "
                    << c.list.GetListFilePath().string() << "\n";
    return c;
}

}  // namespace

void AddProfileCommands(CLI::App& app, CCliVerbs& verbs) {
    CLI::App* profile = app.add_subcommand("profile", "Manage the mouse's profiles");
    profile->require_subcommand(1);
    ProfileCliArgs& args = verbs.Keep<ProfileCliArgs>();
    using Handler = int (*)(Context&, const ProfileCliArgs&);
    using TargetHandler = int (*)(Context&, const ProfileCliArgs&, const Target&);
    auto add = [&](const char* name, const char* help, Handler run) {
        CLI::App* command = profile->add_subcommand(name, help);
        verbs.Bind(command, CliNeeds::kFiles, [&args, run](CliSession& session) {
            int status = kExitOk;
            Context c = LoadContext(session, status);
            if (status != kExitOk)
                return status;
            return run(c, args);
        });
        return command;
    };
    // A command on one profile: -p or the selected one.
    auto addOnProfile = [&](const char* name, const char* help, TargetHandler run) {
        CLI::App* command = profile->add_subcommand(name, help);
        verbs.Bind(command, CliNeeds::kFiles, [&args, run](CliSession& session) {
            int status = kExitOk;
            Context c = LoadContext(session, status);
            if (status != kExitOk)
                return status;
            const int index = Resolve(c.list, args.profile);
            if (index < 0)
                return FailResult(c, ProfileResult::NoSuchProfile, args.profile);
            return run(c, args, {index, c.list.GetEntries()[static_cast<size_t>(index)]});
        });
        return command;
    };
    auto profileOption = [&](CLI::App* command) {
        command->add_option("-p,--profile", args.profile, kProfileHelp)->type_name("PROFILE");
    };
    add("list", "List the profiles (* marks the selected one)", List)
        ->add_flag("-a,--all", args.all,
                   "Also list the profile files in the folder that the list does not name");
    add("adopt", "Put an orphaned profile file (see list --all) back in the list", Adopt)
        ->add_option("ID", args.orphan, "Its identifier, as list --all shows it")
        ->required();
    add("remove", "Delete an orphaned profile file (see list --all)", RemoveOrphan)
        ->add_option("ID", args.orphan, "Its identifier, as list --all shows it")
        ->required();
    profileOption(
        addOnProfile("show", "Show a profile's lighting, DPI stages, settings and buttons", Show));
    CLI::App* select = profile->add_subcommand(
        "select", "Select the profile the mouse uses and write it to the mouse when connected");
    verbs.Bind(select, CliNeeds::kDevices, [&args](CliSession& session) {
        int status = kExitOk;
        Context c = LoadContext(session, status);
        if (status != kExitOk)
            return status;
        const int index = Resolve(c.list, args.profile);
        if (index < 0)
            return FailResult(c, ProfileResult::NoSuchProfile, args.profile);
        return Select(session, c, args, {index, c.list.GetEntries()[static_cast<size_t>(index)]});
    });
    select->add_option("PROFILE", args.profile, "Name, identifier or index")->required();
    select->add_flag("--no-apply", args.noApply,
                     "Only select it; the mouse keeps what it has until apply and upload");
    select->footer(
        "With a mouse connected (add --emulate for the simulated one) its settings, the macros "
        "its buttons use and its key table are written, as the window does when a profile is "
        "chosen. If the mouse stops answering midway, the profile selected before stays "
        "selected.");
    CLI::App* defaults = profile->add_subcommand(
        "defaults",
        "Restore the default settings into the selected profile (and the mouse when connected)");
    defaults->footer(
        "The selected profile keeps its name; everything else becomes the default. With a mouse "
        "connected its key table and settings are written too. To reset another profile "
        "without touching the mouse: kestrunectl profile reset -p PROFILE");
    verbs.Bind(defaults, CliNeeds::kDevices, [](CliSession& session) {
        int status = kExitOk;
        Context c = LoadContext(session, status);
        if (status != kExitOk)
            return status;
        return Defaults(session, c);
    });
    add("add", "Add a profile with the default settings; it becomes the selected one", Add)
        ->add_option("NAME", args.newName, "Its name (default: the next free \"ProfileN\")");
    profileOption(addOnProfile("copy", "Copy a profile with all its settings", Copy));
    CLI::App* rename = addOnProfile("rename", "Rename a profile", Rename);
    rename->add_option("NAME", args.newName, "The new name")->required();
    profileOption(rename);
    profileOption(addOnProfile("delete", "Delete a profile (not the only one)", Delete));
    add("import", "Add a profile from a profile file, named after the file", Import)
        ->add_option("FILE", args.file, "A profile file (*.json)")
        ->required();
    CLI::App* exportCommand = addOnProfile("export", "Write a profile to a file", Export);
    exportCommand->add_option("FILE", args.file, "The file to write")->required();
    profileOption(exportCommand);
    profileOption(
        addOnProfile("reset", "Reset a profile to the default settings, keeping its name", Reset));
}
