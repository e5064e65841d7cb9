// SPDX-License-Identifier: GPL-2.0-or-later
// Wake-ups and CPU time of a light thread: a device nobody shows and the mouse device hidden
// or unplugged (target: no wake-up at all), and one device previewing at the fastest pace
// (target: under 0.5 % of a core). Real time, so
// it is a measurement, never a test. Usage: light_idle_probe [seconds per run, default 10]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "lighting/LightThread.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"

namespace {

class CProbeDevice final : public ILightDevice {
  public:
    CLightEngine& GetLightEngine() override { return m_engine; }
    int GetDeviceClass() const override { return 2; }
    void OnLightFrame(const CLightFrame& frame) override { m_last = frame.Get(0).Pack(); }
    void ApplySynchronisedLight(const LightInfo&) override {}

  private:
    CLightEngine m_engine;
    volatile uint32_t m_last = 0;
};

struct Usage {
    double cpuSeconds;
    long voluntarySwitches;
};

Usage ProcessUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw};
}

// The floor: a bare thread that only sleeps until the next tick, for as long.
double BareTickerPercent(int seconds) {
    const Usage before = ProcessUsage();
    const auto start = std::chrono::steady_clock::now();
    std::thread ticker([&] {
        auto next = start;
        const auto end = start + std::chrono::seconds(seconds);
        while ((next += kLightTick) < end)
            std::this_thread::sleep_until(next);
    });
    ticker.join();
    const Usage after = ProcessUsage();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return 100.0 * (after.cpuSeconds - before.cpuSeconds) / elapsed;
}

double Measure(const char* name, bool previewWanted, int seconds, double cpuTargetPercent) {
    CProbeDevice device;
    CLightEngine& engine = device.GetLightEngine();
    LightInfo info;
    info.effect = kEffectBreathing;  // the fastest pace: a frame per tick at speed 4
    info.brightness = 4;
    info.speed = 4;
    info.multiColor = 1;
    engine.ApplyLightInfo(info);
    engine.SetPresent(true);
    engine.SetPreviewWanted(previewWanted);

    CLightThread thread(device);
    thread.Start();
    const Usage before = ProcessUsage();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Usage after = ProcessUsage();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const uint64_t wakeups = thread.Wakeups();
    const uint64_t frames = thread.Frames();
    thread.Stop();

    const double cpu = after.cpuSeconds - before.cpuSeconds;
    const double percent = 100.0 * cpu / elapsed;
    std::printf("%s over %.2f s:\n", name, elapsed);
    std::printf("  thread wake-ups     %8llu  (%.2f per second)\n",
                static_cast<unsigned long long>(wakeups), wakeups / elapsed);
    std::printf("  frames              %8llu  (%.2f per second, pace %.2f per second)\n",
                static_cast<unsigned long long>(frames), frames / elapsed,
                previewWanted ? 1.0 / std::chrono::duration<double>(kLightTick).count() : 0.0);
    std::printf("  voluntary switches  %8ld  (whole process, the sleeping main thread included)\n",
                after.voluntarySwitches - before.voluntarySwitches);
    std::printf("  CPU time            %8.4f s = %.4f %% of a core (target %s %.2f %%)\n", cpu,
                percent, previewWanted ? "<" : "~", cpuTargetPercent);
    return percent;
}

// The mouse device as the window holds it: its own light thread, started by first contact.
void MeasureMouse(const char* name, bool connected, bool previewWanted, int seconds) {
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(true);
    std::shared_ptr<IHidBackend> backend = MakeEmulatedHidBackend(world);
    CQuillonMouseDevice mouse(backend.get());
    if (connected &&
        !mouse.ConnectConfiguration("emulated/cable-if1#vid_320f&pid_226e&mi_01&col02", false)) {
        std::printf("%s: the simulated mouse did not open\n", name);
        return;
    }
    mouse.SetPreviewWanted(previewWanted);
    mouse.StartLightThread();
    const Usage before = ProcessUsage();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const Usage after = ProcessUsage();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const uint64_t wakeups = mouse.LightThread().Wakeups();
    mouse.StopLightThread();
    std::printf("%s over %.2f s:\n", name, elapsed);
    std::printf("  thread wake-ups     %8llu  (target 0)\n",
                static_cast<unsigned long long>(wakeups));
    std::printf("  CPU time            %8.4f s (whole process)\n",
                after.cpuSeconds - before.cpuSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Measure("Idle device (preview not wanted)", false, seconds, 0.0);
    MeasureMouse("Mouse by cable, window hidden", true, false, seconds);
    MeasureMouse("Mouse unplugged, page shown", false, true, seconds);
    const double preview =
        Measure("One device previewing breathing at speed 4", true, seconds, 0.5);
    const double floor = BareTickerPercent(seconds);
    std::printf(
        "Floor: a bare thread sleeping tick to tick: %.4f %% of a core; preview / floor = "
        "%.2f\n",
        floor, floor > 0 ? preview / floor : 0.0);
    return 0;
}
