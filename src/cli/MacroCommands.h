// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl macro list | show | add | rename | delete | import | export | edit | keys: the
// mouse's macros in the per-user data folder.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "macro" and its subcommands, each bound to its handler. They work on
// GetDeviceDataFolder("mouse"); `edit` without a file reads the session's input. Exit status:
// 0 done, 1 failed, 2 bad usage (a blank name, bad text).
void AddMacroCommands(CLI::App& app, CCliVerbs& verbs);
