// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/JsonFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "base/Debug.h"

namespace fs = std::filesystem;

namespace {

std::atomic<long long> g_writeLimit{-1};
thread_local std::string t_lastError;
thread_local bool t_lastReadRefused = false;
std::mutex g_brokenMutex;
CJsonFile::BrokenFileListener g_brokenListener;

std::string ErrnoText(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "not found";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "read-only file system";
        case ENOSPC:
        case EDQUOT:
            return "no space left on device";
        case EISDIR:
            return "not a regular file";
        case EFBIG:
            return "too large";
        case ELOOP:
            return "too many symbolic links";
        default:
            return std::strerror(error);
    }
}

void SetError(std::string text) {
    t_lastError = std::move(text);
}

// Simple case folding for the scripts profile and macro names are written in: Latin (with Latin-1
// and Latin Extended-A), Greek, Cyrillic and full-width Latin.
char32_t FoldCase(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c + 1 : c;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 32;
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0xFF21 && c <= 0xFF3A)
        return c + 32;
    return c;
}

bool IsSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

class CFd {
  public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Close(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Close() {
        int result = 0;
        if (m_fd >= 0)
            result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

  private:
    int m_fd;
};

// The mode a newly created file gets from open(): 0666 less the umask. Read without changing
// the umask, which other threads share.
mode_t NewFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
            break;
        }
    }
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view text) {
    long long limit = g_writeLimit.load();
    size_t allowed = text.size();
    if (limit >= 0 && static_cast<unsigned long long>(limit) < allowed)
        allowed = static_cast<size_t>(limit);
    size_t done = 0;
    while (done < allowed) {
        ssize_t n = ::write(fd, text.data() + done, allowed - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (allowed < text.size()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);  // best effort: the rename is already done
    ::close(fd);
}

// Length of the UTF-8 sequence at text[i], or 0 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    size_t length;
    uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

std::string CJsonFile::ReadText(const fs::path& path, uintmax_t maxSize) {
    SetError({});
    t_lastReadRefused = false;
    // Non-blocking so that a FIFO in the folder cannot hang the program.
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    DebugPrintf(DebugArea::Profile, "readjsonFile 错误吗：：%d", fd.Get() < 0 ? errno : 0);
    if (fd.Get() < 0) {
        t_lastReadRefused = errno != ENOENT && errno != ENOTDIR;
        SetError(ErrnoText(errno));
        return {};
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        t_lastReadRefused = true;
        SetError("not a regular file");
        return {};
    }
    if (st.st_size < 0 || static_cast<uintmax_t>(st.st_size) > maxSize) {
        DebugPrintf(DebugArea::Profile, "%s: too big to be one of ours", path.c_str());
        SetError("too large (over " + std::to_string(maxSize) + " bytes)");
        return {};
    }
    if (st.st_size == 0)
        SetError("empty");
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            t_lastReadRefused = n < 0;
            SetError(n < 0 ? ErrnoText(errno) : "shorter than its size");
            return {};
        }
        done += static_cast<size_t>(n);
    }
    return text;
}

Json::Value CJsonFile::ParseDocument(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (text.empty() || !IsValidUtf8(text))
        return Json::Value();
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    builder["collectComments"] = false;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value document;
    std::string errors;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors))
            return Json::Value();
    } catch (const Json::Exception& e) {
        // Nesting deeper than the reader's stack limit.
        DebugPrintf(DebugArea::Profile, "JSON refused: %s", e.what());
        return Json::Value();
    }
    return document;
}

Json::Value CJsonFile::ReadDocument(const fs::path& path) {
    std::string text = ReadText(path);
    if (text.empty()) {
        DebugPrintf(DebugArea::Profile, "%s", path.c_str());
        return Json::Value();
    }
    return ParseDocument(text);
}

