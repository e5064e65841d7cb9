// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/ButtonCommands.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "base/LanguageFile.h"
#include "base/Paths.h"
#include "cli/CliMouse.h"
#include "cli/CliVerbs.h"
#include "device/DeviceTables.h"
#include "keys/KeyCodes.h"
#include "keys/KeyNames.h"
#include "keys/KeyTables.h"
#include "macro/MacroDownload.h"
#include "macro/MacroList.h"
#include "macro/ShootData.h"

namespace {

constexpr std::string_view kKeyPrefix = "keyboard_key_";

struct ButtonCliArgs {
    std::string button;                 // set: a name or 1 .. 11
    std::vector<std::string> function;  // set: the function and its parameters
    std::optional<int> mode;            // set macro: play mode 0 .. 3
    std::optional<int> repeat;          // set macro: repeat count
};

// The window's English words for the buttons and their functions, read for each command. Without
// the file a function shows as its code in hex and a button by its number.
CLanguageFile EnglishTexts() {
    CLanguageFile english;
    english.Load(GetLanguageFilePath("lan_en.xml"));
    return english;
}

// Names typed for `button set` and `button list`, by key-list index.
constexpr std::array<std::string_view, kMouseButtonNames.size()> kButtonWords = {
    "left", "right", "middle", "forward", "back", "dpi+", "dpi-", "dpi-loop", "gm", "m8", "fire"};

struct NamedFunction {
    std::string_view word;
    KeyCode code;
};

// One-word functions. Mouse buttons own left and right; the arrow keys are "left arrow", ...
constexpr NamedFunction kNamedFunctions[] = {
    {"left", {0x10, 0x01, 0x00}},
    {"right", {0x10, 0x02, 0x00}},
    {"middle", {0x10, 0x04, 0x00}},
    {"forward", {0x10, 0x10, 0x00}},
    {"back", {0x10, 0x08, 0x00}},
    {"dpi+", {0x13, 0x01, 0x00}},
    {"dpi-", {0x13, 0x02, 0x00}},
    {"dpi-loop", {0x13, 0x03, 0x00}},
    {"dpi-shift", {0x16, 0x90, 0x01}},
    {"disable", {0xA0, 0x00, 0x00}},
    {"fn", {0xA0, 0x01, 0x00}},
    {"smart-key", {0xA0, 0x02, 0x00}},
    {"gm", {0xA0, 0x1B, 0x00}},
    {"power", {0x40, 0x01, 0x00}},
    {"sleep", {0x40, 0x02, 0x00}},
    {"wake-up", {0x40, 0x04, 0x00}},
    {"media-player", MakeMediaCode(0x0183)},
    {"play-pause", MakeMediaCode(0x00CD)},
    {"stop", MakeMediaCode(0x00B7)},
    {"previous", MakeMediaCode(0x00B6)},
    {"next", MakeMediaCode(0x00B5)},
    {"volume-down", MakeMediaCode(0x00EA)},
    {"volume-up", MakeMediaCode(0x00E9)},
    {"mute", MakeMediaCode(0x00E2)},
    {"browser-home", MakeMediaCode(0x0223)},
    {"browser-refresh", MakeMediaCode(0x0227)},
    {"browser-stop", MakeMediaCode(0x0226)},
    {"browser-back", MakeMediaCode(0x0224)},
    {"browser-forward", MakeMediaCode(0x0225)},
    {"browser-favourites", MakeMediaCode(0x022A)},
    {"browser-search", MakeMediaCode(0x0221)},
    {"computer", MakeMediaCode(0x0194)},
    {"calculator", MakeMediaCode(0x0192)},
    {"mail", MakeMediaCode(0x018A)},
    {"none", {0xA0, 0x00, 0x00}},
};

constexpr const char* kSetFooter = R"(FUNCTION is one of:
  left, right, middle, forward, back          a mouse button
  a, f5, ctrl+shift+a, alt+tab, "left arrow"  a key, with modifiers (ctrl, shift, alt, win;
                                              rctrl, rshift, ralt, rwin for the right ones);
                                              key names as "kestrunectl macro keys" lists them
  dpi+, dpi-, dpi-loop, dpi-shift             DPI functions
  play-pause, stop, previous, next, volume-up, volume-down, mute, media-player, mail,
  calculator, computer, browser-home, browser-back, browser-forward, browser-refresh,
  browser-stop, browser-search, browser-favourites, power, sleep, wake-up, fn, gm, smart-key
  fire INTERVAL COUNT                         repeated left clicks: each 0 to 255
  swing left|right COUNT DELAY SPEED          horizontal scrolling: COUNT 1 to 127, DELAY and
                                              SPEED 0 to 15
  wheel up|down COUNT DELAY SPEED             vertical scrolling: COUNT 1 to 127 (down: 128)
  macro NAME [--mode 0-3 | --repeat N]        a macro of "kestrunectl macro list"; the play
                                              mode (0 by default) or a repeat count of 1 to 255
  gun 1-4                                     a recoil pattern ("kestrunectl recoil")
  default                                     the button's own function
  disable                                     nothing

BUTTON is left, right, middle, forward, back, dpi+, dpi-, dpi-loop, gm, m8, fire, or 1 to 11.

Examples:
  kestrunectl button set forward ctrl+c
  kestrunectl button set m8 f5
  kestrunectl button set dpi-loop macro "Fast reload" --repeat 3
  kestrunectl button set fire fire 40 3
  kestrunectl button set back default

The change goes into the selected profile's file, then the key table (and the macros the
buttons use) to the mouse.)";

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string WithoutSpaces(std::string_view text) {
    std::string result;
    for (char c : text)
        if (c != ' ' && c != '\t')
            result += c;
    return result;
}

