// SPDX-License-Identifier: GPL-2.0-or-later

#include "simulated/SimulatedMouse.h"

#include <sys/stat.h>

#include <cstdlib>
#include <system_error>

#include "base/Paths.h"
#include "simulated/EmulatedHidBackend.h"

std::optional<std::string> RequestedSimulatedMode(const std::optional<std::string>& option) {
    if (option)
        return option;
    const char* variable = std::getenv("KESTRUNE_EMULATE");
    if (!variable)
        return std::nullopt;
    const std::string mode = variable;
    return mode == "1" ? std::string() : mode;
}

std::filesystem::path CSimulatedMouse::DefaultStateFile() {
    return GetUserStateFolder() / "emulator.json";
}

bool CSimulatedMouse::IsValidMode(std::string_view mode) {
    return mode.empty() || mode == "cable" || mode == "receiver" || mode == "both";
}

std::unique_ptr<CSimulatedMouse> CSimulatedMouse::SetUp(std::string_view mode,
                                                        std::filesystem::path stateFile) {
    if (!IsValidMode(mode))
        return nullptr;
    auto mouse = std::make_unique<CSimulatedMouse>();
    mouse->m_world = std::make_shared<CSimWorld>();
    // Reports take as long as on the wire, so the tools feel like the real mouse.
    mouse->m_world->SetUsbIntervalUs(1000);
    mouse->m_stateFile = std::move(stateFile);
    std::error_code ec;
    bool unusable = false;
    if (!std::filesystem::exists(std::filesystem::symlink_status(mouse->m_stateFile, ec))) {
        mouse->m_world->SetCablePlugged(true);
    } else if (!mouse->m_world->LoadState(mouse->m_stateFile, &mouse->m_warning, &unusable)) {
        if (mouse->m_warning.empty())
            mouse->m_warning = "cannot be read";
        if (unusable) {
            mouse->m_error = mouse->m_warning;
            mouse->m_warning.clear();
            mouse->m_world->SetCablePlugged(true);
        }
    }
    mouse->m_seen = mouse->StampNow();
    if (!mode.empty()) {
        mouse->m_world->SetCablePlugged(mode != "receiver");
        mouse->m_world->SetReceiverPlugged(mode != "cable");
    }
    mouse->m_backend = MakeEmulatedHidBackend(mouse->m_world);
    return mouse;
}

bool CSimulatedMouse::Save(std::string* error) {
    const std::lock_guard lock(m_mutex);
    return SaveLocked(error);
}

bool CSimulatedMouse::SaveLocked(std::string* error) {
    if (!m_error.empty()) {
        if (error)
            *error = m_error;
        return false;
    }
    if (!m_world->SaveState(m_stateFile, error))
        return false;
    // Its own save is nothing new to take in.
    m_seen = StampNow();
    return true;
}

CSimulatedMouse::FileStamp CSimulatedMouse::StampNow() const {
    struct stat info {};
    if (stat(m_stateFile.c_str(), &info) != 0)
        return {};
    return {static_cast<long long>(info.st_size),
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec,
            static_cast<long long>(info.st_ino)};
}

bool CSimulatedMouse::Reload() {
    const std::lock_guard lock(m_mutex);
    return ReloadLocked();
}

bool CSimulatedMouse::ReloadLocked() {
    const FileStamp now = StampNow();
    if (now == m_seen || now.size < 0)
        return false;
    std::string error;
    if (!m_world->LoadState(m_stateFile, &error)) {
        // Half written, or not ours: the next change of the file is looked at again.
        m_warning = error;
        return false;
    }
    m_seen = now;
    return true;
}

void CSimulatedMouse::BeginChange() {
    const std::lock_guard lock(m_mutex);
    ReloadLocked();
    m_before = m_world->DumpJson();
}

void CSimulatedMouse::EndChange() {
    const std::lock_guard lock(m_mutex);
    if (m_world->DumpJson() == m_before)
        return;
    std::string error;
    if (!SaveLocked(&error))
        m_warning = error;
}
