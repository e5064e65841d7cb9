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
