// SPDX-License-Identifier: GPL-2.0-or-later
// Runs kestrunectl in process, as the CLI tests do, and keeps what it printed.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"

struct CtlRun {
    int status;
    std::string out, err;
    // The standard output as JSON; a failed parse fails the test.
    Json::Value Json() const {
        Json::Value value;
        std::istringstream in(out);
        Json::CharReaderBuilder builder;
        std::string errors;
        EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << out;
        return value;
    }
};

// Only the simulated mouse, which answers at once: a reply that does not come is given up on
// long before a real mouse's time-outs.
inline CliEnvironment TestCliEnvironment() {
    CliEnvironment environment{false, nullptr};
    environment.replyTimeout = std::chrono::milliseconds(250);
    return environment;
}

// `args` without the program name.
inline CtlRun RunCtl(std::vector<std::string> args,
                     const CliEnvironment& environment = TestCliEnvironment()) {
    args.insert(args.begin(), "kestrunectl");
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status =
        RunKestrunectl(static_cast<int>(argv.size()), argv.data(), out, err, environment);
    return {status, out.str(), err.str()};
}
