// SPDX-License-Identifier: GPL-2.0-or-later

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <algorithm>
#include <map>
#include <utility>

#include "keys/LinuxKeys.h"

namespace {

// What the kernel makes of a set-1 scan code (its translated AT keyboard driver): the KEY_*
// numbers of the plain codes 0x01 .. 0x58 are the scan codes themselves; the E0-prefixed keys,
// the Japanese and Korean keys (Hanja and Hangeul send 0xF1 and 0xF2) have their own numbers.
// 0x45 is the one code the table reads the other way round: the kernel's plain 0x45 is Num Lock
// and its E1-prefixed 0x45 is Pause; the table flags Num Lock as extended.
unsigned KernelKeyOf(ScanCodeEntry scan) {
    static const std::map<std::pair<uint8_t, bool>, unsigned> kOwnNumbers = {
        {{0x45, false}, KEY_PAUSE},
        {{0x45, true}, KEY_NUMLOCK},
        {{0x1C, true}, KEY_KPENTER},
        {{0x1D, true}, KEY_RIGHTCTRL},
        {{0x35, true}, KEY_KPSLASH},
        {{0x37, true}, KEY_SYSRQ},
        {{0x38, true}, KEY_RIGHTALT},
        {{0x47, true}, KEY_HOME},
        {{0x48, true}, KEY_UP},
        {{0x49, true}, KEY_PAGEUP},
        {{0x4B, true}, KEY_LEFT},
        {{0x4D, true}, KEY_RIGHT},
        {{0x4F, true}, KEY_END},
        {{0x50, true}, KEY_DOWN},
        {{0x51, true}, KEY_PAGEDOWN},
        {{0x52, true}, KEY_INSERT},
        {{0x53, true}, KEY_DELETE},
        {{0x5B, true}, KEY_LEFTMETA},
        {{0x5C, true}, KEY_RIGHTMETA},
        {{0x5D, true}, KEY_COMPOSE},
        {{0x70, false}, KEY_KATAKANAHIRAGANA},
        {{0x71, false}, KEY_HANJA},
        {{0x72, false}, KEY_HANGEUL},
        {{0x73, false}, KEY_RO},
        {{0x79, false}, KEY_HENKAN},
        {{0x7B, false}, KEY_MUHENKAN},
        {{0x7D, false}, KEY_YEN},
        {{0x7E, false}, KEY_KPCOMMA},
    };
    if (auto it = kOwnNumbers.find({scan.scanCode, scan.extended}); it != kOwnNumbers.end()) {
        return it->second;
    }
    if (!scan.extended && scan.scanCode >= KEY_ESC && scan.scanCode <= KEY_F12) {
        return scan.scanCode;
    }
    ADD_FAILURE() << "no kernel key for scan code " << int{scan.scanCode} << "/" << scan.extended;
    return KEY_RESERVED;
}

}  // namespace

TEST(LinuxKeysTest, EveryScanRowMapsToTheKernelsKeyAndBack) {
    for (size_t row = 0; row < kScanCodeTable.size(); ++row) {
        const ScanCodeEntry scan = kScanCodeTable[row];
        const unsigned key = KernelKeyOf(scan);
        EXPECT_EQ(LinuxKeyFromScanCode(scan), key) << "row " << row;
        EXPECT_EQ(ScanCodeFromLinuxKey(key), scan) << "row " << row;
        EXPECT_EQ(FindLinuxKeyEntry(key), row) << "row " << row;
    }
}

TEST(LinuxKeysTest, LinuxKeysLandOnTheRowsOfTheirNames) {
    const std::pair<unsigned, std::string_view> cases[] = {
        {KEY_A, "keyboard_key_A"},
        {KEY_0, "keyboard_key_0"},
        {KEY_RIGHTSHIFT, "keyboard_key_RShift"},
        {KEY_RIGHTMETA, "keyboard_key_RWin"},
        {KEY_NUMLOCK, "keyboard_key_Num Lock"},
        {KEY_PAUSE, "keyboard_key_Pause"},
        {KEY_SYSRQ, "keyboard_key_Print Scr"},
        {KEY_KPENTER, "keyboard_key_Num Enter"},
        {KEY_KPDOT, "keyboard_key_Decimal"},
        {KEY_BACKSLASH, "keyboard_key_xiegang"},
        {KEY_COMMA, "keyboard_key_<"},
        {KEY_COMPOSE, "keyboard_key_App"},
        {KEY_102ND, "keyboard_key_K45"},
    };
    for (const auto& [key, name] : cases) {
        const std::optional<size_t> row = FindLinuxKeyEntry(key);
        ASSERT_TRUE(row) << name;
        EXPECT_EQ(kKeyTable[*row].key, name);
    }
}

TEST(LinuxKeysTest, KeysWithoutARowAreNotMapped) {
    for (unsigned key : {unsigned{KEY_RESERVED}, unsigned{KEY_VOLUMEUP}, unsigned{KEY_PLAYPAUSE},
                         unsigned{KEY_FN}, unsigned{KEY_MENU}, unsigned{KEY_KPJPCOMMA},
                         unsigned{BTN_LEFT}, unsigned{KEY_MAX}, 0x10000u, ~0u}) {
        EXPECT_FALSE(ScanCodeFromLinuxKey(key)) << key;
        EXPECT_FALSE(FindLinuxKeyEntry(key)) << key;
    }
    EXPECT_FALSE(LinuxKeyFromScanCode({0x36, true}));
    EXPECT_FALSE(LinuxKeyFromScanCode({0x00, false}));
}

TEST(LinuxKeysTest, EveryKeyTheMouseCanSendHasItsCode) {
    struct Case {
        unsigned key;
        std::optional<KeyCode> code;
    };
    const Case cases[] = {
        {KEY_A, KeyCode{0x20, 0x00, 0x04}},
        {KEY_RIGHTCTRL, KeyCode{0x20, 0x10, 0x00}},
        {KEY_F13, KeyCode{0x20, 0x00, 0x68}},
        {KEY_F24, KeyCode{0x20, 0x00, 0x73}},
        {KEY_KPEQUAL, KeyCode{0x20, 0x00, 0x67}},
        {KEY_VOLUMEUP, MakeMediaCode(0x00E9)},
        {KEY_PLAYPAUSE, MakeMediaCode(0x00CD)},
        {KEY_SLEEP, KeyCode{0x40, 0x02, 0x00}},
        // Nothing the mouse could send.
        {KEY_FN, std::nullopt},
        {KEY_RESERVED, std::nullopt},
        {BTN_LEFT, std::nullopt},
        {~0u, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodeFromLinuxKey(c.key), c.code) << c.key;
    // Every media key names a media function of the editor's list.
    for (unsigned key : {unsigned{KEY_MUTE}, unsigned{KEY_NEXTSONG}, unsigned{KEY_CALC},
                         unsigned{KEY_HOMEPAGE}, unsigned{KEY_BOOKMARKS}})
        EXPECT_TRUE(std::ranges::any_of(kMediaCodes, [&](const KeyCodeName& row) {
            return row.code == KeyCodeFromLinuxKey(key);
        })) << key;
}
