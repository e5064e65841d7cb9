// SPDX-License-Identifier: GPL-2.0-or-later
// The constant tables that pair key function codes with their language keys. The editor's choice
// lists hold their items in row order, so list position i stands for row i.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "keys/KeyCodes.h"

struct KeyCodeName {
    KeyCode code;
    std::string_view key;  // language key
};

inline constexpr std::array<KeyCodeName, 5> kMouseButtonCodes = {{
    {{0x10, 0x01, 0x00}, "mouse_key_left"},
    {{0x10, 0x04, 0x00}, "mouse_key_middle"},
    {{0x10, 0x02, 0x00}, "mouse_key_right"},
    {{0x10, 0x10, 0x00}, "mouse_key_forward"},
    {{0x10, 0x08, 0x00}, "mouse_key_back"},
}};

inline constexpr std::array<KeyCodeName, 3> kDpiCodes = {{
    {{0x13, 0x01, 0x00}, "mouse_key_DPI_add"},
    {{0x13, 0x02, 0x00}, "mouse_key_DPI_sub"},
    {{0x13, 0x03, 0x00}, "mouse_key_DPI_loop"},
}};

inline constexpr std::array<KeyCodeName, 3> kSystemCodes = {{
    {{0x40, 0x01, 0x00}, "system_power"},
    {{0x40, 0x02, 0x00}, "system_sleep"},
    {{0x40, 0x04, 0x00}, "system_wake_up"},
}};

inline constexpr std::array<KeyCodeName, 18> kMediaCodes = {{
    {MakeMediaCode(0x0183), "media_text"},
    {MakeMediaCode(0x00CD), "media_play"},
    {MakeMediaCode(0x00B7), "media_stop"},
    {MakeMediaCode(0x00B6), "media_prev"},
    {MakeMediaCode(0x00B5), "media_next"},
    {MakeMediaCode(0x00EA), "media_vol_sub"},
    {MakeMediaCode(0x00E9), "media_vol_add"},
    {MakeMediaCode(0x00E2), "media_mute"},
    {MakeMediaCode(0x0223), "web_text"},
    {MakeMediaCode(0x0227), "web_refresh"},
    {MakeMediaCode(0x0226), "wed_stop"},
    {MakeMediaCode(0x0224), "wed_back"},
    {MakeMediaCode(0x0225), "wed_forward"},
    {MakeMediaCode(0x022A), "wed_favorite"},
    {MakeMediaCode(0x0221), "web_search"},
    {MakeMediaCode(0x0194), "media_mypc"},
    {MakeMediaCode(0x0192), "media_calc"},
    {MakeMediaCode(0x018A), "media_mail"},
}};

// Right Ctrl plus a key. Described through kKeyTable, not through these keys.
inline constexpr std::array<KeyCodeName, 11> kComboKeyCodes = {{
    {{0x20, 0x10, 0x12}, "custem_open"},
    {{0x20, 0x10, 0x11}, "custem_new"},
    {{0x20, 0x10, 0x1D}, "custem_undo"},
    {{0x20, 0x10, 0x16}, "custem_save"},
    {{0x20, 0x10, 0x06}, "custem_copy"},
    {{0x20, 0x10, 0x1B}, "custem_cut"},
    {{0x20, 0x10, 0x19}, "custem_paste"},
    {{0x20, 0x10, 0x09}, "custem_find"},
    {{0x20, 0x10, 0x04}, "custem_select_all"},
    {{0x20, 0x10, 0x2D}, "custem_narrow"},
    {{0x20, 0x10, 0x2E}, "custem_magnify"},
}};

inline constexpr std::array<KeyCodeName, 9> kShortcutCodes = {{
    {{0x22, 0x00, 0x00}, "custem_cut"},
    {{0x22, 0x00, 0x01}, "custem_copy"},
    {{0x22, 0x00, 0x02}, "custem_paste"},
    {{0x22, 0x00, 0x03}, "custem_undo"},
    {{0x22, 0x00, 0x04}, "custem_select_all"},
    {{0x22, 0x00, 0x05}, "custem_find"},
    {{0x22, 0x00, 0x06}, "custem_new"},
    {{0x22, 0x00, 0x07}, "custem_save"},
    {{0x22, 0x00, 0x08}, "custem_open"},
}};

