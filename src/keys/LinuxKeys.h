// SPDX-License-Identifier: GPL-2.0-or-later
// Linux input key codes (evdev KEY_*) and the scan codes of kScanCodeTable, for recording keys
// on Linux. Qt's native scan code on X11 and Wayland is the evdev code plus 8.
#pragma once

#include <cstddef>
#include <optional>

#include "keys/KeyTables.h"

// The scan code and extended flag by which kScanCodeTable knows the key; none for a key that has
// no row (media keys, Fn, keys of other layouts).
std::optional<ScanCodeEntry> ScanCodeFromLinuxKey(unsigned linuxKey);

// The evdev key code of a kScanCodeTable entry.
std::optional<unsigned> LinuxKeyFromScanCode(ScanCodeEntry scan);

// The kKeyTable row of a Linux key.
std::optional<size_t> FindLinuxKeyEntry(unsigned linuxKey);

// What a button sends to stand for a key of the keyboard: its key-table row's code, a keyboard
// usage the mouse can send although no table names it (F13 .. F24, keypad =, Help, ...), or the
// media or system function of a media key. None for a key the mouse cannot send.
std::optional<KeyCode> KeyCodeFromLinuxKey(unsigned linuxKey);
