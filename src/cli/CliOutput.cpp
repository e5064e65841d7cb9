// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/CliOutput.h"

#include <json/json.h>

void PrintCliJson(std::ostream& out, const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    builder["emitUTF8"] = true;
    out << Json::writeString(builder, value) << "\n";
}

int PrintCliError(std::ostream& out, std::ostream& err, bool json, int status,
                  const std::string& message) {
    if (json) {
        Json::Value value;
        value["error"] = message;
        value["exitStatus"] = status;
        PrintCliJson(out, value);
    }
    err << "kestrunectl: " << message << "\n";
    return status;
}
