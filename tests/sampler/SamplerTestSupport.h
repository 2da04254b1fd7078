#pragma once

// Helpers shared by the engine tests: scratch directories, WAV files built byte by byte,
// failure texts, and a progress sink that records what a run reports.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CEngineFailure.h"
#include "CWaveFile.h"
#include "IProgressSink.h"

namespace SamplerTest {

using Bytes = std::vector<unsigned char>;

// A fresh directory under the system's temporary directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kantilo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "no scratch directory";
        }
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }
    // Every entry of the directory, by name.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Append(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

inline void AppendLE(Bytes& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
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

// The layout of a WAV file to build: a canonical 44-byte file unless told otherwise.
struct WavLayout {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    Bytes data;
    uint32_t dataSizeField = UINT32_MAX;  // UINT32_MAX: the real size of data
    Bytes fmtExtra;                       // bytes after the 16 basic format bytes
    Bytes chunksBeforeFmt;                // whole chunks, written as they are
    Bytes chunksBeforeData;
    Bytes chunksAfterData;
};

inline Bytes Chunk(const std::string& tag, const Bytes& body) {
    Bytes bytes;
    Append(bytes, tag);
    AppendLE(bytes, uint32_t(body.size()), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        bytes.push_back(0);
    }
    return bytes;
}

inline Bytes BuildWav(const WavLayout& layout) {
    Bytes fmt;
    AppendLE(fmt, layout.formatTag, 2);
    AppendLE(fmt, layout.channels, 2);
    AppendLE(fmt, layout.rate, 4);
    AppendLE(fmt, layout.rate * layout.channels * layout.bits / 8, 4);
    AppendLE(fmt, layout.channels * layout.bits / 8, 2);
    AppendLE(fmt, layout.bits, 2);
    fmt.insert(fmt.end(), layout.fmtExtra.begin(), layout.fmtExtra.end());
    Bytes body;
    Append(body, "WAVE");
    body.insert(body.end(), layout.chunksBeforeFmt.begin(), layout.chunksBeforeFmt.end());
    const Bytes fmtChunk = Chunk("fmt ", fmt);
    body.insert(body.end(), fmtChunk.begin(), fmtChunk.end());
    body.insert(body.end(), layout.chunksBeforeData.begin(), layout.chunksBeforeData.end());
    Append(body, "data");
    AppendLE(
        body,
        layout.dataSizeField == UINT32_MAX ? uint32_t(layout.data.size()) : layout.dataSizeField,
        4);
    body.insert(body.end(), layout.data.begin(), layout.data.end());
    if (!layout.chunksAfterData.empty()) {
        if (layout.data.size() % 2 == 1) {
            body.push_back(0);
        }
        body.insert(body.end(), layout.chunksAfterData.begin(), layout.chunksAfterData.end());
    }
    Bytes file;
    Append(file, "RIFF");
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

// Records the reports of a run in the order they came, steps counted per stage.
class RecordingSink : public IProgressSink {
public:
    struct Stage {
        std::string text;
        int samplerSteps = 0;
        int filterSteps = 0;
    };
    void SetProgressStatus(std::string text) override { stages.push_back({std::move(text)}); }
    void StepSamplerProgress() override { Current().samplerSteps++, samplerSteps++; }
    void StepFilterProgress() override { Current().filterSteps++, filterSteps++; }
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Stage& stage : stages) {
            texts.push_back(stage.text);
        }
        return texts;
    }

    std::vector<Stage> stages;
    std::vector<std::string> warnings;
    int samplerSteps = 0;
    int filterSteps = 0;

private:
    Stage& Current() {
        if (stages.empty()) {
            stages.push_back({"(none)"});
        }
        return stages.back();
    }
};

// A click height on the first staff row that enters the pitch (Hz) given.
inline int32_t HeightOf(uint16_t pitch) {
    switch (pitch) {
        case 880:
            return 6;
        case 792:
            return 9;
        case 704:
            return 13;
        case 660:
            return 16;
        case 594:
            return 20;
        case 528:
            return 23;
        case 495:
            return 27;
        case 440:
            return 30;
        case 396:
            return 34;
        case 352:
            return 37;
        case 330:
            return 41;
        case 297:
            return 44;
        case 264:
            return 48;
        default:
            ADD_FAILURE() << "no height for " << pitch;
            return 0;
    }
}

inline const std::vector<uint16_t>& Pitches() {
    static const std::vector<uint16_t> pitches = {264, 297, 330, 352, 396, 440, 495,
                                                  528, 594, 660, 704, 792, 880};
    return pitches;
}

}  // namespace SamplerTest
