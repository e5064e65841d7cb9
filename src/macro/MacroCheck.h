// SPDX-License-Identifier: GPL-2.0-or-later
// The checks of macro files, the macro list and recoil files (see profile/FileCheck.h): the same
// for import, which refuses a file with a problem, and for reading, which mends and warns.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>
#include <vector>

#include "profile/FileCheck.h"

// A macro file is far smaller than this: the mouse holds 1024 bytes of macros.
inline constexpr uintmax_t kMaxMacroFileBytes = 256 * 1024;

// One event of an "Events" array: "Action" "down" or "up", "Button" 0 … 255, "Type" 0 … 127
// (the mouse's seven bits), "Delay" 0 … 65535 as a decimal text or a number. Mending an event of an
// unknown type or shape is the caller's (it is reported with `dropped` set).
void CheckMacroEvent(CFileChecker& check, Json::Value& event, const std::string& path,
                     bool* dropped);

// A macro file: an object with an "Events" array of at most `maxEvents` events.
std::vector<FileProblem> CheckMacroDocument(Json::Value& document, size_t maxEvents, bool mend);
// The macro list ("macro.config"): "MacroInfo" entries with a name and a plain file name as
// "Guid". Nothing is mended (entries keep their places: buttons name them by position).
std::vector<FileProblem> CheckMacroListDocument(const Json::Value& document, size_t maxMacros);
// A recoil file: an "Events" array of at most `maxEvents` events.
std::vector<FileProblem> CheckShootDocument(Json::Value& document, size_t maxEvents, bool mend);
