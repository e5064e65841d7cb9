// SPDX-License-Identifier: GPL-2.0-or-later
// What writing and reading our files does to what is already there: special files, read-only
// files, links, unreadable files kept, stale temporary files, and the folder's lock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "profile/DataLock.h"
#include "profile/JsonFile.h"
#include "profile/ProfileList.h"

namespace fs = std::filesystem;

namespace {

struct BrokenLog {
    BrokenLog() {
        CJsonFile::SetBrokenFileListener([this](const fs::path& file, const fs::path& kept) {
            heard.push_back({file, kept});
        });
    }
    ~BrokenLog() { CJsonFile::SetBrokenFileListener(nullptr); }
    std::vector<std::pair<fs::path, fs::path>> heard;
};

ino_t Inode(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

std::vector<fs::path> BrokenBeside(const fs::path& file) {
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().starts_with(file.filename().string() + ".broken-"))
            kept.push_back(entry.path());
    return kept;
}

}  // namespace

TEST(FileSafetyTest, WritingOverAPathReplacesOnlyAFileWeMayWrite) {
    CTempFolder folder;
    const fs::path regular = folder / "regular.json";
    WriteFile(regular, "old");
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = folder / "socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const fs::path readOnly = folder / "read-only.json";
    WriteFile(readOnly, "keep");
    fs::permissions(readOnly, fs::perms::owner_read);
    const fs::path linkToRegular = folder / "link-to-regular";
    fs::create_symlink(regular, linkToRegular);
    const fs::path linkToFifo = folder / "link-to-fifo";
    fs::create_symlink(fifo, linkToFifo);
    const fs::path dangling = folder / "dangling";
    fs::create_symlink(folder / "nothing", dangling);
    fs::create_directory(folder / "directory");

    const struct {
        fs::path path;
        bool written;
        const char* error;
    } cases[] = {
        {"/dev/null", false, "not a regular file"},
        {fifo, false, "not a regular file"},
        {socketPath, false, "not a regular file"},
        {folder / "directory", false, "not a regular file"},
        {readOnly, false, "the file is read-only"},
        {linkToFifo, false, "a symbolic link to something that is not a regular file"},
        {dangling, false, "a symbolic link to nothing"},
        {folder / "missing-folder" / "x.json", false, "not found"},
        {linkToRegular, true, ""},
        {folder / "new.json", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CJsonFile::WriteText(c.path, "new"), c.written);
        EXPECT_EQ(CJsonFile::LastError(), c.error);
    }
    ::close(sock);
    // The link is followed, never replaced; what was refused is as it was.
    EXPECT_TRUE(fs::is_symlink(linkToRegular));
    EXPECT_EQ(ReadFile(regular), "new");
    EXPECT_EQ(ReadFile(readOnly), "keep");
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    EXPECT_EQ(fs::symlink_status(dangling).type(), fs::file_type::symlink);
    EXPECT_FALSE(fs::exists(folder / "nothing"));
}

TEST(FileSafetyTest, ReadingSaysWhyAndStopsAtTheSizeAsked) {
    CTempFolder folder;
    WriteFile(folder / "big", std::string(1000, 'x'));
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(CJsonFile::ReadText(folder / "big", 999), "");
    EXPECT_EQ(CJsonFile::LastError(), "too large (over 999 bytes)");
    EXPECT_EQ(CJsonFile::ReadText(folder / "big", 1000).size(), 1000u);
    EXPECT_EQ(CJsonFile::ReadText(folder / "fifo"), "");  // and does not wait for a writer
    EXPECT_EQ(CJsonFile::LastError(), "not a regular file");
    EXPECT_EQ(CJsonFile::ReadText(folder / "missing"), "");
    EXPECT_EQ(CJsonFile::LastError(), "not found");
}

TEST(FileSafetyTest, StaleTemporaryFilesOfOursAloneAreRemoved) {
    CTempFolder folder;
    const fs::path stale = folder / ".ProfileList.ini.kestrune-Ab12Cd";
    const fs::path fresh = folder / ".x.Json.kestrune-Zz99Yy";
    const fs::path notOurs = folder / ".other.XXXXXX";
    for (const fs::path& path : {stale, fresh, notOurs})
        WriteFile(path, "{");
    const timespec old[2] = {{::time(nullptr) - 2 * 86400, 0}, {::time(nullptr) - 2 * 86400, 0}};
    for (const fs::path& path : {stale, notOurs})
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    EXPECT_EQ(CJsonFile::RemoveStaleTemporaries(folder.Path()), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(notOurs));
}

TEST(FileSafetyTest, TheFolderLockExcludesOthersAndNestsInOneThread) {
    CTempFolder folder;
    auto othersCanTake = [&] {
        const int fd = ::open((folder / CDataFolderLock::kLockFileName).c_str(), O_RDWR);
        const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (fd >= 0)
            ::close(fd);
        return free;
    };
    std::optional<CDataFolderLock> outer;
    outer.emplace(folder.Path());
    ASSERT_TRUE(outer->Held());
    {
        CDataFolderLock inner(folder.Path() / ".");  // the same folder, spelt otherwise
        EXPECT_TRUE(inner.Held());
    }
    EXPECT_FALSE(othersCanTake()) << "the inner hold let the lock go";
    // Another thread, with its own open file, waits for it.
    std::atomic<bool> taken{false};
    std::thread other([&] {
        CDataFolderLock lock(folder.Path());
        taken = true;
    });
    EXPECT_FALSE(taken.load());
    outer.reset();
    other.join();
    EXPECT_TRUE(taken.load());
    EXPECT_TRUE(othersCanTake());
}

