// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "keys/KeyTables.h"

// A table declared longer than its rows ends in empty rows: the language keys below are never
// empty and the scan codes never 0, so such a row fails those checks.
static_assert(kScanCodeTable.size() <= kKeyTable.size());

namespace {

std::vector<std::string_view> AllLanguageKeys() {
    std::vector<std::string_view> keys;
    auto add = [&keys](const auto& table) {
        for (const auto& row : table) {
            keys.push_back(row.key);
        }
    };
    add(kMouseButtonCodes);
    add(kDpiCodes);
    add(kSystemCodes);
    add(kMediaCodes);
    add(kComboKeyCodes);
    add(kShortcutCodes);
    add(kMouseFunctionCodes);
    add(kKeyTable);
    add(kMouseEventTable);
    keys.insert(keys.end(), kGunNames.begin(), kGunNames.end());
    keys.insert(keys.end(), kMouseButtonNames.begin(), kMouseButtonNames.end());
    keys.insert(keys.end(), {kFireKeyName, kSwingLeftKeyName, kSwingRightKeyName, kWheelUpKeyName,
                             kWheelDownKeyName, kNoFunctionKeyName});
    return keys;
}

}  // namespace

TEST(KeyTablesTest, EveryLanguageKeyIsWellFormed) {
    for (std::string_view key : AllLanguageKeys()) {
        ASSERT_FALSE(key.empty());
        EXPECT_TRUE(key.front() >= 'a' && key.front() <= 'z') << key;
        EXPECT_NE(key.back(), ' ') << key;
        EXPECT_EQ(key.find("  "), std::string_view::npos) << key;
        EXPECT_TRUE(std::all_of(key.begin(), key.end(), [](char c) {
            return c >= ' ' && c <= '~';
        })) << key;
    }
}

TEST(KeyTablesTest, KeyTableRowsFollowTheirLayout) {
    std::set<KeyCode> codes;
    for (size_t row = 0; row < kKeyTable.size(); ++row) {
        const KeyCodeName& entry = kKeyTable[row];
        EXPECT_TRUE(codes.insert(entry.code).second) << "duplicate code in row " << row;
        if (row == 130) {
            EXPECT_EQ(entry.key, "wed_stop");
        } else {
            EXPECT_TRUE(entry.key.starts_with("keyboard_key_")) << row;
        }
        if (row < kModifierRowCount) {
            EXPECT_EQ(entry.code, MakeKeyboardCode(static_cast<uint8_t>(1u << row), 0)) << row;
        } else if (row < kKeyboardRowCount) {
            EXPECT_EQ(entry.code[0], kKeyTypeKeyboard) << row;
            EXPECT_EQ(entry.code[1], 0) << row;
            EXPECT_GE(entry.code[2], 0x04) << row;
        } else {
            EXPECT_NE(entry.code[0], kKeyTypeKeyboard) << row;
        }
    }
    // The letters, digits and F keys run in usage order.
    for (size_t i = 0; i < 26; ++i) {
        EXPECT_EQ(kKeyTable[8 + i].key, "keyboard_key_" + std::string(1, char('A' + i)));
        EXPECT_EQ(kKeyTable[8 + i].code[2], 0x04 + i);
    }
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(kKeyTable[61 + i].key, "keyboard_key_F" + std::to_string(i + 1));
        EXPECT_EQ(kKeyTable[61 + i].code[2], 0x3A + i);
    }
}

TEST(KeyTablesTest, MediaSystemAndComboCodesAgreeWithTheKeyTable) {
    std::multiset<KeyCode> mediaRows, keyRows;
    for (const KeyCodeName& row : kMediaCodes) {
        EXPECT_EQ(row.code[0], kKeyTypeMedia);
        mediaRows.insert(row.code);
    }
    for (const KeyCodeName& row : kKeyTable) {
        if (row.code[0] == kKeyTypeMedia) {
            keyRows.insert(row.code);
        }
    }
    EXPECT_EQ(mediaRows, keyRows);
    EXPECT_EQ(std::set<KeyCode>(mediaRows.begin(), mediaRows.end()).size(), kMediaCodes.size());

    for (size_t i = 0; i < kSystemCodes.size(); ++i) {
        EXPECT_EQ(kSystemCodes[i].code, kKeyTable[132 + i].code);
    }
    std::set<KeyCode> combos;
    for (const KeyCodeName& row : kComboKeyCodes) {
        EXPECT_EQ(row.code[1], kModRightCtrl) << row.key;
        EXPECT_TRUE(std::any_of(kKeyTable.begin(), kKeyTable.end(), [&](const KeyCodeName& key) {
            return key.code == MakeKeyboardCode(0, row.code[2]);
        })) << row.key;
        EXPECT_TRUE(combos.insert(row.code).second) << row.key;
    }
    for (size_t n = 0; n < kShortcutCodes.size(); ++n) {
        EXPECT_EQ(kShortcutCodes[n].code, (KeyCode{kKeyTypeShortcut, 0, static_cast<uint8_t>(n)}));
    }
}

