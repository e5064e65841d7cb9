// SPDX-License-Identifier: GPL-2.0-or-later
// Handing a mouse with old firmware to the upgrader: who asks the user, who starts the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

class CReportChannel;

// The firmware the upgrader installs; older firmware (0 = unknown) asks for it.
inline constexpr uint16_t kCurrentMouseFirmware = 0x0105;
constexpr bool FirmwareNeedsUpgrade(uint16_t version) {
    return version != 0 && version < kCurrentMouseFirmware;
}

// The upgrader, shipped in the program's "DefaultData" folder.
inline constexpr const char* kUpgradeToolName = "kestrune-q418-upgrader";
inline constexpr const char* kUpgradeToolArgument = "Upgrading";

// "1.05" for 0x0105.
std::string FirmwareVersionText(uint16_t version);

// Asks the user; the window shows "message_text_24", kestrunectl answers from the command.
class IFirmwarePrompt {
  public:
    virtual ~IFirmwarePrompt() = default;
    // True: start the upgrader.
    virtual bool ConfirmFirmwareUpgrade(uint16_t current, uint16_t required) = 0;
    // The user said no. The window ends; kestrunectl stops with its own exit status.
    virtual void OnFirmwareUpgradeDeclined(uint16_t current, uint16_t required) = 0;
    // Confirmed, but the upgrader could not be started or failed; `error` says why.
    virtual void OnUpgraderFailed(const std::string& error) = 0;
};

class IUpgraderLauncher {
  public:
    virtual ~IUpgraderLauncher() = default;
    // Starts `executable` with one argument in `workingDirectory`. Empty when it started (or,
    // for a launcher that waits, ran successfully); otherwise what went wrong.
    virtual std::string Launch(const std::filesystem::path& executable, const std::string& argument,
                               const std::filesystem::path& workingDirectory) = 0;
};

// posix_spawn. Without waiting the upgrader outlives us and is reaped in the background; waiting
// (kestrunectl) reports its exit status.
class CSpawnUpgraderLauncher : public IUpgraderLauncher {
  public:
    explicit CSpawnUpgraderLauncher(bool waitForExit = false) : m_wait(waitForExit) {}
    std::string Launch(const std::filesystem::path& executable, const std::string& argument,
                       const std::filesystem::path& workingDirectory) override;

  private:
    bool m_wait;
};

// Where the upgrader lives: the program's "DefaultData" folder.
std::filesystem::path UpgraderFolder();
std::filesystem::path UpgraderPath();

enum class FirmwareCheck {
    kNotChecked,
    kCurrent,          // up to date, or unknown (no cable interface, version 0)
    kOutdated,         // old, and nobody to ask
    kDeclined,         // old, and the user said no
    kUpgraderStarted,  // the upgrader has the mouse now; transmission is off
    kUpgraderFailed,   // confirmed, but the upgrader did not start or failed
};

// The mouse's part that decides, at first contact, whether old firmware goes to the upgrader.
class CFirmwareHandOff {
  public:
    void SetPrompt(IFirmwarePrompt* prompt) { m_prompt = prompt; }
    // Null: the posix_spawn launcher.
    void SetLauncher(IUpgraderLauncher* launcher) { m_launcher = launcher; }
    FirmwareCheck State() const { return m_state.load(); }

    // Inside the configuration the information read opened. False when the mouse is not to be
    // used further (declined, or handed to the upgrader); the configuration is ended then.
    bool Check(CReportChannel& channel, uint16_t version);

  private:
    IFirmwarePrompt* m_prompt = nullptr;
    IUpgraderLauncher* m_launcher = nullptr;
    std::atomic<FirmwareCheck> m_state{FirmwareCheck::kNotChecked};
};