std::string CJsonFile::FormatDocument(const Json::Value& document) {
    Json::StyledWriter writer;
    std::string styled = writer.write(document) + "\n";
    std::string text;
    text.reserve(styled.size() + styled.size() / 8);
    for (char c : styled) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

bool CJsonFile::WriteDocument(const fs::path& path, const Json::Value& document) {
    return WriteText(path, FormatDocument(document));
}

bool CJsonFile::WriteText(const fs::path& named, std::string_view text) {
    SetError({});
    if (named.empty() || !named.has_filename()) {
        SetError("no file name");
        return false;
    }
    // What is already there decides whether and where we may write.
    fs::path path = named;
    struct stat st;
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const fs::path target = fs::canonical(path, ec);
        if (ec || ::stat(target.c_str(), &st) != 0) {
            SetError("a symbolic link to nothing");
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            SetError("a symbolic link to something that is not a regular file");
            return false;
        }
        path = target;
    }
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            SetError("not a regular file");
            return false;
        }
        if ((st.st_mode & 0222) == 0) {
            SetError("the file is read-only");
            return false;
        }
        if (::access(path.c_str(), W_OK) != 0) {
            SetError(ErrnoText(errno));
            return false;
        }
    }
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern =
        (folder / ("." + path.filename().string() + kTempMarker + "XXXXXX")).string();
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    CFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        SetError(ErrnoText(errno));
        DebugPrintf(DebugArea::Profile, "cannot write %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    // Held while the temporary file lives: a writer that was killed holds nothing, and the
    // next writer of the folder removes what it left.
    ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    mode_t mode = exists ? st.st_mode & 07777 : NewFileMode();
    bool ok = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), text) &&
              ::fdatasync(fd.Get()) == 0;  // the data and its size; other metadata can wait
    ok = fd.Close() == 0 && ok;
    ok = ok && ::rename(temp.data(), path.c_str()) == 0;
    if (!ok) {
        SetError(ErrnoText(errno));
        DebugPrintf(DebugArea::Profile, "cannot write %s: %s", path.c_str(), std::strerror(errno));
        ::unlink(temp.data());
        return false;
    }
    SyncFolder(folder);
    RemoveStaleTemporaries(folder);
    return true;
}

std::string CJsonFile::LastError() {
    return t_lastError;
}

bool CJsonFile::LastReadRefused() {
    return t_lastReadRefused;
}

int CJsonFile::RemoveStaleTemporaries(const fs::path& folder, std::chrono::seconds age) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const std::string marker = kTempMarker;
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // "." + file name + marker + the six characters mkostemp chose.
        if (name.size() < 1 + marker.size() + 6 + 1 || name[0] != '.' ||
            name.compare(name.size() - 6 - marker.size(), marker.size(), marker) != 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || now - st.st_mtime < age.count())
            continue;
        // A writer still at work holds its file's lock.
        CFd held(::openat(::dirfd(dir), entry->d_name,
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        if (held.Get() < 0 || ::flock(held.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool CJsonFile::Exists(const fs::path& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

fs::path CJsonFile::KeepBroken(const fs::path& path) {
    if (!Exists(path))
        return {};
    const time_t now = ::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y%m%d-%H%M%S", &local);
    fs::path kept = path;
    kept += std::string(".broken-") + date;
    for (int n = 2; Exists(kept) && n < 1000; ++n) {
        kept = path;
        kept += std::string(".broken-") + date + "-" + std::to_string(n);
    }
    if (::rename(path.c_str(), kept.c_str()) != 0) {
        DebugPrintf(DebugArea::Profile, "cannot keep %s: %s", path.c_str(), std::strerror(errno));
        return {};
    }
    BrokenFileListener listener;
    {
        std::lock_guard lock(g_brokenMutex);
        listener = g_brokenListener;
    }
    if (listener)
        listener(path, kept);
    return kept;
}

void CJsonFile::SetBrokenFileListener(BrokenFileListener listener) {
    std::lock_guard lock(g_brokenMutex);
    g_brokenListener = std::move(listener);
}

std::string CJsonFile::FileTitle(const fs::path& path) {
    return path.stem().string();
}

void CJsonFile::SetWriteLimitForTesting(std::optional<size_t> bytes) {
    g_writeLimit = bytes ? static_cast<long long>(*bytes) : -1;
}

std::string MakeTimeId() {
    return MakeTimeId(std::chrono::system_clock::now());
}

std::string MakeTimeId(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(when);
    const time_t epochSeconds = system_clock::to_time_t(whole);
    const auto millis = duration_cast<milliseconds>(when - whole);
    struct tm local {};
    localtime_r(&epochSeconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis.count()));
    return text;
}

bool IsPlainFileName(std::string_view name) {
    // Leaves room for an extension within the usual 255-byte limit.
    if (name.empty() || name.size() > 200)
        return false;
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
        return false;
    return name.find("..") == std::string_view::npos;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string SanitizeUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            result += "\xEF\xBF\xBD";
            ++i;
        } else {
            result.append(text.substr(i, length));
            i += length;
        }
    }
    return result;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            result += U'\uFFFD';
            ++i;
            continue;
        }
        auto lead = static_cast<unsigned char>(text[i]);
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        result += code;
        i += length;
    }
    return result;
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
    std::u32string x = DecodeUtf8(a), y = DecodeUtf8(b);
    if (x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (FoldCase(x[i]) != FoldCase(y[i]))
            return false;
    }
    return true;
}

