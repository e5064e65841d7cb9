// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl recoil show | set | reset | import | export: the mouse's four recoil patterns
// (guns) in the per-user data folder.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "recoil" and its subcommands, each bound to its handler. They work on
// GetDeviceDataFolder("mouse"), the defaults coming from the program's "DefaultData". Exit
// status: 0 done, 1 failed, 2 bad usage.
void AddRecoilCommands(CLI::App& app, CCliVerbs& verbs);
