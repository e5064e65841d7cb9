// kestrunectl light preview [SECONDS]: runs the preview engine on a light record and draws the
// mouse's 15 LEDs in the terminal with 24-bit colour.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

struct LightCliArgs {
    std::string action;   // "preview"; empty when not given
    double seconds = 10;  // 0 draws the first frame only
    // Fields given on the command line replace those of the default mouse profile's record.
    std::optional<int> effect;
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<int> direction;
    std::optional<int> multiColour;
    std::string colour;  // RRGGBB
};

// Adds "light" and its "preview" subcommand; parsing fills args. Returns the "light" command.
CLI::App* AddLightCommands(CLI::App& app, LightCliArgs& args);

// Runs the parsed command. Exit status: 0 done, 1 failed, 2 bad usage.
int RunLightCommand(std::ostream& out, std::ostream& err, const LightCliArgs& args);
