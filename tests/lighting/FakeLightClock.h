// SPDX-License-Identifier: GPL-2.0-or-later
// A clock that moves only when the test says so, and can tell when every light thread has done
// all the work the current time asks for.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "lighting/LightClock.h"

class CFakeLightClock final : public ILightClock {
  public:
    LightTime Now() const override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void Advance(LightDuration step) {
        std::lock_guard lock(m_mutex);
        m_now += step;
        m_cv.notify_all();
    }
    std::unique_ptr<ILightTimer> MakeTimer() override { return std::make_unique<CTimer>(*this); }

    // The timers alive: one per running light thread.
    size_t Timers() const {
        std::lock_guard lock(m_mutex);
        return m_timers.size();
    }

    // Blocks until every timer's thread sleeps with nothing due.
    void WaitQuiet() {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] {
            return std::all_of(m_timers.begin(), m_timers.end(), [this](const CTimer* timer) {
                return timer->m_waiting && !timer->m_notified && m_now < timer->m_deadline;
            });
        });
    }

  private:
    class CTimer final : public ILightTimer {
      public:
        explicit CTimer(CFakeLightClock& clock) : m_clock(clock) {
            std::lock_guard lock(m_clock.m_mutex);
            m_clock.m_timers.push_back(this);
        }
        ~CTimer() override {
            std::lock_guard lock(m_clock.m_mutex);
            std::erase(m_clock.m_timers, this);
            m_clock.m_cv.notify_all();
        }
        void WaitUntil(std::stop_token stop, LightTime deadline) override {
            std::unique_lock lock(m_clock.m_mutex);
            m_deadline = deadline;
            m_waiting = true;
            m_clock.m_cv.notify_all();
            m_clock.m_cv.wait(lock, stop,
                              [this] { return m_notified || m_clock.m_now >= m_deadline; });
            m_waiting = false;
            m_notified = false;
            m_clock.m_cv.notify_all();
        }
        void Notify() override {
            std::lock_guard lock(m_clock.m_mutex);
            m_notified = true;
            m_clock.m_cv.notify_all();
        }

        CFakeLightClock& m_clock;
        bool m_waiting = false;
        bool m_notified = false;
        LightTime m_deadline{};
    };

    mutable std::mutex m_mutex;
    std::condition_variable_any m_cv;
    // Far from the clock's epoch, as a real steady clock is: "long ago" really is long ago.
    LightTime m_now = LightTime{} + std::chrono::hours(1);
    std::vector<CTimer*> m_timers;
};
