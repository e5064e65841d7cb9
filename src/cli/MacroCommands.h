// kestrunectl macro list | show | add | rename | delete | import | export | edit | keys: the
// mouse's macros in the per-user data folder.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

struct MacroCliArgs {
    std::string action;   // the subcommand given ("list", "show", ...); empty when none
    std::string macro;    // the macro acted on: name, identifier or index
    std::string newName;  // add, rename
    std::string file;     // import, export, edit ("-" or empty: standard input)
    bool force = false;   // delete a macro that buttons are assigned to
};

// Adds "macro" and its subcommands; parsing fills args. Returns the "macro" command.
CLI::App* AddMacroCommands(CLI::App& app, MacroCliArgs& args);

// Runs the parsed command on GetUserDataFolder() / "mouse"; `edit` reads `in` without a file.
// Exit status: 0 done, 1 failed, 2 bad usage (an unknown action, a blank name, bad text).
int RunMacroCommand(std::ostream& out, std::ostream& err, std::istream& in, bool json,
                    const MacroCliArgs& args);
