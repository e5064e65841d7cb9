// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/RecoilCommands.h"

#include <json/json.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>

#include "base/Paths.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "macro/ShootData.h"
#include "profile/JsonFile.h"

namespace {

struct RecoilCliArgs {
    int gun = 1;       // 1 .. 4
    int bullet = 0;    // set: 1 .. 30
    int x = 0;         // set: negative moves left, positive right
    int y = 0;         // set: negative moves up, positive down
    int delay = -1;    // set: milliseconds after the shot's move; -1 keeps the bullet's own
    std::string file;  // import, export
};

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json;
    CShootData shoot;
};

void PrintJson(Context& c, const Json::Value& value) {
    PrintCliJson(c.out, value);
}

int Fail(Context& c, int status, const std::string& message) {
    return PrintCliError(c.out, c.err, c.json, status, message);
}

// ": permission denied", ... for the end of an error message.
std::string Cause() {
    const std::string cause = CJsonFile::LastError();
    return cause.empty() ? std::string() : ": " + cause;
}

int FailResult(Context& c, ShootResult result, int gun, const std::string& file) {
    switch (result) {
        case ShootResult::Done:
            return kExitOk;
        case ShootResult::NoSuchGun:
            return Fail(c, kExitUsage, "guns are numbered 1 to " + std::to_string(kShootGuns));
        case ShootResult::NoSuchBullet:
            return Fail(c, kExitUsage,
                        "bullets are numbered 1 to " + std::to_string(kShootBullets));
        case ShootResult::NotAShootFile:
            if (!c.shoot.LastProblems().empty())
                return Fail(c, kExitError,
                            file + " was not imported (nothing was stored): " +
                                ProblemsText(c.shoot.LastProblems()));
            return Fail(c, kExitError, file + " is not a recoil (shoot) file");
        case ShootResult::Unreadable:
            return Fail(c, kExitError, "could not read " + file + Cause());
        case ShootResult::WriteFailed:
            return Fail(c, kExitError,
                        "could not write " +
                            (file.empty() ? c.shoot.FilePath(gun).string() : file) + Cause());
    }
    return kExitError;
}

// Screen directions as signed numbers: left and up are negative.
int SignedX(const ShootBullet& bullet) {
    return bullet.left ? -bullet.x : bullet.x;
}
int SignedY(const ShootBullet& bullet) {
    return bullet.up ? -bullet.y : bullet.y;
}

int RunShow(Context& c, int gun) {
    // Showing writes nothing: a pattern that cannot be read shows its default, which the next
    // change puts in place (keeping the unreadable file beside it).
    std::vector<MacroEvent> events = c.shoot.ReadEvents(gun);
    const bool usable = c.shoot.IsUsable(gun);
    if (!usable) {
        // Missing (a first start) shows the default quietly; anything else says why.
        const bool missing = !CJsonFile::Exists(c.shoot.FilePath(gun));
        CJsonFile::ReadText(c.shoot.FilePath(gun));
        std::string cause = CJsonFile::LastError();
        if (cause.empty())
            cause = "not a recoil file";
        events = c.shoot.ReadDefaultEvents(gun);
        if (CJsonFile::ReadDocument(c.shoot.DefaultFilePath(gun)).isNull())
            return Fail(c, kExitError,
                        "gun " + std::to_string(gun + 1) + " has no pattern in " +
                            c.shoot.FilePath(gun).string() + " (" + cause + "), and its default " +
                            c.shoot.DefaultFilePath(gun).string() + " cannot be read either");
        if (!missing)
            c.err << "kestrunectl: warning: " << c.shoot.FilePath(gun).string()
                  << " cannot be read (" << cause
                  << "); showing the default pattern, which the next change writes\n";
    }
    if (c.json) {
        Json::Value value;
        value["gun"] = gun + 1;
        value["file"] = c.shoot.FilePath(gun).string();
        value["default"] = !usable;
        value["bullets"] = Json::Value(Json::arrayValue);
        for (int b = 0; b < kShootBullets; ++b) {
            const ShootBullet bullet = ReadBullet(events, b);
            Json::Value row;
            row["bullet"] = b + 1;
            row["x"] = SignedX(bullet);
            row["y"] = SignedY(bullet);
            row["delay"] = bullet.delay;
            value["bullets"].append(row);
        }
        PrintJson(c, value);
        return kExitOk;
    }
    c.out << "Gun " << gun + 1 << " (" << c.shoot.FilePath(gun).string() << ")\n"
          << "x: left -, right +   y: up -, down +   delay: ms after the shot's move\n"
          << "bullet     x     y  delay\n";
    for (int b = 0; b < kShootBullets; ++b) {
        const ShootBullet bullet = ReadBullet(events, b);
        char line[64];
        std::snprintf(line, sizeof line, "%6d %5d %5d %6u\n", b + 1, SignedX(bullet),
                      SignedY(bullet), static_cast<unsigned>(bullet.delay));
        c.out << line;
    }
    return kExitOk;
}

int Report(Context& c, const std::string& action, int gun, const std::string& text) {
    if (c.json) {
        Json::Value value;
        value["action"] = action;
        value["gun"] = gun + 1;
        value["file"] = c.shoot.FilePath(gun).string();
        PrintJson(c, value);
    } else {
        c.out << text << "\n";
    }
    return kExitOk;
}

