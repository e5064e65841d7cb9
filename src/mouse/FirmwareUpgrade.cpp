// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/FirmwareUpgrade.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "base/Debug.h"
#include "base/Paths.h"
#include "device/ReportChannel.h"

extern char** environ;

std::string FirmwareVersionText(uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%X.%02X", version >> 8, version & 0xFF);
    return text;
}

std::filesystem::path UpgraderFolder() {
    return GetProgramDataFolder() / "DefaultData";
}

std::filesystem::path UpgraderPath() {
    return UpgraderFolder() / kUpgradeToolName;
}

std::string CSpawnUpgraderLauncher::Launch(const std::filesystem::path& executable,
                                           const std::string& argument,
                                           const std::filesystem::path& workingDirectory) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(executable, ec))
        return "the firmware upgrader is missing: " + executable.string();
    if (access(executable.c_str(), X_OK) != 0)
        return "the firmware upgrader cannot be run (" + std::string(std::strerror(errno)) +
               "): " + executable.string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    std::string program = executable.string();
    std::string arg = argument;
    std::vector<char*> argv = {program.data(), arg.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return "the firmware upgrader could not be started (" + std::string(std::strerror(error)) +
               "): " + program;
    DebugPrintf(DebugArea::Mouse, "upgrader started: %s (pid %d)", program.c_str(),
                static_cast<int>(pid));

    if (!m_wait) {
        // It outlives this call (and maybe us); someone has to collect its exit status.
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
        return {};
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0)
        return "lost track of the firmware upgrader: " + std::string(std::strerror(errno));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {};
    if (WIFEXITED(status))
        return "the firmware upgrader failed (exit status " + std::to_string(WEXITSTATUS(status)) +
               ")";
    return "the firmware upgrader was stopped by signal " + std::to_string(WTERMSIG(status));
}

bool CFirmwareHandOff::Check(CReportChannel& channel, uint16_t version) {
    if (!FirmwareNeedsUpgrade(version)) {
        m_state = FirmwareCheck::kCurrent;
        return true;
    }
    if (!m_prompt) {
        DebugPrintf(DebugArea::Mouse, "firmware %04x is old, and nobody to ask", version);
        m_state = FirmwareCheck::kOutdated;
        return true;
    }
    // Nothing waits on the mouse while the user decides, nor once the upgrader has it.
    channel.EndConfiguration();
    if (!m_prompt->ConfirmFirmwareUpgrade(version, kCurrentMouseFirmware)) {
        m_state = FirmwareCheck::kDeclined;
        m_prompt->OnFirmwareUpgradeDeclined(version, kCurrentMouseFirmware);
        return false;
    }
    channel.SetTransmissionEnabled(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CSpawnUpgraderLauncher spawn;
    IUpgraderLauncher& launcher = m_launcher ? *m_launcher : spawn;
    const std::string error =
        launcher.Launch(UpgraderPath(), kUpgradeToolArgument, UpgraderFolder());
    if (error.empty()) {
        m_state = FirmwareCheck::kUpgraderStarted;
        return false;
    }
    // Nothing else will talk to the mouse: this tool keeps it.
    channel.SetTransmissionEnabled(true);
    m_state = FirmwareCheck::kUpgraderFailed;
    DebugPrintf(DebugArea::Mouse, "upgrader: %s", error.c_str());
    m_prompt->OnUpgraderFailed(error);
    return false;
}
