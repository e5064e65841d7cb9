#include "cli/ProfileCommands.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "base/Paths.h"
#include "cli/CliOutput.h"
#include "profile/MouseProfiledata.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kMouseKind = 2;

constexpr const char* kProfileHelp =
    "The profile: its name, identifier or index (a name wins); default the selected one";

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
        case ProfileResult::NotAProfile:
            return Fail(c, kExitError, subject + " is not a profile file");
        case ProfileResult::Unreadable:
            return Fail(c, kExitError,
                        "the file of profile " + Quoted(subject) + " cannot be read");
        case ProfileResult::WriteFailed:
            return Fail(c, kExitError,
                        "could not write the profile files in " +
                            c.list.GetListFilePath().parent_path().string());
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

int RunList(Context& c) {
    if (c.json) {
        Json::Value value;
        value["profiles"] = Json::Value(Json::arrayValue);
        for (int i = 0; i < c.list.GetCount(); ++i)
            value["profiles"].append(EntryJson(c.list, i));
        value["selected"] = c.list.GetSelection();
        PrintJson(c, value);
        return kExitOk;
    }
    for (int i = 0; i < c.list.GetCount(); ++i) {
        const ProfileEntry& entry = c.list.GetEntries()[static_cast<size_t>(i)];
        c.out << (i == c.list.GetSelection() ? "* " : "  ") << i << "  " << entry.name << "  ("
              << entry.id << ")\n";
    }
    return kExitOk;
}

int RunShow(Context& c, int index) {
    const ProfileEntry& entry = c.list.GetEntries().at(static_cast<size_t>(index));
    CMouseProfiledata profile;
    profile.SetDefaultPath(GetProgramDataFolder() / "DefaultData" / "mouse.Json");
    profile.SetProfilePath(c.list.ProfilePath(entry.id));
    profile.LoadSection(profile.GetProfilePath());
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

}  // namespace

CLI::App* AddProfileCommands(CLI::App& app, ProfileCliArgs& args) {
    CLI::App* profile = app.add_subcommand("profile", "Manage the mouse's profiles");
    profile->require_subcommand(1);
    auto add = [&](const char* name, const char* help) {
        CLI::App* command = profile->add_subcommand(name, help);
        command->callback([&args, name] { args.action = name; });
        return command;
    };
    auto profileOption = [&](CLI::App* command) {
        command->add_option("-p,--profile", args.profile, kProfileHelp)->type_name("PROFILE");
    };
    add("list", "List the profiles (* marks the selected one)");
    profileOption(add("show", "Show a profile's lighting, DPI stages, settings and buttons"));
    add("select", "Select the profile the mouse uses")
        ->add_option("PROFILE", args.profile, "Name, identifier or index")
        ->required();
    add("add", "Add a profile with the default settings; it becomes the selected one")
        ->add_option("NAME", args.newName, "Its name (default: the next free \"ProfileN\")");
    profileOption(add("copy", "Copy a profile with all its settings"));
    CLI::App* rename = add("rename", "Rename a profile");
    rename->add_option("NAME", args.newName, "The new name")->required();
    profileOption(rename);
    profileOption(add("delete", "Delete a profile (not the only one)"));
    add("import", "Add a profile from a profile file, named after the file")
        ->add_option("FILE", args.file, "A profile file (*.json)")
        ->required();
    CLI::App* exportCommand = add("export", "Write a profile to a file");
    exportCommand->add_option("FILE", args.file, "The file to write")->required();
    profileOption(exportCommand);
    profileOption(add("reset", "Reset a profile to the default settings, keeping its name"));
    return profile;
}