std::string WithoutSeparators(std::string_view text) {
    std::string result;
    for (char c : text)
        if (c != '-' && c != '_')
            result += c;
    return result;
}

// The name "macro keys" prints for key-table row `row` (arrows carry " arrow").
std::string KeyRowName(size_t row) {
    std::string name(kKeyTable[row].key.substr(kKeyPrefix.size()));
    if (name == "Left" || name == "Right" || name == "Up" || name == "Down")
        name += " arrow";
    return name;
}

struct KeyAlias {
    std::string_view alias;
    std::string_view name;  // a key-table name, without its prefix
};
constexpr KeyAlias kKeyAliases[] = {
    {"escape", "Esc"},
    {"return", "Enter"},
    {"del", "Delete"},
    {"ins", "Insert"},
    {"pgup", "Page Up"},
    {"pgdn", "Page Down"},
    {"capslock", "Caplk"},
    {"backslash", "xiegang"},
    {"\\", "xiegang"},
    {"comma", "<"},
    {",", "<"},
    {"minus", "-"},
    {"equals", "="},
    {"equal", "="},
    {"printscreen", "Print Scr"},
    {"menu", "App"},
    {"numplus", "Num +"},
    {"period", "."},
    {"slash", "/"},
};

// A modifier bit, or 0.
uint8_t ModifierBit(const std::string& word) {
    static constexpr std::array<std::pair<std::string_view, uint8_t>, 16> kModifiers = {{
        {"ctrl", kModLeftCtrl},
        {"lctrl", kModLeftCtrl},
        {"control", kModLeftCtrl},
        {"shift", kModLeftShift},
        {"lshift", kModLeftShift},
        {"alt", kModLeftAlt},
        {"lalt", kModLeftAlt},
        {"win", kModLeftWin},
        {"lwin", kModLeftWin},
        {"super", kModLeftWin},
        {"meta", kModLeftWin},
        {"rctrl", kModRightCtrl},
        {"rshift", kModRightShift},
        {"ralt", kModRightAlt},
        {"altgr", kModRightAlt},
        {"rwin", kModRightWin},
    }};
    for (const auto& [name, bit] : kModifiers)
        if (word == name)
            return bit;
    return 0;
}

