// SPDX-License-Identifier: GPL-2.0-or-later

#include "cli/LightCommands.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "base/Paths.h"
#include "cli/CliSession.h"
#include "cli/CliVerbs.h"
#include "device/DeviceTables.h"
#include "lighting/LightThread.h"
#include "profile/MouseProfiledata.h"
#include "profile/ProfileActions.h"
#include "profile/ProfileList.h"

namespace {

struct LightCliArgs {
    double seconds = 10;  // 0 draws the first frame only
    // Fields given on the command line replace those of the default mouse profile's record.
    std::optional<int> effect;
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<int> direction;
    std::optional<int> multiColour;
    std::string colour;  // RRGGBB
};

// Draws each frame on one terminal line, over the previous one.
class CTerminalPreview final : public ILightDevice {
  public:
    explicit CTerminalPreview(std::ostream& out) : m_out(out) {}

    CLightEngine& GetLightEngine() override { return m_engine; }
    int GetDeviceClass() const override { return 2; }
    void ApplySynchronisedLight(const LightInfo&) override {}
    void OnLightFrame(const CLightFrame& frame) override {
        std::string line = "\r";
        for (size_t led = 0; led < frame.Size(); ++led) {
            // The page draws the LED picture with alpha over a dark mouse: scale toward black.
            const LightColour colour = frame.Get(led);
            char cell[48];
            std::snprintf(cell, sizeof cell, "\x1b[38;2;%u;%u;%um\u2588\u2588\x1b[0m ",
                          colour.red * colour.alpha / 255u, colour.green * colour.alpha / 255u,
                          colour.blue * colour.alpha / 255u);
            line += cell;
        }
        std::lock_guard lock(m_mutex);
        m_out << line << std::flush;
        ++m_frames;
        m_cv.notify_all();
    }

    // Waits for the first frame, then until the time is up.
    void Show(std::chrono::duration<double> duration) {
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_frames > 0; });
        m_cv.wait_until(lock, end, [] { return false; });
    }

  private:
    std::ostream& m_out;
    CLightEngine m_engine;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_frames = 0;
};

bool ParseColour(const std::string& text, LightInfo& info) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text, nullptr, 16);
    info.red = static_cast<uint8_t>(value >> 16);
    info.green = static_cast<uint8_t>(value >> 8);
    info.blue = static_cast<uint8_t>(value);
    return true;
}

int Preview(std::ostream& out, std::ostream& err, const LightCliArgs& args) {
    // The record of the mouse's selected profile (the default one on a first start).
    const std::filesystem::path defaultPath = GetDefaultProfileFile("mouse");
    CProfileList list;
    LoadDeviceProfileList(list, kDeviceClassMouse, "mouse");
    const std::filesystem::path profilePath = list.ProfilePath(list.GetCurrentProfileId());
    CMouseProfiledata profile;
    profile.SetDefaultPath(defaultPath);
    LightInfo info;
    if (profile.LoadSection(profilePath).isNull()) {
        const bool given = args.effect || args.brightness || args.speed || args.direction ||
                           args.multiColour || !args.colour.empty();
        if (!given) {
            err << "kestrunectl: no light record in " << defaultPath.string()
                << "; give one with --effect and the other options\n";
            return kExitError;
        }
        info.brightness = 4;
        info.speed = 2;
        info.direction = 1;
        info.multiColor = 1;
    } else {
        info = profile.GetLightInfo();
    }
    if (args.effect)
        info.effect = static_cast<uint8_t>(*args.effect);
    if (args.brightness)
        info.brightness = static_cast<uint8_t>(*args.brightness);
    if (args.speed)
        info.speed = static_cast<uint8_t>(*args.speed);
    if (args.direction)
        info.direction = static_cast<uint8_t>(*args.direction);
    if (args.multiColour)
        info.multiColor = static_cast<uint8_t>(*args.multiColour);
    if (!args.colour.empty() && !ParseColour(args.colour, info)) {
        err << "kestrunectl: --colour takes six hex digits (RRGGBB), not \"" << args.colour
            << "\"\n";
        return kExitUsage;
    }

    CTerminalPreview preview(out);
    CLightEngine& engine = preview.GetLightEngine();
    engine.ApplyLightInfo(info);
    // The reactive effect shows nothing until a button is pressed; flash it once.
    engine.TriggerReactive();
    engine.SetPresent(true);
    engine.SetPreviewWanted(true);
    out << "effect " << int{info.effect} << ", brightness " << int{info.brightness} << ", speed "
        << int{info.speed} << ", direction " << int{info.direction} << ", multicolour "
        << int{info.multiColor} << ", colour " << int{info.red} << " " << int{info.green} << " "
        << int{info.blue} << "\n";
    CLightThread thread(preview);
    thread.Start();
    preview.Show(std::chrono::duration<double>(args.seconds));
    thread.Stop();
    out << "\n";
    return kExitOk;
}

}  // namespace

void AddLightCommands(CLI::App& app, CCliVerbs& verbs) {
    LightCliArgs& args = verbs.Keep<LightCliArgs>();
    CLI::App* light = app.add_subcommand("light", "The mouse's lighting");
    CLI::App* preview = light->add_subcommand(
        "preview", "Draw the lighting effect on the 15 LEDs in the terminal (24-bit colour)");
    preview->add_option("seconds", args.seconds, "How long to run; 0 draws one frame")
        ->check(CLI::Range(0.0, 86400.0));
    preview->add_option("--effect", args.effect, "Effect number 0..255")->check(CLI::Range(0, 255));
    preview->add_option("--brightness", args.brightness, "Brightness level 0..4")
        ->check(CLI::Range(0, 4));
    preview->add_option("--speed", args.speed, "Speed level 0..4 (0 slowest)")
        ->check(CLI::Range(0, 4));
    preview->add_option("--direction", args.direction, "1 forward, 0 backward")
        ->check(CLI::Range(0, 1));
    preview->add_option("--multicolour", args.multiColour, "1: colours from the colour wheel")
        ->check(CLI::Range(0, 1));
    preview->add_option("--colour", args.colour, "The fixed colour as RRGGBB");
    preview->footer("Without options the light record of the selected profile plays.");
    verbs.Bind(preview, CliNeeds::kFiles,
               [&args](CliSession& session) { return Preview(session.out, session.err, args); });
}
