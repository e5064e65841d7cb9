// What every kestrunectl command works with: output streams, the HID backends, the simulated
// mouse when asked for, and the way errors are reported.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/Cli.h"
#include "device/HidBackends.h"
#include "device/ReportChannel.h"
#include "emulator/SimWorld.h"

namespace Json {
class Value;
}

struct CliSession {
    std::ostream& out;
    std::ostream& err;
    bool json = false;
    std::shared_ptr<CCompositeHidBackend> backend;
    std::shared_ptr<CSimWorld> world;  // null without --emulate
    std::filesystem::path stateFile;

    // Prints "kestrunectl: <message>" (or {"error": ...} with --json) and returns `code`.
    int Fail(int code, const std::string& message) const;
    void PrintJson(const Json::Value& value) const;
};

// The mouse's configuration interface, opened on a report channel.
struct CliMouseConnection {
    std::unique_ptr<CReportChannel> channel;
    std::string path;
    bool throughReceiver = false;
    uint16_t version = 0;
};

// Finds the mouse (cable preferred, receiver otherwise) and opens its configuration interface;
// on failure prints the reason and returns the exit status in `exitCode`.
bool OpenMouse(CliSession& session, CliMouseConnection& connection, int& exitCode);
// The message and exit status for a failed command result.
int FailCommand(const CliSession& session, const CliMouseConnection& connection, int result,
                const char* what);

int RunList(CliSession& session);
int RunInfo(CliSession& session);
int RunEmulatorDump(CliSession& session);
int RunEmulatorSet(CliSession& session, const std::string& key, const std::string& value);
