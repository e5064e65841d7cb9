// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse's lighting as the preview knows it: the engine that computes the frames, the thread
// that drives it, and the per-LED list and custom effect steps taken from the profile.
#pragma once

#include <mutex>
#include <vector>

#include "lighting/LightDevice.h"
#include "lighting/LightEngine.h"
#include "lighting/LightThread.h"
#include "profile/MouseProfiledata.h"

class CMouseLightState {
  public:
    // `device` is what the thread paints for; `clock` paces it.
    CMouseLightState(ILightDevice& device, ILightClock& clock);

    // The profile's LightInfo, per-LED list and custom effect steps into the engine. A changed
    // effect clears the key lights and puts the trail's head back at the start.
    void Apply(CMouseProfiledata& profile);

    CLightEngine& Engine() { return m_engine; }
    const CLightEngine& Engine() const { return m_engine; }
    CLightThread& Thread() { return m_thread; }

    std::vector<LightListEntry> LedList() const;
    std::vector<EffectStep> EffectSteps() const;

  private:
    ILightClock& m_clock;
    // The engine before the thread that computes its frames.
    CLightEngine m_engine;
    CLightThread m_thread;

    // The page's copies; the engine keeps its own under its locks.
    mutable std::mutex m_mutex;
    std::vector<LightListEntry> m_ledList;
    std::vector<EffectStep> m_effectSteps;
};
