// kestrunectl profile list | show | select | add | copy | rename | delete | import | export |
// reset: the mouse's profiles in the per-user data folder.
#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

struct ProfileCliArgs {
    std::string action;   // the subcommand given ("list", "show", ...); empty when none
    std::string profile;  // the profile acted on: name, identifier or index; empty: the selected
    std::string newName;  // rename
    std::string file;     // import, export
};

// Adds "profile" and its subcommands; parsing fills args. Returns the "profile" command.
CLI::App* AddProfileCommands(CLI::App& app, ProfileCliArgs& args);

// Runs the parsed command on GetUserDataFolder() / "mouse". Exit status: 0 done, 1 failed,
// 2 bad usage (an unknown action, a blank name).
int RunProfileCommand(std::ostream& out, std::ostream& err, bool json, const ProfileCliArgs& args);
