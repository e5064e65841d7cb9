// SPDX-License-Identifier: GPL-2.0-or-later
// Shutdown stops the slot threads: all signalled, then waited for in slot order.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "app/ThreadSlots.h"
#include "base/Debug.h"

TEST(ThreadSlots, StopAllEndsRunningThreadsInSlotOrder) {
    CDebugCapture capture;
    std::atomic<int> running{0};
    std::atomic<bool> adoptedStopRequested{false};
    std::vector<int> waitedFor;
    {
        CThreadSlots slots;
        for (int slot : {8, 1}) {
            ASSERT_TRUE(slots.Start(slot, [&](std::stop_token stop) {
                ++running;
                std::mutex mutex;
                std::condition_variable_any wake;
                std::unique_lock lock(mutex);
                wake.wait(lock, stop, [] { return false; });
                --running;
            }));
        }
        EXPECT_FALSE(slots.Start(8, [](std::stop_token) {}));
        EXPECT_FALSE(slots.Start(CThreadSlots::kSlotCount, [](std::stop_token) {}));
        // A component with its own thread (discovery) in slot 0: asked before anything is waited
        // for.
        ASSERT_TRUE(slots.Adopt(
            0, [&] { adoptedStopRequested = true; },
            [&](std::chrono::milliseconds) {
                EXPECT_TRUE(adoptedStopRequested);
                waitedFor.push_back(0);
                return true;
            }));
        slots.StopAll();
        EXPECT_EQ(running, 0);
        EXPECT_FALSE(slots.IsOccupied(1));
        EXPECT_FALSE(slots.IsOccupied(8));
    }
    EXPECT_EQ(waitedFor, std::vector<int>{0});
    // One line per slot, in slot order: ended, or empty.
    std::vector<std::string> expected;
    for (int slot = 0; slot < CThreadSlots::kSlotCount; ++slot)
        expected.push_back(slot == 0 || slot == 1 || slot == 8 ? "所有对象处于激发状态"
                                                               : "错误 " + std::to_string(slot));
    std::vector<std::string> lines = capture.Lines();
    std::vector<std::string> firstPass(lines.begin(),
                                       lines.begin() + std::min<size_t>(lines.size(), 20));
    EXPECT_EQ(firstPass, expected);
}
