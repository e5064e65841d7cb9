// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated mouse that both programs see with --emulate[=MODE] (or KESTRUNE_EMULATE). Its
// memory lives in one state file, so successive kestrunectl calls and the window see the same
// mouse, and MODE means the same to both.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "device/HidBackend.h"
#include "emulator/SimWorld.h"

// What --emulate asks for: `option` is its value when given ("" when given alone); without it
// KESTRUNE_EMULATE counts, where "1" means the same as "". Nullopt when neither is given.
std::optional<std::string> RequestedSimulatedMode(const std::optional<std::string>& option);

class CSimulatedMouse {
  public:
    // GetUserStateFolder() / "emulator.json".
    static std::filesystem::path DefaultStateFile();

    // `mode` is cable, receiver or both; "" keeps the plug state saved in the file.
    static bool IsValidMode(std::string_view mode);

    // Loads the state file (none yet: a fresh mouse on the cable), then plugs the cable and the
    // receiver as `mode` says: "receiver" unplugs a cable the file left plugged. Null for a mode
    // IsValidMode refuses. A state file that cannot be read is ignored; Warning() says why.
    static std::unique_ptr<CSimulatedMouse> SetUp(
        std::string_view mode, std::filesystem::path stateFile = DefaultStateFile());

    const std::shared_ptr<CSimWorld>& World() const { return m_world; }
    // The simulated interfaces, to be seen beside the real ones.
    const std::shared_ptr<IHidBackend>& Backend() const { return m_backend; }
    const std::filesystem::path& StateFile() const { return m_stateFile; }
    const std::string& Warning() const { return m_warning; }
    // Set when the state file is no state file at all (a FIFO, a device, too big): the mouse
    // then starts fresh and Save leaves that path alone.
    const std::string& Error() const { return m_error; }

    // Writes the memory and plug state back for the next run; false with the reason in `error`.
    bool Save(std::string* error);

    // Around a change made while holding the mouse's lock (MouseLockFile): BeginChange takes in
    // what other processes saved since this one last looked; EndChange saves what the change did
    // to the mouse, and nothing when it did nothing.
    void BeginChange();
    void EndChange();
    // Takes in the state file when it changed since it was last loaded or saved here: plugs and
    // link changes signal discovery like a real hot-plug. True when something was loaded.
    bool Reload();

  private:
    struct FileStamp {
        long long size = -1, mtimeNs = 0, inode = 0;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp StampNow() const;
    bool SaveLocked(std::string* error);
    bool ReloadLocked();

    std::shared_ptr<CSimWorld> m_world;
    std::shared_ptr<IHidBackend> m_backend;
    std::filesystem::path m_stateFile;
    // The follower's thread and a device worker both reload; each holds the mouse's file lock
    // then, which ThreadSanitizer cannot see, and this.
    std::mutex m_mutex;
    std::string m_warning;
    FileStamp m_seen;
    std::string m_before;
    std::string m_error;
};
