// SPDX-License-Identifier: GPL-2.0-or-later
// How every kestrunectl command prints data and errors, with or without --json.
#pragma once

#include <ostream>
#include <string>

namespace Json {
class Value;
}

// Indented, UTF-8 as is.
void PrintCliJson(std::ostream& out, const Json::Value& value);
// "kestrunectl: <message>" on err, and with --json also {"error", "exitStatus"} on out.
// Returns `status`.
int PrintCliError(std::ostream& out, std::ostream& err, bool json, int status,
                  const std::string& message);
