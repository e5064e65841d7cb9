// SPDX-License-Identifier: GPL-2.0-or-later
// The state behind CSimWorld, shared by its source files.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <random>

#include "emulator/SimMouse.h"
#include "emulator/SimWorld.h"

namespace Json {
class Value;
}

struct CSimWorld::Impl {
    using Clock = std::chrono::steady_clock;

    mutable std::mutex mutex;
    CSimMouse mouse;
    bool cablePlugged = true;
    bool receiverPlugged = false;
    // Plugs so far, by device kind (the cable starts plugged).
    std::array<uint64_t, 2> plugCount{1, 0};
    bool linkUp = true;
    std::atomic<unsigned> intervalUs{0};
    std::deque<SimFault> faults;
    bool holdReplies = false;
    std::mt19937 random{0x4B51u};
    int changeFd = -1;
    // [device kind][interface number], created once so that node names stay stable.
    std::array<std::array<std::shared_ptr<CSimHidInterface>, 2>, 2> interfaces;

    // The rest expects `mutex` held.
    bool& PluggedFlag(SimDeviceKind kind) {
        return kind == SimDeviceKind::Cable ? cablePlugged : receiverPlugged;
    }
    void SetPlugged(SimDeviceKind kind, bool plugged);
    void SignalChange() const;
    std::optional<SimFault> TakeFault();
    void DeliverTo(CSimHidInterface& iface, const std::vector<uint8_t>& report,
                   Clock::time_point readyAt);
    // Runs an output report written on `iface` by `from`, which completed at `written`.
    SimIo HandleOutput(CSimHidHandle& from, CSimHidInterface& iface,
                       std::span<const uint8_t> report, Clock::time_point written);
    // Everything, for the state file and the JSON dump.
    Json::Value StateJson() const;
    Clock::duration Interval() const { return std::chrono::microseconds(intervalUs.load()); }
};