bool IsBlankText(std::string_view name) {
    for (char32_t c : DecodeUtf8(name)) {
        if (!IsSpace(c))
            return false;
    }
    return true;
}

const Json::Value& JsonMember(const Json::Value& object, const char* key) {
    if (!object.isObject())
        return Json::Value::nullSingleton();
    const Json::Value* member = object.find(key, key + std::strlen(key));
    return member ? *member : Json::Value::nullSingleton();
}

const Json::Value& JsonElement(const Json::Value& array, size_t index) {
    if (!array.isArray() || index >= array.size())
        return Json::Value::nullSingleton();
    return array[static_cast<Json::ArrayIndex>(index)];
}

std::optional<int64_t> JsonToInteger(const Json::Value& value) {
    if (value.isInt64())
        return value.asInt64();
    // Only the low bits are ever kept, so a wrap is harmless.
    if (value.isUInt64())
        return static_cast<int64_t>(value.asUInt64());
    if (value.isDouble()) {
        double real = value.asDouble();
        if (std::isfinite(real) && std::fabs(real) < 9.0e18)
            return static_cast<int64_t>(real);
    }
    return std::nullopt;
}

int64_t JsonInteger(const Json::Value& object, const char* key, int64_t fallback) {
    return JsonToInteger(JsonMember(object, key)).value_or(fallback);
}

bool JsonFlag(const Json::Value& object, const char* key) {
    const Json::Value& member = JsonMember(object, key);
    if (member.isBool())
        return member.asBool();
    return JsonToInteger(member).value_or(0) != 0;
}

std::string JsonString(const Json::Value& object, const char* key) {
    const Json::Value& member = JsonMember(object, key);
    return member.isString() ? member.asString() : std::string();
}

Json::Value& JsonObjectMember(Json::Value& object, const char* key) {
    if (!object.isObject())
        object = Json::Value(Json::objectValue);
    Json::Value& member = object[key];
    if (!member.isObject())
        member = Json::Value(Json::objectValue);
    return member;
}

Json::Value& JsonArrayMember(Json::Value& object, const char* key) {
    if (!object.isObject())
        object = Json::Value(Json::objectValue);
    Json::Value& member = object[key];
    if (!member.isArray())
        member = Json::Value(Json::arrayValue);
    return member;
}

Json::Value& JsonArrayElement(Json::Value& array, size_t index) {
    if (!array.isArray())
        array = Json::Value(Json::arrayValue);
    return array[static_cast<Json::ArrayIndex>(index)];
}
