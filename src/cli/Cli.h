// SPDX-License-Identifier: GPL-2.0-or-later
// kestrunectl: the command-line tool over the core.
#pragma once

#include <chrono>
#include <istream>
#include <memory>
#include <ostream>

class IHidBackend;

struct CliEnvironment {
    // Off in tests: only the simulated mouse is seen.
    bool useHidraw = true;
    // Seen beside the others (tests).
    std::shared_ptr<IHidBackend> extraBackend;
    // What `macro edit` reads without a file; null: standard input.
    std::istream* in = nullptr;
    // Shorter waits than a user needs (tests); zero keeps the defaults: how long a reply of the
    // mouse may take, by cable and through the receiver, and how long a command waits for
    // another program's change of the mouse to end.
    std::chrono::milliseconds replyTimeout{0};
    std::chrono::milliseconds mouseLockWait{0};
};

// Exit statuses, also listed in --help.
enum CliExit : int {
    kExitOk = 0,
    kExitError = 1,
    kExitUsage = 2,
    kExitNoDevice = 3,
    kExitPermission = 4,
    kExitNoAnswer = 5,
    kExitLinkDown = 6,
    kExitOldFirmware = 7,
};

int RunKestrunectl(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   const CliEnvironment& environment = {});
