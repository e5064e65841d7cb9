// SPDX-License-Identifier: GPL-2.0-or-later
// Opens the desktop's own keyboard or mouse settings. Each desktop names its settings programs
// differently, so the launcher tries the ones for the running desktop first, then the others
// that are installed.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

enum class DesktopSettings { kKeyboard, kMouse };

// A program and its arguments that open one of the settings.
struct SettingsCommand {
    QString program;
    QStringList arguments;
};

// The commands to try for `which`, those of `desktop` ($XDG_CURRENT_DESKTOP, colon-separated)
// first.
std::vector<SettingsCommand> DesktopSettingsCommands(const QString& desktop, DesktopSettings which);

class IDesktopSettingsLauncher {
  public:
    virtual ~IDesktopSettingsLauncher() = default;
    // Starts the settings program without waiting for it; false when none could be started.
    virtual bool Open(DesktopSettings which) = 0;
};

// Looks the commands up in PATH and starts the first one found, detached.
class CDesktopSettingsLauncher : public IDesktopSettingsLauncher {
  public:
    bool Open(DesktopSettings which) override;
};
