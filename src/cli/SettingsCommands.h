// kestrunectl's settings commands: status, dpi, rate, liftoff, angle-snap, ripple, debounce,
// sleep, light (show and set), sync, apply and firmware. Showing reads the selected profile;
// every change goes through the profile file to the mouse, as the window does it.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
}
struct CliSession;

struct SettingsCliArgs {
    std::string command;  // "dpi", "rate", ...; empty when none of these was given
    std::string action;   // "show", "set", "active", "enable", "disable", "color", "upgrade"
    int stage = 0;        // 1 .. 7
    std::string name;     // sleep: which setting
    std::string value;    // what to set
    // light set
    std::optional<std::string> effect;
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<std::string> direction;
    std::optional<std::string> multicolour;
    std::optional<std::string> colour;
};

// Adds the commands; "light" gets its "set" and its show here, so call after the light commands.
void AddSettingsCommands(CLI::App& app, SettingsCliArgs& args);
void AddDpiCommands(CLI::App& app, SettingsCliArgs& args);

// Runs the parsed command (args.command not empty) and returns the exit status.
int RunSettingsCommand(CliSession& session, const SettingsCliArgs& args);
int RunDpiCommand(CliSession& session, const SettingsCliArgs& args);
