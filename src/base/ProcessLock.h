// SPDX-License-Identifier: GPL-2.0-or-later
// A lock shared between processes: flock on a file, so the kernel drops it with its holder and a
// program that crashed never leaves it held.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

class CProcessLock {
  public:
    explicit CProcessLock(std::filesystem::path file);
    ~CProcessLock();
    CProcessLock(const CProcessLock&) = delete;
    CProcessLock& operator=(const CProcessLock&) = delete;

    // Waits up to `timeout` while another holder has it. False when it stayed taken (`error`
    // empty) or the lock file cannot be opened (`error` says why).
    bool Acquire(std::chrono::milliseconds timeout, std::string* error = nullptr);
    // Waits as long as another holder has it; false only when the lock file cannot be opened
    // or locked (`error` says why).
    bool Wait(std::string* error = nullptr);
    void Release();
    bool Held() const { return m_fd >= 0; }

  private:
    int Open(std::string* error) const;

    std::filesystem::path m_file;
    int m_fd = -1;
};

// The lock that every program holds for a whole change of a mouse of type `typeKey`, from
// re-reading its profile to the end of the device write: in $XDG_RUNTIME_DIR when it names a
// folder, else the state folder.
std::filesystem::path MouseLockFile(std::string_view typeKey);
