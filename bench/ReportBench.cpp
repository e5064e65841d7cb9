// Host cost of the report protocol against the simulated mouse, and whole writes under the
// 1 ms USB interval model compared with their floor (two report intervals per transaction plus
// the 10 ms pause before the end command).
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchChannel.h"

namespace {

void TransactionZeroLatency(benchmark::State& state) {
    CBenchChannel bench(0);
    uint8_t status[2];
    for (auto _ : state) {
        if (bench.channel->ReadStatusBytes(status, 2, 0) != kResultDone)
            state.SkipWithError("transaction failed");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["protocol_errors"] = bench.world->ProtocolErrors();
}
BENCHMARK(TransactionZeroLatency);

// Whole write of `bytes` through the cable with begin and end, 1 ms per report each way.
void TimedWrite(benchmark::State& state, bool keyTable) {
    constexpr double kIntervalMs = 1.0;
    CBenchChannel bench(1000);
    CReportChannel& channel = *bench.channel;
    const unsigned bytes = keyTable ? 512 : 87;
    std::vector<uint8_t> image(bytes, 0x5A);
    channel.SetKeyTableSize(512);
    for (auto _ : state) {
        channel.BeginConfiguration();
        int result = keyTable ? channel.WriteKeyAssignmentTable(image.data(), 0)
                              : channel.WriteSettingsMemory(image.data(), 87, 0);
        channel.EndConfiguration();
        if (result != kResultDone)
            state.SkipWithError("write failed");
    }
    const unsigned packets = (bytes + kReportMaxData - 1) / kReportMaxData;
    const double floorMs = (packets + 2) * 2 * kIntervalMs + 10.0;
    state.counters["floor_ms"] = floorMs;
    state.counters["transactions"] = packets + 2;
    // Mean wall time per iteration over the floor (1.00 = as fast as the link allows).
    state.counters["ratio"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * floorMs / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["protocol_errors"] = bench.world->ProtocolErrors();
}

void SettingsImageWrite(benchmark::State& state) {
    TimedWrite(state, false);
}
void KeyTableWrite(benchmark::State& state) {
    TimedWrite(state, true);
}
BENCHMARK(SettingsImageWrite)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(KeyTableWrite)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
