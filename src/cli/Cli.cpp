// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/Cli.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "base/Debug.h"
#include "base/Paths.h"
#include "base/ProcessLock.h"
#include "base/Version.h"
#include "cli/ButtonCommands.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "cli/LightCommands.h"
#include "cli/MacroCommands.h"
#include "cli/ProfileCommands.h"
#include "cli/RecoilCommands.h"
#include "cli/SettingsCommands.h"
#include "cli/UdevRules.h"
#include "device/HidrawBackend.h"
#include "profile/DataLock.h"
#include "profile/FileCheck.h"
#include "profile/JsonFile.h"

namespace fs = std::filesystem;

namespace {

// How long a command waits for another program's change of the mouse to end.
constexpr std::chrono::milliseconds kMouseLockWait{5000};

constexpr const char* kFooter = R"(Exit status:
  0 done, 1 error (a file that cannot be read or written, a refused import, a data folder
  that is not a folder: nothing was changed unless the message says so), 2 bad usage (found
  before any mouse is looked for), 3 no mouse found, 4 no permission on the device node,
  5 the mouse did not answer, 6 the receiver cannot reach the mouse, 7 the mouse's firmware
  is too old for this tool (see kestrunectl firmware).
  A file with a field out of range is read with the field put in range and a warning naming
  it; an import that has one is refused, naming the field, its value and the limit.

Environment:
  KESTRUNE_EMULATE=cable|receiver|both   same as --emulate
  KESTRUNE_DEBUG=1 | area,area,...       debug lines on stderr (areas: device, report, dump,
                                         mouse, profile, macro, lighting, update, app, emulator)

Without the hardware, try:  kestrunectl --emulate info)";

// Its memory goes back to the state file for the next run.
void SaveSimulatedMouse(CliSession& session) {
    if (!session.simulated)
        return;
    std::string error;
    if (!session.simulated->Save(&error))
        session.err << "kestrunectl: could not save the simulated mouse's state to "
                    << session.simulated->StateFile().string() << ": " << error << "\n";
}

// An argument given empty ("") would read as "the current one" or "the default": refused, as
// are control characters (escape sequences, line ends), which no name or path of ours needs and
// which would reach the terminal raw. Returns the message for the first bad argument.
std::optional<std::string> BadArgument(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const size_t equals = arg.find('=');
        if (arg.empty() ||
            (arg.starts_with("--") && equals != std::string_view::npos && equals + 1 == arg.size()))
            return "argument " + std::to_string(i) + " is empty" +
                   (arg.empty() ? std::string() : " (" + std::string(arg) + ")") +
                   "; give a value or leave the argument out";
        for (unsigned char c : arg) {
            if (c < 0x20 || c == 0x7F)
                return "argument " + std::to_string(i) +
                       " holds a control character; names and paths cannot";
        }
        // C1 controls, U+0080 to U+009F, as UTF-8.
        for (size_t k = 0; k + 1 < arg.size(); ++k) {
            if (static_cast<unsigned char>(arg[k]) == 0xC2 &&
                static_cast<unsigned char>(arg[k + 1]) >= 0x80 &&
                static_cast<unsigned char>(arg[k + 1]) <= 0x9F)
                return "argument " + std::to_string(i) +
                       " holds a control character; names and paths cannot";
        }
    }
    return std::nullopt;
}

// The first word that names no command where a command is expected: "profile lst" gives
// {"profile", "lst"}. Options and their values are skipped as CLI11 would take them.
std::optional<std::pair<std::string, std::string>> UnknownCommand(const CLI::App& app, int argc,
                                                                  const char* const* argv) {
    const CLI::App* current = &app;
    std::string path = "kestrunectl";
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.starts_with("-")) {
            // An option taking a value in the next word.
            const CLI::Option* option = nullptr;
            for (const CLI::App* a = current; a && !option; a = a->get_parent())
                option = a->get_option_no_throw(word);
            if (option && option->get_type_size_max() > 0 && option->get_expected_min() > 0 &&
                word.find('=') == std::string::npos)
                ++i;
            continue;
        }
        const auto subcommands = current->get_subcommands({});
        if (subcommands.empty())
            return std::nullopt;  // a positional argument of the command
        const CLI::App* next = nullptr;
        for (const CLI::App* sub : subcommands)
            if (sub->check_name(word))
                next = sub;
        if (!next)
            return std::make_pair(path, word);
        current = next;
        path += " " + word;
    }
    return std::nullopt;
}

