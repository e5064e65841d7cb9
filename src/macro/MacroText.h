// SPDX-License-Identifier: GPL-2.0-or-later
// A plain text form of a macro's events, one per line, for editing in a terminal or a file:
//
//   down LShift        press a modifier, key or mouse button (by its key-table name)
//   up a               release it
//   press Enter        down then up
//   move left 10       a pointer move (left, right, up, down) of 0 .. 255
//   delay 50           milliseconds after the event above (adds up, at most 65535)
//   raw down 10 4      any event by its type and button numbers
//   # a comment
//
// Names are matched without regard to case. Mouse buttons are left, right, middle, back and
// forward; the arrow keys are "Left arrow", "Right arrow", "Up arrow" and "Down arrow".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroEvent.h"

// Every event on its line, its delay (when not 0) on the next.
std::string FormatMacroText(const std::vector<MacroEvent>& events);
// The event's line without its delay.
std::string FormatMacroEvent(const MacroEvent& event);

struct MacroTextError {
    size_t line = 0;  // 1-based
    std::string message;
};
// nullopt (and the first error) when any line is not understood.
std::optional<std::vector<MacroEvent>> ParseMacroText(std::string_view text,
                                                      MacroTextError* error = nullptr);

// The names a line may use for keys, modifiers and mouse buttons, in table order.
std::vector<std::string> MacroKeyNames();
