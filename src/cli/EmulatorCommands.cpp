// emulator dump and set: looking into and changing the simulated mouse.
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
