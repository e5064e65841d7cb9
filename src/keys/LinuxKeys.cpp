// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/LinuxKeys.h"

#include <linux/input-event-codes.h>

#include <array>
#include <cstdint>

namespace {

// Row i is the Linux key of kScanCodeTable row i. The kernel reads the set-1 codes the same way
// except for 0x45: it reports the plain code as Num Lock and the E1-prefixed one as Pause, where
// the table (after the keyboard hook) flags Num Lock as extended and leaves Pause plain.
constexpr std::array<uint16_t, kScanCodeTable.size()> kLinuxKeyOfScanRow = {
    // 0: modifiers
    KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_LEFTALT, KEY_LEFTMETA, KEY_RIGHTCTRL, KEY_RIGHTSHIFT,
    KEY_RIGHTALT, KEY_RIGHTMETA,
    // 8
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
    // 34
    KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, KEY_0,
    // 44
    KEY_ENTER, KEY_ESC, KEY_BACKSPACE, KEY_TAB, KEY_SPACE, KEY_MINUS, KEY_EQUAL, KEY_LEFTBRACE,
    KEY_RIGHTBRACE, KEY_BACKSLASH,
    // 54
    KEY_SEMICOLON, KEY_APOSTROPHE, KEY_GRAVE, KEY_COMMA, KEY_DOT, KEY_SLASH,
    // 60
    KEY_CAPSLOCK,
    // 61
    KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11,
    KEY_F12,
    // 73
    KEY_SYSRQ, KEY_SCROLLLOCK, KEY_PAUSE,
    // 76
    KEY_INSERT, KEY_HOME, KEY_PAGEUP, KEY_DELETE, KEY_END, KEY_PAGEDOWN, KEY_RIGHT, KEY_LEFT,
    KEY_DOWN, KEY_UP,
    // 86
    KEY_NUMLOCK, KEY_KPSLASH, KEY_KPASTERISK, KEY_KPMINUS, KEY_KPPLUS, KEY_KPENTER,
    // 92
    KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9, KEY_KP0,
    KEY_KPDOT,
    // 103
    KEY_COMPOSE,
    // 104
    KEY_102ND, KEY_RO, KEY_YEN, KEY_KPCOMMA, KEY_MUHENKAN, KEY_HENKAN, KEY_KATAKANAHIRAGANA,
    KEY_HANJA, KEY_HANGEUL};

// Keys outside kScanCodeTable the mouse can still send.
struct LinuxKeyCode {
    uint16_t linuxKey;
    KeyCode code;
};
constexpr LinuxKeyCode kLinuxKeyCodes[] = {
    // Keyboard usages of no row.
    {KEY_KPEQUAL, MakeKeyboardCode(0, 0x67)},
    {KEY_F13, MakeKeyboardCode(0, 0x68)},
    {KEY_F14, MakeKeyboardCode(0, 0x69)},
    {KEY_F15, MakeKeyboardCode(0, 0x6A)},
    {KEY_F16, MakeKeyboardCode(0, 0x6B)},
    {KEY_F17, MakeKeyboardCode(0, 0x6C)},
    {KEY_F18, MakeKeyboardCode(0, 0x6D)},
    {KEY_F19, MakeKeyboardCode(0, 0x6E)},
    {KEY_F20, MakeKeyboardCode(0, 0x6F)},
    {KEY_F21, MakeKeyboardCode(0, 0x70)},
    {KEY_F22, MakeKeyboardCode(0, 0x71)},
    {KEY_F23, MakeKeyboardCode(0, 0x72)},
    {KEY_F24, MakeKeyboardCode(0, 0x73)},
    {KEY_OPEN, MakeKeyboardCode(0, 0x74)},
    {KEY_HELP, MakeKeyboardCode(0, 0x75)},
    {KEY_PROPS, MakeKeyboardCode(0, 0x76)},
    {KEY_FRONT, MakeKeyboardCode(0, 0x77)},
    {KEY_AGAIN, MakeKeyboardCode(0, 0x79)},
    {KEY_UNDO, MakeKeyboardCode(0, 0x7A)},
    {KEY_CUT, MakeKeyboardCode(0, 0x7B)},
    {KEY_COPY, MakeKeyboardCode(0, 0x7C)},
    {KEY_PASTE, MakeKeyboardCode(0, 0x7D)},
    {KEY_FIND, MakeKeyboardCode(0, 0x7E)},
    {KEY_KPLEFTPAREN, MakeKeyboardCode(0, 0xB6)},
    {KEY_KPRIGHTPAREN, MakeKeyboardCode(0, 0xB7)},
    // Media keys: the consumer usages the kernel reads them from.
    {KEY_PLAYPAUSE, MakeMediaCode(0x00CD)},
    {KEY_STOPCD, MakeMediaCode(0x00B7)},
    {KEY_PREVIOUSSONG, MakeMediaCode(0x00B6)},
    {KEY_NEXTSONG, MakeMediaCode(0x00B5)},
    {KEY_VOLUMEDOWN, MakeMediaCode(0x00EA)},
    {KEY_VOLUMEUP, MakeMediaCode(0x00E9)},
    {KEY_MUTE, MakeMediaCode(0x00E2)},
    {KEY_CONFIG, MakeMediaCode(0x0183)},
    {KEY_MEDIA, MakeMediaCode(0x0183)},
    {KEY_MAIL, MakeMediaCode(0x018A)},
    {KEY_CALC, MakeMediaCode(0x0192)},
    {KEY_COMPUTER, MakeMediaCode(0x0194)},
    {KEY_SEARCH, MakeMediaCode(0x0221)},
    {KEY_HOMEPAGE, MakeMediaCode(0x0223)},
    {KEY_BACK, MakeMediaCode(0x0224)},
    {KEY_FORWARD, MakeMediaCode(0x0225)},
    {KEY_STOP, MakeMediaCode(0x0226)},
    {KEY_REFRESH, MakeMediaCode(0x0227)},
    {KEY_BOOKMARKS, MakeMediaCode(0x022A)},
    // System keys.
    {KEY_POWER, {kKeyTypeSystem, 0x01, 0x00}},
    {KEY_SLEEP, {kKeyTypeSystem, 0x02, 0x00}},
    {KEY_WAKEUP, {kKeyTypeSystem, 0x04, 0x00}},
};

}  // namespace

std::optional<size_t> FindLinuxKeyEntry(unsigned linuxKey) {
    for (size_t row = 0; row < kLinuxKeyOfScanRow.size(); ++row) {
        if (kLinuxKeyOfScanRow[row] == linuxKey) {
            return row;
        }
    }
    return std::nullopt;
}

std::optional<ScanCodeEntry> ScanCodeFromLinuxKey(unsigned linuxKey) {
    const std::optional<size_t> row = FindLinuxKeyEntry(linuxKey);
    if (!row) {
        return std::nullopt;
    }
    return kScanCodeTable[*row];
}

std::optional<unsigned> LinuxKeyFromScanCode(ScanCodeEntry scan) {
    const std::optional<size_t> row = FindScanEntry(scan.scanCode, scan.extended);
    if (!row) {
        return std::nullopt;
    }
    return kLinuxKeyOfScanRow[*row];
}

std::optional<KeyCode> KeyCodeFromLinuxKey(unsigned linuxKey) {
    if (const std::optional<size_t> row = FindLinuxKeyEntry(linuxKey)) {
        return kKeyTable[*row].code;
    }
    for (const LinuxKeyCode& entry : kLinuxKeyCodes) {
        if (entry.linuxKey == linuxKey) {
            return entry.code;
        }
    }
    return std::nullopt;
}
