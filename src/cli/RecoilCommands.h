// kestrunectl recoil show | set | reset | import | export: the mouse's four recoil patterns
// (guns) in the per-user data folder.
#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

struct RecoilCliArgs {
    std::string action;  // the subcommand given ("show", "set", ...); empty when none
    int gun = 1;         // 1 .. 4
    int bullet = 0;      // set: 1 .. 30
    int x = 0;           // set: negative moves left, positive right
    int y = 0;           // set: negative moves up, positive down
    int delay = -1;      // set: milliseconds after the shot's move; -1 keeps the bullet's own
    std::string file;    // import, export
};

// Adds "recoil" and its subcommands; parsing fills args. Returns the "recoil" command.
CLI::App* AddRecoilCommands(CLI::App& app, RecoilCliArgs& args);

// Runs the parsed command on GetUserDataFolder() / "mouse", the defaults coming from the
// program's "DefaultData". Exit status: 0 done, 1 failed, 2 bad usage.
int RunRecoilCommand(std::ostream& out, std::ostream& err, bool json, const RecoilCliArgs& args);
