// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl status, rate, liftoff, angle-snap, ripple, debounce, sleep, light show and set,
// sync, apply and firmware.
#include "cli/SettingsCommands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>

#include "cli/CliMouse.h"
#include "cli/CliVerbs.h"
#include "mouse/MouseOptions.h"

namespace {

struct SettingsCliArgs {
    std::string name;   // sleep: which setting
    std::string value;  // what to set
    // light set
    std::optional<std::string> effect;
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<std::string> direction;
    std::optional<std::string> multicolour;
    std::optional<std::string> colour;
    // pointer set
    std::optional<int> pointerSpeed;
    std::optional<std::string> precision;
    std::optional<int> scrollLines;
    std::optional<std::string> scrollPage;
    std::optional<int> doubleClickMs;
};

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

// ---- the option settings: one word, a few named choices ----

struct OptionSetting {
    const char* command;
    const char* title;
    MouseSettings::Word word;
    std::vector<std::string> names;  // by stored value
    std::string unit;                // "Hz", "ms" or none
    const char* help;
    const char* values;  // what set takes, in words
};

std::vector<std::string> Numbers(std::span<const int> values) {
    std::vector<std::string> names;
    for (int value : values)
        names.push_back(std::to_string(value));
    return names;
}

const std::vector<OptionSetting>& OptionSettings() {
    static const std::vector<OptionSetting> settings = {
        {"rate", "Report rate", MouseSettings::kReportRate, Numbers(kReportRateHz), "Hz",
         "Show or set the report rate", "125, 250, 500, 1000 or 2000 (Hz)"},
        {"liftoff", "Lift-off distance", MouseSettings::kLiftOff,
         std::vector<std::string>(kLiftOffNames.begin(), kLiftOffNames.end()), "",
         "Show or set the lift-off distance", "low or high"},
        {"angle-snap", "Angle snapping", MouseSettings::kAngleSnapping,
         std::vector<std::string>(kSwitchNames.begin(), kSwitchNames.end()), "",
         "Show or set angle snapping (straightened lines)", "on or off"},
        {"ripple", "Ripple control", MouseSettings::kRipple,
         std::vector<std::string>(kSwitchNames.begin(), kSwitchNames.end()), "",
         "Show or set ripple control (smoothing at high DPI)", "on or off"},
        {"debounce", "Key debounce", MouseSettings::kKeyDebounce, Numbers(kDebounceMs), "ms",
         "Show or set the key debounce time", "2, 4, 6, 8, 10 or 12 (ms)"},
    };
    return settings;
}

const OptionSetting& ReportRateSetting() {
    return *std::ranges::find(OptionSettings(), MouseSettings::kReportRate, &OptionSetting::word);
}

std::string WithUnit(const std::string& name, const std::string& unit) {
    return unit.empty() ? name : name + " " + unit;
}

std::string ChoiceText(const OptionSetting& setting, uint16_t value) {
    if (value < setting.names.size())
        return WithUnit(setting.names[value], setting.unit);
    return "not one of the choices (" + std::to_string(value) + ")";
}

// The choice a typed value names: "1000", "1000Hz", "1000 hz", "HIGH", ...; -1 when none.
int ParseChoice(const std::vector<std::string>& names, const std::string& unit,
                const std::string& text) {
    std::string value = Lower(text);
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    const std::string suffix = Lower(unit);
    if (!suffix.empty() && value.size() > suffix.size() && value.ends_with(suffix))
        value.resize(value.size() - suffix.size());
    const auto found = std::ranges::find(names, value);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

int ShowOption(CliSession& session, CliMouse& cli, const OptionSetting& setting) {
    const uint16_t value = cli.mouse->GetMouseSettings()[setting.word];
    if (session.json) {
        Json::Value result;
        result["setting"] = setting.command;
        result["value"] = value;
        result["name"] =
            value < setting.names.size() ? Json::Value(setting.names[value]) : Json::Value();
        if (!setting.unit.empty())
            result["unit"] = setting.unit;
        result["choices"] = Json::Value(Json::arrayValue);
        for (const std::string& name : setting.names)
            result["choices"].append(name);
        result["profile"] = ProfileJson(cli);
        session.PrintJson(result);
        return kExitOk;
    }
    session.out << setting.title << ": " << ChoiceText(setting, value) << ProfileSuffix(cli)
                << "\n";
    return kExitOk;
}

int SetOption(CliSession& session, CliMouse& cli, const OptionSetting& setting,
              const std::string& text) {
    MouseSettings settings = cli.mouse->GetMouseSettings();
    const int choice = ParseChoice(setting.names, setting.unit, text);
    settings[setting.word] = static_cast<uint16_t>(choice);
    cli.mouse->SetMouseSettings(settings);
    Json::Value result;
    result["action"] = std::string(setting.command) + " set";
    result["value"] = choice;
    result["name"] = setting.names[static_cast<size_t>(choice)];
    return CommitChange(
        session, cli,
        std::string(setting.title) + ": " + ChoiceText(setting, static_cast<uint16_t>(choice)),
        result);
}

// ---- sleep ----

std::span<const int> SleepChoices(const SleepSetting& setting) {
    if (setting.minutes)
        return kSleepMinutes;
    return kSleepDimSeconds;
}

const char* SleepUnit(const SleepSetting& setting) {
    return setting.minutes ? "min" : "s";
}

const SleepSetting* FindSleepSetting(const std::string& name) {
    for (const SleepSetting& setting : kSleepSettings)
        if (Lower(name) == setting.name)
            return &setting;
    return nullptr;
}

int ShowSleep(CliSession& session, CliMouse& cli) {
    const MouseSettings settings = cli.mouse->GetMouseSettings();
    Json::Value result;
    if (!session.json)
        session.out << "Sleep" << ProfileSuffix(cli) << ":\n";
    for (const SleepSetting& setting : kSleepSettings) {
        const uint16_t value = settings[setting.word];
        if (session.json) {
            Json::Value item;
            item["value"] = value;
            item["unit"] = SleepUnit(setting);
            result[std::string(setting.name)] = item;
            continue;
        }
        char line[64];
        std::snprintf(line, sizeof line, "  %-15s %u %s\n", std::string(setting.name).c_str(),
                      value, SleepUnit(setting));
        session.out << line;
    }
    if (session.json) {
        result["profile"] = ProfileJson(cli);
        session.PrintJson(result);
    }
    return kExitOk;
}

// ---- pointer ----

std::string PointerScrollText(const MouseSettings& settings) {
    return settings[MouseSettings::kScrollPage]
               ? std::string("one page per notch")
               : std::to_string(settings[MouseSettings::kWheelScrollLines]) + " lines per notch";
}

Json::Value PointerJson(const MouseSettings& settings) {
    Json::Value value;
    value["speed"] = settings[MouseSettings::kPointerSpeed];
    value["precision"] = settings[MouseSettings::kPointerPrecision] != 0;
    value["scrollLines"] = settings[MouseSettings::kWheelScrollLines];
    value["scrollPage"] = settings[MouseSettings::kScrollPage] != 0;
    value["doubleClickMs"] = settings[MouseSettings::kDoubleClickTime];
    return value;
}

int ShowPointer(CliSession& session, CliMouse& cli) {
    const MouseSettings settings = cli.mouse->GetMouseSettings();
    if (session.json) {
        Json::Value value = PointerJson(settings);
        value["profile"] = ProfileJson(cli);
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Pointer" << ProfileSuffix(cli) << ":\n"
                << "  speed         " << settings[MouseSettings::kPointerSpeed] << " (of "
                << kPointerSpeedRange.highest << ")\n"
                << "  precision     " << (settings[MouseSettings::kPointerPrecision] ? "on" : "off")
                << "\n"
                << "  scroll        " << PointerScrollText(settings) << "\n"
                << "  double-click  " << settings[MouseSettings::kDoubleClickTime] << " ms\n"
                << "Kept with the profile; the desktop's own pointer settings are not changed.\n";
    return kExitOk;
}

// ---- lighting ----

// "light_mode_four_color_blink" → "four-color-blink".
std::string EffectCliName(std::string name) {
    constexpr std::string_view kPrefix = "light_mode_";
    if (name.starts_with(kPrefix))
        name.erase(0, kPrefix.size());
    std::ranges::replace(name, '_', '-');
    return name;
}

std::string EffectText(const CQuillonMouseDevice& mouse, uint8_t effect) {
    const std::vector<std::string> names = mouse.GetEffectNames();
    if (effect < names.size() && effect < kFirstCustomMouseEffect)
        return EffectCliName(names[effect]);
    const std::vector<std::string> custom = mouse.GetCustomLightNames();
    const size_t customIndex = effect - size_t{kFirstCustomMouseEffect};
    if (effect >= kFirstCustomMouseEffect && customIndex < custom.size())
        return "custom \"" + custom[customIndex] + "\"";
    return "effect " + std::to_string(effect);
}

// The effect a name or number chooses; -1 when none, with the choices in `choices`.
int ParseEffect(const CQuillonMouseDevice& mouse, const std::string& text, std::string& choices) {
    const std::vector<std::string> names = mouse.GetEffectNames();
    const std::vector<int> visible = mouse.GetEffectVisible();
    const size_t customCount = mouse.GetCustomLightNames().size();
    std::vector<std::string> offered;
    int found = -1;
    for (size_t i = 0; i < names.size() && i < kFirstCustomMouseEffect; ++i) {
        if (i >= visible.size() || !visible[i])
            continue;
        offered.push_back(EffectCliName(names[i]));
        if (Lower(text) == offered.back())
            found = static_cast<int>(i);
    }
    choices = Join(offered);
    if (customCount > 0)
        choices += ", or a custom light " + std::to_string(kFirstCustomMouseEffect) + " to " +
                   std::to_string(kFirstCustomMouseEffect + customCount - 1);
    if (found >= 0 || text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return found;
    const int number = std::stoi(text);
    const auto index = static_cast<size_t>(number);
    if (names.empty() && number <= 0xFF)
        return number;  // no name list: the mouse's own numbers
    if (number < static_cast<int>(kFirstCustomMouseEffect) && index < names.size() &&
        index < visible.size() && visible[index])
        return number;
    if (number >= static_cast<int>(kFirstCustomMouseEffect) &&
        index - kFirstCustomMouseEffect < customCount)
        return number;
    return -1;
}

std::string LightText(const CQuillonMouseDevice& mouse, const LightInfo& light) {
    return EffectText(mouse, light.effect) + ", brightness " + std::to_string(light.brightness) +
           " of 4, speed " + std::to_string(light.speed) + " of 4, " +
           (light.direction ? "forward" : "backward") + ", " +
           (light.multiColor ? "multicolour"
                             : "colour " + ColourText(light.red, light.green, light.blue));
}

Json::Value LightJson(const CQuillonMouseDevice& mouse, const LightInfo& light) {
    Json::Value value;
    value["effect"] = EffectText(mouse, light.effect);
    value["effectNumber"] = light.effect;
    value["brightness"] = light.brightness;
    value["speed"] = light.speed;
    value["direction"] = light.direction ? "forward" : "backward";
    value["multicolour"] = light.multiColor != 0;
    value["colour"] = ColourText(light.red, light.green, light.blue);
    return value;
}

int ShowLight(CliSession& session, CliMouse& cli) {
    const LightInfo light = cli.mouse->Profile().GetLightInfo();
    if (session.json) {
        Json::Value value = LightJson(*cli.mouse, light);
        value["profile"] = ProfileJson(cli);
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Lighting" << ProfileSuffix(cli) << ": " << LightText(*cli.mouse, light) << "\n";
    return kExitOk;
}

std::optional<bool> ParseSwitch(const std::string& text, const char* on, const char* off) {
    const std::string value = Lower(text);
    if (value == on || value == "1")
        return true;
    if (value == off || value == "0")
        return false;
    return std::nullopt;
}

bool AnyLightOption(const SettingsCliArgs& args) {
    return args.effect || args.brightness || args.speed || args.direction || args.multicolour ||
           args.colour;
}

// The options applied to `light`; a usage error (printed) when one is not understood.
int ParseLightOptions(CliSession& session, const CQuillonMouseDevice& mouse,
                      const SettingsCliArgs& args, LightInfo& light) {
    if (args.effect) {
        std::string choices;
        const int effect = ParseEffect(mouse, *args.effect, choices);
        if (effect < 0)
            return session.Fail(kExitUsage,
                                "--effect takes " + choices + "; not \"" + *args.effect + "\"");
        light.effect = static_cast<uint8_t>(effect);
    }
    if (args.direction) {
        const std::optional<bool> forward = ParseSwitch(*args.direction, "forward", "backward");
        if (!forward)
            return session.Fail(kExitUsage, "--direction takes forward or backward, not \"" +
                                                *args.direction + "\"");
        light.direction = *forward ? 1 : 0;
    }
    if (args.colour) {
        if (!ParseColour(*args.colour, light.red, light.green, light.blue))
            return session.Fail(kExitUsage, "--colour takes #RRGGBB (six hex digits), not \"" +
                                                *args.colour + "\"");
        // A colour of its own means no colour wheel, unless asked for.
        light.multiColor = 0;
    }
    if (args.multicolour) {
        const std::optional<bool> on = ParseSwitch(*args.multicolour, "on", "off");
        if (!on)
            return session.Fail(kExitUsage,
                                "--multicolour takes on or off, not \"" + *args.multicolour + "\"");
        light.multiColor = *on ? 1 : 0;
    }
    if (args.brightness)
        light.brightness = static_cast<uint8_t>(*args.brightness);
    if (args.speed)
        light.speed = static_cast<uint8_t>(*args.speed);
    return kExitOk;
}

// Checks every option before anything is touched.
int SetLight(CliSession& session, CliMouse& cli, const SettingsCliArgs& args) {
    CQuillonMouseDevice& mouse = *cli.mouse;
    LightInfo light = mouse.Profile().GetLightInfo();
    if (const int status = ParseLightOptions(session, mouse, args, light); status != kExitOk)
        return status;
    mouse.SetLightInfo(light);
    mouse.ApplyLightState();
    Json::Value result = LightJson(mouse, light);
    result["action"] = "light set";
    return CommitChange(session, cli, "Lighting: " + LightText(mouse, light), result);
}

// ---- talking to the mouse ----

int Status(CliSession& session) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseDevice(session, cli, exitCode))
        return exitCode;
    CQuillonMouseDevice* mouse = cli.mouse;
    if (const MouseResult read = mouse->ReadStatus(); !read.Sent())
        return FailCommand(session, cli.connection, read.device, "reading the battery status");
    const auto status = mouse->PowerStatus();
    static const char* const kCharging[] = {"full", "charging", "on battery"};
    const std::string charging = status[1] < 3 ? kCharging[status[1]] : "unknown";
    const char* connection = status[3] ? "receiver" : "cable";
    const uint16_t firmware = mouse->FirmwareVersion();
    if (session.json) {
        Json::Value value;
        value["battery"] = status[0];
        value["charging"] = charging;
        value["connection"] = connection;
        value["firmwareVersion"] = firmware ? FirmwareVersionText(firmware) : "";
        value["firmwareUpgradeNeeded"] = FirmwareNeedsUpgrade(firmware);
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Battery:    " << int{status[0]} << "%, " << charging << "\n"
                << "Connection: " << (status[3] ? "through the receiver" : "cable") << "\n";
    if (firmware)
        session.out << "Firmware:   " << FirmwareVersionText(firmware)
                    << (FirmwareNeedsUpgrade(firmware)
                            ? "  (older than " + FirmwareVersionText(kCurrentMouseFirmware) +
                                  ": kestrunectl firmware upgrade)"
                            : "")
                    << "\n";
    return kExitOk;
}

int Sync(CliSession& session, CliMouse& cli) {
    CQuillonMouseDevice& mouse = *cli.mouse;
    const MouseResult read = mouse.ReadSettings();
    if (!read.Sent())
        return FailCommand(session, cli.connection, read.device, "reading the mouse's settings");
    if (!read.saved)
        return session.Fail(kExitError,
                            "read the mouse's settings but could not save the profile file " +
                                mouse.GetProfilePath());
    const LightInfo light = mouse.Profile().GetLightInfo();
    const MouseSettings settings = mouse.GetMouseSettings();
    const OptionSetting& rate = ReportRateSetting();
    if (session.json) {
        Json::Value value;
        value["action"] = "sync";
        value["light"] = LightJson(mouse, light);
        value["reportRate"] = settings[MouseSettings::kReportRate];
        value["activeStage"] = mouse.GetActiveStage() + 1;
        value["profile"] = ProfileJson(cli);
        value["saved"] = true;
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Read the mouse's settings into the profile \"" << cli.profile.name << "\"\n"
                << "  Lighting:         " << LightText(mouse, light) << "\n"
                << "  Report rate:      " << ChoiceText(rate, settings[MouseSettings::kReportRate])
                << "\n"
                << "  Active DPI stage: " << mouse.GetActiveStage() + 1 << "\n";
    return kExitOk;
}

int Apply(CliSession& session, CliMouse& cli) {
    if (const MouseResult sent = cli.mouse->SendSettings(0); !sent.Sent())
        return FailCommand(session, cli.connection, sent.device, "writing the settings");
    if (session.json) {
        Json::Value value;
        value["action"] = "apply";
        value["profile"] = ProfileJson(cli);
        value["written"] = true;
        session.PrintJson(value);
    } else {
        session.out << "Wrote the settings of the profile \"" << cli.profile.name
                    << "\" to the mouse\n";
    }
    return kExitOk;
}

int Firmware(CliSession& session, bool upgrade) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseDevice(session, cli, exitCode))
        return exitCode;
    CQuillonMouseDevice* mouse = cli.mouse;
    const uint16_t version = mouse->FirmwareVersion();
    const std::string needed = FirmwareVersionText(kCurrentMouseFirmware);
    if (version == 0)
        return session.Fail(kExitError,
                            "the firmware version can only be read by cable: connect the mouse "
                            "with its cable and try again");
    const bool old = FirmwareNeedsUpgrade(version);
    if (!upgrade || !old) {
        if (session.json) {
            Json::Value value;
            value["firmwareVersion"] = FirmwareVersionText(version);
            value["requiredVersion"] = needed;
            value["upgradeNeeded"] = old;
            session.PrintJson(value);
        } else {
            session.out << "Firmware " << FirmwareVersionText(version)
                        << (old ? ": older than " + needed +
                                      ", which this tool needs. Install it with: kestrunectl "
                                      "firmware upgrade"
                                : ": up to date" + std::string(upgrade ? ", nothing to do" : ""))
                        << "\n";
        }
        return kExitOk;
    }
    if (!session.json)
        session.out << "Starting the firmware upgrader (" << UpgraderPath().string() << ") for "
                    << FirmwareVersionText(version) << " → " << needed << "...\n"
                    << std::flush;
    cli.prompt.confirm = true;
    CSpawnUpgraderLauncher launcher(true);
    mouse->SetFirmwarePrompt(&cli.prompt);
    mouse->SetUpgraderLauncher(&launcher);
    const MouseResult read = mouse->ReadInformation();
    switch (mouse->GetFirmwareCheck()) {
        case FirmwareCheck::kUpgraderStarted:
            if (session.json) {
                Json::Value value;
                value["action"] = "firmware upgrade";
                value["firmwareVersion"] = FirmwareVersionText(version);
                value["upgraderFinished"] = true;
                session.PrintJson(value);
            } else {
                session.out << "The upgrader finished. Unplug the mouse and plug it in again.\n";
            }
            return kExitOk;
        case FirmwareCheck::kUpgraderFailed:
            return session.Fail(kExitError, cli.prompt.upgraderError);
        default:
            return FailCommand(session, cli.connection, read.device,
                               "reading the mouse's information");
    }
}

// ---- the handlers ----

// Bad values are refused before the mouse is looked for.
int SetOptionCommand(CliSession& session, const OptionSetting& setting,
                     const SettingsCliArgs& args) {
    if (ParseChoice(setting.names, setting.unit, args.value) < 0)
        return session.Fail(kExitUsage, std::string(setting.command) + " takes " +
                                            WithUnit(Join(setting.names), setting.unit) +
                                            ", not \"" + args.value + "\"");
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    return SetOption(session, cli, setting, args.value);
}

int ShowOptionCommand(CliSession& session, const OptionSetting& setting) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenProfileOnly(session, cli, exitCode))
        return exitCode;
    return ShowOption(session, cli, setting);
}

int SetSleep(CliSession& session, const SettingsCliArgs& args) {
    const SleepSetting* sleep = FindSleepSetting(args.name);
    if (!sleep)
        return session.Fail(kExitUsage,
                            "sleep set takes wireless-dim, wireless-sleep, device-dim or "
                            "device-sleep, not \"" +
                                args.name + "\"");
    const std::string unit = SleepUnit(*sleep);
    const std::vector<std::string> choices = Numbers(SleepChoices(*sleep));
    const int choice = ParseChoice(choices, unit, args.value);
    if (choice < 0)
        return session.Fail(kExitUsage, std::string(sleep->name) + " takes " +
                                            WithUnit(Join(choices), unit) + ", not \"" +
                                            args.value + "\"");
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    MouseSettings settings = cli.mouse->GetMouseSettings();
    const int value = SleepChoices(*sleep)[static_cast<size_t>(choice)];
    settings[sleep->word] = static_cast<uint16_t>(value);
    cli.mouse->SetMouseSettings(settings);
    Json::Value result;
    result["action"] = "sleep set";
    result["setting"] = std::string(sleep->name);
    result["value"] = value;
    result["unit"] = unit;
    return CommitChange(
        session, cli,
        "Sleep " + std::string(sleep->name) + ": " + std::to_string(value) + " " + unit, result);
}

int SetPointer(CliSession& session, const SettingsCliArgs& args) {
    if (!args.pointerSpeed && !args.precision && !args.scrollLines && !args.scrollPage &&
        !args.doubleClickMs)
        return session.Fail(kExitUsage,
                            "pointer set needs at least one of --speed, --precision, "
                            "--scroll-lines, --scroll-page, --double-click");
    std::optional<bool> precision, scrollPage;
    if (args.precision && !(precision = ParseSwitch(*args.precision, "on", "off")))
        return session.Fail(kExitUsage,
                            "--precision takes on or off, not \"" + *args.precision + "\"");
    if (args.scrollPage && !(scrollPage = ParseSwitch(*args.scrollPage, "on", "off")))
        return session.Fail(kExitUsage,
                            "--scroll-page takes on or off, not \"" + *args.scrollPage + "\"");
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenProfileOnly(session, cli, exitCode))
        return exitCode;
    MouseSettings settings = cli.mouse->GetMouseSettings();
    if (args.pointerSpeed)
        settings[MouseSettings::kPointerSpeed] = static_cast<uint16_t>(*args.pointerSpeed);
    if (precision)
        settings[MouseSettings::kPointerPrecision] = *precision ? 1 : 0;
    if (args.scrollLines) {
        // Lines per notch mean no page per notch, as in the window.
        settings[MouseSettings::kWheelScrollLines] = static_cast<uint16_t>(*args.scrollLines);
        settings[MouseSettings::kScrollPage] = 0;
    }
    if (scrollPage)
        settings[MouseSettings::kScrollPage] = *scrollPage ? 1 : 0;
    if (args.doubleClickMs)
        settings[MouseSettings::kDoubleClickTime] = static_cast<uint16_t>(*args.doubleClickMs);
    cli.mouse->SetMouseSettings(settings);
    if (!cli.mouse->SaveProfile().saved)
        return session.Fail(kExitError,
                            "could not save the profile file " + cli.mouse->GetProfilePath());
    if (session.json) {
        Json::Value value = PointerJson(settings);
        value["action"] = "pointer set";
        value["profile"] = ProfileJson(cli);
        value["saved"] = true;
        session.PrintJson(value);
    } else {
        session.out << "Pointer: speed " << settings[MouseSettings::kPointerSpeed] << ", precision "
                    << (settings[MouseSettings::kPointerPrecision] ? "on" : "off") << ", "
                    << PointerScrollText(settings) << ", double-click "
                    << settings[MouseSettings::kDoubleClickTime] << " ms" << ProfileSuffix(cli)
                    << "\n";
    }
    return kExitOk;
}

