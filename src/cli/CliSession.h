// SPDX-License-Identifier: GPL-2.0-or-later
// What every kestrunectl command works with: output streams, the HID backends, the simulated
// mouse when asked for, and the way errors are reported.
#pragma once

#include <filesystem>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "cli/Cli.h"
#include "device/DeviceDiscovery.h"
#include "device/HidBackends.h"
#include "device/ReportChannel.h"
#include "simulated/SimulatedMouse.h"

namespace Json {
class Value;
}

struct CliSession {
    CliSession(std::ostream& output, std::ostream& errors, std::istream& input, bool asJson)
        : out(output), err(errors), in(input), json(asJson) {}

    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool json = false;
    std::shared_ptr<CCompositeHidBackend> backend;  // null for the commands on files alone
    std::unique_ptr<CSimulatedMouse> simulated;     // null without --emulate
    int replyTimeoutMs = 0;                         // 0: the report channel's own

    // Prints "kestrunectl: <message>" (or {"error": ...} with --json) and returns `code`.
    int Fail(int code, const std::string& message) const;
    void PrintJson(const Json::Value& value) const;
};

// The mouse as discovery connected it. Discovery keeps running while the command does, so the
// device is closed if it goes away.
struct CliMouseConnection {
    // In this order: discovery goes first.
    std::unique_ptr<CCallbackDispatcher> dispatcher;
    std::unique_ptr<IDeviceDiscoveryOwner> owner;
    std::unique_ptr<CDeviceDiscovery> discovery;
    CQuillonUSBDevice* device = nullptr;
    CReportChannel* channel = nullptr;  // the device's configuration channel
    std::string path;
    bool throughReceiver = false;
    uint16_t version = 0;
};

// Finds the mouse through discovery (cable preferred, receiver otherwise); on failure prints
// the reason and returns the exit status in `exitCode`.
bool OpenMouse(CliSession& session, CliMouseConnection& connection, int& exitCode);
// The message and exit status for a failed command result.
int FailCommand(const CliSession& session, const CliMouseConnection& connection, int result,
                const char* what);

int RunList(CliSession& session);
int RunInfo(CliSession& session);
int RunEmulatorDump(CliSession& session);
int RunEmulatorSet(CliSession& session, const std::string& key, const std::string& value);
struct EmulatorFaultArgs {
    std::string kind;  // a fault name, "clear" or "list"
    int after = 0;
    int delayMs = 1000;
};
// Adds a fault to the simulated mouse's coming requests (saved with its state), clears or lists
// them.
int RunEmulatorFault(CliSession& session, const EmulatorFaultArgs& args);
// The simulated mouse sends an event report; a running `watch` of another process hears it.
int RunEmulatorEvent(CliSession& session, const std::string& code);
// Prints arrivals, removals, transport switches and the mouse's event reports until SIGINT or
// SIGTERM.
int RunWatch(CliSession& session);
