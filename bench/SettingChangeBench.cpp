// SPDX-License-Identifier: GPL-2.0-or-later
// One setting change end to end, as the page makes it: the record into the profile, the profile
// file saved, the whole settings image written to the mouse. Split into file time and device
// time, by cable and through the receiver, under the 1 ms USB interval model. The device time is
// compared with its floor: two report intervals per transaction plus the 10 ms pause before the
// end command.
//
//   setting_change_bench [--changes N] [--folder DIR]
//
// The profile file is written atomically and synced to disk; with --folder /dev/shm (tmpfs) the
// sync costs nothing, which tells it apart from the rest of the file time.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "SettingsFloor.h"
#include "base/Paths.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kIntervalMs = 1.0;

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double value : values)
        sum += value;
    return sum / static_cast<double>(values.size());
}

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

int Run(bool receiver, int changes) {
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(!receiver);
    world->SetReceiverPlugged(receiver);
    world->SetUsbIntervalUs(static_cast<unsigned>(kIntervalMs * 1000));
    auto backend = MakeEmulatedHidBackend(world);
    CQuillonMouseDevice mouse(backend.get());
    mouse.SetTypeKey("mouse");
    mouse.SetDeviceKind(1);
    const std::string path = receiver ? "emulated/receiver-if1#vid_320f&pid_226f&mi_01&col02"
                                      : "emulated/cable-if1#vid_320f&pid_226e&mi_01&col02";
    if (!mouse.ConnectConfiguration(path, receiver)) {
        std::fprintf(stderr, "cannot open the simulated mouse\n");
        return 1;
    }
    mouse.LoadProfile();

    std::vector<double> fileMs, deviceMs;
    for (int i = 0; i < changes; ++i) {
        MouseSettings settings = mouse.GetMouseSettings();
        settings[MouseSettings::kReportRate] = static_cast<uint16_t>(i % 5);
        const Clock::time_point start = Clock::now();
        mouse.SetMouseSettings(settings);
        const bool stored = mouse.SaveProfile().saved;
        const Clock::time_point saved = Clock::now();
        const int written = mouse.WriteSettings();
        const Clock::time_point done = Clock::now();
        if (!stored || written != 1) {
            std::fprintf(stderr, "change %d failed (saved %d, written %d)\n", i, stored, written);
            return 1;
        }
        fileMs.push_back(Ms(saved - start));
        deviceMs.push_back(Ms(done - saved));
    }

    const auto [transactions, floorMs] = SettingsImageFloor(receiver, kIntervalMs);
    const double median = Percentile(deviceMs, 0.5);
    std::printf(
        "%-8s %d changes: device median %.2f ms (p90 %.2f, max %.2f), floor %.1f ms "
        "(%u transactions), ratio %.3f; file mean %.3f ms (p90 %.3f, max %.3f); "
        "protocol errors %u\n",
        receiver ? "receiver" : "cable", changes, median, Percentile(deviceMs, 0.9),
        Percentile(deviceMs, 1.0), floorMs, transactions, median / floorMs, Mean(fileMs),
        Percentile(fileMs, 0.9), Percentile(fileMs, 1.0), world->ProtocolErrors());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int changes = 100;
    std::filesystem::path parent = std::filesystem::temp_directory_path();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--changes") == 0)
            changes = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--folder") == 0)
            parent = argv[i + 1];
    }
    // A private data folder: the bench never touches the user's profiles.
    const std::filesystem::path folder = parent / ("kestrune-bench-" + std::to_string(getpid()));
    SetUserDataFolder(folder);
    std::printf(
        "one setting change: record -> profile file -> settings image (targets: device "
        "within 10%% of the floor, file under 2 ms); profile files in %s\n",
        parent.c_str());
    int status = Run(false, changes);
    if (status == 0)
        status = Run(true, changes);
    std::filesystem::remove_all(folder);
    return status;
}
