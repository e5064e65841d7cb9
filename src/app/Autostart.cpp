// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Autostart.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/Paths.h"

namespace fs = std::filesystem;

namespace {

// An Exec argument as the desktop entry specification quotes it.
std::string QuotedExecArgument(const std::string& argument) {
    if (argument.find_first_of(" \t\"'\\$`<>~|&;*?#()%") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

fs::path AutostartFile() {
    fs::path config;
    if (const char* value = std::getenv("XDG_CONFIG_HOME"); value && *value == '/')
        config = value;
    else
        config = GetHomeFolder() / ".config";
    return config / "autostart" / "kestrune-q418.desktop";
}

bool IsAutostartEnabled() {
    std::ifstream in(AutostartFile());
    if (!in)
        return false;
    for (std::string line; std::getline(in, line);)
        if (line == "Hidden=true")
            return false;
    return true;
}

bool SetAutostartEnabled(bool enabled, const fs::path& program, std::string* error) {
    const fs::path file = AutostartFile();
    std::error_code ec;
    if (!enabled) {
        fs::remove(file, ec);
        if (ec && error)
            *error = "cannot remove " + file.string() + ": " + ec.message();
        return !ec;
    }
    fs::create_directories(file.parent_path(), ec);
    if (ec) {
        if (error)
            *error = "cannot create " + file.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=" << kProductName << "\n"
          << "Comment=Keeps the mouse's tray icon and notifications running\n"
          << "Exec=" << QuotedExecArgument(program.string()) << " --hidden\n"
          << "Icon=kestrune-q418\n"
          << "Terminal=false\n"
          << "X-GNOME-Autostart-enabled=true\n";
    // Written beside and renamed over, so a session starting meanwhile never reads half of it.
    const fs::path temporary = file.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << entry.str();
        out.flush();
        if (!out) {
            if (error)
                *error = "cannot write " + temporary.string();
            out.close();
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        if (error)
            *error = "cannot write " + file.string() + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}
