// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/LightEngine.h"

#include <algorithm>

namespace {

constexpr auto kBlinkUnit = std::chrono::milliseconds(200);

LightRgb ColourOf(const LightInfo& info) {
    return {info.red, info.green, info.blue};
}

}  // namespace

CLightEngine::CLightEngine(size_t ledCount, std::span<const LedGroup> groups)
    : m_frame(ledCount),
      m_groups(groups.begin(), groups.end()),
      m_reactiveState(ledCount),
      m_wheelIndex(ledCount),
      m_ledListState(ledCount) {
    m_ring[0].store(1, std::memory_order_relaxed);
}

void CLightEngine::SetLightInfo(const LightInfo& info) {
    m_info.Store(info);
    NotifyWatchers();
}

void CLightEngine::SetMirror(const LightMirror& mirror) {
    m_mirror.Store(mirror);
    NotifyWatchers();
}

bool CLightEngine::ApplyLightInfo(const LightInfo& info) {
    m_info.Store(info);
    const LightMirror old = m_mirror.Load();
    const LightMirror mirror{info.effect, info.brightness, info.speed, info.multiColor,
                             info.red,    info.green,      info.blue};
    m_mirror.Store(mirror);
    const bool changed = old.effect != mirror.effect;
    if (changed)
        ClearKeyLights();
    NotifyWatchers();
    return changed;
}

void CLightEngine::SetGate(std::atomic<bool>& gate, bool value) {
    if (gate.exchange(value, std::memory_order_relaxed) != value)
        NotifyWatchers();
}

int CLightEngine::AddWatcher(std::function<void()> watcher) {
    std::lock_guard lock(m_watcherMutex);
    const int id = m_nextWatcher++;
    m_watchers.emplace_back(id, std::move(watcher));
    return id;
}

void CLightEngine::RemoveWatcher(int id) {
    std::lock_guard lock(m_watcherMutex);
    std::erase_if(m_watchers, [id](const auto& entry) { return entry.first == id; });
}

void CLightEngine::NotifyWatchers() {
    std::lock_guard lock(m_watcherMutex);
    for (const auto& [id, watcher] : m_watchers)
        watcher();
}

// ---- effects

size_t CLightEngine::StepStatic() {
    const LightInfo info = GetLightInfo();
    FillFrame({ColourOf(info), BrightnessScale(info.brightness)});
    return LedCount();
}

size_t CLightEngine::StepBreathing() {
    const LightInfo info = GetLightInfo();
    m_position = StepPosition(info.direction, kBreathingCurve.size(), m_position, 1);
    // In multicolour the mouse takes the next colour of the wheel with each breath, while dark.
    if (info.multiColor && m_position == 0)
        m_colourIndex = static_cast<uint8_t>((m_colourIndex + kBreathingWheelStep) % kWheelSize);
    const LightRgb colour =
        info.multiColor ? kColourWheel[m_colourIndex % kWheelSize] : ColourOf(info);
    FillFrame({colour, ScaleAlpha(kBreathingCurve[m_position], BrightnessScale(info.brightness))});
    return LedCount();
}

size_t CLightEngine::StepFourColourBreathing() {
    const LightInfo info = GetLightInfo();
    m_position = StepPosition(info.direction, kBreathingCurve.size(), m_position, 1);
    if (m_position == 0 && ++m_colourIndex > 3)
        m_colourIndex = 0;
    FillFrame({kFourColours[m_colourIndex & 3],
               ScaleAlpha(kBreathingCurve[m_position], BrightnessScale(info.brightness))});
    return LedCount();
}

size_t CLightEngine::StepSpectrum() {
    const LightInfo info = GetLightInfo();
    m_position = StepPosition(info.direction, kWheelSize, m_position, 1);
    FillFrame({kColourWheel[m_position], BrightnessScale(info.brightness)});
    return LedCount();
}

bool CLightEngine::BlinkToggled(LightTime now, uint8_t speed) {
    const auto period = Threshold(kPeriodThresholds, 0, speed) * kBlinkUnit;
    if (now - m_lastToggle < period)
        return false;
    m_blinkOn = !m_blinkOn;
    m_lastToggle = now;
    return true;
}

