// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/LightClock.h"

#include <condition_variable>
#include <mutex>

namespace {

class CSteadyTimer final : public ILightTimer {
  public:
    void WaitUntil(std::stop_token stop, LightTime deadline) override {
        // A plain condition variable costs less per wake-up than the stop-token aware one.
        std::stop_callback onStop(stop, [this] { Notify(); });
        std::unique_lock lock(m_mutex);
        auto ready = [this] { return m_notified; };
        if (deadline == LightTime::max())
            m_cv.wait(lock, ready);
        else
            m_cv.wait_until(lock, deadline, ready);
        m_notified = false;
    }
    void Notify() override {
        {
            std::lock_guard lock(m_mutex);
            m_notified = true;
        }
        m_cv.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_notified = false;
};

class CSteadyClock final : public ILightClock {
  public:
    LightTime Now() const override { return std::chrono::steady_clock::now(); }
    std::unique_ptr<ILightTimer> MakeTimer() override { return std::make_unique<CSteadyTimer>(); }
};

}  // namespace

ILightClock& SteadyLightClock() {
    static CSteadyClock clock;
    return clock;
}