// Only the rows of types 0x16, 0x23 and 0xA0 are ever looked up: every other type is described
// through its own table (rows 1 and 2 pair 0x02 and 0x04 the other way round from the button bits).
inline constexpr std::array<KeyCodeName, 15> kMouseFunctionCodes = {{
    {{0x10, 0x01, 0x00}, "mouse_key_left"},
    {{0x10, 0x02, 0x00}, "mouse_key_middle"},
    {{0x10, 0x04, 0x00}, "mouse_key_right"},
    {{0x10, 0x10, 0x00}, "mouse_key_forward"},
    {{0x10, 0x08, 0x00}, "mouse_key_back"},
    {{0x14, 0x50, 0x02}, "mouse_key_fire_key"},
    {{0x20, 0x00, 0x00}, "mouse_key_shortcut_key"},
    {{0x20, 0x80, 0x00}, "win_key_text"},
    {{0xA0, 0x02, 0x00}, "mouse_key_smart_key"},
    {{0xA0, 0x00, 0x00}, "close_text"},
    {{0x13, 0x03, 0x00}, "mouse_key_DPI_loop"},
    {{0x13, 0x01, 0x00}, "mouse_key_DPI_add"},
    {{0x13, 0x02, 0x00}, "mouse_key_DPI_sub"},
    {{0x16, 0x00, 0x00}, "mouse_key_DPI_shift"},
    {{0x23, 0x00, 0x00}, "show_window"},
}};

// Keys of the functions that carry their parameters in the code.
inline constexpr std::string_view kFireKeyName = "mouse_key_fire_key";
inline constexpr std::string_view kSwingLeftKeyName = "mouse_key_left_Swing";
inline constexpr std::string_view kSwingRightKeyName = "mouse_key_right_Swing";
inline constexpr std::string_view kWheelUpKeyName = "mouse_key_up_Swing";
inline constexpr std::string_view kWheelDownKeyName = "mouse_key_down_Swing";
inline constexpr std::string_view kNoFunctionKeyName = "close_text";

// By gun number (type 0x72).
inline constexpr std::array<std::string_view, 4> kGunNames = {"gun_1_txt", "gun_2_txt", "gun_3_txt",
                                                              "gun_4_txt"};

// The mouse's 11 buttons by key-list index.
inline constexpr std::array<std::string_view, 11> kMouseButtonNames = {
    "mouse_key_left",  "mouse_key_right",   "mouse_key_middle",  "mouse_key_forward",
    "mouse_key_back",  "mouse_key_DPI_add", "mouse_key_DPI_sub", "mouse_key_DPI_loop",
    "keyboard_key_GM", "mouse_key_M8_key",  "mouse_key_fire_key"};

