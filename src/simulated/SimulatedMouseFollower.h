// SPDX-License-Identifier: GPL-2.0-or-later
// Follows the simulated mouse of the other processes: its state file (plugs, link, battery,
// memory) and the event log that "kestrunectl emulator event" appends to, both in the state
// folder. Every process that runs the simulated mouse follows them, so all see one mouse.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "simulated/SimulatedMouse.h"

// The event log: one event code per line ("0x0401").
std::filesystem::path SimulatedEventLogPath();
// Past this size the next event starts the log afresh; followers notice it shrank.
inline constexpr off_t kSimulatedEventLogLimit = 64 * 1024;
// 0 to 0xFFFF, decimal or 0x hexadecimal.
std::optional<uint16_t> ParseEventCode(const std::string& text);
// Appends one event to the log; false with the reason in `error`.
bool AppendSimulatedEvent(uint16_t code, std::string* error);

class CSimulatedMouseFollower {
  public:
    explicit CSimulatedMouseFollower(CSimulatedMouse& mouse);
    ~CSimulatedMouseFollower();
    CSimulatedMouseFollower(const CSimulatedMouseFollower&) = delete;
    CSimulatedMouseFollower& operator=(const CSimulatedMouseFollower&) = delete;

    // Readable when something changed; -1 when the folder cannot be watched (Error says why).
    int Fd() const { return m_fd; }
    const std::string& Error() const { return m_error; }

    // Takes in what changed: the state file under the mouse's lock (so no change of another
    // process is half seen), the new events as the mouse's event reports. True when the state
    // was loaded anew.
    bool OnReadable();

  private:
    void ReadEvents();

    CSimulatedMouse& m_mouse;
    int m_fd = -1;
    std::string m_error;
    off_t m_offset = 0;
};

// A follower on a thread of its own, for a program whose threads may not wait (the window).
class CSimulatedMouseFollowThread {
  public:
    // `loaded` runs on the follower's thread after each new state was taken in.
    CSimulatedMouseFollowThread(CSimulatedMouse& mouse, std::function<void()> loaded);
    // Returns once the thread has ended.
    ~CSimulatedMouseFollowThread();
    CSimulatedMouseFollowThread(const CSimulatedMouseFollowThread&) = delete;
    CSimulatedMouseFollowThread& operator=(const CSimulatedMouseFollowThread&) = delete;

    const std::string& Error() const { return m_follower.Error(); }

  private:
    void Run(std::stop_token stop);

    CSimulatedMouseFollower m_follower;
    std::function<void()> m_loaded;
    int m_stopFd = -1;
    std::jthread m_thread;
};
