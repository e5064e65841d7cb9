// SPDX-License-Identifier: GPL-2.0-or-later

#include "device/HidBackends.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>

#include "base/Debug.h"
#include "device/HidrawBackend.h"

CCompositeHidBackend::CCompositeHidBackend() = default;
CCompositeHidBackend::~CCompositeHidBackend() = default;

void CCompositeHidBackend::Add(std::shared_ptr<IHidBackend> backend) {
    if (backend)
        m_backends.push_back(std::move(backend));
}

IHidBackend* CCompositeHidBackend::Find(std::string_view path) const {
    for (const auto& backend : m_backends)
        if (backend->Owns(path))
            return backend.get();
    return nullptr;
}

bool CCompositeHidBackend::Owns(std::string_view path) const {
    return Find(path) != nullptr;
}

bool CCompositeHidBackend::Enumerate(std::vector<std::string>& paths) {
    bool ok = true;
    for (const auto& backend : m_backends)
        ok = backend->Enumerate(paths) && ok;
    return ok;
}

std::shared_ptr<IHidConnection> CCompositeHidBackend::Open(const std::string& path, unsigned access,
                                                           int* error) {
    if (IHidBackend* backend = Find(path))
        return backend->Open(path, access, error);
    if (error)
        *error = ENOENT;
    return nullptr;
}

bool CCompositeHidBackend::IsPresent(const std::string& path) {
    IHidBackend* backend = Find(path);
    return backend && backend->IsPresent(path);
}

std::string CCompositeHidBackend::InstanceKey(const std::string& path) {
    IHidBackend* backend = Find(path);
    return backend ? backend->InstanceKey(path) : std::string();
}

// Members are watched one by one in WaitForChange; a single descriptor would need a thread.
int CCompositeHidBackend::ChangeFd() {
    return -1;
}

void CCompositeHidBackend::AcknowledgeChange() {
    for (const auto& backend : m_backends)
        backend->AcknowledgeChange();
}

bool CCompositeHidBackend::WaitForChange(int timeoutMs, std::stop_token stop) {
    int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0)
        return false;
    // Closed only after the stop callback is gone: one running on another thread is waited for
    // by its destructor, and must not write into a closed (or reused) descriptor.
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{stopFd};
    std::stop_callback onStop(stop, [stopFd] {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(stopFd, &one, sizeof one);
    });
    std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
    for (const auto& backend : m_backends)
        if (int fd = backend->ChangeFd(); fd >= 0)
            fds.push_back({fd, POLLIN, 0});

    bool changed = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!stop.stop_requested()) {
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            wait = static_cast<int>(left.count());
        }
        int n = poll(fds.data(), fds.size(), wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents)
                changed = true;
        break;
    }
    return changed;
}

bool CRefusingHidBackend::Enumerate(std::vector<std::string>&) {
    ++attempts;
    DebugLine(DebugArea::Device, "refusing HID backend: enumeration attempted");
    return false;
}

std::shared_ptr<IHidConnection> CRefusingHidBackend::Open(const std::string& path, unsigned,
                                                          int* error) {
    ++attempts;
    DebugPrintf(DebugArea::Device, "refusing HID backend: open of %s attempted", path.c_str());
    if (error)
        *error = EPERM;
    return nullptr;
}

bool CRefusingHidBackend::IsPresent(const std::string&) {
    ++attempts;
    return false;
}

std::string CRefusingHidBackend::InstanceKey(const std::string&) {
    ++attempts;
    return {};
}

namespace {
std::mutex g_defaultMutex;
std::shared_ptr<IHidBackend> g_default;
}  // namespace

IHidBackend& DefaultHidBackend() {
    std::lock_guard lock(g_defaultMutex);
    if (!g_default)
        g_default = MakeHidrawBackend();
    return *g_default;
}

void SetDefaultHidBackend(std::shared_ptr<IHidBackend> backend) {
    std::lock_guard lock(g_defaultMutex);
    g_default = std::move(backend);
}
