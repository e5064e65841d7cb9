// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroText.h"

#include <charconv>

#include "keys/KeyTables.h"

namespace {

struct NamedInput {
    std::string name;  // as printed
    MacroEventType type;
    uint8_t button;
    bool alias = false;  // accepted, never printed
};

std::string Suffix(std::string_view key, std::string_view prefix) {
    if (key.substr(0, prefix.size()) == prefix)
        key.remove_prefix(prefix.size());
    return std::string(key);
}

const std::vector<NamedInput>& Names() {
    static const std::vector<NamedInput> names = [] {
        std::vector<NamedInput> list;
        for (const KeyCodeName& row : kMouseButtonCodes)
            list.push_back(
                {Suffix(row.key, "mouse_key_"), MacroEventType::MouseButton, row.code[1]});
        for (size_t row = 0; row < kModifierRowCount; ++row)
            list.push_back({Suffix(kKeyTable[row].key, "keyboard_key_"), MacroEventType::Modifier,
                            kKeyTable[row].code[1]});
        for (size_t row = kModifierRowCount; row < kKeyboardRowCount; ++row) {
            std::string name = Suffix(kKeyTable[row].key, "keyboard_key_");
            // The mouse buttons own "left" and "right"; all four arrows read alike.
            if (name == "Left" || name == "Right" || name == "Up" || name == "Down")
                name += " arrow";
            list.push_back({name, MacroEventType::Key, kKeyTable[row].code[2]});
        }
        for (const NamedInput& mouse : std::vector<NamedInput>(list.begin(), list.begin() + 5))
            list.push_back({"mouse " + mouse.name, mouse.type, mouse.button, true});
        list.push_back({"Up", MacroEventType::Key, 0x52, true});
        list.push_back({"Down", MacroEventType::Key, 0x51, true});
        list.push_back({"\\", MacroEventType::Key, 0x31, true});
        list.push_back({"Backslash", MacroEventType::Key, 0x31, true});
        return list;
    }();
    return names;
}

// Lower case, trimmed, inner white space as one space.
std::string Normalized(std::string_view text) {
    std::string result;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r') {
            space = !result.empty();
            continue;
        }
        if (space)
            result += ' ';
        space = false;
        result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

const NamedInput* FindName(std::string_view text) {
    const std::string wanted = Normalized(text);
    for (const NamedInput& input : Names()) {
        if (Normalized(input.name) == wanted)
            return &input;
    }
    return nullptr;
}

std::optional<unsigned> ParseNumber(std::string_view text, unsigned limit) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > limit)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'))
            ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

}  // namespace

std::string FormatMacroEvent(const MacroEvent& event) {
    const char* action = event.down ? "down" : "up";
    switch (static_cast<MacroEventType>(event.type)) {
        case MacroEventType::MoveX:
            return std::string("move ") + (event.down ? "left " : "right ") +
                   std::to_string(event.button);
        case MacroEventType::MoveY:
            return std::string("move ") + (event.down ? "up " : "down ") +
                   std::to_string(event.button);
        case MacroEventType::MouseButton:
        case MacroEventType::Modifier:
        case MacroEventType::Key:
            for (const NamedInput& input : Names()) {
                if (!input.alias && static_cast<uint8_t>(input.type) == event.type &&
                    input.button == event.button)
                    return std::string(action) + " " + input.name;
            }
            break;
    }
    return std::string("raw ") + action + " " + std::to_string(event.type) + " " +
           std::to_string(event.button);
}

std::string FormatMacroText(const std::vector<MacroEvent>& events) {
    std::string text;
    for (const MacroEvent& event : events) {
        text += FormatMacroEvent(event) + "\n";
        if (event.delay != 0)
            text += "delay " + std::to_string(event.delay) + "\n";
    }
    return text;
}

std::optional<std::vector<MacroEvent>> ParseMacroText(std::string_view text,
                                                      MacroTextError* error) {
    std::vector<MacroEvent> events;
    size_t number = 0;
    auto fail = [&](std::string message) -> std::optional<std::vector<MacroEvent>> {
        if (error)
            *error = {number, std::move(message)};
        return std::nullopt;
    };
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        const std::string verb = Normalized(words[0]);
        const std::string_view rest =
            line.substr(static_cast<size_t>(words[0].data() + words[0].size() - line.data()));

        if (verb == "down" || verb == "up" || verb == "press") {
            if (words.size() < 2)
                return fail(verb + " needs a key or mouse button name");
            const NamedInput* input = FindName(rest);
            if (!input)
                return fail("no key or mouse button is named \"" + Normalized(rest) +
                            "\" (kestrunectl macro keys lists the names)");
            if (verb != "up")
                events.push_back(MakeMacroEvent(input->type, true, input->button));
            if (verb != "down")
                events.push_back(MakeMacroEvent(input->type, false, input->button));
        } else if (verb == "move") {
            if (words.size() != 3)
                return fail("move takes a direction (left, right, up, down) and a distance");
            const std::string direction = Normalized(words[1]);
            const auto distance = ParseNumber(words[2], 255);
            if (!distance)
                return fail("a move distance is a number from 0 to 255");
            const auto button = static_cast<uint8_t>(*distance);
            if (direction == "left" || direction == "right")
                events.push_back(
                    MakeMacroEvent(MacroEventType::MoveX, direction == "left", button));
            else if (direction == "up" || direction == "down")
                events.push_back(MakeMacroEvent(MacroEventType::MoveY, direction == "up", button));
            else
                return fail("a move goes left, right, up or down, not \"" + direction + "\"");
        } else if (verb == "delay") {
            const auto delay = words.size() == 2 ? ParseNumber(words[1], kMaxMacroDelay)
                                                 : std::optional<unsigned>();
            if (!delay)
                return fail("delay takes milliseconds from 0 to 65535");
            if (events.empty())
                return fail("a delay follows the event it waits after");
            const unsigned total = events.back().delay + *delay;
            if (total > kMaxMacroDelay)
                return fail("the delays after one event add up to more than 65535 ms");
            events.back().delay = static_cast<uint16_t>(total);
        } else if (verb == "raw") {
            const std::string action = words.size() == 4 ? Normalized(words[1]) : "";
            const auto type = words.size() == 4 ? ParseNumber(words[2], 127) : std::nullopt;
            const auto button = words.size() == 4 ? ParseNumber(words[3], 255) : std::nullopt;
            if ((action != "down" && action != "up") || !type || !button)
                return fail("raw takes down or up, a type (0-127) and a button (0-255)");
            events.push_back(
                {action == "down", static_cast<uint8_t>(*button), static_cast<uint8_t>(*type), 0});
        } else {
            return fail("unknown word \"" + std::string(words[0]) +
                        "\" (use down, up, press, move, delay or raw)");
        }
    }
    return events;
}

std::vector<std::string> MacroKeyNames() {
    std::vector<std::string> names;
    for (const NamedInput& input : Names()) {
        if (!input.alias)
            names.push_back(input.name);
    }
    return names;
}