int Show(Context& c, const RecoilCliArgs&, int gun) {
    return RunShow(c, gun);
}

int Set(Context& c, const RecoilCliArgs& args, int gun) {
    const int bullet = args.bullet - 1;
    if (bullet < 0 || bullet >= kShootBullets)
        return FailResult(c, ShootResult::NoSuchBullet, gun, "");
    if (std::abs(args.x) > 255 || std::abs(args.y) > 255)
        return Fail(c, kExitUsage, "a correction is at most 255 either way");
    if (args.delay > 65535)
        return Fail(c, kExitUsage, "a delay is at most 65535 ms");
    ShootBullet value = c.shoot.GetBullet(gun, bullet).value_or(ShootBullet{});
    value.left = args.x < 0;
    value.x = static_cast<uint8_t>(std::abs(args.x));
    value.up = args.y < 0;
    value.y = static_cast<uint8_t>(std::abs(args.y));
    if (args.delay >= 0)
        value.delay = static_cast<uint16_t>(args.delay);
    if (ShootResult r = c.shoot.SetBullet(gun, bullet, value); r != ShootResult::Done)
        return FailResult(c, r, gun, "");
    return Report(c, "set", gun,
                  "gun " + std::to_string(args.gun) + ", bullet " + std::to_string(args.bullet) +
                      ": x " + std::to_string(args.x) + ", y " + std::to_string(args.y) +
                      ", delay " + std::to_string(value.delay) + " ms");
}

int Reset(Context& c, const RecoilCliArgs& args, int gun) {
    if (ShootResult r = c.shoot.Reset(gun); r != ShootResult::Done)
        return FailResult(c, r, gun, c.shoot.DefaultFilePath(gun).string());
    return Report(c, "reset", gun,
                  "gun " + std::to_string(args.gun) + " is back to its default pattern");
}

int Import(Context& c, const RecoilCliArgs& args, int gun) {
    if (ShootResult r = c.shoot.Import(gun, args.file); r != ShootResult::Done)
        return FailResult(c, r, gun, r == ShootResult::WriteFailed ? "" : args.file);
    return Report(c, "import", gun,
                  "imported " + args.file + " as gun " + std::to_string(args.gun));
}

int Export(Context& c, const RecoilCliArgs& args, int gun) {
    if (ShootResult r = c.shoot.Export(gun, args.file); r != ShootResult::Done)
        return FailResult(
            c, r, gun, r == ShootResult::Unreadable ? c.shoot.FilePath(gun).string() : args.file);
    return Report(c, "export", gun,
                  "exported gun " + std::to_string(args.gun) + " to " + args.file);
}

}  // namespace

void AddRecoilCommands(CLI::App& app, CCliVerbs& verbs) {
    CLI::App* recoil = app.add_subcommand(
        "recoil",
        "Manage the mouse's four recoil patterns (guns) of 30 bullets: the pointer correction "
        "after each shot (kept in files; upload them to the mouse separately)");
    recoil->require_subcommand(1);
    RecoilCliArgs& args = verbs.Keep<RecoilCliArgs>();
    using Handler = int (*)(Context&, const RecoilCliArgs&, int gun);
    auto add = [&](const char* name, const char* help, Handler run) {
        CLI::App* command = recoil->add_subcommand(name, help);
        command->add_option("-g,--gun", args.gun, "The gun, 1 to 4 (default 1)")
            ->check(CLI::Range(1, kShootGuns));
        verbs.Bind(command, CliNeeds::kFiles, [&args, run](CliSession& session) {
            Context c{session.out, session.err, session.json,
                      CShootData(GetDeviceDataFolder("mouse"), GetDefaultDataFolder())};
            if (args.gun < 1 || args.gun > kShootGuns)
                return FailResult(c, ShootResult::NoSuchGun, 0, "");
            // A lost or broken pattern starts again from its default at its first change.
            return run(c, args, args.gun - 1);
        });
        return command;
    };
    add("show", "Show a gun's 30 bullets: x and y correction and delay", Show);
    CLI::App* set = add("set",
                        "Set one bullet's correction: X negative moves left, positive right; Y "
                        "negative moves up, positive down (each at most 255)",
                        Set);
    set->add_option("BULLET", args.bullet, "The bullet, 1 to 30")
        ->required()
        ->check(CLI::Range(1, kShootBullets));
    set->add_option("X", args.x, "Horizontal correction, -255 to 255")
        ->required()
        ->check(CLI::Range(-255, 255));
    set->add_option("Y", args.y, "Vertical correction, -255 to 255")
        ->required()
        ->check(CLI::Range(-255, 255));
    set->add_option("DELAY", args.delay,
                    "Milliseconds after the bullet's move, 0 to 65535 (default: unchanged)")
        ->check(CLI::Range(0, 65535));
    add("reset", "Put the gun's default pattern back", Reset);
    add("import", "Replace the gun's pattern with a shoot file (*.shoot)", Import)
        ->add_option("FILE", args.file, "The shoot file")
        ->required();
    add("export", "Write the gun's pattern to a shoot file (*.shoot)", Export)
        ->add_option("FILE", args.file, "The file to write")
        ->required();
}