// list, info, emulator dump|set|event|fault, watch.
void AddDeviceCommands(CLI::App& app, CCliVerbs& verbs) {
    verbs.Bind(app.add_subcommand("list", "List the supported devices' HID interfaces"),
               CliNeeds::kDevices, RunList);
    verbs.Bind(app.add_subcommand("info", "Read and decode the mouse's information block"),
               CliNeeds::kDevices, RunInfo);
    auto* emulator = app.add_subcommand("emulator", "Inspect or configure the simulated mouse");
    emulator->require_subcommand(1);
    verbs.Bind(emulator->add_subcommand("dump", "Show the simulated mouse's memory and state"),
               CliNeeds::kSimulatedMouse, RunEmulatorDump);
    auto* set = emulator->add_subcommand(
        "set",
        "Change the simulated mouse: sensor, firmware, battery, charging, link, cable, "
        "receiver, interval-us, key-positions, macro-size, dpi-step, lowest-dpi, "
        "slider-positions");
    auto& setting = verbs.Keep<std::pair<std::string, std::string>>();
    set->add_option("KEY", setting.first, "What to change")->required();
    set->add_option("VALUE", setting.second, "The new value")->required();
    verbs.Bind(set, CliNeeds::kSimulatedMouse, [&setting](CliSession& session) {
        return RunEmulatorSet(session, setting.first, setting.second);
    });
    auto* fault = emulator->add_subcommand(
        "fault",
        "Make the simulated mouse misbehave on coming requests (kept for the next command, also "
        "from another terminal): drop, delay, garble, wrong-echo, status-ff, status-fe, unplug, "
        "link-drop; clear removes them, list shows them");
    auto& faultArgs = verbs.Keep<EmulatorFaultArgs>();
    fault->add_option("FAULT", faultArgs.kind, "The fault, clear or list")->required();
    fault
        ->add_option("--after", faultArgs.after,
                     "Let this many requests pass untouched first (default 0)")
        ->check(CLI::Range(0, 100000));
    fault->add_option("--ms", faultArgs.delayMs, "delay: how many milliseconds (default 1000)")
        ->check(CLI::Range(0, 600000));
    verbs.Bind(fault, CliNeeds::kSimulatedMouse,
               [&faultArgs](CliSession& session) { return RunEmulatorFault(session, faultArgs); });
    auto* event = emulator->add_subcommand(
        "event", "Make the simulated mouse send an event report (a running watch shows it)");
    auto& eventCode = verbs.Keep<std::string>();
    event->add_option("CODE", eventCode, "The event code, e.g. 0x0401")->required();
    verbs.Bind(event, CliNeeds::kSimulatedMouse,
               [&eventCode](CliSession& session) { return RunEmulatorEvent(session, eventCode); });
    verbs.Bind(app.add_subcommand(
                   "watch",
                   "Print arrivals, removals, transport switches and the mouse's event reports "
                   "until interrupted (Ctrl+C)"),
               CliNeeds::kWatch, RunWatch);
}

}  // namespace

int CliSession::Fail(int code, const std::string& message) const {
    return PrintCliError(out, err, json, code, message);
}

void CliSession::PrintJson(const Json::Value& value) const {
    PrintCliJson(out, value);
}

