#pragma once

// Recordings made from slots, sample buffers read back, the texts of failures and the progress
// reported.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CWaveFile.h"
#include "IProgressSink.h"
#include "SheetProbe.h"
#include "TestFiles.h"

class RecordingSink : public IProgressSink {
public:
    void SetProgressStatus(std::string) override {}
    void StepSamplerProgress() override { ++samplerSteps; }
    void StepFilterProgress() override {}
    void ShowWarning(const std::string&) override {}

    int samplerSteps = 0;
};

inline std::vector<int16_t> Slots(const CWaveFile& wave) {
    return {wave.Samples(), wave.Samples() + wave.GetSize()};
}

inline std::vector<int16_t> RandomSlots(size_t count, int bits, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(bits == 8 ? 0 : -32768, bits == 8 ? 255 : 32767);
    std::vector<int16_t> slots(count);
    std::generate(slots.begin(), slots.end(), [&] { return int16_t(value(random)); });
    return slots;
}

inline void Record(CWaveFile& wave, int bits, int32_t stereo, uint32_t rate,
                   const std::vector<int16_t>& slots) {
    wave.SetBitsPerSample(uint8_t(bits));
    wave.SetStereo(stereo);
    wave.SetSampleRate(rate);
    ASSERT_TRUE(wave.Allocate(uint32_t(slots.size())));
    for (int16_t v : slots) {
        wave.AppendSample(v);
    }
}

// The text a failing call throws, or "" when it does not fail.
template <typename F>
std::string FailureText(F&& call) {
    try {
        call();
    } catch (const CEngineFailure& failure) {
        return failure.what();
    }
    return "";
}
