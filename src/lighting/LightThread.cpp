// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/LightThread.h"

#include "base/Debug.h"

CLightThread::CLightThread(ILightDevice& device, ILightClock& clock)
    : m_device(device), m_clock(clock) {}

CLightThread::~CLightThread() {
    Stop();
}

void CLightThread::Start() {
    Stop();
    {
        std::lock_guard lock(m_timerMutex);
        m_timer = m_clock.MakeTimer();
    }
    m_wakeups.store(0, std::memory_order_relaxed);
    m_frames.store(0, std::memory_order_relaxed);
    m_watcher = m_device.GetLightEngine().AddWatcher([this] { Wake(); });
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void CLightThread::Stop() {
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
    m_device.GetLightEngine().RemoveWatcher(m_watcher);
    std::lock_guard lock(m_timerMutex);
    m_timer.reset();
    DebugLine(DebugArea::Lighting, "线程退出：：对象处于激发状态\n");
}

void CLightThread::Wake() {
    std::lock_guard lock(m_timerMutex);
    if (m_timer)
        m_timer->Notify();
}

void CLightThread::Run(std::stop_token stop) {
    CLightEngine& engine = m_device.GetLightEngine();
    ILightTimer& timer = *m_timer;
    bool paused = true;
    while (!stop.stop_requested()) {
        LightTime deadline = LightTime::max();
        if (engine.IsRunnable()) {
            if (paused) {
                engine.RestartPace();
                paused = false;
            }
            const CLightEngine::Advanced advanced = engine.Advance(m_clock.Now());
            if (advanced.frame) {
                m_frames.fetch_add(1, std::memory_order_relaxed);
                m_device.OnLightFrame(engine.Frame());
            }
            deadline = advanced.next;
        } else {
            paused = true;
        }
        timer.WaitUntil(stop, deadline);
        m_wakeups.fetch_add(1, std::memory_order_relaxed);
    }
    DebugLine(DebugArea::Lighting, "MS灯光线程设定退出");
}