TEST(KeyTablesTest, MouseButtonCodesNameTheirButtonBit) {
    const std::map<uint8_t, std::string_view> names = {{kMouseLeft, "mouse_key_left"},
                                                       {kMouseRight, "mouse_key_right"},
                                                       {kMouseMiddle, "mouse_key_middle"},
                                                       {kMouseBack, "mouse_key_back"},
                                                       {kMouseForward, "mouse_key_forward"}};
    std::set<uint8_t> bits;
    for (const KeyCodeName& row : kMouseButtonCodes) {
        EXPECT_EQ(row.code[0], kKeyTypeMouseButton);
        EXPECT_EQ(names.at(row.code[1]), row.key);
        bits.insert(row.code[1]);
    }
    EXPECT_EQ(bits.size(), names.size());
    // The mouse-event table pairs a down and an up row per button.
    for (size_t row = 0; row < 10; row += 2) {
        const MouseEventEntry& down = kMouseEventTable[row];
        const MouseEventEntry& up = kMouseEventTable[row + 1];
        EXPECT_EQ(names.at(down.code[1]), down.key) << row;
        EXPECT_EQ(down.code, (KeyCode{kKeyTypeMouseButton, down.code[1], 0x81})) << row;
        EXPECT_EQ(up.code, (KeyCode{kKeyTypeMouseButton, down.code[1], 0x01})) << row;
        EXPECT_EQ(up.message, down.message + 1) << row;
        EXPECT_EQ(up.key, down.key) << row;
    }
    // Pointer moves: byte 2 holds the event type, which the row also gives as its "message".
    for (size_t row = 10; row < 14; ++row) {
        const MouseEventEntry& move = kMouseEventTable[row];
        EXPECT_EQ(move.code[0], kKeyTypePointerMove);
        EXPECT_EQ(move.code[2] & 0x7F, move.message) << row;
        EXPECT_EQ((move.code[2] & 0x80) != 0, row % 2 == 0) << row;  // left and up set bit 7
    }
}

TEST(KeyTablesTest, ScanCodesAreUniqueAndFindTheirOwnRow) {
    for (size_t row = 0; row < kScanCodeTable.size(); ++row) {
        const ScanCodeEntry& scan = kScanCodeTable[row];
        EXPECT_NE(scan.scanCode, 0) << row;
        EXPECT_LT(scan.scanCode, 0x80) << row;
        EXPECT_EQ(FindScanEntry(scan.scanCode, scan.extended), row);
    }
}

TEST(KeyTablesTest, FindScanEntryMatchesCodeAndFlag) {
    struct Case {
        uint32_t scanCode;
        bool extended;
        std::string_view key;  // empty: no row
    };
    const Case cases[] = {
        {0x1D, true, "keyboard_key_RCtrl"},
        {0x1D, false, "keyboard_key_LCtrl"},
        {0x45, false, "keyboard_key_Pause"},
        {0x45, true, "keyboard_key_Num Lock"},
        {0x36, false, "keyboard_key_RShift"},
        {0x36, true, ""},  // the fake shift of E0 36
        {0x2B, false, "keyboard_key_xiegang"},
        {0x1C, true, "keyboard_key_Num Enter"},
        {0x11D, true, ""},
        {0x00, false, ""},
        {0x7F, false, ""},
        {0xFFFFFFFF, false, ""},
    };
    for (const Case& c : cases) {
        const std::optional<size_t> row = FindScanEntry(c.scanCode, c.extended);
        EXPECT_EQ(row ? kKeyTable[*row].key : std::string_view(), c.key) << c.scanCode;
    }
}
