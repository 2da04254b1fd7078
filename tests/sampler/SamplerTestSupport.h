#pragma once

// WAV files built byte by byte, sample buffers read back, the texts of failures and the
// progress reported.

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
    void SetProgressStatus(std::string text) override { texts.push_back(std::move(text)); }
    void StepSamplerProgress() override { ++samplerSteps; }
    void StepFilterProgress() override { ++filterSteps; }
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }

    std::vector<std::string> texts, warnings;
    int samplerSteps = 0, filterSteps = 0;
};

inline void AppendLE(Bytes& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(uint8_t(value >> (8 * i)));
    }
}

inline void Append(Bytes& bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

inline std::vector<int16_t> Slots(const CWaveFile& wave) {
    std::vector<int16_t> slots(wave.GetSize());
    for (uint32_t i = 0; i < wave.GetSize(); ++i) {
        wave.GetSample(i, slots[i]);
    }
    return slots;
}

inline std::vector<int16_t> ReadSlots(const std::string& path) {
    CWaveFile wave(path);
    wave.ReadHeader();
    wave.ReadData();
    return Slots(wave);
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

inline Bytes Chunk(const std::string& tag, const Bytes& body) {
    Bytes bytes(tag.begin(), tag.end());
    AppendLE(bytes, uint32_t(body.size()), 4);
    Append(bytes, body);
    bytes.resize(bytes.size() + body.size() % 2);
    return bytes;
}

// The layout of a WAV file to build: a canonical 44-byte file unless told otherwise.
struct WavLayout {
    uint16_t formatTag = 1, channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    Bytes data = {};
    uint32_t dataSizeField = UINT32_MAX;  // UINT32_MAX: the real size of data
    Bytes fmtExtra = {};                  // bytes after the 16 basic format bytes
    Bytes chunksBeforeFmt = {}, chunksBeforeData = {}, chunksAfterData = {};
};

inline Bytes BuildWav(const WavLayout& l) {
    Bytes fmt, body = {'W', 'A', 'V', 'E'}, file = {'R', 'I', 'F', 'F'};
    AppendLE(fmt, l.formatTag | l.channels << 16, 4);
    AppendLE(fmt, l.rate, 4);
    AppendLE(fmt, l.rate * l.channels * l.bits / 8, 4);
    AppendLE(fmt, l.channels * l.bits / 8u | l.bits << 16, 4);
    Append(fmt, l.fmtExtra);
    for (const Bytes& part : {l.chunksBeforeFmt, Chunk("fmt ", fmt), l.chunksBeforeData}) {
        Append(body, part);
    }
    Append(body, {'d', 'a', 't', 'a'});
    AppendLE(body, l.dataSizeField == UINT32_MAX ? uint32_t(l.data.size()) : l.dataSizeField, 4);
    Append(body, l.data);
    if (!l.chunksAfterData.empty()) {
        body.resize(body.size() + l.data.size() % 2);
        Append(body, l.chunksAfterData);
    }
    AppendLE(file, uint32_t(body.size()), 4);
    Append(file, body);
    return file;
}

inline Bytes Samples16(const std::vector<int16_t>& values) {
    Bytes bytes;
    for (int16_t v : values) {
        AppendLE(bytes, uint16_t(v), 2);
    }
    return bytes;
}
