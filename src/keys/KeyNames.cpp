// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/KeyNames.h"

#include <algorithm>
#include <cstdio>

#include "keys/KeyTables.h"

std::vector<std::string_view> KeyTableLanguageKeys() {
    std::vector<std::string_view> keys;
    auto add = [&keys](std::string_view key) {
        if (std::ranges::find(keys, key) == keys.end())
            keys.push_back(key);
    };
    auto addRows = [&add](const auto& table) {
        for (const auto& row : table)
            add(row.key);
    };
    addRows(kMouseButtonCodes);
    addRows(kDpiCodes);
    addRows(kSystemCodes);
    addRows(kMediaCodes);
    addRows(kComboKeyCodes);
    addRows(kShortcutCodes);
    addRows(kMouseFunctionCodes);
    for (std::string_view key : {kFireKeyName, kSwingLeftKeyName, kSwingRightKeyName,
                                 kWheelUpKeyName, kWheelDownKeyName, kNoFunctionKeyName})
        add(key);
    std::ranges::for_each(kGunNames, add);
    std::ranges::for_each(kMouseButtonNames, add);
    addRows(kKeyTable);
    addRows(kExtendedKeyTable);
    add(kUnnamedKeyName);
    addRows(kMouseEventTable);
    return keys;
}

std::string KeyCodeHex(const KeyCode& code) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X %02X %02X", code[0], code[1], code[2]);
    return text;
}

std::string DescribeAssignmentIn(const CLanguageFile& language, const KeyCode& code,
                                 std::span<const std::string> macroNames) {
    bool missing = false;
    const std::string text =
        DescribeAssignment(code, macroNames, [&](std::string_view key) -> std::string {
            if (const std::string* found = language.Find(key))
                return *found;
            missing = true;
            return {};
        });
    return missing ? KeyCodeHex(code) : text;
}