int SetLightCommand(CliSession& session, const SettingsCliArgs& args) {
    if (!AnyLightOption(args))
        return session.Fail(kExitUsage,
                            "light set needs at least one of --effect, --brightness, --speed, "
                            "--direction, --colour, --multicolour");
    int exitCode = kExitOk;
    {
        // A mistake in the options is told before any mouse is looked for: the effect names
        // are the mouse type's and the profile's, known without the mouse.
        CliMouse probe;
        if (!OpenProfileOnly(session, probe, exitCode))
            return exitCode;
        LightInfo light = probe.mouse->Profile().GetLightInfo();
        if (const int status = ParseLightOptions(session, *probe.mouse, args, light);
            status != kExitOk)
            return status;
    }
    CliMouse cli;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    return SetLight(session, cli, args);
}

// A command that shows what the selected profile holds.
int OnProfile(CliSession& session, int (*show)(CliSession&, CliMouse&)) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenProfileOnly(session, cli, exitCode))
        return exitCode;
    return show(session, cli);
}

// A command that talks to the mouse about the selected profile.
int OnMouse(CliSession& session, int (*run)(CliSession&, CliMouse&)) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    return run(session, cli);
}

}  // namespace

void AddSettingsCommands(CLI::App& app, CCliVerbs& verbs) {
    SettingsCliArgs& args = verbs.Keep<SettingsCliArgs>();
    verbs.Bind(app.add_subcommand("status", "Show the battery, charging state and connection"),
               CliNeeds::kDevices, Status);

    for (const OptionSetting& setting : OptionSettings()) {
        CLI::App* command = app.add_subcommand(setting.command, setting.help);
        verbs.Bind(command, CliNeeds::kDevices,
                   [&setting](CliSession& session) { return ShowOptionCommand(session, setting); });
        CLI::App* set = command->add_subcommand("set", std::string("Change it: ") + setting.values);
        set->add_option("VALUE", args.value, setting.values)->required();
        verbs.Bind(set, CliNeeds::kDevices, [&setting, &args](CliSession& session) {
            return SetOptionCommand(session, setting, args);
        });
    }

    CLI::App* sleep = app.add_subcommand("sleep", "Show or set the sleep timers");
    verbs.Bind(sleep, CliNeeds::kDevices,
               [](CliSession& session) { return OnProfile(session, ShowSleep); });
    CLI::App* sleepSet = sleep->add_subcommand("set", "Change one of the sleep timers");
    sleepSet
        ->add_option("NAME", args.name, "wireless-dim, wireless-sleep, device-dim or device-sleep")
        ->required();
    sleepSet->add_option("VALUE", args.value, "The time")->required();
    verbs.Bind(sleepSet, CliNeeds::kDevices,
               [&args](CliSession& session) { return SetSleep(session, args); });
    sleep->footer(
        "The dim timers take 10, 30, 60, 120, 180 or 240 (seconds) before the mouse dims;\n"
        "the sleep timers take 1, 5, 10, 30, 60 or 120 (minutes) before it sleeps.\n"
        "The wireless ones apply through the receiver, the device ones otherwise.");

    CLI::App* pointer = app.add_subcommand(
        "pointer", "Show or set the pointer settings kept with the selected profile");
    verbs.Bind(pointer, CliNeeds::kDevices,
               [](CliSession& session) { return OnProfile(session, ShowPointer); });
    CLI::App* pointerSet =
        pointer->add_subcommand("set", "Change the pointer settings (at least one option)");
    // A number within one of the pointer ranges; `what` says what it is, `unit` follows the range.
    auto ranged = [pointerSet](const char* name, std::optional<int>& value, const std::string& what,
                               PointerRange range, const std::string& unit) {
        pointerSet
            ->add_option(
                name, value,
                what + std::to_string(range.lowest) + " to " + std::to_string(range.highest) + unit)
            ->check(CLI::Range(range.lowest, range.highest));
    };
    ranged("--speed", args.pointerSpeed, "pointer speed, ", kPointerSpeedRange, " (fastest)");
    pointerSet->add_option("--precision", args.precision, "on or off: enhanced precision");
    ranged("--scroll-lines", args.scrollLines, "lines per wheel notch, ", kScrollLinesRange,
           " (turns --scroll-page off)");
    pointerSet->add_option("--scroll-page", args.scrollPage, "on: one page per wheel notch");
    ranged("--double-click", args.doubleClickMs, "double-click time, ", kDoubleClickMsRange, " ms");
    verbs.Bind(pointerSet, CliNeeds::kDevices,
               [&args](CliSession& session) { return SetPointer(session, args); });
    pointer->footer(
        "These are kept with the profile only: the mouse does not hold them and the desktop's\n"
        "own pointer settings are not changed.");

    CLI::App* light = app.get_subcommand("light");
    light->description("Show the lighting of the selected profile, set it, or preview it");
    CLI::App* lightSet = light->add_subcommand("set", "Change the lighting (at least one option)");
    lightSet->add_option("--effect", args.effect,
                         "static, breathing, trail, spectrum, wave, four-color-breathing, off, "
                         "reactive, four-color-blink, blink, or a custom light's number");
    lightSet->add_option("--brightness", args.brightness, "0 to 4")->check(CLI::Range(0, 4));
    lightSet->add_option("--speed", args.speed, "0 (slowest) to 4")->check(CLI::Range(0, 4));
    lightSet->add_option("--direction", args.direction, "forward or backward");
    lightSet->add_option("--colour,--color", args.colour,
                         "#RRGGBB (turns multicolour off unless --multicolour on)");
    lightSet->add_option("--multicolour,--multicolor", args.multicolour,
                         "on: colours from the colour wheel");
    verbs.Bind(lightSet, CliNeeds::kDevices,
               [&args](CliSession& session) { return SetLightCommand(session, args); });
    verbs.Bind(light, CliNeeds::kDevices,
               [](CliSession& session) { return OnProfile(session, ShowLight); });

    verbs.Bind(app.add_subcommand("sync", "Read the mouse's settings into the selected profile"),
               CliNeeds::kDevices, [](CliSession& session) { return OnMouse(session, Sync); });
    verbs.Bind(app.add_subcommand("apply", "Write the selected profile's settings to the mouse"),
               CliNeeds::kDevices, [](CliSession& session) { return OnMouse(session, Apply); });
    CLI::App* firmware =
        app.add_subcommand("firmware", "Show the mouse's firmware version, or upgrade it");
    verbs.Bind(firmware, CliNeeds::kDevices,
               [](CliSession& session) { return Firmware(session, false); });
    verbs.Bind(firmware->add_subcommand(
                   "upgrade", "Start the firmware upgrader on a mouse that needs it (by cable)"),
               CliNeeds::kDevices, [](CliSession& session) { return Firmware(session, true); });
}
