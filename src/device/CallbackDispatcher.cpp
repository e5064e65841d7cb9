// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/CallbackDispatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

CCallbackDispatcher::CCallbackDispatcher() {
    m_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CCallbackDispatcher::~CCallbackDispatcher() {
    if (m_fd >= 0)
        close(m_fd);
}

void CCallbackDispatcher::Post(std::function<void()> work) {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(work));
    uint64_t one = 1;
    // Only fails when the counter would overflow, which still leaves the fd readable.
    [[maybe_unused]] ssize_t n = write(m_fd, &one, sizeof one);
}

uint64_t CCallbackDispatcher::StartTimer(int delayMs, std::function<void()> work) {
    std::lock_guard lock(m_mutex);
    uint64_t id = m_nextTimerId++;
    m_timers.emplace(Clock::now() + std::chrono::milliseconds(std::max(0, delayMs)),
                     Timer{id, std::move(work)});
    // Wake a loop that is waiting for an earlier deadline.
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_fd, &one, sizeof one);
    return id;
}

void CCallbackDispatcher::CancelTimer(uint64_t id) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_timers, [id](const auto& entry) { return entry.second.id == id; });
}

int CCallbackDispatcher::MsUntilNextTimer() const {
    std::lock_guard lock(m_mutex);
    if (m_timers.empty())
        return -1;
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(m_timers.begin()->first - Clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

size_t CCallbackDispatcher::RunPending() {
    std::deque<std::function<void()>> work;
    std::vector<std::function<void()>> due;
    {
        std::lock_guard lock(m_mutex);
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(m_fd, &count, sizeof count);
        work.swap(m_queue);
        auto now = Clock::now();
        while (!m_timers.empty() && m_timers.begin()->first <= now) {
            due.push_back(std::move(m_timers.begin()->second.work));
            m_timers.erase(m_timers.begin());
        }
    }
    // Outside the lock: the work may post more.
    for (auto& item : work)
        item();
    for (auto& item : due)
        item();
    return work.size() + due.size();
}

bool CCallbackDispatcher::PumpUntil(const std::function<bool()>& done,
                                    std::chrono::milliseconds timeout, std::stop_token stop) {
    int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    bool result = PumpUntilImpl(done, timeout, stop, stopFd);
    if (stopFd >= 0)
        close(stopFd);
    return result;
}

bool CCallbackDispatcher::PumpUntilImpl(const std::function<bool()>& done,
                                        std::chrono::milliseconds timeout, std::stop_token stop,
                                        int stopFd) {
    // Gone before the caller closes stopFd.
    std::stop_callback onStop(stop, [stopFd] {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(stopFd, &one, sizeof one);
    });
    const auto deadline = Clock::now() + timeout;
    bool result = false;
    for (;;) {
        RunPending();
        if ((result = done()) || stop.stop_requested())
            break;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        int wait = static_cast<int>(left);
        if (int timer = MsUntilNextTimer(); timer >= 0 && timer < wait)
            wait = timer;
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, stopFd >= 0 ? 2 : 1, wait) < 0 && errno != EINTR)
            break;
    }
    return result;
}
