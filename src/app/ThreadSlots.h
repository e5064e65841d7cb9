// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's twenty thread slots (0 discovery, 1 audio recorder watcher, 8 synchronised
// lighting). Shutdown signals every slot, then waits for each in slot order.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

class CThreadSlots {
  public:
    static constexpr int kSlotCount = 20;
    static constexpr std::chrono::milliseconds kStopWait{1000};

    CThreadSlots() = default;
    // Stops what still runs.
    ~CThreadSlots();
    CThreadSlots(const CThreadSlots&) = delete;
    CThreadSlots& operator=(const CThreadSlots&) = delete;

    // Runs `body` on a thread of its own in the slot; it ends when its stop token is set.
    // False when the slot is out of range or taken.
    bool Start(int slot, std::function<void(std::stop_token)> body);
    // A component that runs its own thread: asked to stop, then waited for (up to the time
    // given; returns whether it ended).
    bool Adopt(int slot, std::function<void()> requestStop,
               std::function<bool(std::chrono::milliseconds)> waitFor);
    bool IsOccupied(int slot) const;

    // Signals every slot, then waits for each in order. A thread that overruns its wait is
    // reported and still joined: threads here end promptly, and cutting one off would leave
    // its objects half-used.
    void StopAll(std::chrono::milliseconds wait = kStopWait);

  private:
    struct Slot {
        std::function<void()> requestStop;
        std::function<bool(std::chrono::milliseconds)> waitFor;
        std::function<void()> finish;  // joins, after the wait
    };
    std::array<std::unique_ptr<Slot>, kSlotCount> m_slots;
};
