// SPDX-License-Identifier: GPL-2.0-or-later
// Discovery: how soon a plugged mouse reaches the owner, and what the scan costs while nothing
// changes. The arrival is compared with the floor of two thread wake-ups through an eventfd
// (plug → scan thread, scan thread → owner), measured in the same run.
//
//   discovery_bench [--idle-seconds N] [--cycles N] [--no-hidraw]
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "device/HidrawBackend.h"
#include "mouse/QuillonMouseDevice.h"
#include "simulated/EmulatedHidBackend.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ThreadCost {
    long switches = 0;  // voluntary + involuntary context switches
    double cpuMs = 0;
};

// From /proc: context switches (each one a wake-up of a sleeping thread, or a preemption) and
// run time of one thread.
ThreadCost ReadThreadCost(pid_t tid) {
    ThreadCost cost;
    std::string base = "/proc/self/task/" + std::to_string(tid);
    std::ifstream status(base + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            cost.switches += std::stol(line.substr(line.find(':') + 1));
    }
    std::ifstream schedstat(base + "/schedstat");
    unsigned long long runNs = 0;
    if (schedstat >> runNs)
        cost.cpuMs = static_cast<double>(runNs) / 1e6;
    return cost;
}

std::vector<pid_t> ProcessThreads() {
    std::vector<pid_t> tids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        tids.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
    return tids;
}

// The cable's configuration and event interfaces.
constexpr int kCableConfig = 4, kCableEvents = 5;

class CArrivalOwner : public IDeviceDiscoveryOwner {
  public:
    void OnInterfaceArrived(int slot, const HidInterfaceInfo&) override {
        if (slot == kCableConfig)
            arrivedAt = Clock::now();
        held[static_cast<size_t>(slot)] = true;
    }
    void OnInterfaceRemoved(int slot, const HidInterfaceInfo&) override {
        held[static_cast<size_t>(slot)] = false;
    }
    void OnFirstPassDone() override { firstPass = true; }
    // Both of the cable's interfaces are held, or both free: the owner has heard of all of a
    // plug or an unplug, in whatever order the scan found them.
    bool CableIs(bool plugged) const {
        return held[kCableConfig] == plugged && held[kCableEvents] == plugged;
    }
    Clock::time_point arrivedAt{};
    std::array<bool, CDeviceDiscovery::kSlotCount> held{};
    bool firstPass = false;
};

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Two hops through eventfds between threads blocked in poll(): the least a plug can take to
// reach the owner.
double WakeFloorUs(int rounds) {
    int toWorker = eventfd(0, EFD_CLOEXEC), toOwner = eventfd(0, EFD_CLOEXEC);
    std::jthread worker([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            pollfd fd{toWorker, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0)
                continue;
            uint64_t value;
            [[maybe_unused]] ssize_t n = read(toWorker, &value, sizeof value);
            [[maybe_unused]] ssize_t m = write(toOwner, &value, sizeof value);
        }
    });
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        uint64_t one = 1;
        auto start = Clock::now();
        [[maybe_unused]] ssize_t n = write(toWorker, &one, sizeof one);
        pollfd fd{toOwner, POLLIN, 0};
        poll(&fd, 1, 1000);
        [[maybe_unused]] ssize_t m = read(toOwner, &one, sizeof one);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    worker.request_stop();
    worker.join();
    close(toWorker);
    close(toOwner);
    return Percentile(samples, 0.5);
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = 10, cycles = 200;
    bool hidraw = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--idle-seconds") && i + 1 < argc)
            idleSeconds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--cycles") && i + 1 < argc)
            cycles = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--no-hidraw"))
            hidraw = false;
    }

    auto world = std::make_shared<CSimWorld>();
    world->SetCablePlugged(false);
    auto backend = std::make_shared<CCompositeHidBackend>();
    if (hidraw)
        backend->Add(MakeHidrawBackend());
    backend->Add(MakeEmulatedHidBackend(world));
    CCallbackDispatcher dispatcher;
    CArrivalOwner owner;
    CDeviceDiscovery discovery(backend, dispatcher, owner, MakeQuillonDevice);
    discovery.Start();
    if (!dispatcher.PumpUntil([&] { return owner.firstPass; }, std::chrono::seconds(10))) {
        std::fprintf(stderr, "discovery did not finish its first pass\n");
        return 1;
    }

    // Arrival: simulated plug → the owner's arrived call for the configuration interface.
    std::vector<double> latencies;
    // The bounds only turn a lost change into a failure.
    auto reach = [&](bool plugged) {
        if (dispatcher.PumpUntil([&] { return owner.CableIs(plugged); }, std::chrono::seconds(5)))
            return true;
        std::fprintf(stderr, "no %s within 5 s\n", plugged ? "arrival" : "removal");
        return false;
    };
    for (int i = 0; i < cycles; ++i) {
        auto plugged = Clock::now();
        world->SetCablePlugged(true);
        if (!reach(true))
            return 1;
        latencies.push_back(
            std::chrono::duration<double, std::micro>(owner.arrivedAt - plugged).count());
        world->SetCablePlugged(false);
        if (!reach(false))
            return 1;
    }
    const double floorUs = WakeFloorUs(cycles);
    const double median = Percentile(latencies, 0.5);
    std::printf("arrival latency over %d plugs (%s): median %.0f us, p90 %.0f us, max %.0f us\n",
                cycles, hidraw ? "hidraw + simulated mouse" : "simulated mouse only", median,
                Percentile(latencies, 0.9), Percentile(latencies, 1.0));
    std::printf(
        "  floor (two eventfd wake-ups between threads): %.0f us; ratio %.1f; "
        "target 100000 us\n",
        floorUs, median / floorUs);

    // Idle: the mouse plugged, nothing changing.
    world->SetCablePlugged(true);
    if (!reach(true))
        return 1;
    // The rest of the arrival's pass settles before the idle count starts.
    dispatcher.PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    const pid_t scan = discovery.ScanThreadId();
    const uint64_t passesBefore = discovery.PassCount();
    std::vector<std::pair<pid_t, ThreadCost>> before;
    for (pid_t tid : ProcessThreads())
        if (tid != gettid())
            before.emplace_back(tid, ReadThreadCost(tid));
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    long scanSwitches = 0, otherSwitches = 0;
    double scanCpu = 0, otherCpu = 0;
    for (const auto& [tid, cost] : before) {
        ThreadCost after = ReadThreadCost(tid);
        (tid == scan ? scanSwitches : otherSwitches) += after.switches - cost.switches;
        (tid == scan ? scanCpu : otherCpu) += after.cpuMs - cost.cpuMs;
    }
    std::printf(
        "idle for %d s with the mouse plugged: scan thread %ld wake-ups, %.3f ms CPU, "
        "%llu passes; the mouse's listener threads %ld wake-ups, %.3f ms CPU\n",
        idleSeconds, scanSwitches, scanCpu,
        static_cast<unsigned long long>(discovery.PassCount() - passesBefore), otherSwitches,
        otherCpu);
    std::printf("  (a 100 ms poll would cost %d wake-ups and %d passes)\n", idleSeconds * 10,
                idleSeconds * 10);
    return 0;
}
