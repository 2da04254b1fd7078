// Reading an instrument whose chunk list is long, and refusing a song too long for a WAV file:
// both must answer at once, before any rendering.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "CController.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CSilentProgressSink.h"

namespace {

std::string ScratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("kantilo-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s += char(v >> (8 * i));
    }
}

// 2 MB: 200,000 ten-byte chunks before the format and a few samples.
std::string WriteManyChunks() {
    std::string file = "RIFF____WAVE";
    for (int i = 0; i < 200000; ++i) {
        file += "JUNK";
        Put32(file, 2);
        file += "ab";
    }
    file += "fmt ";
    Put32(file, 16);
    const uint32_t fmt[] = {1 | 1 << 16, 22050, 44100, 2 | 16 << 16};
    for (uint32_t v : fmt) {
        Put32(file, v);
    }
    file += "data";
    Put32(file, 200);
    file += std::string(200, '\1');
    const std::string path = ScratchPath("chunks.wav");
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

void BM_InstrumentWithManyChunks(benchmark::State& state) {
    const std::string path = WriteManyChunks();
    for (auto _ : state) {
        CInstrument instrument(path, 264);
        instrument.ReadHeader();
        instrument.ReadData();
        benchmark::DoNotOptimize(instrument.GetSize());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_InstrumentWithManyChunks)->Unit(benchmark::kMillisecond);

// 100,000 eighths at 48 kHz stereo would be 4.8 GB of samples.
void BM_TooLongSongRefused(benchmark::State& state) {
    CLied recording(ScratchPath("stereo.wav"));
    recording.SetFormat(48000, 16, 1);
    recording.Allocate(4800);
    recording.FillSilence();
    recording.Write();
    CController controller;
    for (int i = 0; i < 12500; ++i) {
        controller.AddNote({0, 31}, ETool::whole, false);
    }
    const std::string song = ScratchPath("lang.wav");
    for (auto _ : state) {
        CSilentProgressSink sink;
        controller.Generate(sink, recording.GetFileName(), song, 10, 264);
    }
    std::filesystem::remove(recording.GetFileName());
}
BENCHMARK(BM_TooLongSongRefused)->Unit(benchmark::kMillisecond);

}  // namespace
