// SPDX-License-Identifier: GPL-2.0-or-later
// CPU per preview frame of every effect, of a step-list pass and of a synchronised frame. The
// floor is one pass over the 15 LEDs; the fastest pace asks for 64 frames a second.
#include <benchmark/benchmark.h>

#include <vector>

#include "lighting/LightEngine.h"
#include "lighting/LightSync.h"

namespace {

LightInfo Record(uint8_t effect, uint8_t multi) {
    LightInfo info;
    info.effect = effect;
    info.brightness = 4;
    info.speed = 4;
    info.direction = 1;
    info.multiColor = multi;
    info.red = 200;
    info.green = 100;
    info.blue = 50;
    return info;
}

void EffectFrame(benchmark::State& state) {
    const auto effect = static_cast<uint8_t>(state.range(0));
    const auto multi = static_cast<uint8_t>(state.range(1));
    CLightEngine engine;
    engine.ApplyLightInfo(Record(effect, multi));
    if (IsStepListEffect(effect)) {
        EffectStep breathe;
        breathe.mode = 0;
        breathe.brightness = 4;
        breathe.time = 500;
        EffectStep wave = breathe;
        wave.mode = 4;
        wave.multiColor = 1;
        engine.SetEffectSteps({breathe, wave});
    }
    LightTime now = SteadyLightClock().Now();
    for (auto _ : state) {
        now += kLightTick;
        if (effect == kEffectReactive && engine.KeyLevel(0) == 0)
            engine.TriggerReactive();
        benchmark::DoNotOptimize(engine.ComputeFrame(effect, now));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["leds"] = static_cast<double>(engine.LedCount());
}
BENCHMARK(EffectFrame)
    ->ArgNames({"effect", "multi"})
    ->Args({kEffectStatic, 0})
    ->Args({kEffectBreathing, 0})
    ->Args({kEffectTrail, 1})
    ->Args({kEffectSpectrum, 0})
    ->Args({kEffectWave, 0})
    ->Args({kEffectWave, 1})
    ->Args({kEffectFourColourBreathing, 0})
    ->Args({kEffectOff, 0})
    ->Args({kEffectReactive, 1})
    ->Args({kEffectFourColourBlink, 0})
    ->Args({kEffectStepList, 0})
    ->Args({kEffectBlink, 1});

// The bare floor: writing the 15 entries of a frame.
void FrameFloor(benchmark::State& state) {
    CLightFrame frame(kMouseLedCount);
    uint8_t alpha = 0;
    for (auto _ : state) {
        frame.Fill({1, 2, 3, ++alpha});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FrameFloor);

class CBenchDevice final : public ILightDevice {
  public:
    explicit CBenchDevice(int deviceClass) : m_class(deviceClass) {
        m_engine.SetPresent(true);
        m_engine.SetPreviewWanted(true);
    }
    CLightEngine& GetLightEngine() override { return m_engine; }
    int GetDeviceClass() const override { return m_class; }
    void OnLightFrame(const CLightFrame&) override {}
    void ApplySynchronisedLight(const LightInfo& info) override { m_engine.ApplyLightInfo(info); }

  private:
    int m_class;
    CLightEngine m_engine;
};

// One common frame written into four devices.
void SynchronisedFrame(benchmark::State& state) {
    CBenchDevice keyboard(1), mouse(2), pad(3), headset(7);
    CLightSync sync;
    for (CBenchDevice* device : {&keyboard, &mouse, &pad, &headset})
        sync.AddDevice(*device);
    mouse.GetLightEngine().ApplyLightInfo(Record(kEffectBreathing, 1));
    sync.Synchronise(mouse);
    LightTime now = SteadyLightClock().Now();
    for (auto _ : state) {
        now += 7 * kLightTick;
        benchmark::DoNotOptimize(sync.Advance(now));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SynchronisedFrame);

}  // namespace

BENCHMARK_MAIN();
