// SPDX-License-Identifier: GPL-2.0-or-later
// Key function codes in the words of a language file, for the front ends that do not use the
// toolkit's language resource.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/LanguageFile.h"
#include "keys/KeyCodes.h"

// Every language key the key tables name, each once: what a complete language file holds.
std::vector<std::string_view> KeyTableLanguageKeys();

// "20 03 04".
std::string KeyCodeHex(const KeyCode& code);

// DescribeAssignment in the words of `language`. When the file lacks a word the code needs (no
// file was read, or an old one), the code's bytes in hex: a button never reads as blank.
std::string DescribeAssignmentIn(const CLanguageFile& language, const KeyCode& code,
                                 std::span<const std::string> macroNames);
