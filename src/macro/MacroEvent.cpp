// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/MacroEvent.h"

#include <cmath>
#include <string>

#include "keys/KeyTables.h"
#include "profile/JsonFile.h"

uint16_t ParseDelayText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
        // Held at the limit, so a long run of digits never overflows.
        if (value > kMaxMacroDelay)
            value = kMaxMacroDelay + 1;
    }
    return static_cast<uint16_t>(value > kMaxMacroDelay ? kMaxMacroDelay : value);
}

uint16_t ReadDelay(const Json::Value& value) {
    if (value.isString())
        return ParseDelayText(value.asString());
    if (value.isUInt64())
        return static_cast<uint16_t>(std::min<uint64_t>(value.asUInt64(), kMaxMacroDelay));
    if (value.isDouble()) {
        const double real = value.asDouble();
        if (!std::isfinite(real) || real < 0)
            return 0;
        return static_cast<uint16_t>(std::min<double>(std::floor(real), kMaxMacroDelay));
    }
    return 0;
}

MacroEvent ReadMacroEvent(const Json::Value& element) {
    MacroEvent event;
    event.down = JsonString(element, "Action") == "down";
    event.button = JsonByte(element, "Button");
    event.type = JsonByte(element, "Type");
    event.delay = ReadDelay(JsonMember(element, "Delay"));
    return event;
}

Json::Value MacroEventToJson(const MacroEvent& event, DelayForm form) {
    Json::Value element(Json::objectValue);
    element["Action"] = event.down ? "down" : "up";
    element["Button"] = event.button;
    element["Type"] = event.type;
    if (form == DelayForm::String)
        element["Delay"] = std::to_string(event.delay);
    else
        element["Delay"] = event.delay;
    return element;
}

std::array<uint8_t, 4> EncodeMacroEvent(const MacroEvent& event) {
    return {static_cast<uint8_t>(event.delay & 0xFF), static_cast<uint8_t>(event.delay >> 8),
            static_cast<uint8_t>((event.type & 0x7F) | (event.down ? 0x80 : 0)), event.button};
}

std::string_view MacroEventNameKey(const MacroEvent& event) {
    switch (static_cast<MacroEventType>(event.type)) {
        case MacroEventType::Key:
            for (size_t row = kModifierRowCount; row < kKeyboardRowCount; ++row) {
                const KeyCode& code = kKeyTable[row].code;
                if (code[1] == 0 && code[2] == event.button)
                    return kKeyTable[row].key;
            }
            return {};
        case MacroEventType::Modifier:
            for (size_t row = 0; row < kModifierRowCount; ++row) {
                if (kKeyTable[row].code[1] == event.button)
                    return kKeyTable[row].key;
            }
            return {};
        case MacroEventType::MouseButton:
            for (const MouseEventEntry& entry : kMouseEventTable) {
                if (entry.code[0] == kKeyTypeMouseButton && entry.code[1] == event.button)
                    return entry.key;
            }
            return {};
        case MacroEventType::MoveX:
        case MacroEventType::MoveY: {
            const uint8_t wanted = static_cast<uint8_t>(event.type | (event.down ? 0x80 : 0));
            for (const MouseEventEntry& entry : kMouseEventTable) {
                if (entry.code[0] == kKeyTypePointerMove && entry.code[2] == wanted)
                    return entry.key;
            }
            return {};
        }
    }
    return {};
}