size_t CLightEngine::StepBlink(LightTime now) {
    const LightInfo info = GetLightInfo();
    if (BlinkToggled(now, info.speed)) {
        m_position = static_cast<uint8_t>(m_position + 16);
        if (m_position >= kWheelSize)
            m_position = 0;
    }
    if (!m_blinkOn) {
        FillFrame({});
        return LedCount();
    }
    // Another effect may have left the position anywhere below 256.
    if (m_position >= kWheelSize)
        m_position = 0;
    const LightRgb colour = info.multiColor ? kColourWheel[m_position] : ColourOf(info);
    FillFrame({colour, BrightnessScale(info.brightness)});
    return LedCount();
}

size_t CLightEngine::StepFourColourBlink(LightTime now) {
    const LightInfo info = GetLightInfo();
    if (BlinkToggled(now, info.speed) && ++m_position > 3)
        m_position = 0;
    if (!m_blinkOn) {
        FillFrame({});
        return LedCount();
    }
    // Coming from another effect the position can be past the four colours before a toggle.
    if (m_position > 3)
        m_position = 0;
    FillFrame({kFourColours[m_position], BrightnessScale(info.brightness)});
    return LedCount();
}

size_t CLightEngine::LightsOff() {
    FillFrame({});
    return LedCount();
}

void CLightEngine::SetGroup(const LedGroup& group, LightColour colour) {
    for (const int8_t led : group) {
        if (led >= 0)
            m_frame.Set(static_cast<size_t>(led), colour);
    }
}

size_t CLightEngine::StepWave() {
    const LightInfo info = GetLightInfo();
    const uint8_t brightness = BrightnessScale(info.brightness);
    if (info.multiColor) {
        // The colours always run backward through the wheel.
        m_position = StepPosition(0, kWheelSize, m_position, 1);
        size_t q = (m_position + 1u) % kWheelSize;
        for (const LedGroup& group : m_groups) {
            SetGroup(group, {kColourWheel[q], brightness});
            q = (q + 7) % kWheelSize;
        }
    } else {
        m_position = StepPosition(info.direction, kWaveCurve.size(), m_position, 1);
        size_t q = (m_position + 1u) % kWaveCurve.size();
        for (const LedGroup& group : m_groups) {
            SetGroup(group, {ColourOf(info), ScaleAlpha(brightness, kWaveCurve[q])});
            q = (q + 7) % kWaveCurve.size();
        }
    }
    return LedCount();
}

size_t CLightEngine::StepTrail() {
    const LightInfo info = GetLightInfo();
    m_position = static_cast<uint8_t>((m_position + 1u) % kWheelSize);
    SetLevelsFromRing(9);
    RotateRing(1);
    // The colour only moves on while the head is lit; stepping back stays on the wheel.
    if (KeyLevel(0) == 0)
        m_position = m_position == 0 ? kWheelSize - 1 : m_position - 1;
    const unsigned brightness = BrightnessScale(info.brightness);
    const LightRgb colour = info.multiColor ? kColourWheel[m_position] : ColourOf(info);
    for (size_t i = 0; i < m_groups.size(); ++i) {
        DecayKeyLight(i, 29);
        const int8_t led = m_groups[i][0];
        if (led < 0)
            continue;
        const bool lit = brightness * KeyLevel(i) >= 256;
        m_frame.Set(static_cast<size_t>(led), {colour, static_cast<uint8_t>(lit ? 255 : 0)});
    }
    return LedCount();
}

