// SPDX-License-Identifier: GPL-2.0-or-later
// The light thread of one device: advances the selected effect frame by frame at the effect's
// pace, and sleeps without waking while there is nothing to compute.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "lighting/LightClock.h"
#include "lighting/LightDevice.h"

class CLightThread {
  public:
    explicit CLightThread(ILightDevice& device, ILightClock& clock = SteadyLightClock());
    ~CLightThread();
    CLightThread(const CLightThread&) = delete;
    CLightThread& operator=(const CLightThread&) = delete;

    // Stops a running thread first.
    void Start();
    // Returns once the thread has ended; a sleeping thread wakes at once.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    // Since the last Start: times the thread woke up, for the idle measurements, and frames.
    uint64_t Wakeups() const { return m_wakeups.load(std::memory_order_relaxed); }
    uint64_t Frames() const { return m_frames.load(std::memory_order_relaxed); }

  private:
    void Run(std::stop_token stop);
    void Wake();

    ILightDevice& m_device;
    ILightClock& m_clock;
    std::mutex m_timerMutex;
    std::unique_ptr<ILightTimer> m_timer;
    int m_watcher = 0;
    std::atomic<uint64_t> m_wakeups{0};
    std::atomic<uint64_t> m_frames{0};
    std::jthread m_thread;
};