// The usage of a key named as "macro keys" names it (case and spaces ignored); 0 when none.
uint8_t KeyUsage(const std::string& typed) {
    const std::string wanted = WithoutSpaces(Lower(typed));
    auto find = [](const std::string& name) -> uint8_t {
        for (size_t row = kModifierRowCount; row < kKeyboardRowCount; ++row)
            if (WithoutSpaces(Lower(KeyRowName(row))) == name)
                return kKeyTable[row].code[2];
        for (const KeyCodeName& row : kExtendedKeyTable)
            if (Lower(row.key.substr(kKeyPrefix.size())) == name)
                return row.code[2];
        for (const KeyAlias& alias : kKeyAliases)
            if (alias.alias == name) {
                for (size_t row = kModifierRowCount; row < kKeyboardRowCount; ++row)
                    if (kKeyTable[row].key.substr(kKeyPrefix.size()) == alias.name)
                        return kKeyTable[row].code[2];
            }
        return 0;
    };
    if (const uint8_t usage = find(wanted))
        return usage;
    // "page-up", "caps_lock", "left-arrow".
    return find(WithoutSeparators(wanted));
}

// "ctrl+shift+a", "f5", "alt" (a modifier alone).
std::optional<KeyCode> ParseKeyCombination(const std::string& text, std::string& error) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t plus = text.find('+', start);
        parts.push_back(text.substr(start, plus == std::string::npos ? plus : plus - start));
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
    // "num+" and "ctrl+num+": the plus of the keypad.
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i + 1].empty() && WithoutSpaces(Lower(parts[i])) == "num") {
            parts[i] += "+";
            parts.erase(parts.begin() + static_cast<ptrdiff_t>(i) + 1);
        }
    }
    uint8_t modifiers = 0, usage = 0;
    for (const std::string& part : parts) {
        const std::string word = WithoutSpaces(Lower(part));
        if (word.empty()) {
            error = "\"" + text + "\" has an empty key name";
            return std::nullopt;
        }
        if (const uint8_t bit = ModifierBit(word)) {
            modifiers |= bit;
            continue;
        }
        const uint8_t found = KeyUsage(part);
        if (!found) {
            error = "no function or key is named \"" + part +
                    "\" (kestrunectl button set --help lists the functions, kestrunectl macro "
                    "keys the key names)";
            return std::nullopt;
        }
        if (usage) {
            error = "\"" + text + "\" names two keys; a button sends one key with modifiers";
            return std::nullopt;
        }
        usage = found;
    }
    return MakeKeyboardCode(modifiers, usage);
}

// Digits only, within [low, high].
bool ParseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

// The function in words, with the parameters the code carries.
std::string FunctionText(const CLanguageFile& english, const KeyCode& code,
                         const std::vector<std::string>& macroNames) {
    std::string text = DescribeAssignmentIn(english, code, macroNames);
    switch (code[0]) {
        case kKeyTypeMacro:
        case kKeyTypeMacroRepeat: {
            if (code[1] >= macroNames.size())
                return "macro " + std::to_string(code[1]) +
                       " (deleted: the mouse gets the button's default)";
            text = "macro \"" + text + "\"";
            return text + (code[0] == kKeyTypeMacro ? " (mode " + std::to_string(code[2]) + ")"
                                                    : " (repeat " + std::to_string(code[2]) + ")");
        }
        case kKeyTypeFire: {
            const FireParams fire = ReadFireCode(code);
            return text + " (interval " + std::to_string(fire.interval) + ", count " +
                   std::to_string(fire.count) + ")";
        }
        case kKeyTypeSwing: {
            const SwingParams swing = ReadSwingCode(code);
            return text + " (count " + std::to_string(swing.count) + ", delay " +
                   std::to_string(swing.delay) + ", speed " + std::to_string(swing.speed) + ")";
        }
        case kKeyTypeWheel: {
            const WheelParams wheel = ReadWheelCode(code);
            return text + " (count " + std::to_string(wheel.count) + ", delay " +
                   std::to_string(wheel.delay) + ", speed " + std::to_string(wheel.speed) + ")";
        }
        default:
            return text.empty() ? "unknown function " + KeyCodeHex(code) : text;
    }
}

