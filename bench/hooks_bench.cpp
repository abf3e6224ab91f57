// The hooks' decision rules per event: the work a hook does before its one
// post, without the post itself.
#include <benchmark/benchmark.h>

#include <cstring>

#include "hook_rules.h"

namespace {

void BM_LowLevelKeyRule(benchmark::State& state) {
    uint8_t table[256] = {};
    uint32_t vk = 0x41;
    bool repeat = state.range(0) != 0;
    uint64_t reported = 0;
    for (auto _ : state) {
        // press, repeat, release of a rotating key
        for (uint32_t flags : {0u, 0u, kLlkhfUp}) {
            uintptr_t message = flags ? kWmKeyUp : kWmKeyDown;
            reported += LowLevelKeyReported(message, vk, flags, table, repeat);
            table[vk] = KeyTableValue(flags);
            reported += NumLockReleaseSynthesizes(message, vk);
        }
        vk = (vk + 1) & 0xFF;
        benchmark::DoNotOptimize(reported);
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_LowLevelKeyRule)->Arg(0)->Arg(1);

void BM_ClassicKeyRule(benchmark::State& state) {
    intptr_t flags[] = {0x00250001, 0x40250001, static_cast<intptr_t>(0xC0250001u)};
    uint64_t reported = 0;
    for (auto _ : state) {
        for (intptr_t f : flags) reported += ClassicKeyReported(f, false);
        benchmark::DoNotOptimize(reported);
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_ClassicKeyRule);

void BM_MouseReportRule(benchmark::State& state) {
    const uintptr_t messages[] = {kWmMouseMove, kWmLButtonDown, kWmLButtonUp, kWmMouseWheel};
    uint32_t wheel = 0;
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uintptr_t m : messages) {
            MouseReportKind kind = MouseReportFor(m);
            if (kind == MouseReportKind::Wheel) sum += TakeWheelCount(wheel);
            sum += static_cast<int>(kind);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_MouseReportRule);

void BM_TrackerMouseRule(benchmark::State& state) {
    HookPoint last{10, 10};
    uint64_t counted = 0;
    int x = 0;
    for (auto _ : state) {
        HookPoint pt{x & 1 ? 10 : 11, 10};
        if (TrackerMouseCounts(kHcAction, kWmMouseMove, pt, last)) {
            last = pt;
            ++counted;
        }
        ++x;
        benchmark::DoNotOptimize(counted);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrackerMouseRule);

void BM_KeysymToVirtualKey(benchmark::State& state) {
    const uint32_t keysyms[] = {'a', '7', 0xFFBE, 0xFF51, 0xFFE1, 0x2C, 0xFF7F, 0x1008FF11};
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint32_t k : keysyms) sum += VirtualKeyFromKeysym(k);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_KeysymToVirtualKey);

}  // namespace