// Every key the tool can name. Rows 0-7 are the modifiers (one bit each), rows 8-113 the keys
// (usage in byte 2); the rest are media, system, M and special keys with no scan code.
inline constexpr size_t kModifierRowCount = 8;
inline constexpr size_t kKeyboardRowCount = 114;
inline constexpr std::array<KeyCodeName, 142> kKeyTable = {{
    // 0
    {MakeKeyboardCode(0x01, 0x00), "keyboard_key_LCtrl"},
    {MakeKeyboardCode(0x02, 0x00), "keyboard_key_LShift"},
    {MakeKeyboardCode(0x04, 0x00), "keyboard_key_LAlt"},
    {MakeKeyboardCode(0x08, 0x00), "keyboard_key_LWin"},
    {MakeKeyboardCode(0x10, 0x00), "keyboard_key_RCtrl"},
    {MakeKeyboardCode(0x20, 0x00), "keyboard_key_RShift"},
    {MakeKeyboardCode(0x40, 0x00), "keyboard_key_RAlt"},
    {MakeKeyboardCode(0x80, 0x00), "keyboard_key_RWin"},
    // 8
    {MakeKeyboardCode(0, 0x04), "keyboard_key_A"},
    {MakeKeyboardCode(0, 0x05), "keyboard_key_B"},
    {MakeKeyboardCode(0, 0x06), "keyboard_key_C"},
    {MakeKeyboardCode(0, 0x07), "keyboard_key_D"},
    {MakeKeyboardCode(0, 0x08), "keyboard_key_E"},
    {MakeKeyboardCode(0, 0x09), "keyboard_key_F"},
    {MakeKeyboardCode(0, 0x0A), "keyboard_key_G"},
    {MakeKeyboardCode(0, 0x0B), "keyboard_key_H"},
    {MakeKeyboardCode(0, 0x0C), "keyboard_key_I"},
    {MakeKeyboardCode(0, 0x0D), "keyboard_key_J"},
    {MakeKeyboardCode(0, 0x0E), "keyboard_key_K"},
    {MakeKeyboardCode(0, 0x0F), "keyboard_key_L"},
    {MakeKeyboardCode(0, 0x10), "keyboard_key_M"},
    {MakeKeyboardCode(0, 0x11), "keyboard_key_N"},
    {MakeKeyboardCode(0, 0x12), "keyboard_key_O"},
    {MakeKeyboardCode(0, 0x13), "keyboard_key_P"},
    {MakeKeyboardCode(0, 0x14), "keyboard_key_Q"},
    {MakeKeyboardCode(0, 0x15), "keyboard_key_R"},
    {MakeKeyboardCode(0, 0x16), "keyboard_key_S"},
    {MakeKeyboardCode(0, 0x17), "keyboard_key_T"},
    {MakeKeyboardCode(0, 0x18), "keyboard_key_U"},
    {MakeKeyboardCode(0, 0x19), "keyboard_key_V"},
    {MakeKeyboardCode(0, 0x1A), "keyboard_key_W"},
    {MakeKeyboardCode(0, 0x1B), "keyboard_key_X"},
    {MakeKeyboardCode(0, 0x1C), "keyboard_key_Y"},
    {MakeKeyboardCode(0, 0x1D), "keyboard_key_Z"},
    // 34
    {MakeKeyboardCode(0, 0x1E), "keyboard_key_1"},
    {MakeKeyboardCode(0, 0x1F), "keyboard_key_2"},
    {MakeKeyboardCode(0, 0x20), "keyboard_key_3"},
    {MakeKeyboardCode(0, 0x21), "keyboard_key_4"},
    {MakeKeyboardCode(0, 0x22), "keyboard_key_5"},
    {MakeKeyboardCode(0, 0x23), "keyboard_key_6"},
    {MakeKeyboardCode(0, 0x24), "keyboard_key_7"},
    {MakeKeyboardCode(0, 0x25), "keyboard_key_8"},
    {MakeKeyboardCode(0, 0x26), "keyboard_key_9"},
    {MakeKeyboardCode(0, 0x27), "keyboard_key_0"},
    // 44
    {MakeKeyboardCode(0, 0x28), "keyboard_key_Enter"},
    {MakeKeyboardCode(0, 0x29), "keyboard_key_Esc"},
    {MakeKeyboardCode(0, 0x2A), "keyboard_key_BackSpace"},
    {MakeKeyboardCode(0, 0x2B), "keyboard_key_Tab"},
    {MakeKeyboardCode(0, 0x2C), "keyboard_key_Space"},
    {MakeKeyboardCode(0, 0x2D), "keyboard_key_-"},
    {MakeKeyboardCode(0, 0x2E), "keyboard_key_="},
    {MakeKeyboardCode(0, 0x2F), "keyboard_key_["},
    {MakeKeyboardCode(0, 0x30), "keyboard_key_]"},
    {MakeKeyboardCode(0, 0x31), "keyboard_key_xiegang"},
    // 54
    {MakeKeyboardCode(0, 0x33), "keyboard_key_;"},
    {MakeKeyboardCode(0, 0x34), "keyboard_key_'"},
    {MakeKeyboardCode(0, 0x35), "keyboard_key_`"},
    {MakeKeyboardCode(0, 0x36), "keyboard_key_<"},
    {MakeKeyboardCode(0, 0x37), "keyboard_key_."},
    {MakeKeyboardCode(0, 0x38), "keyboard_key_/"},
    // 60
    {MakeKeyboardCode(0, 0x39), "keyboard_key_Caplk"},
    // 61
    {MakeKeyboardCode(0, 0x3A), "keyboard_key_F1"},
    {MakeKeyboardCode(0, 0x3B), "keyboard_key_F2"},
    {MakeKeyboardCode(0, 0x3C), "keyboard_key_F3"},
    {MakeKeyboardCode(0, 0x3D), "keyboard_key_F4"},
    {MakeKeyboardCode(0, 0x3E), "keyboard_key_F5"},
    {MakeKeyboardCode(0, 0x3F), "keyboard_key_F6"},
    {MakeKeyboardCode(0, 0x40), "keyboard_key_F7"},
    {MakeKeyboardCode(0, 0x41), "keyboard_key_F8"},
    {MakeKeyboardCode(0, 0x42), "keyboard_key_F9"},
    {MakeKeyboardCode(0, 0x43), "keyboard_key_F10"},
    {MakeKeyboardCode(0, 0x44), "keyboard_key_F11"},
    {MakeKeyboardCode(0, 0x45), "keyboard_key_F12"},
    // 73
    {MakeKeyboardCode(0, 0x46), "keyboard_key_Print Scr"},
    {MakeKeyboardCode(0, 0x47), "keyboard_key_Scroll Lock"},
    {MakeKeyboardCode(0, 0x48), "keyboard_key_Pause"},
    // 76
    {MakeKeyboardCode(0, 0x49), "keyboard_key_Insert"},
    {MakeKeyboardCode(0, 0x4A), "keyboard_key_Home"},
    {MakeKeyboardCode(0, 0x4B), "keyboard_key_Page Up"},
    {MakeKeyboardCode(0, 0x4C), "keyboard_key_Delete"},
    {MakeKeyboardCode(0, 0x4D), "keyboard_key_End"},
    {MakeKeyboardCode(0, 0x4E), "keyboard_key_Page Down"},
    {MakeKeyboardCode(0, 0x4F), "keyboard_key_Right"},
    {MakeKeyboardCode(0, 0x50), "keyboard_key_Left"},
    {MakeKeyboardCode(0, 0x51), "keyboard_key_Down"},
    {MakeKeyboardCode(0, 0x52), "keyboard_key_Up"},
    // 86
    {MakeKeyboardCode(0, 0x53), "keyboard_key_Num Lock"},
    {MakeKeyboardCode(0, 0x54), "keyboard_key_Num /"},
    {MakeKeyboardCode(0, 0x55), "keyboard_key_Num *"},
    {MakeKeyboardCode(0, 0x56), "keyboard_key_Num -"},
    {MakeKeyboardCode(0, 0x57), "keyboard_key_Num +"},
    {MakeKeyboardCode(0, 0x58), "keyboard_key_Num Enter"},
    // 92
    {MakeKeyboardCode(0, 0x59), "keyboard_key_Num 1"},
    {MakeKeyboardCode(0, 0x5A), "keyboard_key_Num 2"},
    {MakeKeyboardCode(0, 0x5B), "keyboard_key_Num 3"},
    {MakeKeyboardCode(0, 0x5C), "keyboard_key_Num 4"},
    {MakeKeyboardCode(0, 0x5D), "keyboard_key_Num 5"},
    {MakeKeyboardCode(0, 0x5E), "keyboard_key_Num 6"},
    {MakeKeyboardCode(0, 0x5F), "keyboard_key_Num 7"},
    {MakeKeyboardCode(0, 0x60), "keyboard_key_Num 8"},
    {MakeKeyboardCode(0, 0x61), "keyboard_key_Num 9"},
    {MakeKeyboardCode(0, 0x62), "keyboard_key_Num 0"},
    {MakeKeyboardCode(0, 0x63), "keyboard_key_Decimal"},
    // 103
    {MakeKeyboardCode(0, 0x65), "keyboard_key_App"},
    // 104: the international keys, named by their key position numbers
    {MakeKeyboardCode(0, 0x64), "keyboard_key_K45"},
    {MakeKeyboardCode(0, 0x87), "keyboard_key_K56"},
    {MakeKeyboardCode(0, 0x89), "keyboard_key_K14"},
    {MakeKeyboardCode(0, 0x85), "keyboard_key_K107"},
    {MakeKeyboardCode(0, 0x8B), "keyboard_key_K131"},
    {MakeKeyboardCode(0, 0x8A), "keyboard_key_K132"},
    {MakeKeyboardCode(0, 0x88), "keyboard_key_K133"},
    {MakeKeyboardCode(0, 0x91), "keyboard_key_K150"},
    {MakeKeyboardCode(0, 0x90), "keyboard_key_K151"},
    // 113: no scan code of its own (it shares the backslash position)
    {MakeKeyboardCode(0, 0x32), "keyboard_key_K42"},
    // 114
    {MakeMediaCode(0x0192), "keyboard_key_Launch App2"},
    {MakeMediaCode(0x0223), "keyboard_key_Browaer Home"},
    {MakeMediaCode(0x00CD), "keyboard_key_Media Play Pause"},
    {MakeMediaCode(0x0221), "keyboard_key_Browser Search"},
    {MakeMediaCode(0x018A), "keyboard_key_Launch Mail"},
    {MakeMediaCode(0x00E9), "keyboard_key_Volume Up"},
    {MakeMediaCode(0x00E2), "keyboard_key_Volume Mute"},
    {MakeMediaCode(0x00B7), "keyboard_key_Media Stop"},
    {MakeMediaCode(0x00EA), "keyboard_key_Volume Down"},
    {MakeMediaCode(0x022A), "keyboard_key_Browser Favorites"},
    {MakeMediaCode(0x0225), "keyboard_key_Browser ForWard"},
    {MakeMediaCode(0x0224), "keyboard_key_Browser Back"},
    {MakeMediaCode(0x00B6), "keyboard_key_Media Prev Track"},
    {MakeMediaCode(0x00B5), "keyboard_key_Media Next Track"},
    {MakeMediaCode(0x0194), "keyboard_key_Computer"},
    {MakeMediaCode(0x0227), "keyboard_key_Browser Refresh"},
    {MakeMediaCode(0x0226), "wed_stop"},
    {MakeMediaCode(0x0183), "keyboard_key_Launch Media Select"},
    // 132
    {{0x40, 0x01, 0x00}, "keyboard_key_Power"},
    {{0x40, 0x02, 0x00}, "keyboard_key_Sleep"},
    {{0x40, 0x04, 0x00}, "keyboard_key_Wakeup"},
    // 135
    {{0xD0, 0xA2, 0x01}, "keyboard_key_M1"},
    {{0xD0, 0xA2, 0x02}, "keyboard_key_M2"},
    {{0xD0, 0xA2, 0x03}, "keyboard_key_M3"},
    {{0xD0, 0xA2, 0x04}, "keyboard_key_M4"},
    {{0xD0, 0xA2, 0x05}, "keyboard_key_M5"},
    // 140
    {{0xA0, 0x01, 0x00}, "keyboard_key_FN"},
    {{0xA0, 0x1B, 0x00}, "keyboard_key_GM"},
}};