std::string ButtonText(const CLanguageFile& english, size_t button) {
    const std::string* text =
        button < kMouseButtonNames.size() ? english.Find(kMouseButtonNames[button]) : nullptr;
    return text ? *text : "button " + std::to_string(button + 1);
}

// How many events the macros the buttons use are over the mouse's limit; 0 when they fit.
int MacroEventsOverMouseLimit(CQuillonMouseDevice& mouse) {
    const CMacroList macros(mouse.GetUserDeviceFolder());
    const std::vector<MacroEntry> entries = macros.ReadList();
    std::vector<std::vector<MacroEvent>> events;
    for (int index : mouse.BuildMacroList())
        events.push_back(macros.ReadEventsById(entries.at(static_cast<size_t>(index)).id));
    return MacroEventsOverLimit(MacroBlockSize(events));
}

Json::Value ButtonJson(const CLanguageFile& english, size_t button, const KeyListEntry& entry,
                       const std::vector<std::string>& macroNames) {
    Json::Value value;
    value["button"] = static_cast<int>(button + 1);
    value["name"] = button < kButtonWords.size() ? std::string(kButtonWords[button]) : "";
    value["label"] = ButtonText(english, button);
    value["function"] = FunctionText(english, entry.current.code, macroNames);
    value["code"] = KeyCodeHex(entry.current.code);
    value["default"] = entry.current.code == entry.factory.code;
    return value;
}

int RunButtonList(CliSession& session) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenProfileOnly(session, cli, exitCode))
        return exitCode;
    const std::vector<KeyListEntry> keys = cli.mouse->GetKeyList();
    const std::vector<std::string> macroNames = cli.mouse->GetMacroNames();
    const CLanguageFile english = EnglishTexts();
    if (session.json) {
        Json::Value value;
        value["profile"] = ProfileJson(cli);
        value["buttons"] = Json::Value(Json::arrayValue);
        for (size_t i = 0; i < keys.size(); ++i)
            value["buttons"].append(ButtonJson(english, i, keys[i], macroNames));
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Buttons" << ProfileSuffix(cli) << ":\n";
    for (size_t i = 0; i < keys.size(); ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "%3zu  %-9s %-15s %s%s\n", i + 1,
                      i < kButtonWords.size() ? std::string(kButtonWords[i]).c_str() : "",
                      ButtonText(english, i).c_str(),
                      FunctionText(english, keys[i].current.code, macroNames).c_str(),
                      keys[i].current.code == keys[i].factory.code ? "" : "  *");
        session.out << line;
    }
    session.out << "* changed from the button's default\n";
    return kExitOk;
}

