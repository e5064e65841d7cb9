// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl button list | set, and upload: the buttons' functions in the selected profile, a
// change of one (profile file, then the mouse's key table and macros, as the window does it),
// and sending the macros, the key table and the recoil patterns again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/ProfileRecords.h"

namespace CLI {
class App;
}
class CCliVerbs;

// Adds "button" with list and set, and "upload", each bound to its handler. The buttons and
// their functions are named in the window's English words (skin/lang/lan_en.xml).
void AddButtonCommands(CLI::App& app, CCliVerbs& verbs);

// What `button set` understands, without the mouse: `default` is left to the caller, which
// knows the button's default. An empty error means `code` (or isDefault) holds the result.
struct ParsedFunction {
    KeyCode code{};
    bool isDefault = false;
    std::string error;
};
// `macroNames` resolves `macro NAME` (letter case ignored).
ParsedFunction ParseButtonFunction(const std::vector<std::string>& words,
                                   const std::vector<std::string>& macroNames,
                                   std::optional<int> mode, std::optional<int> repeat);
// A button by its name (left, dpi+, m8, ...) or number 1 .. 11; -1 when none.
int ParseButton(std::string_view text);
