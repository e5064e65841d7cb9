// SPDX-License-Identifier: GPL-2.0-or-later

#include "lighting/LightSync.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/Debug.h"

namespace {

using EffectMap = std::array<std::pair<uint8_t, uint8_t>, 5>;  // effect -> common type

constexpr EffectMap kKeyboardTypes = {{{4, 3}, {5, 0}, {6, 1}, {23, 2}, {28, 4}}};
constexpr EffectMap kMouseTypes = {{{0, 1}, {1, 0}, {3, 3}, {6, 4}, {10, 2}}};
constexpr EffectMap kPadTypes = {{{1, 3}, {2, 0}, {3, 1}, {4, 2}, {8, 4}}};

// By common type: breathing, static, blink, spectrum, off.
constexpr std::array<uint8_t, 5> kKeyboardEffects = {5, 6, 23, 4, 28};
constexpr std::array<uint8_t, 5> kMouseEffects = {1, 0, 10, 3, 6};
constexpr std::array<uint8_t, 5> kPadEffects = {2, 3, 4, 1, 8};

const EffectMap* TypesOf(LightFamily family) {
    switch (family) {
        case LightFamily::Keyboard:
            return &kKeyboardTypes;
        case LightFamily::Mouse:
            return &kMouseTypes;
        case LightFamily::MousePad:
        case LightFamily::Headset:
            return &kPadTypes;
        default:
            return nullptr;
    }
}

const std::array<uint8_t, 5>* EffectsOf(LightFamily family) {
    switch (family) {
        case LightFamily::Keyboard:
            return &kKeyboardEffects;
        case LightFamily::Mouse:
            return &kMouseEffects;
        case LightFamily::MousePad:
        case LightFamily::Headset:
            return &kPadEffects;
        default:
            return nullptr;
    }
}

constexpr auto kBlinkUnit = std::chrono::milliseconds(200);

}  // namespace

LightFamily LightFamilyOfClass(int deviceClass) {
    switch (deviceClass) {
        case 1:
        case 9:
            return LightFamily::Keyboard;
        case 2:
        case 6:
            return LightFamily::Mouse;
        case 3:
            return LightFamily::MousePad;
        case 7:
            return LightFamily::Headset;
        default:
            return LightFamily::None;
    }
}

std::optional<uint8_t> CommonTypeOfEffect(LightFamily family, uint8_t effect) {
    const EffectMap* types = TypesOf(family);
    if (!types)
        return std::nullopt;
    for (const auto& [from, type] : *types) {
        if (from == effect)
            return type;
    }
    return std::nullopt;
}

std::optional<uint8_t> EffectOfCommonType(LightFamily family, uint8_t type) {
    const auto* effects = EffectsOf(family);
    if (!effects || type >= effects->size())
        return std::nullopt;
    return (*effects)[type];
}

CLightSync::CLightSync(ILightClock& clock) : m_clock(clock) {}

CLightSync::~CLightSync() {
    Stop();
    std::lock_guard lock(m_devicesMutex);
    for (const Member& member : m_devices)
        member.device->GetLightEngine().RemoveWatcher(member.watcher);
}

void CLightSync::AddDevice(ILightDevice& device) {
    const int watcher = device.GetLightEngine().AddWatcher([this] { Wake(); });
    {
        std::lock_guard lock(m_devicesMutex);
        m_devices.push_back({&device, watcher});
    }
    Wake();
}

void CLightSync::RemoveDevice(ILightDevice& device) {
    std::lock_guard lock(m_devicesMutex);
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [&device](const Member& member) { return member.device == &device; });
    if (it == m_devices.end())
        return;
    device.GetLightEngine().RemoveWatcher(it->watcher);
    m_devices.erase(it);
}

bool CLightSync::Synchronise(ILightDevice& selected) {
    std::lock_guard handover(m_handoverMutex);
    const LightInfo info = selected.GetLightEngine().GetLightInfo();
    CommonLight common = m_common.Load();
    const LightFamily family = LightFamilyOfClass(selected.GetDeviceClass());
    // A device of no known family keeps the previous common type.
    if (family != LightFamily::None) {
        const std::optional<uint8_t> type = CommonTypeOfEffect(family, info.effect);
        if (!type)
            return false;
        common.type = *type;
    }
    common.brightness = info.brightness;
    common.speed = info.speed;
    common.direction = info.direction;
    common.multiColor = info.multiColor;
    common.red = info.red;
    common.green = info.green;
    common.blue = info.blue;
    m_common.Store(common);

    std::vector<ILightDevice*> devices;
    {
        std::lock_guard lock(m_devicesMutex);
        for (const Member& member : m_devices)
            devices.push_back(member.device);
    }
    for (ILightDevice* device : devices) {
        const std::optional<uint8_t> effect =
            EffectOfCommonType(LightFamilyOfClass(device->GetDeviceClass()), common.type);
        CLightEngine& engine = device->GetLightEngine();
        if (!effect || !engine.IsPresent())
            continue;
        LightInfo record = info;
        record.effect = *effect;
        engine.SetSynchronised(true);
        if (m_handover)
            m_handover(*device, record);
        else
            device->ApplySynchronisedLight(record);
    }
    RestartPace();
    Wake();
    return true;
}

