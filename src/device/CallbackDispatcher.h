// SPDX-License-Identifier: GPL-2.0-or-later
// Running work on the owner's thread: background threads post, the owner's loop runs it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <stop_token>

// What a core component needs from its owner's event loop. The Qt side posts to its event loop;
// the command-line tool and the tests pump a CCallbackDispatcher.
class IDispatcher {
  public:
    virtual ~IDispatcher() = default;
    // Thread-safe; the work runs later on the owner's thread, in posting order.
    virtual void Post(std::function<void()> work) = 0;
};

// A dispatcher with one-shot timers for a loop that polls Fd() (or calls Pump).
class CCallbackDispatcher : public IDispatcher {
  public:
    using Clock = std::chrono::steady_clock;

    CCallbackDispatcher();
    ~CCallbackDispatcher() override;
    CCallbackDispatcher(const CCallbackDispatcher&) = delete;
    CCallbackDispatcher& operator=(const CCallbackDispatcher&) = delete;

    void Post(std::function<void()> work) override;
    // Runs `work` after delayMs on the owner's thread; returns an id for CancelTimer.
    uint64_t StartTimer(int delayMs, std::function<void()> work);
    void CancelTimer(uint64_t id);

    // Readable while posted work waits (timers are not signalled: poll with MsUntilNextTimer).
    int Fd() const { return m_fd; }
    // Milliseconds until the next timer is due (0 when one is due now); -1 without timers.
    int MsUntilNextTimer() const;
    // Runs the posted work and the due timers; returns how many ran.
    size_t RunPending();
    // Runs work as it comes until done() holds, the timeout passes or stop is requested.
    // Returns done().
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                   std::stop_token stop = {});

  private:
    bool PumpUntilImpl(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                       std::stop_token stop, int stopFd);

    int m_fd = -1;
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_queue;
    struct Timer {
        uint64_t id;
        std::function<void()> work;
    };
    std::multimap<Clock::time_point, Timer> m_timers;
    uint64_t m_nextTimerId = 1;
};
