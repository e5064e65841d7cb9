// Where the program keeps and finds its files.
#pragma once

#include <filesystem>

inline constexpr const char* kProductName = "Kestrune Q418-RGB";

// Per-user data folder ($XDG_DATA_HOME or ~/.local/share, then the product name), created on
// demand. SetUserDataFolder overrides it (--data-dir, tests).
std::filesystem::path GetUserDataFolder();
void SetUserDataFolder(const std::filesystem::path& folder);

// Program data (DefaultData, skin): $KESTRUNE_DATA_DIR, the build tree's copy when run from it,
// else the installed share folder.
std::filesystem::path GetProgramDataFolder();

// Per-user state folder ($XDG_STATE_HOME or ~/.local/state, then "kestrune-q418"), created on
// demand. Holds the simulated mouse's memory.
std::filesystem::path GetUserStateFolder();
