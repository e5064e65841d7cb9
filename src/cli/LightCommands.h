// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl light preview [SECONDS]: runs the preview engine on a light record and draws the
// mouse's 15 LEDs in the terminal with 24-bit colour.
#pragma once

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "light" and its "preview" subcommand, bound to its handler; the settings commands bind
// "light" itself. Exit status: 0 done, 1 failed, 2 bad usage.
void AddLightCommands(CLI::App& app, CCliVerbs& verbs);
