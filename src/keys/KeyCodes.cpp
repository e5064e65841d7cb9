// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/KeyCodes.h"

#include <cstdio>

#include "keys/KeyTables.h"

namespace {

std::string Translate(const LanguageLookup& translate, std::string_view key) {
    return translate ? translate(key) : std::string(key);
}

template <size_t N, typename Match>
std::string TranslateFirst(const std::array<KeyCodeName, N>& table, Match match,
                           const LanguageLookup& translate) {
    for (const KeyCodeName& row : table) {
        if (match(row.code)) {
            return Translate(translate, row.key);
        }
    }
    return {};
}

// Types 0x00 and 0x20. Only the keyboard rows are matched: a multi-bit modifier mask can equal
// the bytes of a media, M or special key, and such a code is still a key combination.
std::string DescribeKeyboard(const KeyCode& code, const LanguageLookup& translate) {
    const uint8_t type = code[0], modifiers = code[1], usage = code[2];
    for (size_t row = 0; row < kKeyboardRowCount; ++row) {
        if (kKeyTable[row].code[1] == modifiers && kKeyTable[row].code[2] == usage) {
            return Translate(translate, kKeyTable[row].key);
        }
    }
    if (modifiers == 0 && usage == 0) {
        return Translate(translate, kNoFunctionKeyName);
    }
    if (type != kKeyTypeKeyboard) {
        return {};
    }
    // Every modifier bit that is set, then the key: matching the mask or the usage as a whole
    // would drop modifiers, and a zero byte would match every key or every modifier.
    std::string text;
    auto append = [&](std::string_view key) {
        if (!text.empty()) {
            text += '+';
        }
        text += Translate(translate, key);
    };
    for (size_t row = 0; row < kModifierRowCount; ++row) {
        if (modifiers & kKeyTable[row].code[1]) {
            append(kKeyTable[row].key);
        }
    }
    if (usage == 0) {
        return text;
    }
    for (size_t row = kModifierRowCount; row < kKeyboardRowCount; ++row) {
        if (kKeyTable[row].code[2] == usage) {
            append(kKeyTable[row].key);
            return text;
        }
    }
    for (const KeyCodeName& row : kExtendedKeyTable) {
        if (row.code[2] == usage) {
            append(row.key);
            return text;
        }
    }
    char number[8];
    std::snprintf(number, sizeof number, " 0x%02X", usage);
    append(kUnnamedKeyName);
    text += number;
    return text;
}

}  // namespace

std::string DescribeAssignment(const KeyCode& code, std::span<const std::string> macroNames,
                               const LanguageLookup& translate) {
    const uint8_t type = code[0], a = code[1], b = code[2];
    auto byte1 = [a](const KeyCode& row) { return row[1] == a; };
    auto bytes12 = [a, b](const KeyCode& row) { return row[1] == a && row[2] == b; };
    switch (type) {
        case kKeyTypeNone:
        case kKeyTypeKeyboard:
            return DescribeKeyboard(code, translate);
        case kKeyTypeMouseButton:
            return TranslateFirst(kMouseButtonCodes, byte1, translate);
        case kKeyTypeSwing:
            return Translate(translate, b & 0x80 ? kSwingRightKeyName : kSwingLeftKeyName);
        case kKeyTypeWheel:
            return Translate(translate, b & 0x80 ? kWheelDownKeyName : kWheelUpKeyName);
        case kKeyTypeDpi:
            return TranslateFirst(kDpiCodes, byte1, translate);
        case kKeyTypeFire:
            return Translate(translate, kFireKeyName);
        case kKeyTypeDpiShift:
            return TranslateFirst(
                kMouseFunctionCodes, [](const KeyCode& row) { return row[0] == kKeyTypeDpiShift; },
                translate);
        case kKeyTypeShortcut:
            return TranslateFirst(kShortcutCodes, bytes12, translate);
        case kKeyTypeShowWindow:
            return TranslateFirst(
                kMouseFunctionCodes, [&code](const KeyCode& row) { return row == code; },
                translate);
        case kKeyTypeMedia:
            return TranslateFirst(kMediaCodes, bytes12, translate);
        case kKeyTypeSystem:
            return TranslateFirst(kSystemCodes, bytes12, translate);
        case kKeyTypeMacro:
        case kKeyTypeMacroRepeat:
            // A stale index (the macro was deleted) names nothing.
            return a < macroNames.size() ? macroNames[a] : std::string();
        case kKeyTypeGun:
            return a < kGunNames.size() ? Translate(translate, kGunNames[a]) : std::string();
        case kKeyTypeSpecial: {
            std::string text = TranslateFirst(
                kMouseFunctionCodes,
                [a](const KeyCode& row) { return row[0] == kKeyTypeSpecial && row[1] == a; },
                translate);
            if (text.empty()) {
                text = TranslateFirst(
                    kKeyTable, [&code](const KeyCode& row) { return row == code; }, translate);
            }
            return text;
        }
        case kKeyTypePointerMove:
        case 0x21:
        case 0x50:
        case 0x60:
        case kKeyTypeComboPage:
        case 0xC0:
            return {};
        default:
            return std::string(kUnknownTypeText);
    }
}

bool TakesLastLeftClick(std::span<const KeyListEntry> keys, size_t button, const KeyCode& code) {
    if (button >= keys.size() || code == kLeftClickCode ||
        keys[button].current.code != kLeftClickCode) {
        return false;
    }
    for (size_t other = 0; other < keys.size(); ++other) {
        if (other != button && keys[other].current.code == kLeftClickCode) {
            return false;
        }
    }
    return true;
}