// Keys the mouse can send that have no row of kKeyTable: F13 .. F24 (usages 0x68 .. 0x73).
inline constexpr std::array<KeyCodeName, 12> kExtendedKeyTable = {{
    {MakeKeyboardCode(0, 0x68), "keyboard_key_F13"},
    {MakeKeyboardCode(0, 0x69), "keyboard_key_F14"},
    {MakeKeyboardCode(0, 0x6A), "keyboard_key_F15"},
    {MakeKeyboardCode(0, 0x6B), "keyboard_key_F16"},
    {MakeKeyboardCode(0, 0x6C), "keyboard_key_F17"},
    {MakeKeyboardCode(0, 0x6D), "keyboard_key_F18"},
    {MakeKeyboardCode(0, 0x6E), "keyboard_key_F19"},
    {MakeKeyboardCode(0, 0x6F), "keyboard_key_F20"},
    {MakeKeyboardCode(0, 0x70), "keyboard_key_F21"},
    {MakeKeyboardCode(0, 0x71), "keyboard_key_F22"},
    {MakeKeyboardCode(0, 0x72), "keyboard_key_F23"},
    {MakeKeyboardCode(0, 0x73), "keyboard_key_F24"},
}};
// A key usage no table names is shown as this word and its number ("Key 0x67"), never dropped.
inline constexpr std::string_view kUnnamedKeyName = "keyboard_key_unnamed";

