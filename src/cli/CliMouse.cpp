// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/CliMouse.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "device/DeviceTables.h"
#include "keys/KeyCodes.h"
#include "macro/MacroList.h"
#include "profile/ProfileActions.h"

namespace {

constexpr int kMouseType = 0;

// The profile list names the selected profile; a first start makes "Profile1".
bool LoadSelectedProfile(CliSession& session, CliMouse& cli, int& exitCode) {
    CProfileList list;
    if (LoadDeviceProfileList(list, kDeviceClassMouse, kDeviceTypeTable[kMouseType].typeKey) ==
        ProfileResult::WriteFailed)
        session.err << "kestrunectl: warning: could not write the profile list "
                    << list.GetListFilePath().string() << "\n";
    const int selected = list.GetSelection();
    if (list.GetEntries().empty() && !list.ReadError().empty()) {
        exitCode = session.Fail(kExitError, "cannot read the profile list " +
                                                list.GetListFilePath().string() + ": " +
                                                list.ReadError() + "; nothing was changed");
        return false;
    }
    if (selected < 0) {
        exitCode = session.Fail(kExitError,
                                "no profile is selected in " + list.GetListFilePath().string());
        return false;
    }
    cli.profile = list.GetEntries()[static_cast<size_t>(selected)];
    return true;
}

// What discovery does for a mouse it creates, for one made here.
void WireLikeDiscovery(CQuillonMouseDevice& mouse) {
    const DeviceTypeInfo& type = kDeviceTypeTable[kMouseType];
    mouse.SetTypeIndex(kMouseType);
    mouse.SetTypeKey(std::string(type.typeKey));
    mouse.SetDeviceKind(type.kindNumber);
}

}  // namespace

bool OpenProfileOnly(CliSession& session, CliMouse& cli, int& exitCode) {
    if (!LoadSelectedProfile(session, cli, exitCode))
        return false;
    cli.offline = std::make_unique<CQuillonMouseDevice>(session.backend.get());
    cli.mouse = cli.offline.get();
    WireLikeDiscovery(*cli.mouse);
    cli.mouse->SetLightFilePrefix(std::string(kDevicePageTable[kMouseType].lightFilePrefix));
    cli.mouse->SetCurrentProfileId(cli.profile.id);
    cli.mouse->LoadProfile();
    cli.mouse->LoadNameLists();
    return true;
}

int FailOldFirmware(const CliSession& session, uint16_t current) {
    return session.Fail(kExitOldFirmware,
                        "the mouse's firmware is " + FirmwareVersionText(current) +
                            "; this tool needs " + FirmwareVersionText(kCurrentMouseFirmware) +
                            " or newer. Install it with: kestrunectl firmware upgrade");
}

bool OpenMouseDevice(CliSession& session, CliMouse& cli, int& exitCode) {
    if (!OpenMouse(session, cli.connection, exitCode))
        return false;
    cli.mouse = cli.connection.device ? cli.connection.device->AsMouse() : nullptr;
    if (!cli.mouse) {
        exitCode = session.Fail(kExitNoDevice, "no Kestrune Q418-RGB found");
        return false;
    }
    return true;
}

bool OpenMouseForSettings(CliSession& session, CliMouse& cli, int& exitCode) {
    if (!LoadSelectedProfile(session, cli, exitCode) || !OpenMouseDevice(session, cli, exitCode))
        return false;
    cli.mouse->SetLightFilePrefix(std::string(kDevicePageTable[kMouseType].lightFilePrefix));
    cli.mouse->SetFirmwarePrompt(&cli.prompt);
    cli.mouse->SetCurrentProfileId(cli.profile.id);
    if (const MouseResult read = cli.mouse->ReadInformation(); !read.Sent()) {
        if (cli.mouse->GetFirmwareCheck() == FirmwareCheck::kDeclined) {
            exitCode = FailOldFirmware(session, cli.prompt.current);
            return false;
        }
        const auto info = cli.mouse->GetInformationBlock();
        if (3u * info[5] > kMaxKeyTableSize) {
            exitCode = session.Fail(
                kExitError, "the mouse reports a key table of " + std::to_string(3u * info[5]) +
                                " bytes, more than the " + std::to_string(kMaxKeyTableSize) +
                                " this tool handles; nothing was changed");
            return false;
        }
        exitCode =
            FailCommand(session, cli.connection, read.device, "reading the mouse's information");
        return false;
    }
    cli.mouse->LoadProfile();
    // The effect values translate what the mouse reports.
    cli.mouse->LoadNameLists();
    return true;
}

