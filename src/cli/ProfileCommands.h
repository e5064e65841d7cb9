// kestrunectl profile list | show | select | add | copy | rename | delete | import | export |
// reset: the mouse's profiles in the per-user data folder.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "profile" and its subcommands, each bound to its handler. They work on
// GetDeviceDataFolder("mouse"). Exit status: 0 done, 1 failed, 2 bad usage (a blank name).
void AddProfileCommands(CLI::App& app, CCliVerbs& verbs);
