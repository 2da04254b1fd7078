// The whole generate run on a ten-minute song (1200 quarter notes over the scale): loading or
// building the instrument, rendering, filtering and writing the song file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "CController.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "CSilentProgressSink.h"

namespace {

const int kQuarters = 1200;  // 300 bars at 120 quarters a minute: ten minutes

void FillSheet(CController& controller) {
    const int32_t heights[] = {48, 44, 41, 37, 34, 30, 27, 23, 20, 16, 13, 9, 6};
    for (int i = 0; i < kQuarters; ++i) {
        controller.AddNote({0, heights[i % 13]}, ETool::quarter, false);
    }
}

std::string ScratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("kantilo-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// Four seconds of a 44.1 kHz stereo recording, written as an instrument file for the run of
// the benchmarks and removed afterwards.
class CScratchInstrument {
public:
    CScratchInstrument() : m_recording(ScratchPath("instrument.wav")) {
        m_recording.SetFormat(44100, 16, 1);
        m_recording.Allocate(2 * 4 * 44100);
        for (uint32_t i = 0; i < m_recording.GetSize(); ++i) {
            m_recording.AppendSample(int32_t((i * 2654435761u) >> 20) - 2048);
        }
        m_recording.Write();
    }
    ~CScratchInstrument() { std::filesystem::remove(m_recording.GetFileName()); }
    std::string Path() const { return m_recording.GetFileName(); }

private:
    CLied m_recording;
};

std::string StereoInstrument() {
    static const CScratchInstrument instrument;
    return instrument.Path();
}

void Generate(benchmark::State& state, const std::string& instrument) {
    CController controller;
    FillSheet(controller);
    CSilentProgressSink sink;
    const std::string song = ScratchPath("song.wav");
    for (auto _ : state) {
        controller.Generate(sink, instrument, song, int32_t(state.range(0)), 264);
    }
    if (!sink.Warning().empty()) {
        state.SkipWithError(sink.Warning().c_str());
    }
    state.counters["song_bytes"] = double(std::filesystem::file_size(song));
    std::filesystem::remove(song);
}

void BM_GenerateStandard(benchmark::State& state) {
    Generate(state, "Standard");
}
void BM_GenerateStereo44k(benchmark::State& state) {
    Generate(state, StereoInstrument());
}

// Rendering alone, without filter and file, from a four-second 44.1 kHz recording in memory
// of the given width and channels: the song's slots (output samples) per second.
void BM_Render(benchmark::State& state) {
    const auto bits = uint8_t(state.range(0));
    const bool stereo = state.range(1) != 0;
    CController controller;
    FillSheet(controller);
    CInstrument instrument("memory", 264);
    instrument.SetSampleRate(44100);
    instrument.SetBitsPerSample(bits);
    instrument.SetStereo(stereo);
    instrument.Allocate((stereo ? 2 : 1) * 4 * 44100);
    for (uint32_t i = 0; i < instrument.GetSize(); ++i) {
        const uint32_t noise = (i * 2654435761u) >> 20;
        instrument.AppendSample(bits == 8 ? int32_t(noise & 0xFF) : int32_t(noise) - 2048);
    }
    instrument.FadeOut();
    CLied song;
    CSampler sampler;
    CSilentProgressSink sink;
    for (auto _ : state) {
        sampler.Render(sink, instrument, song, *controller.GetNotenblatt());
        benchmark::DoNotOptimize(song.Samples());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * song.GetSize());
}

}  // namespace

BENCHMARK(BM_GenerateStandard)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateStereo44k)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)
    ->ArgNames({"bits", "stereo"})
    ->Args({16, 1})
    ->Args({8, 1})
    ->Args({16, 0})
    ->Args({8, 0})
    ->Unit(benchmark::kMillisecond);
