// SPDX-License-Identifier: GPL-2.0-or-later
// The udev rule that lets the user at the seat open the mouse's HID nodes. The text is the
// installed rules file itself, built in, so the two cannot drift.
#pragma once

inline constexpr const char* kUdevRulesFileName = "70-kestrune-q418.rules";
extern const char* const kUdevRulesText;
