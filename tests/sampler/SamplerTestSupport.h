#pragma once

// WAV files built byte by byte, sample buffers read back, and the texts of failures.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CWaveFile.h"
#include "RecordingSink.h"
#include "SheetProbe.h"
#include "TestFiles.h"

inline void AppendLE(Bytes& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// Every slot of a buffer, in order.
inline std::vector<int16_t> Slots(const CWaveFile& wave) {
    std::vector<int16_t> slots(wave.GetSize());
    for (uint32_t i = 0; i < wave.GetSize(); ++i) {
        wave.GetSample(i, slots[i]);
    }
    return slots;
}

// Noise over the whole range of the format.
inline std::vector<int16_t> RandomSlots(size_t count, int bits, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(bits == 8 ? 0 : -32768, bits == 8 ? 255 : 32767);
    std::vector<int16_t> slots(count);
    for (int16_t& slot : slots) {
        slot = int16_t(value(random));
    }
    return slots;
}

// An instrument file's recording set up in memory.
inline void Record(CInstrument& instrument, int bits, int32_t stereo, uint32_t rate,
                   const std::vector<int16_t>& slots) {
    instrument.SetBitsPerSample(uint8_t(bits));
    instrument.SetStereo(stereo);
    instrument.SetSampleRate(rate);
    ASSERT_TRUE(instrument.Allocate(uint32_t(slots.size())));
    for (int16_t v : slots) {
        instrument.AppendSample(v);
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
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        bytes.push_back(0);
    }
    return bytes;
}

// The layout of a WAV file to build: a canonical 44-byte file unless told otherwise.
struct WavLayout {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    Bytes data = {};
    uint32_t dataSizeField = UINT32_MAX;  // UINT32_MAX: the real size of data
    Bytes fmtExtra = {};                  // bytes after the 16 basic format bytes
    Bytes chunksBeforeFmt = {};           // whole chunks, written as they are
    Bytes chunksBeforeData = {};
    Bytes chunksAfterData = {};
};

inline Bytes BuildWav(const WavLayout& l) {
    Bytes fmt;
    AppendLE(fmt, l.formatTag, 2);
    AppendLE(fmt, l.channels, 2);
    AppendLE(fmt, l.rate, 4);
    AppendLE(fmt, l.rate * l.channels * l.bits / 8, 4);
    AppendLE(fmt, l.channels * l.bits / 8, 2);
    AppendLE(fmt, l.bits, 2);
    fmt.insert(fmt.end(), l.fmtExtra.begin(), l.fmtExtra.end());
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& part : {l.chunksBeforeFmt, Chunk("fmt ", fmt), l.chunksBeforeData}) {
        body.insert(body.end(), part.begin(), part.end());
    }
    body.insert(body.end(), {'d', 'a', 't', 'a'});
    AppendLE(body, l.dataSizeField == UINT32_MAX ? uint32_t(l.data.size()) : l.dataSizeField, 4);
    body.insert(body.end(), l.data.begin(), l.data.end());
    if (!l.chunksAfterData.empty()) {
        body.resize(body.size() + l.data.size() % 2);
        body.insert(body.end(), l.chunksAfterData.begin(), l.chunksAfterData.end());
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    AppendLE(file, uint32_t(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// 16-bit samples as little-endian bytes.
inline Bytes Samples16(const std::vector<int16_t>& values) {
    Bytes bytes;
    for (int16_t v : values) {
        AppendLE(bytes, uint16_t(v), 2);
    }
    return bytes;
}
