// SPDX-License-Identifier: GPL-2.0-or-later
// A DPI slider commit through the window, from the slider's new value to the stage's bytes in
// the simulated mouse's settings memory, by cable and through the receiver under the 1 ms USB
// interval model; compared with the floor of the settings image write (two report intervals
// per transaction plus the 10 ms pause before the end command). Also the longest stretch the UI
// thread spent away from its event loop during the commits (target: under 16 ms).
//
//   window_commit_bench [--commits N]
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "SettingsFloor.h"
#include "WindowBench.h"
#include "app/DeviceOption.h"
#include "app/MainWnd.h"
#include "app/MpDevicePower.h"
#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "mouse/MouseSettingsBlock.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "ui/SkinResources.h"
#include "ui/SvgImage.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kIntervalMs = 1.0;
constexpr int kStage = 2;

uint16_t StageX(const CSimWorld& world) {
    const std::vector<uint8_t> memory = world.SettingsMemory();
    const size_t at = MouseBlock::kFirstStage + kStage * kDpiStageBytes;
    return DpiStageFromBytes(
               std::span<const uint8_t, kDpiStageBytes>(memory.data() + at, kDpiStageBytes))
        .x;
}

int Run(bool receiver, int commits) {
    CBenchWindow bench(receiver, kIntervalMs);
    if (!bench.Open())
        return 1;
    const std::shared_ptr<CSimWorld>& world = bench.world;
    CMainWnd& window = *bench.window;
    auto page = [&bench] { return bench.Page(); };
    auto* slider = page()->findChild<QSlider*>(QStringLiteral("DPI_slider_%1").arg(kStage));
    CDeviceOptionUI* entry = window.EntryOf(*page()->Device());
    if (!slider || !entry || !RunUntil([&] { return entry->Worker()->IsIdle(); }, 20000))
        return 1;

    // The UI thread's stretches between two waits for events.
    QElapsedTimer busy;
    qint64 longestBusyMs = 0;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const auto awake =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { busy.start(); });
    const auto blocking =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
            if (busy.isValid())
                longestBusyMs = std::max(longestBusyMs, busy.elapsed());
            busy.invalidate();
        });

    // A watcher thread notes when the bytes are in and the write has ended (the end command),
    // finer than the event loop could.
    std::atomic<int> wanted{-1};
    std::atomic<int64_t> landedNs{0};
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        while (!stop.load()) {
            const int value = wanted.load();
            if (value >= 0 && landedNs.load() == 0 && StageX(*world) == value &&
                !world->Configuring())
                landedNs.store(Clock::now().time_since_epoch().count());
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });

    std::vector<double> latencyMs;
    const int base = slider->value() > 20 ? 10 : 30;
    for (int i = 0; i < commits; ++i) {
        const int position = base + i % 2;
        landedNs.store(0);
        wanted.store(position);
        const Clock::time_point start = Clock::now();
        slider->setValue(position);
        if (!RunUntil([&] { return landedNs.load() != 0 && entry->Worker()->IsIdle(); }, 10000)) {
            std::fprintf(stderr, "commit %d did not reach the mouse\n", i);
            stop.store(true);
            watcher.join();
            return 1;
        }
        latencyMs.push_back(std::chrono::duration<double, std::milli>(
                                Clock::time_point(Clock::duration(landedNs.load())) - start)
                                .count());
    }
    stop.store(true);
    watcher.join();
    QObject::disconnect(awake);
    QObject::disconnect(blocking);

    const double floorMs = SettingsImageFloor(receiver, kIntervalMs).ms;
    const double median = Percentile(latencyMs, 0.5);
    std::printf(
        "%-8s %d commits: slider to bytes median %.2f ms (p90 %.2f, max %.2f), floor %.1f ms, "
        "ratio %.3f; UI thread longest away from its loop %lld ms; protocol errors %u\n",
        receiver ? "receiver" : "cable", commits, median, Percentile(latencyMs, 0.9),
        Percentile(latencyMs, 1.0), floorMs, median / floorMs,
        static_cast<long long>(longestBusyMs), world->ProtocolErrors());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int commits = CountOption(argc, argv, "--commits", 100);
    return RunWindowBench(
        argc, argv,
        "a DPI slider commit through the window (targets: within 10% of the floor, the "
        "UI thread never away over 16 ms)",
        [commits](bool receiver) { return Run(receiver, commits); });
}
