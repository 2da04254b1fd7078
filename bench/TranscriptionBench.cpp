// Writing down a three-minute melody: the goal is well under a second, in memory bounded by
// the recording plus a constant.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "CController.h"
#include "CPitchFrames.h"
#include "CRecording.h"
#include "CStrikeTone.h"
#include "CTranscriber.h"

namespace {

constexpr uint32_t kRate = 44100;

constexpr double kTwoPi = 6.283185307179586;

// Three minutes of a scale tune at 120 quarters a minute: eighths and quarters, each note
// tone(hz, t) at t seconds from its start.
template <typename TTone>
CRecording ThreeMinutesOf(TTone tone) {
    const int kSteps[] = {0, 2, 4, 5, 7, 9, 7, 5, 4, 2, 4, 4, 0};
    std::vector<float> samples;
    samples.reserve(size_t(180) * kRate);
    for (int n = 0; samples.size() < size_t(180) * kRate; ++n) {
        const double hz = 264.0 * std::pow(2.0, kSteps[n % 13] / 12.0);
        const size_t length = size_t(kRate / 4 * (n % 3 == 0 ? 2 : 1));
        for (size_t i = 0; i < length; ++i) {
            const double fade = i + kRate / 50 > length ? double(length - i) / (kRate / 50) : 1.0;
            samples.push_back(float(fade * tone(hz, double(i) / kRate)));
        }
    }
    return CRecording(kRate, std::move(samples));
}

// Each note a tone with three harmonics, a short gap between notes so repeated pitches are
// heard.
CRecording ThreeMinutes() {
    return ThreeMinutesOf([](double hz, double t) {
        return 0.2 * (std::sin(kTwoPi * hz * t) + 0.5 * std::sin(2 * kTwoPi * hz * t) +
                      0.25 * std::sin(3 * kTwoPi * hz * t));
    });
}

// Each note a struck bar: partials at 1, 2.73, 5.3 and 7.95 times the pitch, the strike
// partial loudest, each dying away at its own pace (seconds per 20 dB).
CRecording ThreeMinutesStruck() {
    return ThreeMinutesOf([](double hz, double t) {
        const double kRatios[] = {1, 2.73, 5.3, 7.95}, kAmplitudes[] = {0.05, 0.02, 0.5, 0.25};
        const double kFalls[] = {3.0, 0.4, 0.3, 0.8};
        double v = 0;
        for (size_t p = 0; p < 4; ++p) {
            v += kAmplitudes[p] * std::pow(10.0, -t / kFalls[p]) *
                 std::sin(kTwoPi * hz * kRatios[p] * t);
        }
        return v;
    });
}

void Transcribe(benchmark::State& state, const CRecording& recording) {
    size_t nNotes = 0;
    for (auto _ : state) {
        const CTranscriber::SResult result = CTranscriber::Transcribe(recording, {}, "bench");
        nNotes = result.notes.size();
        benchmark::DoNotOptimize(result.pController.get());
    }
    state.counters["notes"] = double(nNotes);
    state.counters["seconds_of_sound"] = recording.Seconds();
}

void BM_TranscribeThreeMinutes(benchmark::State& state) {
    Transcribe(state, ThreeMinutes());
}
BENCHMARK(BM_TranscribeThreeMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

// What asking whether a recording is of struck bars costs one that is not: a few milliseconds.
void BM_StrikeToneCheckThreeMinutes(benchmark::State& state) {
    const CRecording recording = ThreeMinutes();
    const CPitchFrames frames(recording);
    const auto nHop = uint32_t(std::lround(kRate * CPitchFrames::kFrameSeconds));
    bool bStruck = false;
    for (auto _ : state) {
        std::vector<CPitchFrames::SFrame> copy = frames.Frames();
        bStruck = CStrikeTone::Read(recording, nHop, frames.PeakLevel(), copy);
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["struck"] = bStruck ? 1 : 0;
}
BENCHMARK(BM_StrikeToneCheckThreeMinutes)->Unit(benchmark::kMillisecond);

// Every frame of struck bars is read from its spectrum.
void BM_TranscribeThreeMinutesStruck(benchmark::State& state) {
    Transcribe(state, ThreeMinutesStruck());
}
BENCHMARK(BM_TranscribeThreeMinutesStruck)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