LightColour CLightSync::StepCommon(LightTime now) {
    const CommonLight common = m_common.Load();
    const uint8_t brightness = BrightnessScale(common.brightness);
    const LightRgb fixed{common.red, common.green, common.blue};
    switch (common.type) {
        case kCommonBreathing: {
            m_position = StepPosition(common.direction, kBreathingCurve.size(), m_position, 1);
            LightRgb colour = fixed;
            if (common.multiColor) {
                if (m_position < 2)
                    m_colourIndex = StepPosition(1, kWheelSize, m_colourIndex, 16);
                colour = kColourWheel[m_colourIndex % kWheelSize];
            }
            return {colour, ScaleAlpha(brightness, kBreathingCurve[m_position])};
        }
        case kCommonStatic:
            return {fixed, brightness};
        case kCommonBlink: {
            const auto period = Threshold(kPeriodThresholds, 0, common.speed) * kBlinkUnit;
            if (now - m_lastToggle >= period) {
                m_blinkOn = !m_blinkOn;
                m_lastToggle = now;
                m_colourIndex = static_cast<uint8_t>(m_colourIndex + 14);
                if (m_colourIndex >= kWheelSize)
                    m_colourIndex = 0;
            }
            if (!m_blinkOn)
                return {};
            return {common.multiColor ? kColourWheel[m_colourIndex % kWheelSize] : fixed,
                    brightness};
        }
        case kCommonSpectrum:
            m_position = StepPosition(1, kWheelSize, m_position, 1);
            return {kColourWheel[m_position], brightness};
        default:
            return {};
    }
}

CLightEngine::Advanced CLightSync::Advance(LightTime now) {
    const LightDuration period =
        Threshold(kPeriodThresholds, 0, m_common.Load().speed) * kLightTick;
    if (!m_frameDue.exchange(false, std::memory_order_relaxed) && now - m_countStart < period)
        return {false, m_countStart + period};
    m_countStart = now;
    const LightColour colour = StepCommon(now);
    std::lock_guard lock(m_devicesMutex);
    for (const Member& member : m_devices) {
        CLightEngine& engine = member.device->GetLightEngine();
        if (!engine.IsSynchronised())
            continue;
        engine.Frame().Fill(colour);
        member.device->OnLightFrame(engine.Frame());
    }
    return {true, now + period};
}

bool CLightSync::AnyoneWatching() {
    std::lock_guard lock(m_devicesMutex);
    return std::any_of(m_devices.begin(), m_devices.end(), [](const Member& member) {
        const CLightEngine& engine = member.device->GetLightEngine();
        return engine.IsPresent() && engine.IsSynchronised() && engine.IsPreviewWanted();
    });
}

void CLightSync::Start() {
    Stop();
    {
        std::lock_guard lock(m_timerMutex);
        m_timer = m_clock.MakeTimer();
    }
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void CLightSync::Stop() {
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
    std::lock_guard lock(m_timerMutex);
    m_timer.reset();
}

void CLightSync::Wake() {
    std::lock_guard lock(m_timerMutex);
    if (m_timer)
        m_timer->Notify();
}

void CLightSync::Run(std::stop_token stop) {
    ILightTimer& timer = *m_timer;
    bool paused = true;
    while (!stop.stop_requested()) {
        LightTime deadline = LightTime::max();
        {
            std::lock_guard handover(m_handoverMutex);
            if (AnyoneWatching()) {
                if (paused) {
                    RestartPace();
                    paused = false;
                }
                deadline = Advance(m_clock.Now()).next;
            } else {
                paused = true;
            }
        }
        timer.WaitUntil(stop, deadline);
        m_wakeups.fetch_add(1, std::memory_order_relaxed);
    }
    DebugLine(DebugArea::Lighting, "同步灯光线程设定退出");
}
