// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl dpi: the seven DPI stages as DPI numbers for the mouse's sensor, and changing one.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/CliMouse.h"
#include "cli/CliVerbs.h"
#include "cli/SettingsCommands.h"
#include "mouse/DpiMath.h"

namespace {

struct DpiCliArgs {
    int stage = 0;      // 1 .. 7
    std::string value;  // set: the DPI; color: the colour
};

int StageDpi(const DpiSensor& sensor, const DpiStage& stage) {
    return ShownDpi(PositionToDpi(sensor, StagePosition(sensor, stage)));
}

std::string SensorText(const DpiSensor& sensor) {
    switch (sensor.id) {
        case kSensor3104:
        case kSensor3325:
        case kSensor8925:
            return HexWord(sensor.id);
        default:
            return "generic (" + HexWord(sensor.id) + ")";
    }
}

int Show(CliSession& session, CliMouse& cli) {
    CQuillonMouseDevice& mouse = *cli.mouse;
    const DpiSensor sensor = mouse.GetSensor();
    const std::vector<DpiStage> stages = mouse.GetDpiStages();
    const int active = mouse.GetActiveStage();
    const int lowest = PositionToDpi(sensor, 0);
    const int highest = PositionToDpi(sensor, HighestPosition(sensor));
    if (session.json) {
        Json::Value value;
        value["sensor"] = HexWord(sensor.id);
        value["lowestDpi"] = lowest;
        value["highestDpi"] = highest;
        value["activeStage"] = active + 1;
        value["stages"] = Json::Value(Json::arrayValue);
        for (size_t i = 0; i < stages.size() && i < kMaxDpiStages; ++i) {
            Json::Value s;
            s["stage"] = static_cast<int>(i + 1);
            s["enabled"] = stages[i].enabled != 0;
            s["active"] = static_cast<int>(i) == active;
            s["dpi"] = StageDpi(sensor, stages[i]);
            s["position"] = StagePosition(sensor, stages[i]);
            s["colour"] = ColourText(stages[i].red, stages[i].green, stages[i].blue);
            value["stages"].append(s);
        }
        value["profile"] = ProfileJson(cli);
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "DPI stages" << ProfileSuffix(cli) << ", sensor " << SensorText(sensor) << ", "
                << lowest << " to " << highest << " DPI:\n";
    for (size_t i = 0; i < kMaxDpiStages; ++i) {
        char line[96];
        if (i < stages.size()) {
            const DpiStage& stage = stages[i];
            std::snprintf(line, sizeof line, "%s %zu  %-3s  %5d DPI  %s\n",
                          static_cast<int>(i) == active ? "*" : " ", i + 1,
                          stage.enabled ? "on" : "off", StageDpi(sensor, stage),
                          ColourText(stage.red, stage.green, stage.blue).c_str());
        } else {
            std::snprintf(line, sizeof line, "  %zu  (not set)\n", i + 1);
        }
        session.out << line;
    }
    session.out << "* the active stage\n";
    return kExitOk;
}

// Digits only: a DPI is a whole positive number.
bool ParseDpi(const std::string& text, int& dpi) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    dpi = std::stoi(text);
    return dpi > 0;
}

int Set(CliSession& session, CliMouse& cli, size_t index, const std::string& text) {
    int dpi = 0;
    CQuillonMouseDevice& mouse = *cli.mouse;
    const DpiSensor sensor = mouse.GetSensor();
    if (!ParseDpi(text, dpi)) {
        std::string message = "the DPI is a whole number such as 1600, not \"" + text + "\"";
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
            message = "DPI " + text + " is out of range: this sensor covers " +
                      std::to_string(PositionToDpi(sensor, 0)) + " to " +
                      std::to_string(PositionToDpi(sensor, HighestPosition(sensor))) + " DPI";
        return session.Fail(kExitUsage, message);
    }
    const int maximum = HighestPosition(sensor);
    const int position = TypedDpiToPosition(sensor, dpi, maximum);
    const int shown = ShownDpi(PositionToDpi(sensor, position));
    const int lowest = PositionToDpi(sensor, 0);
    const int highest = PositionToDpi(sensor, maximum);
    std::vector<DpiStage> stages = mouse.GetDpiStages();
    EnsureStage(stages, index);
    EncodeStagePosition(sensor, position, stages[index]);
    mouse.SetDpiStages(stages);

    std::string done =
        "DPI stage " + std::to_string(index + 1) + ": " + std::to_string(shown) + " DPI";
    if (dpi < lowest || dpi > highest)
        done += " (this sensor covers " + std::to_string(lowest) + " to " +
                std::to_string(highest) + " DPI)";
    if (!stages[index].enabled)
        done += "; the stage is off (kestrunectl dpi enable " + std::to_string(index + 1) + ")";
    Json::Value result;
    result["action"] = "dpi set";
    result["stage"] = static_cast<int>(index + 1);
    result["requestedDpi"] = dpi;
    result["dpi"] = shown;
    result["position"] = position;
    return CommitChange(session, cli, done, result);
}

int Active(CliSession& session, CliMouse& cli, size_t index) {
    CQuillonMouseDevice& mouse = *cli.mouse;
    const std::vector<DpiStage> stages = mouse.GetDpiStages();
    const std::string number = std::to_string(index + 1);
    if (index >= stages.size() || !stages[index].enabled)
        return session.Fail(
            kExitError,
            "DPI stage " + number + " is off; turn it on first: kestrunectl dpi enable " + number);
    mouse.SetActiveStage(static_cast<int>(index));
    Json::Value result;
    result["action"] = "dpi active";
    result["stage"] = static_cast<int>(index + 1);
    result["dpi"] = StageDpi(mouse.GetSensor(), stages[index]);
    return CommitChange(session, cli,
                        "active DPI stage: " + number + " (" +
                            std::to_string(StageDpi(mouse.GetSensor(), stages[index])) + " DPI)",
                        result);
}

int Enable(CliSession& session, CliMouse& cli, size_t index, bool enable) {
    CQuillonMouseDevice& mouse = *cli.mouse;
    std::vector<DpiStage> stages = mouse.GetDpiStages();
    const std::string number = std::to_string(index + 1);
    if (!enable) {
        if (static_cast<int>(index) == mouse.GetActiveStage())
            return session.Fail(kExitError,
                                "DPI stage " + number +
                                    " is the active stage; make another stage active first "
                                    "(kestrunectl dpi active STAGE)");
        size_t enabled = 0;
        for (size_t i = 0; i < stages.size() && i < kMaxDpiStages; ++i)
            enabled += stages[i].enabled ? 1 : 0;
        if (enabled == 1 && index < stages.size() && stages[index].enabled)
            return session.Fail(kExitError, "DPI stage " + number +
                                                " is the only stage on; it cannot be turned off");
    }
    EnsureStage(stages, index);
    stages[index].enabled = enable ? 1 : 0;
    mouse.SetDpiStages(stages);
    Json::Value result;
    result["action"] = enable ? "dpi enable" : "dpi disable";
    result["stage"] = static_cast<int>(index + 1);
    return CommitChange(session, cli, "DPI stage " + number + (enable ? " on" : " off"), result);
}

int Colour(CliSession& session, CliMouse& cli, size_t index, const std::string& text) {
    uint8_t red = 0, green = 0, blue = 0;
    if (!ParseColour(text, red, green, blue))
        return session.Fail(kExitUsage,
                            "the colour is #RRGGBB (six hex digits), not \"" + text + "\"");
    CQuillonMouseDevice& mouse = *cli.mouse;
    std::vector<DpiStage> stages = mouse.GetDpiStages();
    EnsureStage(stages, index);
    stages[index].red = red;
    stages[index].green = green;
    stages[index].blue = blue;
    mouse.SetDpiStages(stages);
    const std::string colour = ColourText(red, green, blue);
    Json::Value result;
    result["action"] = "dpi color";
    result["stage"] = static_cast<int>(index + 1);
    result["colour"] = colour;
    return CommitChange(session, cli,
                        "DPI stage " + std::to_string(index + 1) + " colour: " + colour, result);
}

// Every dpi command needs the mouse: its sensor decides what a stage's DPI is.
int OnMouse(CliSession& session, const DpiCliArgs& args,
            int (*run)(CliSession&, CliMouse&, size_t index, const DpiCliArgs&)) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    return run(session, cli, static_cast<size_t>(args.stage - 1), args);
}

}  // namespace

