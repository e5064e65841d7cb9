// SPDX-License-Identifier: GPL-2.0-or-later
// Where the program keeps and finds its files.
#pragma once

#include <filesystem>
#include <string_view>

inline constexpr const char* kProductName = "Kestrune Q418-RGB";

// $HOME when it is an absolute path, else the home folder the user database names. Never a
// shared folder such as /tmp, which another user could prepare: without either, a path that
// cannot exist, so writes fail.
std::filesystem::path GetHomeFolder();

// Per-user data folder ($XDG_DATA_HOME or ~/.local/share, then the product name), created on
// demand. SetUserDataFolder overrides it (--data-dir, tests; empty: none) and returns the
// override it replaces, for a caller that puts it back.
std::filesystem::path GetUserDataFolder();
std::filesystem::path SetUserDataFolder(const std::filesystem::path& folder);

// Program data (DefaultData, skin): $KESTRUNE_DATA_DIR, else share/kestrune-q418 beside the
// program's bin/ folder, else the build tree's copy when run from it, else the configured share
// folder.
std::filesystem::path GetProgramDataFolder();

// The program's default files ("DefaultData": default profiles, lighting names, recoil patterns,
// the firmware upgrader).
std::filesystem::path GetDefaultDataFolder();
// The skin (layouts, images, language files): $KESTRUNE_SKIN_DIR, else the program data's "skin".
std::filesystem::path GetSkinFolder();

// A device type's per-user folder (type key "mouse": its profiles, macros and recoil patterns),
// not created here.
std::filesystem::path GetDeviceDataFolder(std::string_view typeKey);
// A device type's default profile: DefaultData / "<type key>.Json".
std::filesystem::path GetDefaultProfileFile(std::string_view typeKey);

// Per-user state folder ($XDG_STATE_HOME or ~/.local/state, then "kestrune-q418"), created on
// demand. Holds the simulated mouse's memory.
std::filesystem::path GetUserStateFolder();