size_t CLightEngine::StepReactive() {
    const LightInfo info = GetLightInfo();
    const unsigned brightness = BrightnessScale(info.brightness);
    const size_t count = std::min(LedCount(), kKeyLightLevels);
    for (size_t i = 0; i < count; ++i) {
        unsigned level = m_levels[i].load(std::memory_order_relaxed);
        const uint8_t state = m_reactiveState[i].load(std::memory_order_relaxed);
        if (state == kReactiveRising) {
            level = level >= 240 ? 255 : level + 15;
            if (level == 255)
                m_reactiveState[i].store(kReactiveFalling, std::memory_order_relaxed);
        } else if (state == kReactiveFalling) {
            level = level <= 15 ? 0 : level - 15;
            if (level == 0)
                m_reactiveState[i].store(kReactiveIdle, std::memory_order_relaxed);
        }
        m_levels[i].store(static_cast<uint8_t>(level), std::memory_order_relaxed);
        const uint8_t wheel = m_wheelIndex[i].load(std::memory_order_relaxed);
        const LightRgb colour = info.multiColor ? kColourWheel[wheel % kWheelSize] : ColourOf(info);
        m_frame.Set(i, {colour, ScaleAlpha(brightness, level)});
    }
    return LedCount();
}

// ---- key light buffer and ring

void CLightEngine::SetLevelsFromRing(size_t count) {
    count = std::min({count, kRingSize, kKeyLightLevels});
    for (size_t k = 0; k < count; ++k) {
        if (m_ring[k].load(std::memory_order_relaxed) != 0)
            m_levels[k].store(255, std::memory_order_relaxed);
    }
}

void CLightEngine::DecayKeyLight(size_t index, uint8_t rule) {
    if (index < kKeyLightLevels) {
        const uint8_t level = m_levels[index].load(std::memory_order_relaxed);
        m_levels[index].store(DecayLevel(level, rule), std::memory_order_relaxed);
    }
}

void CLightEngine::RotateRing(uint8_t direction) {
    std::array<uint8_t, kRingSize> ring{};
    for (size_t k = 0; k < kRingSize; ++k)
        ring[k] = m_ring[k].load(std::memory_order_relaxed);
    if (direction != 0)
        std::rotate(ring.rbegin(), ring.rbegin() + 1, ring.rend());
    else
        std::rotate(ring.begin(), ring.begin() + 1, ring.end());
    for (size_t k = 0; k < kRingSize; ++k)
        m_ring[k].store(ring[k], std::memory_order_relaxed);
}

void CLightEngine::ClearKeyLights() {
    for (auto& level : m_levels)
        level.store(0, std::memory_order_relaxed);
    for (auto& byte : m_ring)
        byte.store(0, std::memory_order_relaxed);
    m_ring[0].store(1, std::memory_order_relaxed);
}

uint8_t CLightEngine::NextRandom() {
    // xorshift32: the trigger runs on the listener thread only, so load and store suffice.
    uint32_t x = m_random.load(std::memory_order_relaxed);
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m_random.store(x, std::memory_order_relaxed);
    return static_cast<uint8_t>(x % kWheelSize);
}

void CLightEngine::TriggerReactive() {
    if (GetLightInfo().effect != kEffectReactive)
        return;
    const size_t count = std::min(LedCount(), kKeyLightLevels);
    for (size_t i = 0; i < count; ++i) {
        m_reactiveState[i].store(kReactiveRising, std::memory_order_relaxed);
        m_levels[i].store(255, std::memory_order_relaxed);
        m_wheelIndex[i].store(NextRandom(), std::memory_order_relaxed);
    }
}

uint8_t CLightEngine::KeyLevel(size_t index) const {
    return index < kKeyLightLevels ? m_levels[index].load(std::memory_order_relaxed) : 0;
}

uint8_t CLightEngine::RingAt(size_t index) const {
    return index < kRingSize ? m_ring[index].load(std::memory_order_relaxed) : 0;
}

uint8_t CLightEngine::WheelIndex(size_t led) const {
    return led < m_wheelIndex.size() ? m_wheelIndex[led].load(std::memory_order_relaxed) : 0;
}

uint8_t CLightEngine::ReactiveStateOf(size_t led) const {
    return led < m_reactiveState.size() ? m_reactiveState[led].load(std::memory_order_relaxed) : 0;
}

// ---- per-LED list