void AddDpiCommands(CLI::App& app, CCliVerbs& verbs) {
    DpiCliArgs& args = verbs.Keep<DpiCliArgs>();
    using Handler = int (*)(CliSession&, CliMouse&, size_t index, const DpiCliArgs&);
    CLI::App* dpi = app.add_subcommand(
        "dpi", "Show the seven DPI stages as DPI numbers for the mouse's sensor, or change one");
    verbs.Bind(dpi, CliNeeds::kDevices, [&args](CliSession& session) {
        return OnMouse(session, args, [](CliSession& s, CliMouse& cli, size_t, const DpiCliArgs&) {
            return Show(s, cli);
        });
    });
    auto add = [&](const char* name, const char* help, Handler run) {
        CLI::App* command = dpi->add_subcommand(name, help);
        command->add_option("STAGE", args.stage, "The stage, 1 to 7")
            ->required()
            ->check(CLI::Range(1, 7));
        verbs.Bind(command, CliNeeds::kDevices,
                   [&args, run](CliSession& session) { return OnMouse(session, args, run); });
        return command;
    };
    add("set", "Set a stage's DPI; the sensor's nearest step is taken, within its range",
        [](CliSession& s, CliMouse& cli, size_t index, const DpiCliArgs& a) {
            return Set(s, cli, index, a.value);
        })
        ->add_option("DPI", args.value, "The DPI, e.g. 1600")
        ->required();
    add("active", "Make a stage the one the mouse uses",
        [](CliSession& s, CliMouse& cli, size_t index, const DpiCliArgs&) {
            return Active(s, cli, index);
        });
    add("enable", "Turn a stage on (the DPI button cycles through the stages that are on)",
        [](CliSession& s, CliMouse& cli, size_t index, const DpiCliArgs&) {
            return Enable(s, cli, index, true);
        });
    add("disable", "Turn a stage off (not the active one, nor the last one on)",
        [](CliSession& s, CliMouse& cli, size_t index, const DpiCliArgs&) {
            return Enable(s, cli, index, false);
        });
    add("color", "Set a stage's colour",
        [](CliSession& s, CliMouse& cli, size_t index, const DpiCliArgs& a) {
            return Colour(s, cli, index, a.value);
        })
        ->add_option("COLOUR", args.value, "The colour as #RRGGBB")
        ->required();
    dpi->footer(
        "Changes go into the selected profile's file and then to the mouse. Showing the "
        "stages needs the mouse: its sensor decides what each stage's DPI is.");
}