int RunProfileCommand(std::ostream& out, std::ostream& err, bool json, const ProfileCliArgs& args) {
    Context c{out, err, json, {}};
    const std::string& action = args.action;
    static const char* const kActions[] = {"list",   "show",   "select", "add",    "copy",
                                           "rename", "delete", "import", "export", "reset"};
    if (std::find(std::begin(kActions), std::end(kActions), action) == std::end(kActions))
        return Fail(c, kExitUsage, "unknown profile command " + Quoted(action));

    c.list.SetKind(kMouseKind);
    c.list.SetFolders(GetUserDataFolder() / "mouse",
                      GetProgramDataFolder() / "DefaultData" / "mouse.Json");
    if (c.list.LoadList() == ProfileResult::WriteFailed)
        err << "kestrunectl: warning: could not write the profile list "
            << c.list.GetListFilePath().string() << "\n";

    if (action == "list")
        return RunList(c);
    if (action == "add") {
        // A taken name is refused before anything is made.
        if (!args.newName.empty() && c.list.FindByName(args.newName) >= 0)
            return FailResult(c, ProfileResult::NameTaken, args.newName);
        if (ProfileResult r = c.list.AddProfile(); r != ProfileResult::Done)
            return FailResult(c, r, "");
        // The list names the new profile for the next start; here that is now.
        const int index = c.list.GetCount() - 1;
        if (ProfileResult r = c.list.SelectProfile(index); r != ProfileResult::Done)
            return FailResult(c, r, "");
        if (!args.newName.empty()) {
            if (ProfileResult r = c.list.RenameProfile(index, args.newName);
                r != ProfileResult::Done) {
                c.list.DeleteProfile(index);
                return FailResult(c, r, args.newName);
            }
        }
        return Report(c, action, "added " + Quoted(c.list.GetEntries().back().name), index);
    }
    if (action == "import") {
        if (ProfileResult r = c.list.ImportProfile(args.file); r != ProfileResult::Done)
            return FailResult(c, r, args.file);
        const int index = c.list.GetCount() - 1;
        return Report(c, action, "imported " + Quoted(c.list.GetEntries().back().name), index);
    }

    const int index = Resolve(c.list, args.profile);
    if (index < 0)
        return FailResult(c, ProfileResult::NoSuchProfile, args.profile);
    const ProfileEntry entry = c.list.GetEntries()[static_cast<size_t>(index)];
    ProfileResult result = ProfileResult::Done;
    if (action == "show")
        return RunShow(c, index);
    if (action == "select") {
        result = c.list.SelectProfile(index);
        if (result == ProfileResult::Done)
            return Report(c, action, "selected " + Quoted(entry.name), index);
    } else if (action == "copy") {
        result = c.list.CopyProfile(index);
        if (result == ProfileResult::Done)
            return Report(
                c, action,
                "copied " + Quoted(entry.name) + " to " + Quoted(c.list.GetEntries().back().name),
                c.list.GetCount() - 1);
    } else if (action == "rename") {
        result = c.list.RenameProfile(index, args.newName);
        if (result == ProfileResult::Done)
            return Report(c, action,
                          "renamed " + Quoted(entry.name) + " to " +
                              Quoted(c.list.GetEntries()[static_cast<size_t>(index)].name),
                          index);
        if (result == ProfileResult::NameTaken)
            return FailResult(c, result, args.newName);
    } else if (action == "delete") {
        result = c.list.DeleteProfile(index);
        if (result == ProfileResult::Done) {
            const int selected = c.list.GetSelection();
            return Report(c, action,
                          "deleted " + Quoted(entry.name) + "; selected " +
                              Quoted(c.list.GetEntries()[static_cast<size_t>(selected)].name),
                          selected);
        }
    } else if (action == "export") {
        result = c.list.ExportProfile(index, args.file);
        if (result == ProfileResult::Done)
            return Report(c, action, "exported " + Quoted(entry.name) + " to " + args.file, index);
        if (result == ProfileResult::WriteFailed)
            return Fail(c, kExitError, "could not write " + args.file);
    } else if (action == "reset") {
        result = c.list.ResetProfile(index);
        if (result == ProfileResult::Done)
            return Report(c, action, "reset " + Quoted(entry.name) + " to the default settings",
                          index);
    }
    return FailResult(c, result, entry.name);
}
