// SPDX-License-Identifier: GPL-2.0-or-later
// Host cost of the report protocol against the simulated mouse, and whole writes under the
// 1 ms USB interval model compared with their floor (two report intervals per transaction plus
// the 10 ms pause before the end command).
#include <benchmark/benchmark.h>

#include <chrono>
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

// Whole write through the cable with begin and end, 1 ms per report each way: the 87-byte
// settings image, or the largest key table (170 positions, 510 bytes: the same 10 packets as 512).
void TimedWrite(benchmark::State& state, bool keyTable) {
    constexpr double kIntervalMs = 1.0;
    CBenchChannel bench(1000);
    CReportChannel& channel = *bench.channel;
    SimMouseConfig config = bench.world->Config();
    config.keyTablePositions = 170;
    bench.world->SetConfig(config);
    const unsigned bytes = keyTable ? 3 * config.keyTablePositions : 87;
    std::vector<uint8_t> image(bytes, 0);
    channel.SetKeyTableSize(static_cast<uint16_t>(bytes));

    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        channel.BeginConfiguration();
        int result = keyTable ? channel.WriteKeyAssignmentTable(image.data(), 0)
                              : channel.WriteSettingsMemory(image.data(), 87, 0);
        channel.EndConfiguration();
        if (result != kResultDone)
            state.SkipWithError("write failed");
    }
    std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;

    const unsigned packets = (bytes + kReportMaxData - 1) / kReportMaxData;
    const double floorMs = (packets + 2) * 2 * kIntervalMs + 10.0;
    state.counters["bytes"] = bytes;
    state.counters["transactions"] = packets + 2;
    state.counters["floor_ms"] = floorMs;
    // Mean time per write over the floor: 1.00 is as fast as the link allows.
    state.counters["ratio"] = elapsed.count() / static_cast<double>(state.iterations()) / floorMs;
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
