// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "keys/KeyCodes.h"
#include "keys/KeyTables.h"

namespace {

// Marks every translated key so a test sees what was translated and what was shown as stored.
std::string T(std::string_view key) {
    return "{" + std::string(key) + "}";
}
const LanguageLookup kLookup = [](std::string_view key) { return T(key); };

std::string Describe(const KeyCode& code, const std::vector<std::string>& macros = {}) {
    return DescribeAssignment(code, macros, kLookup);
}

}  // namespace

TEST(DescribeAssignmentTest, NamesEachFunctionThroughItsTable) {
    struct Case {
        KeyCode code;
        std::string expected;
    };
    const std::string off(kUnknownTypeText);
    const Case cases[] = {
        {{0x10, 0x02, 0x00}, T("mouse_key_right")},
        {{0x10, 0x04, 0x00}, T("mouse_key_middle")},
        {{0x10, 0x20, 0x00}, ""},
        {{0x11, 0x35, 0x83}, T("mouse_key_right_Swing")},
        {{0x11, 0x35, 0x03}, T("mouse_key_left_Swing")},
        {{0x12, 0x22, 0xFD}, T("mouse_key_down_Swing")},
        {{0x12, 0x22, 0x03}, T("mouse_key_up_Swing")},
        {{0x13, 0x03, 0x00}, T("mouse_key_DPI_loop")},
        {{0x13, 0x04, 0x00}, ""},
        {{0x14, 0x50, 0x02}, T("mouse_key_fire_key")},
        {{0x16, 0x90, 0x01}, T("mouse_key_DPI_shift")},
        {{0x22, 0x00, 0x08}, T("custem_open")},
        {{0x22, 0x00, 0x09}, ""},
        {{0x23, 0x00, 0x00}, T("show_window")},
        {{0x23, 0x00, 0x01}, ""},
        {{0x30, 0xE9, 0x00}, T("media_vol_add")},
        {{0x30, 0xE9, 0x01}, ""},
        {{0x40, 0x04, 0x00}, T("system_wake_up")},
        {{0x40, 0x03, 0x00}, ""},
        {{0x72, 0x03, 0x00}, T("gun_4_txt")},
        {{0x72, 0x04, 0x00}, ""},  // four guns only
        {{0xA0, 0x00, 0x00}, T("close_text")},
        {{0xA0, 0x02, 0x07}, T("mouse_key_smart_key")},
        {{0xA0, 0x01, 0x00}, T("keyboard_key_FN")},
        {{0xA0, 0x1B, 0x00}, T("keyboard_key_GM")},
        {{0xA0, 0x1B, 0x01}, ""},
        {{0xD0, 0xA2, 0x01}, off},
        {{0xC1, 0x00, 0x00}, off},
        {{0xFF, 0xFF, 0xFF}, off},
        {{0x17, 0x00, 0x00}, off},
        {{0x15, 0x00, 0x84}, ""},
        {{0x21, 0x00, 0x00}, ""},
        {{0x50, 0x00, 0x00}, ""},
        {{0x60, 0x00, 0x00}, ""},
        {{0xB0, 0x00, 0x00}, ""},
        {{0xC0, 0x00, 0x00}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(c.code), c.expected)
            << int{c.code[0]} << " " << int{c.code[1]} << " " << int{c.code[2]};
    }
}

TEST(DescribeAssignmentTest, NamesKeysAndKeyCombinations) {
    struct Case {
        KeyCode code;
        std::string expected;
    };
    const Case cases[] = {
        {{0x20, 0x00, 0x04}, T("keyboard_key_A")},
        {{0x20, 0x00, 0x00}, T("close_text")},
        {{0x00, 0x00, 0x00}, T("close_text")},
        {{0x00, 0x00, 0x04}, T("keyboard_key_A")},  // type 0 still finds the key
        {{0x20, 0x80, 0x00}, T("keyboard_key_RWin")},
        {{0x20, 0x10, 0x12}, T("keyboard_key_RCtrl") + "+" + T("keyboard_key_O")},
        {{0x20, 0x01, 0x04}, T("keyboard_key_LCtrl") + "+" + T("keyboard_key_A")},
        {{0x20, 0x01, 0xFF}, T("keyboard_key_LCtrl") + "+" + T("keyboard_key_unnamed") + " 0xFF"},
        {{0x20, 0x02, 0x68}, T("keyboard_key_LShift") + "+" + T("keyboard_key_F13")},
        {{0x20, 0x00, 0x73}, T("keyboard_key_F24")},
        // Several modifiers: each one is named, in table order.
        {{0x20, 0x03, 0x04},
         T("keyboard_key_LCtrl") + "+" + T("keyboard_key_LShift") + "+" + T("keyboard_key_A")},
        {{0x20, 0x03, 0x00}, T("keyboard_key_LCtrl") + "+" + T("keyboard_key_LShift")},
        // Masks that equal the bytes of GM and of Volume Up are still modifiers.
        {{0x20, 0x1B, 0x00},
         T("keyboard_key_LCtrl") + "+" + T("keyboard_key_LShift") + "+" + T("keyboard_key_LWin") +
             "+" + T("keyboard_key_RCtrl")},
        {{0x20, 0xE9, 0x00},
         T("keyboard_key_LCtrl") + "+" + T("keyboard_key_LWin") + "+" + T("keyboard_key_RShift") +
             "+" + T("keyboard_key_RAlt") + "+" + T("keyboard_key_RWin")},
        // A usage no table names shows as its number, never as no key or as every key.
        {{0x20, 0x00, 0xFF}, T("keyboard_key_unnamed") + " 0xFF"},
        {{0x00, 0x03, 0x04}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(c.code), c.expected)
            << int{c.code[0]} << " " << int{c.code[1]} << " " << int{c.code[2]};
    }
}

