// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl profile list | show | select | add | copy | rename | delete | import | export |
// reset | defaults: the mouse's profiles in the per-user data folder; select and defaults also
// write the mouse when one is connected.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "profile" and its subcommands, each bound to its handler. They work on
// GetDeviceDataFolder("mouse"). Exit status: 0 done, 1 failed, 2 bad usage (a blank name), and
// for select and defaults the device exits of the other commands.
void AddProfileCommands(CLI::App& app, CCliVerbs& verbs);
