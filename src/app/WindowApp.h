// SPDX-License-Identifier: GPL-2.0-or-later
// The program entry of the windowed tool.
#pragma once

// Returns the exit status: 0, also when another instance was raised instead.
int RunWindowApp(int argc, char** argv);
