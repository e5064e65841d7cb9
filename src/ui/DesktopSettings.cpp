// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/DesktopSettings.h"

#include <QProcess>
#include <QStandardPaths>

#include "base/Debug.h"

namespace {

struct DesktopCommands {
    const char* desktop;  // as $XDG_CURRENT_DESKTOP names it
    SettingsCommand keyboard;
    SettingsCommand mouse;
};

const std::vector<DesktopCommands>& KnownDesktops() {
    static const std::vector<DesktopCommands> desktops = {
        {"GNOME", {"gnome-control-center", {"keyboard"}}, {"gnome-control-center", {"mouse"}}},
        {"KDE", {"systemsettings", {"kcm_keyboard"}}, {"systemsettings", {"kcm_mouse"}}},
        {"KDE", {"kcmshell6", {"kcm_keyboard"}}, {"kcmshell6", {"kcm_mouse"}}},
        {"KDE", {"kcmshell5", {"kcm_keyboard"}}, {"kcmshell5", {"mouse"}}},
        {"XFCE", {"xfce4-keyboard-settings", {}}, {"xfce4-mouse-settings", {}}},
        {"X-Cinnamon", {"cinnamon-settings", {"keyboard"}}, {"cinnamon-settings", {"mouse"}}},
        {"MATE", {"mate-keyboard-properties", {}}, {"mate-mouse-properties", {}}},
        {"LXQt", {"lxqt-config-input", {}}, {"lxqt-config-input", {}}},
        {"Budgie", {"gnome-control-center", {"keyboard"}}, {"gnome-control-center", {"mouse"}}},
    };
    return desktops;
}

}  // namespace

std::vector<SettingsCommand> DesktopSettingsCommands(const QString& desktop,
                                                     DesktopSettings which) {
    const QStringList running = desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    std::vector<SettingsCommand> first, others;
    for (const DesktopCommands& entry : KnownDesktops()) {
        const SettingsCommand& command =
            which == DesktopSettings::kKeyboard ? entry.keyboard : entry.mouse;
        const bool ours = running.contains(QLatin1String(entry.desktop), Qt::CaseInsensitive);
        (ours ? first : others).push_back(command);
    }
    first.insert(first.end(), others.begin(), others.end());
    return first;
}

bool CDesktopSettingsLauncher::Open(DesktopSettings which) {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    for (const SettingsCommand& command : DesktopSettingsCommands(desktop, which)) {
        const QString path = QStandardPaths::findExecutable(command.program);
        if (path.isEmpty())
            continue;
        if (QProcess::startDetached(path, command.arguments))
            return true;
        DebugPrintf(DebugArea::App, "%s could not be started", qPrintable(path));
    }
    return false;
}