int RunButtonSet(CliSession& session, const ButtonCliArgs& args) {
    const int button = ParseButton(args.button);
    if (button < 0)
        return session.Fail(kExitUsage, "no button is named \"" + args.button +
                                            "\"; the buttons are left, right, middle, forward, "
                                            "back, dpi+, dpi-, dpi-loop, gm, m8, fire, or 1 to 11");
    const CMacroList macros(GetDeviceDataFolder(kDeviceTypeTable[0].typeKey));
    std::vector<std::string> macroNames;
    for (const MacroEntry& entry : macros.ReadList())
        macroNames.push_back(entry.name);
    const ParsedFunction parsed =
        ParseButtonFunction(args.function, macroNames, args.mode, args.repeat);
    if (!parsed.error.empty())
        return session.Fail(kExitUsage, parsed.error);

    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    const CLanguageFile english = EnglishTexts();
    CQuillonMouseDevice& mouse = *cli.mouse;
    const std::vector<KeyListEntry> before = mouse.GetKeyList();
    const auto index = static_cast<size_t>(button);
    if (index >= before.size())
        return session.Fail(kExitError, "the profile has no entry for the " +
                                            ButtonText(english, index) + "; nothing was changed");
    const KeyCode code = parsed.isDefault ? before[index].factory.code : parsed.code;
    if (TakesLastLeftClick(before, index, code))
        return session.Fail(kExitError, "the " + ButtonText(english, index) +
                                            " is the only button with the left click; give "
                                            "another button the left click first (kestrunectl "
                                            "button set BUTTON left); nothing was changed");
    mouse.SetKeyAssignment(index, code);
    if (const int over = MacroEventsOverMouseLimit(mouse); over > 0) {
        mouse.SetKeyList(before);
        return session.Fail(kExitError, MacrosTooLongText(over) + "; nothing was changed");
    }
    if (!mouse.SaveProfile().saved)
        return session.Fail(kExitError, "could not save the profile file " +
                                            mouse.GetProfilePath() +
                                            "; nothing was changed on the mouse either");
    const MouseResult sent = mouse.ApplyMacros();
    if (sent.overLimit > 0)
        return session.Fail(kExitError, MacrosTooLongText(sent.overLimit) +
                                            "; saved in the profile, nothing sent to the mouse");
    if (!sent.Sent())
        return FailCommand(session, cli.connection, sent.device,
                           sent.failed == MouseStep::kMacros
                               ? "saved in the profile, but the macros could not be sent to the "
                                 "mouse (send them later with: kestrunectl upload)"
                               : "saved in the profile but not written to the mouse (send it "
                                 "later with: kestrunectl upload)");
    const bool positioned = mouse.GetKeyPositionMap()[index] != kNoKeyPosition;
    const std::string function = FunctionText(english, code, mouse.GetMacroNames());
    if (session.json) {
        Json::Value value =
            ButtonJson(english, index, mouse.GetKeyList()[index], mouse.GetMacroNames());
        value["action"] = "button set";
        value["profile"] = ProfileJson(cli);
        value["saved"] = true;
        value["written"] = positioned;
        session.PrintJson(value);
    } else {
        session.out << ButtonText(english, index) << ": " << function << ProfileSuffix(cli) << "\n";
    }
    if (!positioned)
        session.err << "kestrunectl: note: the mouse's key table has no place for the "
                    << ButtonText(english, index) << "; it keeps its function on the mouse\n";
    return kExitOk;
}

int RunUpload(CliSession& session) {
    CliMouse cli;
    int exitCode = kExitOk;
    if (!OpenMouseForSettings(session, cli, exitCode))
        return exitCode;
    CQuillonMouseDevice& mouse = *cli.mouse;
    if (const std::string unreadable =
            UnreadableMacrosText(mouse.GetUserDeviceFolder(), mouse.GetKeyList());
        !unreadable.empty())
        return session.Fail(
            kExitError, "cannot read the macro " + unreadable + "; nothing was sent to the mouse");
    const MouseResult sent = mouse.ApplyMacros();
    if (sent.overLimit > 0)
        return session.Fail(kExitError,
                            MacrosTooLongText(sent.overLimit) + "; nothing was sent to the mouse");
    if (sent.failed == MouseStep::kMacros)
        session.err << "kestrunectl: " << kMacrosNotSentText << "\n";
    if (!sent.Sent())
        return FailCommand(
            session, cli.connection, sent.device,
            sent.failed == MouseStep::kMacros ? "sending the macros" : "sending the key table");
    CShootData shoot(mouse.GetUserDeviceFolder(), GetDefaultDataFolder());
    // As the recoil page does: a missing pattern is the default one, not an empty one.
    shoot.RestoreMissing();
    if (const MouseResult recoil = mouse.SendRecoil(); !recoil.Sent())
        return recoil.overLimit > 0
                   ? session.Fail(kExitError, "the recoil patterns are too large to send")
                   : FailCommand(session, cli.connection, recoil.device,
                                 "sending the recoil patterns");

    const std::vector<std::string> macroNames = mouse.GetMacroNames();
    // The list ApplyMacros sent: the key list has not changed since.
    const std::vector<int> used = mouse.BuildMacroList();
    if (session.json) {
        Json::Value value;
        value["action"] = "upload";
        value["profile"] = ProfileJson(cli);
        value["macros"] = Json::Value(Json::arrayValue);
        for (int index : used)
            value["macros"].append(static_cast<size_t>(index) < macroNames.size()
                                       ? macroNames[static_cast<size_t>(index)]
                                       : std::to_string(index));
        value["keyTable"] = true;
        value["recoil"] = true;
        session.PrintJson(value);
        return kExitOk;
    }
    session.out << "Sent to the mouse" << ProfileSuffix(cli) << ": ";
    if (used.empty())
        session.out << "no macros (no button plays one), ";
    else
        session.out << used.size() << (used.size() == 1 ? " macro, " : " macros, ");
    session.out << "the key table and the four recoil patterns\n";
    return kExitOk;
}

}  // namespace

