// SPDX-License-Identifier: GPL-2.0-or-later

#include "base/ThreadCheck.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<std::thread::id> g_uiThread{};

#ifndef NDEBUG
[[noreturn]] void Broken(const char* operation, const char* rule) {
    std::fprintf(stderr, "kestrune: thread contract broken: %s %s\n", operation, rule);
    std::fflush(stderr);
    std::abort();
}
#endif

}  // namespace

void MarkUiThread() {
    g_uiThread.store(std::this_thread::get_id());
}

void ClearUiThread() {
    g_uiThread.store(std::thread::id{});
}

bool IsUiThread() {
    return g_uiThread.load() == std::this_thread::get_id();
}

#ifndef NDEBUG
void ExpectUiThread(const char* operation) {
    if (g_uiThread.load() != std::thread::id{} && !IsUiThread())
        Broken(operation, "touches widgets and must run on the UI thread, not a worker");
}

void ExpectNotUiThread(const char* operation) {
    if (IsUiThread())
        Broken(operation, "waits on the device and must run on its worker, not the UI thread");
}

void ExpectOwnerThread(const CThreadOwner& owner, const char* operation) {
    ExpectNotUiThread(operation);
    if (owner.IsBound() && !owner.IsCurrent())
        Broken(operation, "belongs to the device's worker and ran on another thread");
}
#endif
