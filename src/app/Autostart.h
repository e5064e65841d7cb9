// SPDX-License-Identifier: GPL-2.0-or-later
// Starting with the desktop session: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/kestrune-q418.desktop) that starts the window hidden in the tray.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path AutostartFile();
// Whether the entry is there and not turned off (Hidden=true, as desktops' session settings
// write to turn an entry off).
bool IsAutostartEnabled();
// Writes the entry starting `program` (an absolute path), or removes it. False with the reason
// in *error when the file cannot be written or removed.
bool SetAutostartEnabled(bool enabled, const std::filesystem::path& program, std::string* error);