// A device folder with a default profile beside it, and lists opened on it.
struct ProfileFolder {
    ProfileFolder() {
        WriteFile(defaults, R"({"profilename":"Default","profileUUID":"Default","Device":[{}]})");
    }
    void Open(CProfileList& list) const { list.SetFolders(device, defaults); }

    CTempFolder folder;
    const fs::path device = folder / "mouse";
    const fs::path defaults = folder / "mouse.Json";
};

// Each thread changes the list as a kestrunectl process does: a fresh list under the folder's
// lock, found by name, changed. Every reported success must be in the files at the end.
TEST(FileSafetyTest, ParallelChangesOfTheProfileListLoseNothing) {
    const ProfileFolder profiles;
    const fs::path& device = profiles.device;
    auto change = [&](const std::function<bool(CProfileList&)>& step) {
        CDataFolderLock lock(device);
        CProfileList list;
        profiles.Open(list);
        list.LoadList();
        return step(list);
    };
    constexpr int kThreads = 4, kRounds = 10;
    std::vector<std::set<std::string>> expected(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
                if (!change([&](CProfileList& l) {
                        return l.AddProfile() == ProfileResult::Done &&
                               l.RenameProfile(l.GetCount() - 1, name) == ProfileResult::Done;
                    }))
                    continue;
                expected[t].insert(name);
                if (change([&](CProfileList& l) {
                        return l.CopyProfile(l.FindByName(name)) == ProfileResult::Done;
                    }))
                    expected[t].insert(name + " copy");
                if (i % 2 == 0 && change([&](CProfileList& l) {
                        return l.RenameProfile(l.FindByName(name), name + "r") ==
                               ProfileResult::Done;
                    })) {
                    expected[t].erase(name);
                    expected[t].insert(name + "r");
                }
                if (change([&](CProfileList& l) {
                        return l.DeleteProfile(l.FindByName(name + " copy")) == ProfileResult::Done;
                    }))
                    expected[t].erase(name + " copy");
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    CProfileList list;
    profiles.Open(list);
    ASSERT_EQ(list.LoadList(), ProfileResult::Done);
    std::set<std::string> names;
    for (const ProfileEntry& entry : list.GetEntries()) {
        names.insert(entry.name);
        EXPECT_TRUE(ReadJson(list.ProfilePath(entry.id)).isObject()) << entry.name;
    }
    std::set<std::string> all = {"Profile1"};
    for (const auto& set : expected)
        all.insert(set.begin(), set.end());
    EXPECT_EQ(names.size(), static_cast<size_t>(kThreads * kRounds + 1));
    EXPECT_EQ(names, all);
    EXPECT_TRUE(list.ListOrphans().empty()) << "profile files the list lost";
}

TEST(FileSafetyTest, AnUnreadableProfileListIsKeptBesideItsRepairAndReadingWritesNothing) {
    const ProfileFolder profiles;
    CProfileList list;
    profiles.Open(list);
    ASSERT_EQ(list.LoadList(), ProfileResult::Done);
    ASSERT_EQ(list.AddProfile(), ProfileResult::Done);
    const fs::path file = list.GetListFilePath();

    // A good list is read, not written back.
    const ino_t inode = Inode(file);
    CProfileList again;
    profiles.Open(again);
    ASSERT_EQ(again.LoadList(), ProfileResult::Done);
    EXPECT_EQ(Inode(file), inode);

    BrokenLog log;
    const std::string damaged = ReadFile(file) + "\xFF";
    WriteFile(file, damaged);
    CProfileList reread;
    profiles.Open(reread);
    ASSERT_EQ(reread.LoadList(), ProfileResult::Done);
    ASSERT_EQ(log.heard.size(), 1u);
    EXPECT_EQ(log.heard[0].first, file);
    EXPECT_EQ(ReadFile(log.heard[0].second), damaged);
    EXPECT_EQ(BrokenBeside(file), std::vector<fs::path>{log.heard[0].second});
    // The profiles of the lost list are offered back.
    EXPECT_EQ(reread.ListOrphans().size(), 2u);
    CProfileList next;
    profiles.Open(next);
    next.LoadList();
    EXPECT_EQ(log.heard.size(), 1u) << "told once";
}

TEST(FileSafetyTest, OrphanedProfileFilesAreListedAdoptedAndRemoved) {
    const ProfileFolder profiles;
    const fs::path& device = profiles.device;
    CProfileList list;
    profiles.Open(list);
    ASSERT_EQ(list.LoadList(), ProfileResult::Done);
    WriteFile(device / "lost.Json", R"({"profilename":"Profile1","profileUUID":"lost"})");
    WriteFile(device / "other.Json", R"({"profilename":"Other","profileUUID":"other"})");
    WriteFile(device / "mouse.txt", "not a profile");

    const std::vector<ProfileEntry> orphans = list.ListOrphans();
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].id, "lost");
    EXPECT_EQ(orphans[0].name, "Profile1");

    ASSERT_EQ(list.AdoptOrphan("lost"), ProfileResult::Done);
    EXPECT_EQ(list.GetEntries().back().id, "lost");
    EXPECT_EQ(list.GetEntries().back().name, "Profile1(1)");            // the name was taken
    EXPECT_EQ(list.AdoptOrphan("lost"), ProfileResult::NoSuchProfile);  // listed now
    EXPECT_EQ(list.RemoveOrphan(list.GetEntries()[0].id), ProfileResult::NoSuchProfile);
    ASSERT_EQ(list.RemoveOrphan("other"), ProfileResult::Done);
    EXPECT_FALSE(fs::exists(device / "other.Json"));
    EXPECT_EQ(list.RemoveOrphan("../mouse"), ProfileResult::NoSuchProfile);
    EXPECT_TRUE(list.ListOrphans().empty());
}