TEST(DescribeAssignmentTest, MacroNamesAreShownAsStoredWhileTheIndexIsValid) {
    const std::vector<std::string> four = {"a", "b", "c", "d"};
    const std::vector<std::string> six = {"a", "b", "c", "d", "e", "close_text"};
    EXPECT_EQ(Describe({0x70, 0x05, 0x00}, four), "");
    EXPECT_EQ(Describe({0x70, 0x05, 0x00}, six), "close_text");
    EXPECT_EQ(Describe({0x71, 0x00, 0xFF}, six), "a");
    EXPECT_EQ(Describe({0x71, 0x06, 0x01}, six), "");
    EXPECT_EQ(Describe({0x70, 0x00, 0x00}), "");
}

TEST(DescribeAssignmentTest, WithoutALookupKeysAreShownRaw) {
    EXPECT_EQ(DescribeAssignment({0x20, 0x10, 0x12}, {}, nullptr),
              "keyboard_key_RCtrl+keyboard_key_O");
}

// Every code describes as the untranslated "off" text, a macro name, nothing, or table keys
// joined with "+": no stray text and no read past a table.
TEST(DescribeAssignmentTest, EveryCodeDescribesAsKnownKeys) {
    std::set<std::string, std::less<>> keys;
    auto add = [&keys](const auto& table) {
        for (const auto& row : table) {
            keys.insert(T(row.key));
        }
    };
    add(kMouseButtonCodes);
    add(kDpiCodes);
    add(kSystemCodes);
    add(kMediaCodes);
    add(kShortcutCodes);
    add(kMouseFunctionCodes);
    add(kKeyTable);
    for (std::string_view key : kGunNames) {
        keys.insert(T(key));
    }
    for (std::string_view key : {kSwingLeftKeyName, kSwingRightKeyName, kWheelUpKeyName,
                                 kWheelDownKeyName, kFireKeyName, kNoFunctionKeyName}) {
        keys.insert(T(key));
    }
    const std::set<int> namedTypes = {0x00, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
                                      0x20, 0x21, 0x22, 0x23, 0x30, 0x40, 0x50, 0x60,
                                      0x70, 0x71, 0x72, 0xA0, 0xB0, 0xC0};
    const std::vector<std::string> macros = {"first", "second"};
    for (int t = 0; t < 256; ++t) {
        for (int a = 0; a < 256; ++a) {
            for (int b : {0x00, 0x01, 0x04, 0x7F, 0x80, 0xFF}) {
                const KeyCode code = {static_cast<uint8_t>(t), static_cast<uint8_t>(a),
                                      static_cast<uint8_t>(b)};
                const std::string text = DescribeAssignment(code, macros, kLookup);
                if (!namedTypes.contains(t)) {
                    ASSERT_EQ(text, kUnknownTypeText) << t;
                    continue;
                }
                if (text.empty() || (IsMacroCode(code) && text == macros[a])) {
                    continue;
                }
                size_t start = 0;
                while (true) {
                    // Keys may contain "+" ("keyboard_key_Num +"), so split after a closing brace.
                    const size_t end = text.find("}+", start);
                    const std::string piece =
                        text.substr(start, end == std::string::npos ? end : end + 1 - start);
                    const bool unnamed = piece.starts_with(T(kUnnamedKeyName) + " 0x");
                    ASSERT_TRUE(keys.contains(piece) || unnamed) << piece << " in " << text;
                    if (end == std::string::npos) {
                        break;
                    }
                    start = end + 2;
                }
            }
        }
    }
}