int ParseButton(std::string_view text) {
    const std::string word = Lower(text);
    for (size_t i = 0; i < kButtonWords.size(); ++i)
        if (word == kButtonWords[i])
            return static_cast<int>(i);
    int number = 0;
    if (ParseNumber(word, 1, static_cast<int>(kButtonWords.size()), number))
        return number - 1;
    return -1;
}

ParsedFunction ParseButtonFunction(const std::vector<std::string>& words,
                                   const std::vector<std::string>& macroNames,
                                   std::optional<int> mode, std::optional<int> repeat) {
    ParsedFunction result;
    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    if (words.empty())
        return fail("which function? (kestrunectl button set --help lists them)");
    const std::string verb = Lower(words[0]);
    const size_t parameters = words.size() - 1;
    if (verb != "macro" && (mode || repeat))
        return fail("--mode and --repeat belong to a macro");
    auto expect = [&](size_t count, const char* usage) -> bool {
        if (parameters == count)
            return true;
        result.error = std::string("usage: ") + usage;
        return false;
    };
    if (verb == "default") {
        if (!expect(0, "default"))
            return result;
        result.isDefault = true;
        return result;
    }
    if (verb == "fire") {
        if (!expect(2, "fire INTERVAL COUNT"))
            return result;
        int interval = 0, count = 0;
        if (!ParseNumber(words[1], 0, 255, interval) || !ParseNumber(words[2], 0, 255, count))
            return fail("the fire interval and count are each 0 to 255");
        result.code = MakeFireCode(interval, count);
        return result;
    }
    if (verb == "swing" || verb == "wheel") {
        const bool swing = verb == "swing";
        if (!expect(4, swing ? "swing left|right COUNT DELAY SPEED"
                             : "wheel up|down COUNT DELAY SPEED"))
            return result;
        const std::string direction = Lower(words[1]);
        const bool second = direction == (swing ? "right" : "down");
        if (!second && direction != (swing ? "left" : "up"))
            return fail(swing ? "a swing goes left or right, not \"" + words[1] + "\""
                              : "the wheel turns up or down, not \"" + words[1] + "\"");
        const int highest = !swing && second ? 128 : 127;
        int count = 0, delay = 0, speed = 0;
        if (!ParseNumber(words[2], 1, highest, count))
            return fail("the count is 1 to " + std::to_string(highest) + ", not \"" + words[2] +
                        "\"");
        if (!ParseNumber(words[3], 0, 15, delay) || !ParseNumber(words[4], 0, 15, speed))
            return fail("the delay and speed are each 0 to 15");
        result.code = swing ? MakeSwingCode(second, count, delay, speed)
                            : MakeWheelCode(second, count, delay, speed);
        return result;
    }
    if (verb == "gun") {
        if (!expect(1, "gun 1-4"))
            return result;
        int gun = 0;
        if (!ParseNumber(words[1], 1, 4, gun))
            return fail("the recoil pattern is 1 to 4, not \"" + words[1] + "\"");
        result.code = MakeGunCode(static_cast<uint8_t>(gun - 1));
        return result;
    }
    if (verb == "macro") {
        if (parameters == 0)
            return fail("usage: macro NAME [--mode 0-3 | --repeat N]");
        std::string name = words[1];
        for (size_t i = 2; i < words.size(); ++i)
            name += " " + words[i];
        if (mode && repeat)
            return fail("a macro plays in a mode or repeats: give --mode or --repeat, not both");
        if (mode && (*mode < 0 || *mode >= static_cast<int>(kMacroPlayModeCount)))
            return fail("the play mode is 0 to " + std::to_string(kMacroPlayModeCount - 1));
        if (repeat && (*repeat < 1 || *repeat > 255))
            return fail("the repeat count is 1 to 255");
        int index = -1;
        for (size_t i = 0; i < macroNames.size() && index < 0; ++i)
            if (Lower(macroNames[i]) == Lower(name))
                index = static_cast<int>(i);
        if (index < 0)
            return fail(macroNames.empty()
                            ? "there are no macros yet (kestrunectl macro add NAME)"
                            : "no macro is named \"" + name + "\" (kestrunectl macro list)");
        // A key table entry holds the macro's list position in one byte.
        if (index > 255)
            return fail("macro \"" + name +
                        "\" is past the 256th in the list: the mouse "
                        "cannot name it");
        result.code = repeat ? MakeMacroRepeatCode(static_cast<uint8_t>(index), *repeat)
                             : MakeMacroCode(static_cast<uint8_t>(index),
                                             static_cast<uint8_t>(mode.value_or(0)));
        return result;
    }
    if (parameters == 0) {
        for (const NamedFunction& named : kNamedFunctions) {
            if (verb == named.word) {
                result.code = named.code;
                return result;
            }
        }
    }
    // A key: the words are one name ("left arrow", "page up").
    std::string key = words[0];
    for (size_t i = 1; i < words.size(); ++i)
        key += " " + words[i];
    std::string error;
    if (const std::optional<KeyCode> code = ParseKeyCombination(key, error)) {
        result.code = *code;
        return result;
    }
    return fail(error);
}

