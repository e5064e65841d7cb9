// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/DataLock.h"

#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "base/Debug.h"
#include "base/ProcessLock.h"

namespace fs = std::filesystem;

namespace {

struct Hold {
    std::unique_ptr<CProcessLock> lock;
    int depth = 0;
};

// flock belongs to an open file description: each thread opens its own, so threads of one
// process exclude each other as processes do, and a thread's nested holds share one.
thread_local std::map<fs::path, Hold> t_holds;

// One spelling per folder: "a/b", "/x/a/b/" and "/x/a/b/." hold the same lock.
fs::path KeyOf(const fs::path& folder) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    fs::path key = (ec ? folder : absolute).lexically_normal();
    if (!key.has_filename() && key != key.root_path())
        key = key.parent_path();
    return key;
}

}  // namespace

CDataFolderLock::CDataFolderLock(const fs::path& folder) : m_key(KeyOf(folder)) {
    if (folder.empty())
        return;
    Hold& hold = t_holds[m_key];
    if (hold.depth > 0) {
        ++hold.depth;
        m_held = true;
        return;
    }
    std::error_code ec;
    fs::create_directories(m_key, ec);
    auto lock = std::make_unique<CProcessLock>(m_key / kLockFileName);
    if (std::string error; !lock->Wait(&error)) {
        DebugPrintf(DebugArea::Profile, "no lock on %s: %s", m_key.c_str(), error.c_str());
        t_holds.erase(m_key);
        return;
    }
    hold.lock = std::move(lock);
    hold.depth = 1;
    m_held = true;
}

CDataFolderLock::~CDataFolderLock() {
    if (!m_held)
        return;
    auto it = t_holds.find(m_key);
    if (it == t_holds.end())
        return;
    if (--it->second.depth == 0) {
        // The last hold of this thread releases the lock.
        t_holds.erase(it);
    }
}
