// SPDX-License-Identifier: GPL-2.0-or-later
// emulator dump, set and fault: looking into and changing the simulated mouse.
#include <json/json.h>

#include "cli/CliSession.h"

int RunEmulatorDump(CliSession& session) {
    session.out << (session.json ? session.simulated->World()->DumpJson()
                                 : session.simulated->World()->DumpText());
    return kExitOk;
}

int RunEmulatorSet(CliSession& session, const std::string& key, const std::string& value) {
    std::string message;
    if (!session.simulated->World()->SetByName(key, value, &message))
        return session.Fail(kExitUsage, message);
    if (!session.json)
        session.out << "simulated mouse: " << key << " = " << value << "\n";
    return kExitOk;
}

int RunEmulatorFault(CliSession& session, const EmulatorFaultArgs& args) {
    CSimWorld& world = *session.simulated->World();
    auto describe = [](const SimFault& fault) {
        std::string text = SimFaultName(fault.kind);
        if (fault.kind == SimFault::DelayReply)
            text += " " + std::to_string(fault.delayMs) + " ms";
        if (fault.afterRequests > 0)
            text += " after " + std::to_string(fault.afterRequests) + " requests";
        return text;
    };
    if (args.kind == "list") {
        const std::vector<SimFault> faults = world.PendingFaults();
        if (session.json) {
            Json::Value value(Json::arrayValue);
            for (const SimFault& fault : faults) {
                Json::Value f;
                f["fault"] = SimFaultName(fault.kind);
                f["after"] = fault.afterRequests;
                f["delayMs"] = fault.delayMs;
                value.append(f);
            }
            session.PrintJson(value);
        } else if (faults.empty()) {
            session.out << "simulated mouse: no faults to come\n";
        } else {
            for (const SimFault& fault : faults)
                session.out << describe(fault) << "\n";
        }
        return kExitOk;
    }
    if (args.kind == "clear") {
        world.ClearFaults();
        if (!session.json)
            session.out << "simulated mouse: no faults to come\n";
        return kExitOk;
    }
    const std::optional<SimFault::Kind> kind = SimFaultKindByName(args.kind);
    if (!kind)
        return session.Fail(kExitUsage,
                            "unknown fault \"" + args.kind +
                                "\" (known: drop, delay, garble, wrong-echo, "
                                "status-ff, status-fe, unplug, link-drop, clear, list)");
    SimFault fault{*kind};
    fault.afterRequests = args.after;
    fault.delayMs = *kind == SimFault::DelayReply ? args.delayMs : 0;
    world.InjectFault(fault);
    if (!session.json)
        session.out << "simulated mouse: " << describe(fault) << "\n";
    return kExitOk;
}
