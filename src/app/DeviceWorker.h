// SPDX-License-Identifier: GPL-2.0-or-later
// One device's command queue: device work runs here in posting order, off the UI thread, so a
// mouse that stops answering never freezes the window.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CDeviceWorker {
  public:
    CDeviceWorker();
    // Drops what is still queued and waits for the work in progress.
    ~CDeviceWorker();
    CDeviceWorker(const CDeviceWorker&) = delete;
    CDeviceWorker& operator=(const CDeviceWorker&) = delete;

    // Thread-safe; ignored once Stop has been called.
    void Post(std::function<void()> work);
    // No further work starts; the work in progress runs to its end. Returns at once.
    void RequestStop();
    // RequestStop, then waits for the thread.
    void Stop();
    // Whether the queue is empty and nothing runs (for tests).
    bool IsIdle() const;

  private:
    void Run(std::stop_token stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_cv;
    std::deque<std::function<void()>> m_queue;
    bool m_running = false;
    bool m_stopped = false;
    std::jthread m_thread;
};