// A key as a keyboard event names it: the set-1 scan code and the extended (E0) flag, in the
// convention of the keyboard hook (Num Lock carries the flag, Pause does not).
struct ScanCodeEntry {
    uint8_t scanCode = 0;
    bool extended = false;

    bool operator==(const ScanCodeEntry&) const = default;
};

// Row i is how row i of kKeyTable is recognised; rows 113 and on of kKeyTable have none.
// clang-format off
inline constexpr std::array<ScanCodeEntry, 113> kScanCodeTable = {{
    // 0: modifiers. Right Shift has no E0 prefix; E0 36 is the fake shift that keyboards send
    // around the grey keys.
    {0x1D, false}, {0x2A, false}, {0x38, false}, {0x5B, true},
    {0x1D, true},  {0x36, false}, {0x38, true},  {0x5C, true},
    // 8: A .. Z
    {0x1E, false}, {0x30, false}, {0x2E, false}, {0x20, false}, {0x12, false}, {0x21, false},
    {0x22, false}, {0x23, false}, {0x17, false}, {0x24, false}, {0x25, false}, {0x26, false},
    {0x32, false}, {0x31, false}, {0x18, false}, {0x19, false}, {0x10, false}, {0x13, false},
    {0x1F, false}, {0x14, false}, {0x16, false}, {0x2F, false}, {0x11, false}, {0x2D, false},
    {0x15, false}, {0x2C, false},
    // 34: 1 .. 9, 0
    {0x02, false}, {0x03, false}, {0x04, false}, {0x05, false}, {0x06, false},
    {0x07, false}, {0x08, false}, {0x09, false}, {0x0A, false}, {0x0B, false},
    // 44
    {0x1C, false}, {0x01, false}, {0x0E, false}, {0x0F, false}, {0x39, false},
    {0x0C, false}, {0x0D, false}, {0x1A, false}, {0x1B, false}, {0x2B, false},
    // 54
    {0x27, false}, {0x28, false}, {0x29, false}, {0x33, false}, {0x34, false}, {0x35, false},
    // 60
    {0x3A, false},
    // 61: F1 .. F12
    {0x3B, false}, {0x3C, false}, {0x3D, false}, {0x3E, false}, {0x3F, false}, {0x40, false},
    {0x41, false}, {0x42, false}, {0x43, false}, {0x44, false}, {0x57, false}, {0x58, false},
    // 73
    {0x37, true},  {0x46, false}, {0x45, false},
    // 76
    {0x52, true},  {0x47, true},  {0x49, true},  {0x53, true},  {0x4F, true},
    {0x51, true},  {0x4D, true},  {0x4B, true},  {0x50, true},  {0x48, true},
    // 86
    {0x45, true},  {0x35, true},  {0x37, false}, {0x4A, false}, {0x4E, false}, {0x1C, true},
    // 92: Num 1 .. Num 9, Num 0, Decimal
    {0x4F, false}, {0x50, false}, {0x51, false}, {0x4B, false}, {0x4C, false}, {0x4D, false},
    {0x47, false}, {0x48, false}, {0x49, false}, {0x52, false}, {0x53, false},
    // 103
    {0x5D, true},
    // 104
    {0x56, false}, {0x73, false}, {0x7D, false}, {0x7E, false}, {0x7B, false},
    {0x79, false}, {0x70, false}, {0x71, false}, {0x72, false},
}};
// clang-format on