void AddButtonCommands(CLI::App& app, CCliVerbs& verbs) {
    ButtonCliArgs& args = verbs.Keep<ButtonCliArgs>();
    CLI::App* button = app.add_subcommand(
        "button", "Show the buttons' functions in the selected profile, or change one");
    button->require_subcommand(1);
    verbs.Bind(
        button->add_subcommand("list", "Each button and its function in the selected profile"),
        CliNeeds::kDevices, RunButtonList);
    CLI::App* set = button->add_subcommand(
        "set", "Give a button a function: in the profile file, then on the mouse");
    verbs.Bind(set, CliNeeds::kDevices,
               [&args](CliSession& session) { return RunButtonSet(session, args); });
    set->add_option("BUTTON", args.button,
                    "left, right, middle, forward, back, dpi+, dpi-, "
                    "dpi-loop, gm, m8, fire, or 1 to 11")
        ->required();
    set->add_option("FUNCTION", args.function, "The function and its parameters (see below)")
        ->required();
    set->add_option("--mode", args.mode, "Macro: the mouse's play mode, 0 to 3 (default 0)");
    set->add_option("--repeat", args.repeat, "Macro: play it this many times, 1 to 255");
    set->footer(kSetFooter);

    CLI::App* upload = app.add_subcommand(
        "upload",
        "Send the macros the buttons use, the key table and the four recoil patterns "
        "to the mouse again");
    verbs.Bind(upload, CliNeeds::kDevices, RunUpload);
    upload->footer(
        "Nothing is sent when the macros are too long for the mouse's memory; the message says "
        "how many events must go.");
}
