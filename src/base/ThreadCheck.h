// SPDX-License-Identifier: GPL-2.0-or-later
// Thread contracts, checked in debug builds: widgets belong to the UI thread, which never waits
// on a device; a device's commands and the profile behind it belong to that device's worker.
// A broken contract aborts with the operation's name, so it shows in the first test that
// breaks it instead of as a rare race.
#pragma once

#include <atomic>
#include <thread>

// The window's thread (kestrunectl has none). Set once at start; tests may clear it.
void MarkUiThread();
void ClearUiThread();
bool IsUiThread();

// The one thread a device's commands run on. While unbound (kestrunectl, core tests), any
// thread but the UI thread may run them.
class CThreadOwner {
  public:
    // The calling thread becomes the owner (a new worker takes over from an old one).
    void BindToCurrentThread() { m_thread.store(std::this_thread::get_id()); }
    void Release() { m_thread.store(std::thread::id{}); }
    bool IsBound() const { return m_thread.load() != std::thread::id{}; }
    bool IsCurrent() const { return m_thread.load() == std::this_thread::get_id(); }

  private:
    std::atomic<std::thread::id> m_thread{};
};

#ifdef NDEBUG
inline void ExpectUiThread(const char*) {}
inline void ExpectNotUiThread(const char*) {}
inline void ExpectOwnerThread(const CThreadOwner&, const char*) {}
#else
// Aborts unless called on the UI thread (when one is marked).
void ExpectUiThread(const char* operation);
// Aborts when called on the UI thread.
void ExpectNotUiThread(const char* operation);
// Aborts on the UI thread, and off the owner's thread while it is bound.
void ExpectOwnerThread(const CThreadOwner& owner, const char* operation);
#endif
