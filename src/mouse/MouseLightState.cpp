// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/MouseLightState.h"

CMouseLightState::CMouseLightState(ILightDevice& device, ILightClock& clock)
    : m_clock(clock), m_thread(device, clock) {}

void CMouseLightState::Apply(CMouseProfiledata& profile) {
    m_engine.ApplyLightInfo(profile.GetLightInfo());
    std::vector<LightListEntry> leds = profile.GetLightList();
    profile.LoadLightListFile(profile.GetLightListPath());
    std::vector<EffectStep> steps = profile.GetEffectSteps();
    m_engine.ApplyLightList(leds, m_clock.Now());
    m_engine.SetEffectSteps(steps);
    std::lock_guard lock(m_mutex);
    m_ledList = std::move(leds);
    m_effectSteps = std::move(steps);
}

std::vector<LightListEntry> CMouseLightState::LedList() const {
    std::lock_guard lock(m_mutex);
    return m_ledList;
}

std::vector<EffectStep> CMouseLightState::EffectSteps() const {
    std::lock_guard lock(m_mutex);
    return m_effectSteps;
}
