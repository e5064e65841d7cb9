#include "profile/DataLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

#include "base/Debug.h"

namespace fs = std::filesystem;

namespace {

struct Hold {
    int fd = -1;
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
    const fs::path file = m_key / kLockFileName;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) {
        DebugPrintf(DebugArea::Profile, "no lock on %s: %s", m_key.c_str(), std::strerror(errno));
        t_holds.erase(m_key);
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        DebugPrintf(DebugArea::Profile, "no lock on %s: %s", m_key.c_str(), std::strerror(errno));
        ::close(fd);
        t_holds.erase(m_key);
        return;
    }
    hold.fd = fd;
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
        // Closing the last descriptor of the description releases the lock.
        ::close(it->second.fd);
        t_holds.erase(it);
    }
}
