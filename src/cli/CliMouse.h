// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse as the settings commands use it: its selected profile loaded, connected when the
// command talks to it, and the one way a change is saved, written and reported.
#pragma once

#include <json/json.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cli/CliSession.h"
#include "mouse/QuillonMouseDevice.h"
#include "profile/ProfileList.h"

// kestrunectl cannot ask: it upgrades only when the command says so (`firmware upgrade`).
class CCliFirmwarePrompt : public IFirmwarePrompt {
  public:
    bool ConfirmFirmwareUpgrade(uint16_t version, uint16_t needed) override {
        current = version;
        required = needed;
        return confirm;
    }
    void OnFirmwareUpgradeDeclined(uint16_t, uint16_t) override {}
    void OnUpgraderFailed(const std::string& error) override { upgraderError = error; }

    bool confirm = false;
    uint16_t current = 0;
    uint16_t required = 0;
    std::string upgraderError;
};

struct CliMouse {
    CliMouseConnection connection;
    std::unique_ptr<CQuillonMouseDevice> offline;  // the profile alone, without a mouse
    CQuillonMouseDevice* mouse = nullptr;
    CCliFirmwarePrompt prompt;
    ProfileEntry profile;  // the selected profile
};

// The selected profile, loaded into a mouse object that talks to no device.
bool OpenProfileOnly(CliSession& session, CliMouse& cli, int& exitCode);
// The mouse found through discovery, as cli.mouse; nothing read from it yet.
bool OpenMouseDevice(CliSession& session, CliMouse& cli, int& exitCode);
// The mouse found, in reach, its firmware checked and its information block read, then the
// selected profile loaded. On failure the reason is printed and exitCode set.
bool OpenMouseForSettings(CliSession& session, CliMouse& cli, int& exitCode);

// The mouse found and read as OpenMouseForSettings does, when one is connected. `connected` is
// false, with nothing printed, when no mouse is found; other failures print their reason and
// set exitCode as OpenMouseForSettings does.
bool OpenMouseIfConnected(CliSession& session, CliMouse& cli, bool& connected, int& exitCode);

// The macros the key list plays whose files cannot be read, as `"name" (why), ...`; empty when
// every one reads. Such a macro is never sent as an empty one.
std::string UnreadableMacrosText(const std::filesystem::path& folder,
                                 const std::vector<KeyListEntry>& keys);

// The English of the size message the window shows.
std::string MacrosTooLongText(int events);
inline constexpr const char* kMacrosNotSentText = "the macros could not be sent to the mouse";

// The mouse's answer to old firmware, and the status for it.
int FailOldFirmware(const CliSession& session, uint16_t current);

// Saves the profile file and writes the settings image. Prints `done` (or `result` as JSON,
// with the profile and what was reached) and returns the exit status.
int CommitChange(CliSession& session, CliMouse& cli, const std::string& done, Json::Value result);

// {"name", "id"} of the selected profile.
Json::Value ProfileJson(const CliMouse& cli);
// ` (profile "Name")`, for the end of a line.
std::string ProfileSuffix(const CliMouse& cli);

std::string ColourText(uint8_t red, uint8_t green, uint8_t blue);
// "#RRGGBB" or "RRGGBB"; false for anything else.
bool ParseColour(const std::string& text, uint8_t& red, uint8_t& green, uint8_t& blue);
std::string HexWord(unsigned value);
