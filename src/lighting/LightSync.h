// SPDX-License-Identifier: GPL-2.0-or-later
// Synchronised lighting: one common effect, taken from the selected device, given to every
// device family in its own effect numbers and computed once for all their previews.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "lighting/LightClock.h"
#include "lighting/LightDevice.h"

enum class LightFamily { Keyboard, Mouse, MousePad, Headset, None };

enum CommonLightType : uint8_t {
    kCommonBreathing = 0,
    kCommonStatic = 1,
    kCommonBlink = 2,
    kCommonSpectrum = 3,
    kCommonOff = 4,
};

// The family of a device class; classes 9 and 6 are a keyboard and a mouse through the receiver.
LightFamily LightFamilyOfClass(int deviceClass);
// A family's effect number as a common type; none for an effect that has no common meaning.
std::optional<uint8_t> CommonTypeOfEffect(LightFamily family, uint8_t effect);
// The family's effect number for a common type.
std::optional<uint8_t> EffectOfCommonType(LightFamily family, uint8_t type);

// The common effect and its parameters.
struct CommonLight {
    uint8_t type = kCommonBreathing;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const CommonLight&) const = default;
};

class CLightSync {
  public:
    explicit CLightSync(ILightClock& clock = SteadyLightClock());
    ~CLightSync();
    CLightSync(const CLightSync&) = delete;
    CLightSync& operator=(const CLightSync&) = delete;

    // The devices of the family lists. A device is removed before it is destroyed; those still
    // registered when the synchronisation ends must outlive it.
    void AddDevice(ILightDevice& device);
    void RemoveDevice(ILightDevice& device);

    // How a device is given its record by Synchronise. By default at once, on the calling
    // thread; the window posts it to each device's worker, so Synchronise never waits on a
    // device and may run on the UI thread. Set before the first Synchronise.
    using Handover = std::function<void(ILightDevice& device, const LightInfo& record)>;
    void SetHandover(Handover handover) { m_handover = std::move(handover); }

    // The "same mode" action on the selected device. Returns false, changing nothing, when its
    // effect has no common type.
    bool Synchronise(ILightDevice& selected);
    CommonLight GetCommon() const { return m_common.Load(); }

    // One common colour step, and the pace: writes the colour into every LED of every device
    // that follows the synchronised lighting when a frame is due.
    LightColour StepCommon(LightTime now);
    CLightEngine::Advanced Advance(LightTime now);
    void RestartPace() { m_frameDue.store(true, std::memory_order_relaxed); }

    void Start();
    void Stop();
    uint64_t Wakeups() const { return m_wakeups.load(std::memory_order_relaxed); }

  private:
    struct Member {
        ILightDevice* device;
        int watcher;
    };
    void Run(std::stop_token stop);
    void Wake();
    bool AnyoneWatching();

    ILightClock& m_clock;
    Handover m_handover;
    CRelaxedRecord<CommonLight> m_common;
    // Held by Synchronise while it hands the devices over, so the thread sees them all at once.
    std::mutex m_handoverMutex;

    std::mutex m_devicesMutex;
    std::vector<Member> m_devices;

    // Synchronisation thread only.
    uint8_t m_position = 0;
    uint8_t m_colourIndex = 0;
    bool m_blinkOn = false;
    LightTime m_lastToggle{};
    LightTime m_countStart{};

    std::atomic<bool> m_frameDue{true};  // also set by Synchronise

    std::mutex m_timerMutex;
    std::unique_ptr<ILightTimer> m_timer;
    std::atomic<uint64_t> m_wakeups{0};
    std::jthread m_thread;
};
