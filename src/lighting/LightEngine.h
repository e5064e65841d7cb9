// SPDX-License-Identifier: GPL-2.0-or-later
// The preview effect engine of one device: its light state, the frame and the per-frame
// computation of every effect. The mouse runs its effects itself; this only animates pictures.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "lighting/LightClock.h"
#include "lighting/LightFrame.h"
#include "lighting/LightTables.h"
#include "records/ProfileRecords.h"

// The light bytes last taken from or given to the device: they choose the effect and its pace.
struct LightMirror {
    uint8_t effect = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const LightMirror&) const = default;
};

// A byte record that one thread writes while another reads it without a lock. A reader may see
// a half-updated record; the next frame corrects it, and no byte is ever torn.
template <typename T>
class CRelaxedRecord {
    static_assert(std::is_trivially_copyable_v<T>);
    using Bytes = std::array<uint8_t, sizeof(T)>;

  public:
    T Load() const {
        Bytes bytes{};
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = m_bytes[i].load(std::memory_order_relaxed);
        return std::bit_cast<T>(bytes);
    }
    void Store(const T& value) {
        const auto bytes = std::bit_cast<Bytes>(value);
        for (size_t i = 0; i < bytes.size(); ++i)
            m_bytes[i].store(bytes[i], std::memory_order_relaxed);
    }

  private:
    std::array<std::atomic<uint8_t>, sizeof(T)> m_bytes{};
};

enum ReactiveState : uint8_t { kReactiveIdle = 0, kReactiveRising = 1, kReactiveFalling = 2 };

class CLightEngine {
  public:
    explicit CLightEngine(size_t ledCount = kMouseLedCount,
                          std::span<const LedGroup> groups = kMouseLedGroups);
    CLightEngine(const CLightEngine&) = delete;
    CLightEngine& operator=(const CLightEngine&) = delete;

    size_t LedCount() const { return m_frame.Size(); }
    CLightFrame& Frame() { return m_frame; }
    const CLightFrame& Frame() const { return m_frame; }

    // Light state. Written by the UI thread, read by the light thread without locks.
    LightInfo GetLightInfo() const { return m_info.Load(); }
    void SetLightInfo(const LightInfo& info);
    LightMirror GetMirror() const { return m_mirror.Load(); }
    void SetMirror(const LightMirror& mirror);
    // The record and its mirror together; a changed effect clears the key lights and puts the
    // trail's head back at the start. Returns whether the effect changed.
    bool ApplyLightInfo(const LightInfo& info);
    // The per-LED list: restarts the per-LED state and runs the initialisers once.
    void ApplyLightList(const std::vector<LightListEntry>& list, LightTime now);
    // The step list of the user-defined effect, played from its first step.
    void SetEffectSteps(std::vector<EffectStep> steps);

    // Whether there is anything to compute: the light thread sleeps unless the device is
    // present, the synchronised lighting does not own the frame and someone shows the preview.
    void SetPresent(bool present) { SetGate(m_present, present); }
    void SetSynchronised(bool synchronised) { SetGate(m_synchronised, synchronised); }
    void SetPreviewWanted(bool wanted) { SetGate(m_previewWanted, wanted); }
    bool IsPresent() const { return m_present.load(std::memory_order_relaxed); }
    bool IsSynchronised() const { return m_synchronised.load(std::memory_order_relaxed); }
    bool IsPreviewWanted() const { return m_previewWanted.load(std::memory_order_relaxed); }
    bool IsRunnable() const { return IsPresent() && !IsSynchronised() && IsPreviewWanted(); }

    // Called (on the changing thread) whenever a gate or the light state changes, so a waiting
    // thread re-evaluates. Returns an id for RemoveWatcher.
    int AddWatcher(std::function<void()> watcher);
    void RemoveWatcher(int id);

