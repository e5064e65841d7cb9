// SPDX-License-Identifier: GPL-2.0-or-later

#include "simulated/SimulatedMouseFollower.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Debug.h"
#include "base/Paths.h"
#include "base/ProcessLock.h"
#include "device/DeviceTables.h"

namespace {

constexpr const char* kEventLogName = "emulator-events";
// A change of another process takes milliseconds; a follower that cannot get in keeps what it
// has and looks again at the next change.
constexpr std::chrono::milliseconds kReloadLockWait{2000};

}  // namespace

std::filesystem::path SimulatedEventLogPath() {
    return GetUserStateFolder() / kEventLogName;
}

std::optional<uint16_t> ParseEventCode(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xFFFF || text[0] == '-')
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

bool AppendSimulatedEvent(uint16_t code, std::string* error) {
    const std::filesystem::path log = SimulatedEventLogPath();
    struct stat info {};
    const bool restart = stat(log.c_str(), &info) == 0 && info.st_size > kSimulatedEventLogLimit;
    // One short append is one write: readers never see half of another writer's line.
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (restart ? O_TRUNC : 0),
                  0600);
    char line[16];
    const int length = std::snprintf(line, sizeof line, "0x%04X\n", code);
    if (fd < 0 || write(fd, line, static_cast<size_t>(length)) != length) {
        const int saved = errno;
        if (fd >= 0)
            close(fd);
        if (error)
            *error = "cannot write " + log.string() + ": " + std::strerror(saved);
        return false;
    }
    close(fd);
    return true;
}

CSimulatedMouseFollower::CSimulatedMouseFollower(CSimulatedMouse& mouse) : m_mouse(mouse) {
    const std::filesystem::path folder = mouse.StateFile().parent_path();
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0 &&
        inotify_add_watch(m_fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_MODIFY) < 0) {
        m_error = "cannot watch " + folder.string() + ": " + std::strerror(errno);
        close(m_fd);
        m_fd = -1;
    } else if (m_fd < 0) {
        m_error = std::string("cannot watch files: ") + std::strerror(errno);
    }
    // Events sent before this follower started are not replayed.
    struct stat info {};
    if (stat(SimulatedEventLogPath().c_str(), &info) == 0)
        m_offset = info.st_size;
}

CSimulatedMouseFollower::~CSimulatedMouseFollower() {
    if (m_fd >= 0)
        close(m_fd);
}

bool CSimulatedMouseFollower::OnReadable() {
    alignas(inotify_event) char buffer[4096];
    bool state = false, events = false;
    const std::string stateName = m_mouse.StateFile().filename().string();
    for (;;) {
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            auto* event = reinterpret_cast<inotify_event*>(buffer + at);
            const std::string name = event->len ? event->name : "";
            state = state || name == stateName;
            events = events || name == kEventLogName;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    bool loaded = false;
    if (state) {
        CProcessLock lock(MouseLockFile(kDeviceTypeTable[0].typeKey));
        if (lock.Acquire(kReloadLockWait))
            loaded = m_mouse.Reload();
        else
            DebugLine(DebugArea::Emulator, "state file not reloaded: the mouse stayed busy");
    }
    if (events)
        ReadEvents();
    return loaded;
}

void CSimulatedMouseFollower::ReadEvents() {
    int fd = open(SimulatedEventLogPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size < m_offset)
        m_offset = 0;  // started afresh
    std::string text;
    char buffer[1024];
    ssize_t n;
    while ((n = pread(fd, buffer, sizeof buffer, m_offset + static_cast<off_t>(text.size()))) > 0 &&
           text.size() < static_cast<size_t>(kSimulatedEventLogLimit) * 2)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    // Whole lines only; a line still being written is read next time.
    const size_t end = text.rfind('\n');
    if (end == std::string::npos)
        return;
    m_offset += static_cast<off_t>(end + 1);
    size_t start = 0;
    while (start <= end) {
        const size_t newline = text.find('\n', start);
        if (auto code = ParseEventCode(text.substr(start, newline - start)))
            m_mouse.World()->SendEvent(*code);
        start = newline + 1;
    }
}

CSimulatedMouseFollowThread::CSimulatedMouseFollowThread(CSimulatedMouse& mouse,
                                                         std::function<void()> loaded)
    : m_follower(mouse), m_loaded(std::move(loaded)) {
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_follower.Fd() >= 0 && m_stopFd >= 0)
        m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

CSimulatedMouseFollowThread::~CSimulatedMouseFollowThread() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_stopFd >= 0)
        close(m_stopFd);
}

void CSimulatedMouseFollowThread::Run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        pollfd fds[2] = {{m_follower.Fd(), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents || stop.stop_requested())
            break;
        if (fds[0].revents && m_follower.OnReadable() && m_loaded)
            m_loaded();
    }
}
