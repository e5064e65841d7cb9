// SPDX-License-Identifier: GPL-2.0-or-later
// The advisory lock of a device's data folder. Every read-modify-write of the folder's files
// (profile list, profiles, macros, recoil patterns) runs under it, in the window and in
// kestrunectl alike, so two programs changing the folder at once lose nothing.
#pragma once

#include <filesystem>

class CDataFolderLock {
  public:
    static constexpr const char* kLockFileName = ".kestrune.lock";

    // Waits for the folder's lock (creating the folder and its lock file when missing). A
    // thread that already holds the lock of this folder only counts one more hold, so the
    // steps of a change can each take it. Without a usable lock file (a read-only folder) the
    // change goes ahead unlocked: its writes fail there anyway.
    explicit CDataFolderLock(const std::filesystem::path& folder);
    ~CDataFolderLock();
    CDataFolderLock(const CDataFolderLock&) = delete;
    CDataFolderLock& operator=(const CDataFolderLock&) = delete;

    bool Held() const { return m_held; }

  private:
    std::filesystem::path m_key;
    bool m_held = false;
};
