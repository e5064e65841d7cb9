// kestrunectl button list | set, and upload: the buttons' functions in the selected profile, a
// change of one (profile file, then the mouse's key table and macros, as the window does it),
// and sending the macros, the key table and the recoil patterns again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/ProfileRecords.h"

namespace CLI {
class App;
}
struct CliSession;

struct ButtonCliArgs {
    std::string action;                 // "list", "set", "upload"; empty when none was given
    std::string button;                 // set: a name or 1 .. 11
    std::vector<std::string> function;  // set: the function and its parameters
    std::optional<int> mode;            // set macro: play mode 0 .. 3
    std::optional<int> repeat;          // set macro: repeat count
};

// The buttons and their functions are named in the window's English words
// (skin/lang/lan_en.xml).
void AddButtonCommands(CLI::App& app, ButtonCliArgs& args);
int RunButtonCommand(CliSession& session, const ButtonCliArgs& args);

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