bool OpenMouseIfConnected(CliSession& session, CliMouse& cli, bool& connected, int& exitCode) {
    connected = false;
    if (!session.backend)
        return false;
    // Looked for quietly: no mouse is no error here.
    std::ostringstream out;
    std::ostringstream err;
    CliSession quiet(out, err, session.in, session.json);
    quiet.backend = session.backend;
    quiet.replyTimeoutMs = session.replyTimeoutMs;
    int code = kExitOk;
    if (OpenMouseForSettings(quiet, cli, code)) {
        connected = true;
        return true;
    }
    if (code == kExitNoDevice)
        return false;
    connected = true;
    session.out << out.str();
    session.err << err.str();
    exitCode = code;
    return false;
}

std::string UnreadableMacrosText(const std::filesystem::path& folder,
                                 const std::vector<KeyListEntry>& keys) {
    const CMacroList macros(folder);
    const std::vector<MacroEntry> entries = macros.ReadList();
    std::vector<uint8_t> seen;
    std::string text;
    for (const KeyListEntry& key : keys) {
        if (!IsMacroCode(key.current.code))
            continue;
        const uint8_t index = key.current.code[1];
        if (index >= entries.size() || std::find(seen.begin(), seen.end(), index) != seen.end())
            continue;
        seen.push_back(index);
        std::string why;
        const MacroFileState state = macros.FileState(entries[index].id, &why);
        if (state == MacroFileState::Unreadable || state == MacroFileState::Broken)
            text += std::string(text.empty() ? "" : ", ") + "\"" + entries[index].name + "\" (" +
                    macros.MacroFilePath(entries[index].id).string() + ": " + why + ")";
    }
    return text;
}

std::string MacrosTooLongText(int events) {
    return "the macros the buttons use are too long for the mouse's memory: " +
           std::to_string(events) + " event" + (events == 1 ? "" : "s") +
           " must go (shorten a macro, or assign fewer macros)";
}

int CommitChange(CliSession& session, CliMouse& cli, const std::string& done, Json::Value result) {
    const MouseResult commit = cli.mouse->CommitSettings();
    if (!commit.saved)
        return session.Fail(kExitError,
                            "could not save the profile file " + cli.mouse->GetProfilePath() +
                                (commit.Sent() ? " (the mouse has the new setting)"
                                               : "; nothing was changed on the mouse either"));
    if (!commit.Sent())
        return FailCommand(session, cli.connection, commit.device,
                           "saved in the profile but not written to the mouse (send it later "
                           "with: kestrunectl apply)");
    if (session.json) {
        result["profile"] = ProfileJson(cli);
        result["saved"] = true;
        result["written"] = true;
        session.PrintJson(result);
    } else {
        session.out << done << ProfileSuffix(cli) << "\n";
    }
    return kExitOk;
}

Json::Value ProfileJson(const CliMouse& cli) {
    Json::Value value;
    value["name"] = cli.profile.name;
    value["id"] = cli.profile.id;
    return value;
}

std::string ProfileSuffix(const CliMouse& cli) {
    return " (profile \"" + cli.profile.name + "\")";
}

std::string ColourText(uint8_t red, uint8_t green, uint8_t blue) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
    return text;
}

bool ParseColour(const std::string& text, uint8_t& red, uint8_t& green, uint8_t& blue) {
    const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(digits, nullptr, 16);
    red = static_cast<uint8_t>(value >> 16);
    green = static_cast<uint8_t>(value >> 8);
    blue = static_cast<uint8_t>(value);
    return true;
}

std::string HexWord(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}
