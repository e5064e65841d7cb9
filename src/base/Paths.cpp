// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/Debug.h"

#ifndef KESTRUNE_DATA_DIR
#define KESTRUNE_DATA_DIR "/usr/local/share/kestrune-q418"
#endif
#ifndef KESTRUNE_BUILD_DATA_DIR
#define KESTRUNE_BUILD_DATA_DIR ""
#endif

namespace fs = std::filesystem;

namespace {

std::mutex g_mutex;
fs::path g_userDataOverride;

}  // namespace

fs::path GetHomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    DebugLine(DebugArea::App, "no home folder: neither HOME nor the user database names one");
    return "/nonexistent";
}

namespace {

fs::path XdgFolder(const char* variable, const char* fallbackBelowHome) {
    if (const char* value = std::getenv(variable); value && *value == '/')
        return value;
    return GetHomeFolder() / fallbackBelowHome;
}

fs::path CreatedOnDemand(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            DebugPrintf(DebugArea::App, "cannot create %s: %s", folder.c_str(),
                        ec.message().c_str());
    }
    return folder;
}

}  // namespace

fs::path GetUserDataFolder() {
    fs::path folder;
    {
        std::lock_guard lock(g_mutex);
        folder = g_userDataOverride;
    }
    if (folder.empty())
        folder = XdgFolder("XDG_DATA_HOME", ".local/share") / kProductName;
    return CreatedOnDemand(folder);
}

fs::path SetUserDataFolder(const fs::path& folder) {
    std::lock_guard lock(g_mutex);
    return std::exchange(g_userDataOverride, folder);
}

fs::path GetProgramDataFolder() {
    if (const char* value = std::getenv("KESTRUNE_DATA_DIR"); value && *value)
        return value;
    std::error_code ec;
    // Installed as bin/ beside share/, wherever the prefix or package put it (a relocated
    // install, an unpacked package).
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path beside = program.parent_path().parent_path() / "share" / "kestrune-q418";
        if (fs::is_directory(beside / "DefaultData", ec))
            return beside;
    }
    fs::path build = KESTRUNE_BUILD_DATA_DIR;
    if (!build.empty() && fs::is_directory(build, ec))
        return build;
    return KESTRUNE_DATA_DIR;
}

fs::path GetDefaultDataFolder() {
    return GetProgramDataFolder() / "DefaultData";
}

fs::path GetSkinFolder() {
    if (const char* value = std::getenv("KESTRUNE_SKIN_DIR"); value && *value)
        return value;
    return GetProgramDataFolder() / "skin";
}

fs::path GetDeviceDataFolder(std::string_view typeKey) {
    return GetUserDataFolder() / typeKey;
}

fs::path GetDefaultProfileFile(std::string_view typeKey) {
    return GetDefaultDataFolder() / (std::string(typeKey) + ".Json");
}

fs::path GetUserStateFolder() {
    return CreatedOnDemand(XdgFolder("XDG_STATE_HOME", ".local/state") / "kestrune-q418");
}
