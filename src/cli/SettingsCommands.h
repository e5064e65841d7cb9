// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl's settings commands: status, dpi, rate, liftoff, angle-snap, ripple, debounce,
// sleep, light (show and set), sync, apply and firmware. Showing reads the selected profile;
// every change goes through the profile file to the mouse, as the window does it.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds the commands, each bound to its handler; "light" gets its "set" and its show here, so
// call after the light commands.
void AddSettingsCommands(CLI::App& app, CCliVerbs& verbs);
void AddDpiCommands(CLI::App& app, CCliVerbs& verbs);