void CLightEngine::ApplyLightList(const std::vector<LightListEntry>& list, LightTime now) {
    std::lock_guard lock(m_lightListMutex);
    for (LedListState& state : m_ledListState)
        state = {};
    const size_t count = std::min(list.size(), m_ledListState.size());
    for (size_t led = 0; led < count; ++led) {
        const LightListEntry& entry = list[led];
        if (!entry.present)
            continue;
        LedListState& state = m_ledListState[led];
        const uint8_t brightness = BrightnessScale(entry.brightness);
        const LightRgb fixed{entry.red, entry.green, entry.blue};
        switch (entry.mode) {
            case 0: {
                unsigned level = state.level + entry.speed + 4u;
                if (level >= kBreathingCurve.size()) {
                    level = 0;
                    if (state.colourIndex < kWheelSize - 1)
                        ++state.colourIndex;
                }
                state.level = static_cast<uint8_t>(level);
                const LightRgb colour = entry.multiColor ? kColourWheel[state.colourIndex] : fixed;
                m_frame.Set(led, {colour, ScaleAlpha(kBreathingCurve[level], brightness)});
                break;
            }
            case 2: {
                const auto period = Threshold(kPeriodThresholds, 0, entry.speed) * kBlinkUnit;
                if (now - state.lastToggle >= period) {
                    state.on = !state.on;
                    state.lastToggle = now;
                }
                m_frame.Set(led, state.on ? LightColour{fixed, brightness} : LightColour{});
                break;
            }
            case 3:
                state.colourIndex = static_cast<uint8_t>((state.colourIndex + 1u) % kWheelSize);
                m_frame.Set(led, {kColourWheel[state.colourIndex], brightness});
                break;
            default:
                break;
        }
    }
}

// ---- user-defined step list

void CLightEngine::SetEffectSteps(std::vector<EffectStep> steps) {
    {
        std::lock_guard lock(m_effectListMutex);
        m_steps = std::move(steps);
        m_stepIndex = 0;
        m_stepStarted = false;
    }
    NotifyWatchers();
}

size_t CLightEngine::CurrentStep() const {
    std::lock_guard lock(m_effectListMutex);
    return m_stepIndex;
}