    // Effect steps: one frame each, returning the LED count.
    size_t StepStatic();
    size_t StepBreathing();
    size_t StepFourColourBreathing();
    size_t StepSpectrum();
    size_t StepBlink(LightTime now);
    size_t StepFourColourBlink(LightTime now);
    size_t LightsOff();
    size_t StepWave();
    size_t StepTrail();
    size_t StepReactive();
    // One pass of the user-defined step list.
    void PlayStepList(LightTime now);
    // One frame (or player pass) of the given effect.
    size_t ComputeFrame(uint8_t effect, LightTime now);

    // The pace: computes the frame due at `now`, if any, and tells when the next is due.
    struct Advanced {
        bool frame = false;
        LightTime next;
    };
    Advanced Advance(LightTime now);
    // Starts counting afresh (after a pause); the next Advance computes a frame at once.
    void RestartPace();

    // Reactive-light operations on the key light buffer and the ring.
    void SetLevelsFromRing(size_t count);
    void DecayKeyLight(size_t index, uint8_t rule);
    void RotateRing(uint8_t direction);
    void ClearKeyLights();
    // Event 0x0403: every LED flashes up with a random wheel colour, only on the reactive effect.
    void TriggerReactive();
    void SetRandomSeed(uint32_t seed) { m_random.store(seed == 0 ? 1 : seed); }

    // Engine state, for the page and tests.
    uint8_t Position() const { return m_position; }
    void SetPosition(uint8_t position) { m_position = position; }
    uint8_t ColourIndex() const { return m_colourIndex; }
    uint8_t KeyLevel(size_t index) const;
    uint8_t RingAt(size_t index) const;
    uint8_t WheelIndex(size_t led) const;
    uint8_t ReactiveStateOf(size_t led) const;
    size_t CurrentStep() const;

  private:
    void SetGate(std::atomic<bool>& gate, bool value);
    void NotifyWatchers();
    void FillFrame(LightColour colour) { m_frame.Fill(colour); }
    void SetGroup(const LedGroup& group, LightColour colour);
    // The blink timing shared by the blink effects and the step list.
    bool BlinkToggled(LightTime now, uint8_t speed);
    uint8_t NextRandom();

    CLightFrame m_frame;
    std::vector<LedGroup> m_groups;
    CRelaxedRecord<LightInfo> m_info;
    CRelaxedRecord<LightMirror> m_mirror;
    std::atomic<bool> m_present{false};
    std::atomic<bool> m_synchronised{false};
    std::atomic<bool> m_previewWanted{false};

    std::mutex m_watcherMutex;
    std::vector<std::pair<int, std::function<void()>>> m_watchers;
    int m_nextWatcher = 1;

    // Light thread only.
    uint8_t m_position = 0;
    uint8_t m_colourIndex = 0;
    bool m_blinkOn = false;
    LightTime m_lastToggle{};
    LightTime m_countStart{};
    bool m_frameDue = true;
    int m_lastEffect = -1;

    // Shared with the event listener (trigger) and the UI thread (mode change): plain bytes.
    std::array<std::atomic<uint8_t>, kKeyLightLevels> m_levels{};
    std::array<std::atomic<uint8_t>, kRingSize> m_ring{};
    std::vector<std::atomic<uint8_t>> m_reactiveState;
    std::vector<std::atomic<uint8_t>> m_wheelIndex;
    std::atomic<uint32_t> m_random{0x2545F491u};

    // The step list, guarded by the effect-list lock; the player's state is the light thread's.
    mutable std::mutex m_effectListMutex;
    std::vector<EffectStep> m_steps;
    size_t m_stepIndex = 0;
    bool m_stepStarted = false;
    LightTime m_stepStart{};
    uint8_t m_passCount = 0;
    uint8_t m_playerPosition = 0;
    uint8_t m_playerWheel = 0;

    // The per-LED list state, guarded by the light-list lock.
    std::mutex m_lightListMutex;
    struct LedListState {
        uint8_t level = 0;
        uint8_t colourIndex = 0;
        bool on = false;
        LightTime lastToggle{};
    };
    std::vector<LedListState> m_ledListState;
};
