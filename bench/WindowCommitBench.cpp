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

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Runs the event loop until `done` holds or `timeoutMs` passes.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

uint16_t StageX(const CSimWorld& world) {
    const std::vector<uint8_t> memory = world.SettingsMemory();
    const size_t at = MouseBlock::kFirstStage + kStage * kDpiStageBytes;
    return DpiStageFromBytes(
               std::span<const uint8_t, kDpiStageBytes>(memory.data() + at, kDpiStageBytes))
        .x;
}

int Run(bool receiver, int commits) {
    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(!receiver);
    world->SetReceiverPlugged(receiver);
    world->SetUsbIntervalUs(static_cast<unsigned>(kIntervalMs * 1000));
    MainWndOptions options;
    options.backend = std::make_shared<CCompositeHidBackend>();
    options.backend->Add(MakeEmulatedHidBackend(world));
    CMainWnd window(options);
    if (!window.Init())
        return 1;
    auto page = [&]() -> CDevicePageUI* {
        CQuillonUSBDevice* device = window.Discovery() ? window.Discovery()->Device(0) : nullptr;
        return device ? window.PageOf(*device) : nullptr;
    };
    if (!RunUntil([&] { return page() && !page()->ShownProfile().profileId.empty(); }, 20000)) {
        std::fprintf(stderr, "the mouse page did not come up\n");
        return 1;
    }
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
    int commits = 100;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--commits") == 0)
            commits = std::max(1, std::atoi(argv[i + 1]));
    // Offscreen, in private folders: the bench never touches the user's profiles or locks.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* folder : {"data", "state", "runtime"})
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", home.filePath(QStringLiteral("state")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toLocal8Bit());
    QApplication app(argc, argv);
    MarkUiThread();
    if (!Skin().Load(QString::fromStdString(GetSkinFolder().string())))
        return 1;
    RegisterSkinControls();
    std::printf(
        "a DPI slider commit through the window (targets: within 10%% of the floor, the "
        "UI thread never away over 16 ms)\n");
    int status = Run(false, commits);
    if (status == 0)
        status = Run(true, commits);
    return status;
}
