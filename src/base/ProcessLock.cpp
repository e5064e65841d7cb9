// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/ProcessLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "base/Paths.h"

CProcessLock::CProcessLock(std::filesystem::path file) : m_file(std::move(file)) {}

CProcessLock::~CProcessLock() {
    Release();
}

int CProcessLock::Open(std::string* error) const {
    if (error)
        error->clear();
    const int fd = open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0 && error)
        *error = "cannot open " + m_file.string() + ": " + std::strerror(errno);
    return fd;
}

bool CProcessLock::Wait(std::string* error) {
    if (m_fd >= 0)
        return true;
    const int fd = Open(error);
    if (fd < 0)
        return false;
    int result;
    do {
        result = flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (error)
            *error = "cannot lock " + m_file.string() + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool CProcessLock::Acquire(std::chrono::milliseconds timeout, std::string* error) {
    if (m_fd >= 0)
        return true;
    const int fd = Open(error);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // flock has no time-out of its own; the holders' changes take milliseconds.
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            if (error)
                *error = "cannot lock " + m_file.string() + ": " + std::strerror(errno);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    close(fd);
    return false;
}

void CProcessLock::Release() {
    if (m_fd < 0)
        return;
    flock(m_fd, LOCK_UN);
    close(m_fd);
    m_fd = -1;
}

std::filesystem::path MouseLockFile(std::string_view typeKey) {
    // A runtime folder that is not there (a stale value, a session without one) would make
    // every change of the mouse fail; every program falls back to the same state folder.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    std::filesystem::path folder =
        runtime && *runtime == '/' && std::filesystem::is_directory(runtime, ec)
            ? std::filesystem::path(runtime)
            : GetUserStateFolder();
    return folder / ("kestrune-q418-" + std::string(typeKey) + ".lock");
}