void CLightEngine::PlayStepList(LightTime now) {
    EffectStep step;
    {
        std::lock_guard lock(m_effectListMutex);
        if (m_stepIndex >= m_steps.size())
            m_stepIndex = 0;
        if (m_steps.empty()) {
            LightsOff();
            return;
        }
        step = m_steps[m_stepIndex];
        if (!m_stepStarted) {
            // The first step gets its full duration.
            m_stepStart = now;
            m_stepStarted = true;
        }
    }

    ++m_passCount;
    const uint8_t speed = step.speed;
    const uint8_t brightness = BrightnessScale(step.brightness);
    const LightRgb fixed{step.red, step.green, step.blue};
    // The position is shared by every kind of step: bring it into the range of the one playing.
    auto advance = [this](unsigned limit) {
        if (++m_playerPosition >= limit)
            m_playerPosition = 0;
        m_passCount = 0;
    };
    auto within = [this](unsigned limit) {
        if (m_playerPosition >= limit)
            m_playerPosition = 0;
    };
    switch (step.mode) {
        case 0:  // breathing
            within(kBreathingCurve.size());
            if (m_passCount >= Threshold(kPeriodThresholds, 1, speed)) {
                advance(kBreathingCurve.size());
                // A new colour for each breath.
                if (m_playerPosition == 0)
                    m_playerWheel = StepPosition(1, kWheelSize, m_playerWheel, 16);
            }
            FillFrame({step.multiColor ? kColourWheel[m_playerWheel] : fixed,
                       ScaleAlpha(kBreathingCurve[m_playerPosition], brightness)});
            break;
        case 1:  // static
            within(9);
            if (m_passCount >= Threshold(kPeriodThresholds, 0, speed))
                advance(9);
            FillFrame({fixed, brightness});
            break;
        case 2: {  // blink
            within(kBreathingCurve.size());
            if (++m_playerPosition >= kBreathingCurve.size())
                m_playerPosition = 0;
            if (m_passCount >= Threshold(kPeriodThresholds, 10, speed))
                m_passCount = 0;
            if (BlinkToggled(now, GetLightInfo().speed))
                m_playerWheel = StepPosition(1, kWheelSize, m_playerWheel, 16);
            const LightRgb colour = step.multiColor ? kColourWheel[m_playerWheel] : fixed;
            FillFrame(m_blinkOn ? LightColour{colour, brightness} : LightColour{});
            break;
        }
        case 4: {  // wave
            within(kWheelSize);
            if (m_passCount >= Threshold(kPeriodThresholds, 4, speed))
                advance(kWheelSize);
            const unsigned q = m_playerPosition;
            unsigned d = step.direction == 0 ? (q + 1) % kWheelSize
                                             : (q == 0 ? kWheelSize - 1 : kWheelSize - q);
            if (step.multiColor) {
                for (size_t led = 0; led < LedCount(); ++led) {
                    m_frame.Set(led, {kColourWheel[d], brightness});
                    d = (d + 12) % kWheelSize;
                }
            } else {
                // The curve has half the wheel's entries.
                unsigned x = d % kWaveCurve.size();
                for (size_t led = 0; led < LedCount(); ++led) {
                    m_frame.Set(led, {fixed, ScaleAlpha(brightness, kWaveCurve[x])});
                    x = (x + 12) % kWaveCurve.size();
                }
            }
            break;
        }
        case 5:  // spectrum
            within(kWheelSize);
            if (m_passCount >= Threshold(kSpectrumThresholds, 3, speed))
                advance(kWheelSize);
            FillFrame({kColourWheel[m_playerPosition], brightness});
            break;
        default:
            break;
    }
    if (m_passCount == 255)
        m_passCount = 0;

    if (now - m_stepStart > std::chrono::milliseconds(step.time)) {
        std::lock_guard lock(m_effectListMutex);
        if (!m_steps.empty())
            m_stepIndex = (m_stepIndex + 1) % m_steps.size();
        m_stepStart = now;
    }
}

// ---- pace

size_t CLightEngine::ComputeFrame(uint8_t effect, LightTime now) {
    switch (effect) {
        case kEffectStatic:
            return StepStatic();
        case kEffectBreathing:
            return StepBreathing();
        case kEffectTrail:
            return StepTrail();
        case kEffectSpectrum:
            return StepSpectrum();
        case kEffectWave:
            return StepWave();
        case kEffectFourColourBreathing:
            return StepFourColourBreathing();
        case kEffectOff:
            return LightsOff();
        case kEffectReactive:
            return StepReactive();
        case kEffectFourColourBlink:
            return StepFourColourBlink(now);
        case kEffectBlink:
            return StepBlink(now);
        default:
            PlayStepList(now);
            return LedCount();
    }
}

void CLightEngine::RestartPace() {
    m_frameDue = true;
}

CLightEngine::Advanced CLightEngine::Advance(LightTime now) {
    const LightMirror mirror = GetMirror();
    if (mirror.effect != m_lastEffect) {
        // LEDs the new effect does not address must not keep the old effect's colours.
        if (m_lastEffect >= 0)
            LightsOff();
        m_lastEffect = mirror.effect;
    }
    // The step list keeps its own counter and runs a pass every tick.
    const LightDuration period =
        IsStepListEffect(mirror.effect)
            ? kLightTick
            : Threshold(kStepThresholds, static_cast<size_t>(kEffectThresholdRow[mirror.effect]),
                        mirror.speed) *
                  kLightTick;
    if (m_frameDue || now - m_countStart >= period) {
        ComputeFrame(mirror.effect, now);
        // Count from when the frame was due, so a late wake-up does not slow the effect down;
        // after a long stall start afresh rather than catching up.
        const LightTime due = m_countStart + period;
        m_countStart = (!m_frameDue && now - due < period) ? due : now;
        m_frameDue = false;
        return {true, m_countStart + period};
    }
    return {false, m_countStart + period};
}