int RunKestrunectl(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   const CliEnvironment& environment) {
    CLI::App app{"kestrunectl: configure the Kestrune Q418-RGB gaming mouse from the command line.",
                 "kestrunectl"};
    app.footer(kFooter);
    app.fallthrough();
    app.require_subcommand(1);

    std::string emulate;
    bool json = false, verbose = false;
    std::string dataDir;
    auto* emulateOption =
        app.add_option("--emulate", emulate,
                       "Also see the simulated mouse: plugged by cable (default), through its "
                       "receiver, or both. Its memory is kept between runs.")
            ->expected(0, 1);
    app.add_flag("--json", json, "Print machine-readable JSON");
    app.add_flag("-v,--verbose", verbose, "Print debug lines and report hex dumps on stderr");
    app.add_option("--data-dir", dataDir, "Use DIR as the per-user data folder")->type_name("DIR");
    app.set_version_flag("--version", "kestrunectl " + std::string(ApplicationVersion()));
    // Printed while parsing, as --version is: it needs no command and no device.
    app.add_flag_callback(
           "--print-udev-rules",
           [&out] {
               out << kUdevRulesText;
               throw CLI::Success();
           },
           std::string("Print the udev rule that lets your user open the mouse (install it as "
                       "/etc/udev/rules.d/") +
               kUdevRulesFileName + ")")
        ->trigger_on_parse();

    CCliVerbs verbs;
    AddDeviceCommands(app, verbs);
    AddProfileCommands(app, verbs);
    AddLightCommands(app, verbs);
    AddMacroCommands(app, verbs);
    AddRecoilCommands(app, verbs);
    AddDpiCommands(app, verbs);
    AddSettingsCommands(app, verbs);
    AddButtonCommands(app, verbs);

    if (const auto bad = BadArgument(argc, argv))
        return PrintCliError(out, err, false, kExitUsage, *bad);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            if (const auto unknown = UnknownCommand(app, argc, argv))
                return PrintCliError(out, err, false, kExitUsage,
                                     "unknown command \"" + unknown->second + "\" (" +
                                         unknown->first + " --help lists the commands)");
        }
        int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitUsage;
    }

    CliSession session(out, err, environment.in ? *environment.in : std::cin, json);
    DebugConfigureFromEnvironment();
    if (verbose)
        DebugConfigure("1");
    session.replyTimeoutMs = static_cast<int>(environment.replyTimeout.count());
    // The folder holds for this run only: a run in process (tests) leaves the next one as it
    // found it.
    struct DataFolderRestore {
        std::optional<fs::path> before;
        ~DataFolderRestore() {
            if (before)
                SetUserDataFolder(*before);
        }
    } dataFolderRestore;
    if (!dataDir.empty())
        dataFolderRestore.before = SetUserDataFolder(dataDir);

    const CliVerb* verb = verbs.Chosen();
    if (!verb)
        return session.Fail(kExitUsage, "say what to do (kestrunectl --help)");

    // A file that cannot be read is kept beside its replacement; the user hears of it here.
    CJsonFile::SetBrokenFileListener([&err](const fs::path& file, const fs::path& kept) {
        err << "kestrunectl: warning: " << file.string() << " could not be read; it is kept as "
            << kept.filename().string() << " and a new one is written\n";
    });
    // A file read with fields out of range is read with them mended; the user hears which.
    // Told once however often the command reads the file.
    auto told = std::make_shared<std::set<std::string>>();
    SetFileWarningListener(
        [&err, told](const fs::path& file, const std::vector<FileProblem>& problems) {
            std::string text = file.string() + ": " + ProblemsText(problems);
            if (!told->insert(text).second)
                return;
            err << "kestrunectl: warning: " << text
                << "; read with those fields put in range (or set to 0)\n";
        });
    struct ListenerReset {
        ~ListenerReset() {
            CJsonFile::SetBrokenFileListener(nullptr);
            SetFileWarningListener(nullptr);
        }
    } listenerReset;
    // The data folder must be a folder: anything else would read as an empty one.
    {
        const fs::path folder = GetDeviceDataFolder("mouse");
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (!fs::is_directory(folder, ec))
            return session.Fail(kExitError, "the data folder " + GetUserDataFolder().string() +
                                                " is not a folder (or cannot be made); nothing "
                                                "was read or changed");
    }
    // A command that changes the data folder holds its lock from the first read to the last
    // write, the simulated mouse's state included, so parallel commands lose nothing. Profiles,
    // macros and recoil patterns live in files only: no device is needed.
    if (verb->needs == CliNeeds::kFiles) {
        CDataFolderLock lock(GetDeviceDataFolder("mouse"));
        return verb->run(session);
    }

    const std::optional<std::string> mode = RequestedSimulatedMode(
        emulateOption->count() > 0 ? std::optional<std::string>(emulate) : std::nullopt);
    if (verb->needs == CliNeeds::kSimulatedMouse && !mode)
        return session.Fail(kExitUsage, "the emulator commands need --emulate");

    // The whole command is one change of the mouse: no other program's command sequence may
    // come between its requests, and the simulated mouse is read and saved inside it.
    CProcessLock mouseLock(MouseLockFile(kDeviceTypeTable[0].typeKey));
    if (verb->needs != CliNeeds::kWatch) {
        std::string lockError;
        const auto wait =
            environment.mouseLockWait.count() > 0 ? environment.mouseLockWait : kMouseLockWait;
        if (!mouseLock.Acquire(wait, &lockError))
            return session.Fail(kExitError, lockError.empty()
                                                ? "the mouse is busy with another program; "
                                                  "nothing was changed (try again)"
                                                : lockError);
    }
    // Taken after the mouse's lock, in the order the window takes them, so neither waits on
    // the other while holding what it needs.
    std::optional<CDataFolderLock> lock;
    if (verb->needs != CliNeeds::kWatch)
        lock.emplace(GetDeviceDataFolder("mouse"));

    session.backend = std::make_shared<CCompositeHidBackend>();
    if (environment.useHidraw && verb->needs != CliNeeds::kSimulatedMouse)
        session.backend->Add(MakeHidrawBackend());
    if (environment.extraBackend)
        session.backend->Add(environment.extraBackend);
    if (mode) {
        session.simulated = CSimulatedMouse::SetUp(*mode);
        if (!session.simulated)
            return session.Fail(kExitUsage,
                                "--emulate takes cable, receiver or both, not \"" + *mode + "\"");
        if (!session.simulated->Error().empty())
            return session.Fail(kExitError, "the simulated mouse's state file " +
                                                session.simulated->Error() +
                                                "; move it away or delete it");
        if (!session.simulated->Warning().empty())
            err << "kestrunectl: ignoring the simulated mouse's state file ("
                << session.simulated->StateFile().string() << "): " << session.simulated->Warning()
                << "\n";
        session.backend->Add(session.simulated->Backend());
    }

    const int status = verb->run(session);
    // A watch only follows the state file: what it holds may be older than the file by now.
    if (verb->needs != CliNeeds::kWatch)
        SaveSimulatedMouse(session);
    return status;
}
