// SPDX-License-Identifier: GPL-2.0-or-later
// Time for the light threads. Injectable so tests drive time instead of waiting for it.
#pragma once

#include <chrono>
#include <memory>
#include <stop_token>

using LightTime = std::chrono::steady_clock::time_point;
using LightDuration = std::chrono::steady_clock::duration;

// The effects' pace is counted in ticks of the system tick count the effects were tuned on
// (64 Hz): breathing at full speed takes one tick per position.
inline constexpr LightDuration kLightTick = std::chrono::microseconds(15625);

// What a light thread sleeps on.
class ILightTimer {
  public:
    virtual ~ILightTimer() = default;
    // Returns once `deadline` is reached, on Notify (also one that came before the call and has
    // not been consumed), or on a stop request. LightTime::max() waits without a deadline.
    virtual void WaitUntil(std::stop_token stop, LightTime deadline) = 0;
    virtual void Notify() = 0;
};

class ILightClock {
  public:
    virtual ~ILightClock() = default;
    virtual LightTime Now() const = 0;
    virtual std::unique_ptr<ILightTimer> MakeTimer() = 0;
};

// std::chrono::steady_clock with condition-variable timers.
ILightClock& SteadyLightClock();
