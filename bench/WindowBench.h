// SPDX-License-Identifier: GPL-2.0-or-later
// What the window benchmarks share: a private home for their files, the application on the real
// skin, an event loop run until a condition holds, and percentiles.
#pragma once

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/MainWnd.h"
#include "base/Debug.h"
#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "mouse/ui/DevicePage.h"
#include "simulated/EmulatedHidBackend.h"
#include "ui/SkinResources.h"
#include "ui/SvgImage.h"

inline double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Runs the event loop until `done` holds or `timeoutMs` passes.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
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

// The value of `--name N` (at least 1), or `fallback`.
inline int CountOption(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

// Offscreen, in private folders (the bench never touches the user's profiles or locks), with the
// skin loaded: prints `title`, then runs `run` by cable and then through the receiver.
inline int RunWindowBench(int argc, char** argv, const char* title,
                          const std::function<int(bool receiver)>& run) {
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
    DebugConfigureFromEnvironment();
    if (!Skin().Load(QString::fromStdString(GetSkinFolder().string())))
        return 1;
    RegisterSkinControls();
    std::printf("%s\n", title);
    int status = run(false);
    if (status == 0)
        status = run(true);
    return status;
}

// The window on the simulated mouse, by cable or through the receiver, with `intervalMs` per
// report each way.
class CBenchWindow {
  public:
    CBenchWindow(bool receiver, double intervalMs) {
        world->SetCablePlugged(!receiver);
        world->SetReceiverPlugged(receiver);
        world->SetUsbIntervalUs(static_cast<unsigned>(intervalMs * 1000));
        MainWndOptions options;
        options.backend = std::make_shared<CCompositeHidBackend>();
        options.backend->Add(MakeEmulatedHidBackend(world));
        window = std::make_unique<CMainWnd>(options);
    }
    CDevicePageUI* Page() const {
        CQuillonUSBDevice* device = window->Discovery() ? window->Discovery()->Device(0) : nullptr;
        return device ? window->PageOf(*device) : nullptr;
    }
    // Builds the window and waits for the mouse page with its first profile; false (said on
    // stderr) when it does not come up.
    bool Open() {
        if (!window->Init())
            return false;
        if (!RunUntil([&] { return Page() && !Page()->ShownProfile().profileId.empty(); }, 20000)) {
            std::fprintf(stderr, "the mouse page did not come up\n");
            return false;
        }
        return true;
    }

    std::shared_ptr<CSimWorld> world = std::make_shared<CSimWorld>();
    std::unique_ptr<CMainWnd> window;
};
