// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/DeviceWorker.h"

CDeviceWorker::CDeviceWorker() {
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

CDeviceWorker::~CDeviceWorker() {
    Stop();
}

void CDeviceWorker::Post(std::function<void()> work) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_queue.push_back(std::move(work));
    }
    m_cv.notify_one();
}

void CDeviceWorker::RequestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_queue.clear();
    }
    m_thread.request_stop();
}

void CDeviceWorker::Stop() {
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool CDeviceWorker::IsIdle() const {
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && !m_running;
}

void CDeviceWorker::Run(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    while (true) {
        if (!m_cv.wait(lock, stop, [this] { return !m_queue.empty(); }))
            return;
        std::function<void()> work = std::move(m_queue.front());
        m_queue.pop_front();
        m_running = true;
        lock.unlock();
        work();
        // Released before the lock is taken again: what it captured may need the UI thread.
        work = nullptr;
        lock.lock();
        m_running = false;
    }
}
