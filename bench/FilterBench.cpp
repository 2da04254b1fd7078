// The song's low-pass filter on each path the processor can run, on a ten-minute song (26.5
// million slots, 44.1 kHz stereo) with the longest filter.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "CLowPassFilter.h"

namespace {

constexpr uint32_t kSongSlots = 26'460'000;

const std::vector<int16_t>& Song() {
    static const std::vector<int16_t> song = [] {
        std::vector<int16_t> slots(kSongSlots);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> value(-20000, 20000);
        for (int16_t& slot : slots) {
            slot = static_cast<int16_t>(value(random));
        }
        return slots;
    }();
    return song;
}

template <typename Filter>
void Measure(benchmark::State& state, uint32_t slots, Filter&& filter) {
    std::vector<int16_t> work(Song().begin(), Song().begin() + slots);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(Song().begin(), Song().begin() + slots, work.begin());
        state.ResumeTiming();
        filter(work.data(), slots);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * slots);
}

void BM_FilterShipped(benchmark::State& state) {
    const CLowPassFilter filter(static_cast<int>(state.range(0)),
                                static_cast<CLowPassFilter::EPath>(state.range(2)));
    if (filter.GetPath() != static_cast<CLowPassFilter::EPath>(state.range(2)) &&
        state.range(2) != 0) {
        state.SkipWithError("instruction set not available");
        return;
    }
    const uint32_t slots = static_cast<uint32_t>(state.range(1));
    const bool stereo = state.range(3) != 0;
    Measure(state, slots,
            [&](int16_t* data, uint32_t n) { filter.Run(data, n, stereo, 16, n, [] {}); });
}

// Path: 0 automatic, 1 portable, 2 AVX2, 3 AVX-512.
BENCHMARK(BM_FilterShipped)
    ->ArgNames({"taps", "slots", "path", "stereo"})
    ->Args({99, kSongSlots, 0, 0})
    ->Args({99, kSongSlots, 0, 1})
    ->Args({99, kSongSlots, 1, 0})
    ->Args({99, kSongSlots, 2, 0})
    ->Args({99, kSongSlots, 3, 0})
    ->Args({19, kSongSlots, 0, 0})
    ->Args({99, 1 << 15, 0, 0})
    ->Args({99, 1 << 18, 0, 0})
    ->Args({99, 1 << 19, 0, 0})
    ->Args({99, 1 << 21, 0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
