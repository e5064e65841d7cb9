// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up of the window program: from the start of `kestrune-q418 --emulate cable` (private data
// and state folders, the display of $DISPLAY or offscreen) to its mouse page shown with the
// profile it read, against a bare Qt window that shows one label, started the same way in the
// same run (goal: at most 150 ms more). Each start saves its window into a named pipe the bench
// reads: the first byte marks the moment. Then the resident memory of the window with every
// settings tab and the profile menu opened once (goal: at most 60 MiB).
//
//   startup_bench [--starts N]
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "WindowBench.h"
#include "profile/ui/DeviceProfile.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// One start: the time to the first byte of its screenshot, and the process's CPU time and peak
// resident memory over its whole run.
struct Start {
    double shownMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
};

bool Launch(const std::vector<std::string>& command, const std::string& shot, Start& start) {
    ::unlink(shot.c_str());
    if (::mkfifo(shot.c_str(), 0600) != 0) {
        std::perror("mkfifo");
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    const int reader = ::open(shot.c_str(), O_RDONLY | O_NONBLOCK);
    const Clock::time_point begin = Clock::now();
    pid_t pid = 0;
    if (reader < 0 || ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return false;
    }
    bool shown = false;
    bool ended = false;
    int status = 0;
    rusage usage{};
    char buffer[65536];
    const Clock::time_point deadline = begin + std::chrono::seconds(30);
    while (!ended && Clock::now() < deadline) {
        pollfd wait{reader, POLLIN, 0};
        if (::poll(&wait, 1, 5) > 0) {
            const ssize_t got = ::read(reader, buffer, sizeof buffer);
            if (got > 0 && !shown) {
                shown = true;
                start.shownMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
            }
        }
        ended = ::wait4(pid, &status, WNOHANG, &usage) == pid;
    }
    ::close(reader);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::wait4(pid, &status, 0, &usage);
    }
    start.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    start.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!shown || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: no window shown (status %d)\n", argv[0], status);
        return false;
    }
    return true;
}

// The bare window: one label, saved into `file` once the window is on the screen.
int BareWindow(int argc, char** argv, const char* file) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Kestrune Q418-RGB"));
    label.resize(800, 572);
    label.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &label, [&] {
        if (!label.windowHandle() || !label.windowHandle()->isExposed())
            return;
        poll.stop();
        label.grab().save(QString::fromLocal8Bit(file), "png");
        QApplication::quit();
    });
    poll.start(1);
    return QApplication::exec();
}

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double StatusMiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string wanted = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(wanted, 0) == 0)
            return std::stod(line.substr(wanted.size())) / 1024.0;
    return 0;
}

// The window on the simulated mouse with every settings tab and the profile menu opened once;
// prints its resident memory.
int EveryPage(int argc, char** argv) {
    return RunWindowBench(argc, argv, "every page opened once", [](bool receiver) {
        if (receiver)
            return 0;
        QElapsedTimer clock;
        clock.start();
        CBenchWindow bench(false, 1.0);
        const qint64 constructed = clock.elapsed();
        qint64 shown = -1;
        QObject::connect(bench.window.get(), &CMainWnd::FirstShown,
                         [&] { shown = clock.elapsed(); });
        if (!bench.Open())
            return 1;
        // Where the start goes, in this process: the window built, shown, and the page's data.
        std::printf("in process: window built %lld ms, shown %lld ms, mouse page data %lld ms\n",
                    static_cast<long long>(constructed), static_cast<long long>(shown),
                    static_cast<long long>(clock.elapsed()));
        CDevicePageUI* page = bench.Page();
        bench.window->show();
        for (int tab = 0; tab < 6; ++tab) {
            page->SelectSettingsTab(tab);
            (void)bench.window->grab();
        }
        if (auto* spread =
                page->findChild<QAbstractButton*>(QString::fromLatin1(CDeviceProfileUI::kSpread)))
            spread->click();
        (void)bench.window->grab();
        RunUntil([] { return false; }, 200);
        std::printf("resident %.1f MiB (peak %.1f MiB), goal at most 60 MiB\n", StatusMiB("VmRSS"),
                    StatusMiB("VmHWM"));
        return 0;
    });
}

double Median(std::vector<double> values) {
    return Percentile(std::move(values), 0.5);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bare") == 0)
        return BareWindow(argc, argv, argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--every-page") == 0)
        return EveryPage(argc, argv);
    const int starts = CountOption(argc, argv, "--starts", 20);

    QTemporaryDir home;
    for (const char* folder : {"data", "state", "runtime", "config"})
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [name, folder] :
         {std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_STATE_HOME", "state"},
          std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_RUNTIME_DIR", "runtime"}})
        ::setenv(name, home.filePath(QString::fromLatin1(folder)).toLocal8Bit().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen", 1);
    const std::string shot = home.filePath(QStringLiteral("shot.png")).toStdString();
    const std::vector<std::string> app = {
        KESTRUNE_APP_PATH, "--emulate", "cable", "--screenshot", shot, "--screenshot-delay", "0"};
    const std::string bench = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::vector<std::string> self = {bench, "--bare", shot};

    std::printf("start to shown, %d starts each, platform %s\n", starts,
                std::getenv("QT_QPA_PLATFORM"));
    // A first start of each, not counted: the program's first run writes its data folders.
    Start ignored;
    if (!Launch(self, shot, ignored) || !Launch(app, shot, ignored))
        return 1;
    std::vector<double> bareMs, appMs, appCpuMs, appPeak;
    for (int i = 0; i < starts; ++i) {
        Start b, a;
        if (!Launch(self, shot, b) || !Launch(app, shot, a))
            return 1;
        bareMs.push_back(b.shownMs);
        appMs.push_back(a.shownMs);
        appCpuMs.push_back(a.cpuMs);
        appPeak.push_back(a.peakMiB);
    }
    const double extra = Median(appMs) - Median(bareMs);
    std::printf("bare window  median %.1f ms (p90 %.1f)\n", Median(bareMs),
                Percentile(bareMs, 0.9));
    std::printf("kestrune-q418 median %.1f ms (p90 %.1f), CPU per run %.1f ms, peak %.1f MiB\n",
                Median(appMs), Percentile(appMs, 0.9), Median(appCpuMs), Median(appPeak));
    std::printf("more than the bare window: %.1f ms, goal at most 150 ms: %s\n", extra,
                extra <= 150 ? "met" : "MISSED");

    ::unlink(shot.c_str());
    std::fflush(stdout);
    std::string every = "--every-page";
    char* pages[] = {const_cast<char*>(bench.c_str()), every.data(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawn(&pid, pages[0], nullptr, nullptr, pages, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    return 0;
}
