// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/ThreadSlots.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/Debug.h"

namespace {

// A thread of a slot with a timed wait for its end (jthread has no timed join).
struct SlotThread {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::jthread thread;
};

}  // namespace

CThreadSlots::~CThreadSlots() {
    StopAll();
}

bool CThreadSlots::Start(int slot, std::function<void(std::stop_token)> body) {
    if (slot < 0 || slot >= kSlotCount || m_slots[slot])
        return false;
    auto state = std::make_shared<SlotThread>();
    state->thread = std::jthread([state, body = std::move(body)](std::stop_token stop) {
        body(stop);
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->ended.notify_all();
    });
    auto entry = std::make_unique<Slot>();
    entry->requestStop = [state] { state->thread.request_stop(); };
    entry->waitFor = [state](std::chrono::milliseconds wait) {
        std::unique_lock lock(state->mutex);
        return state->ended.wait_for(lock, wait, [&] { return state->done; });
    };
    entry->finish = [state] {
        if (state->thread.joinable())
            state->thread.join();
    };
    m_slots[slot] = std::move(entry);
    return true;
}

bool CThreadSlots::Adopt(int slot, std::function<void()> requestStop,
                         std::function<bool(std::chrono::milliseconds)> waitFor) {
    if (slot < 0 || slot >= kSlotCount || m_slots[slot])
        return false;
    auto entry = std::make_unique<Slot>();
    entry->requestStop = std::move(requestStop);
    entry->waitFor = std::move(waitFor);
    m_slots[slot] = std::move(entry);
    return true;
}

bool CThreadSlots::IsOccupied(int slot) const {
    return slot >= 0 && slot < kSlotCount && m_slots[slot];
}

void CThreadSlots::StopAll(std::chrono::milliseconds wait) {
    for (auto& slot : m_slots)
        if (slot && slot->requestStop)
            slot->requestStop();
    for (int i = 0; i < kSlotCount; ++i) {
        auto& slot = m_slots[i];
        if (!slot) {
            DebugPrintf(DebugArea::App, "错误 %d", i);
            continue;
        }
        if (slot->waitFor(wait))
            DebugLine(DebugArea::App, "所有对象处于激发状态");
        else
            DebugLine(DebugArea::App, "所有对象处于非激发状态，超时");
        if (slot->finish)
            slot->finish();
        slot.reset();
    }
}