// The first kScanCodeTable row (= kKeyTable row) with this scan code and extended flag.
std::optional<size_t> FindScanEntry(uint32_t scanCode, bool extended);

struct MouseEventEntry {
    uint16_t message;  // the button message, or the macro event type (4, 5) of a pointer move
    KeyCode code;      // byte 2: bit 7 "down" (left/up for a move), bits 0-6 the macro event type
    std::string_view key;
};

inline constexpr std::array<MouseEventEntry, 15> kMouseEventTable = {{
    {513, {0x10, 0x01, 0x81}, "mouse_key_left"},
    {514, {0x10, 0x01, 0x01}, "mouse_key_left"},
    {516, {0x10, 0x02, 0x81}, "mouse_key_right"},
    {517, {0x10, 0x02, 0x01}, "mouse_key_right"},
    {519, {0x10, 0x04, 0x81}, "mouse_key_middle"},
    {520, {0x10, 0x04, 0x01}, "mouse_key_middle"},
    {523, {0x10, 0x10, 0x81}, "mouse_key_forward"},
    {524, {0x10, 0x10, 0x01}, "mouse_key_forward"},
    {523, {0x10, 0x08, 0x81}, "mouse_key_back"},
    {524, {0x10, 0x08, 0x01}, "mouse_key_back"},
    {4, {0x15, 0x00, 0x84}, "mouse_move_to_left_text"},
    {4, {0x15, 0x00, 0x04}, "mouse_move_to_right_text"},
    {5, {0x15, 0x00, 0x85}, "mouse_move_to_up_text"},
    {5, {0x15, 0x00, 0x05}, "mouse_move_to_down_text"},
    {522, {0x12, 0x00, 0x00}, "mouse_cursor_text"},
}};
