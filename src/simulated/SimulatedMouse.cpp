#include "simulated/SimulatedMouse.h"

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
    if (!mode.empty()) {
        mouse->m_world->SetCablePlugged(mode != "receiver");
        mouse->m_world->SetReceiverPlugged(mode != "cable");
    }
    mouse->m_backend = MakeEmulatedHidBackend(mouse->m_world);
    return mouse;
}

bool CSimulatedMouse::Save(std::string* error) const {
    if (!m_error.empty()) {
        if (error)
            *error = m_error;
        return false;
    }
    return m_world->SaveState(m_stateFile, error);
}
