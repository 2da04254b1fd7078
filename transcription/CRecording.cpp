#include "CRecording.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <numeric>

namespace {

// The first bytes read to recognise a file and to find the size its WAV data claims.
constexpr size_t kHeadBytes = 64 * 1024;
// Frames read from libsndfile at a time.
constexpr sf_count_t kBlockFrames = 16384;
// Channels cancel each other out where their mean keeps less than this share of a channel's
// energy (10 dB below it): channels alike keep all of it, unrelated ones half.
constexpr double kCancelled = 0.1;
// A microphone's or a sound card's DC offset shifts every sample alike, or drifts slowly. The
// level's measures would hear it as sound where there is silence, and an offset of a tenth of
// full scale hides every note. A one-pole high-pass at kOffsetCutoff Hz, far below any note and
// any mains hum, takes it out.
constexpr double kOffsetCutoff = 5;
// It is taken out where the mean of some second (kOffsetSeconds) of the recording comes within
// kNoticeable dB of the recording's RMS. An offset that leads notes astray comes near the RMS
// itself; the small one that every recording has (Kantilo's renders, FluidSynth's) lies 35 dB
// or more below it. That much still lifts a bell's last moments, 60 dB below its strike, by a
// few tenths of a dB, and the end of a long note with them: such recordings are heard as they
// are, as they always were.
constexpr double kNoticeable = 20;
constexpr double kOffsetSeconds = 1;

std::string Quoted(const std::string& strName) {
    return "„" + strName + "“";
}

// A view of bytes in memory that libsndfile reads like a file.
struct SMemoryFile {
    std::span<const uint8_t> data;
    sf_count_t nAt = 0;
};

sf_count_t MemoryLength(void* pUser) {
    return sf_count_t(static_cast<SMemoryFile*>(pUser)->data.size());
}

sf_count_t MemorySeek(sf_count_t nOffset, int nWhence, void* pUser) {
    auto& file = *static_cast<SMemoryFile*>(pUser);
    const sf_count_t nBase = nWhence == SEEK_CUR   ? file.nAt
                             : nWhence == SEEK_END ? sf_count_t(file.data.size())
                                                   : 0;
    file.nAt = std::clamp<sf_count_t>(nBase + nOffset, 0, sf_count_t(file.data.size()));
    return file.nAt;
}

sf_count_t MemoryRead(void* pTo, sf_count_t nCount, void* pUser) {
    auto& file = *static_cast<SMemoryFile*>(pUser);
    const sf_count_t n = std::clamp<sf_count_t>(sf_count_t(file.data.size()) - file.nAt, 0, nCount);
    std::memcpy(pTo, file.data.data() + file.nAt, size_t(n));
    file.nAt += n;
    return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t MemoryTell(void* pUser) {
    return static_cast<SMemoryFile*>(pUser)->nAt;
}

uint32_t LittleEndian32(std::span<const uint8_t> bytes, size_t nAt) {
    return uint32_t(bytes[nAt]) | uint32_t(bytes[nAt + 1]) << 8 | uint32_t(bytes[nAt + 2]) << 16 |
           uint32_t(bytes[nAt + 3]) << 24;
}

// A RIFF WAVE file whose data chunk claims more bytes than the file holds was cut short;
// libsndfile would quietly read the rest as if nothing were missing.
bool IsCutShortWave(std::span<const uint8_t> head, uint64_t nFileSize) {
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0 ||
        std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    for (uint64_t nAt = 12; nAt + 8 <= head.size();) {
        const uint32_t nSize = LittleEndian32(head, size_t(nAt) + 4);
        if (std::memcmp(head.data() + nAt, "data", 4) == 0) {
            return nAt + 8 + nSize > nFileSize;
        }
        nAt += 8 + uint64_t(nSize) + (nSize & 1);
    }
    return false;
}

// Whether a recording of info's size and rate is read at all; the German message why not.
bool Readable(const SF_INFO& info, const std::string& strName, std::string& strMessage) {
    if (info.frames <= 0) {
        strMessage = "Die Aufnahme " + Quoted(strName) + " ist leer.";
    } else if (info.samplerate < int(CRecording::kMinRate) ||
               info.samplerate > int(CRecording::kMaxRate) || info.channels <= 0) {
        strMessage = "Die Aufnahme " + Quoted(strName) +
                     " hat eine Abtastrate, die Kantilo nicht auswertet (8000 bis 192000 Hz).";
    } else if (double(info.frames) > CRecording::kMaxSeconds * info.samplerate) {
        strMessage = "Die Aufnahme " + Quoted(strName) +
                     " ist länger als 30 Minuten; so lange Aufnahmen werden nicht übertragen.";
    }
    return strMessage.empty();
}

// The energy of the channels' mean and the mean energy of a channel.
struct SEnergy {
    double fMean = 0;
    double fChannel = 0;
};

// Reads every frame into samples as the mean of its channels, or as channel nOnly alone;
// false when cancelled by progress.
bool ReadFrames(SNDFILE* pFile, const SF_INFO& info, int nOnly,
                const std::function<bool(double)>& progress, std::vector<float>& samples,
                SEnergy& energy) {
    std::vector<float> block(size_t(kBlockFrames) * size_t(info.channels));
    for (sf_count_t n; (n = sf_readf_float(pFile, block.data(), kBlockFrames)) > 0;) {
        for (sf_count_t f = 0; f < n && sf_count_t(samples.size()) < info.frames; ++f) {
            float fSum = 0;
            for (int c = 0; c < info.channels; ++c) {
                const float fSample = block[size_t(f * info.channels + c)];
                fSum += fSample;
                energy.fChannel += double(fSample) * fSample / info.channels;
            }
            const float fMean = fSum / float(info.channels);
            energy.fMean += double(fMean) * fMean;
            samples.push_back(std::clamp(
                nOnly < 0 ? fMean : block[size_t(f * info.channels + nOnly)], -1.0f, 1.0f));
        }
        if (progress && !progress(double(samples.size()) / double(info.frames))) {
            return false;
        }
    }
    return true;
}

// Reads every frame as the mean of its channels; refuses what holds no melody to look for.
// Channels that cancel each other out in their mean (one wired the wrong way round, a recording
// made wider by turning one side over) are heard through their first channel alone.
CRecording::SLoad ReadOpened(SNDFILE* pFile, const SF_INFO& info, const std::string& strName,
                             const std::function<bool(double)>& progress) {
    CRecording::SLoad load;
    if (!Readable(info, strName, load.strMessage)) {
        return load;
    }
    std::vector<float> samples;
    samples.reserve(size_t(info.frames));
    SEnergy energy;
    bool bRead = ReadFrames(pFile, info, -1, progress, samples, energy);
    if (bRead && info.channels > 1 && energy.fMean < kCancelled * energy.fChannel &&
        sf_seek(pFile, 0, SEEK_SET) == 0) {
        // Read again, the progress shown staying full.
        samples.clear();
        const auto full = [&progress](double) { return !progress || progress(1); };
        bRead = ReadFrames(pFile, info, 0, full, samples, energy);
    }
    if (!bRead) {
        load.bCancelled = true;
        return load;
    }
    if (sf_count_t(samples.size()) < info.frames || sf_error(pFile) != SF_ERR_NO_ERROR) {
        load.strMessage = "Die Aufnahme " + Quoted(strName) + " ist unvollständig.";
        return load;
    }
    load.pRecording = std::make_unique<CRecording>(uint32_t(info.samplerate), std::move(samples));
    return load;
}

CRecording::SLoad ReadWith(SNDFILE* pFile, const SF_INFO& info, const std::string& strName,
                           const std::function<bool(double)>& progress = {}) {
    if (pFile == nullptr) {
        return {nullptr, Quoted(strName) +
                             " ist keine Aufnahme, die Kantilo lesen kann (WAV, FLAC oder Ogg)."};
    }
    CRecording::SLoad load = ReadOpened(pFile, info, strName, progress);
    sf_close(pFile);
    return load;
}

// Whether some second of the samples is offset noticeably (see kNoticeable): the second's
// mean against the RMS of all.
bool IsOffset(const std::vector<float>& samples, uint32_t nRate) {
    const size_t nBlock =
        std::max<size_t>(1, std::min(samples.size(), size_t(kOffsetSeconds * nRate)));
    double fEnergy = 0, fLargest = 0;
    for (size_t n = 0; n + nBlock <= samples.size(); n += nBlock) {
        const auto block = samples.begin() + std::ptrdiff_t(n);
        const auto end = block + std::ptrdiff_t(nBlock);
        fLargest = std::max(fLargest, std::abs(std::accumulate(block, end, 0.0)) / double(nBlock));
        fEnergy += std::inner_product(block, end, block, 0.0);
    }
    const double fRms = std::sqrt(fEnergy / double(samples.size() - samples.size() % nBlock));
    return fLargest > fRms * std::pow(10, -kNoticeable / 20);
}

// The samples without their offset (see kOffsetCutoff), in place. The filter starts as if the
// mean of the first samples (over its time constant) had always been there, so that an offset
// already present does not step in as a sound, nor a single sample of noise for one.
void RemoveOffset(std::vector<float>& samples, uint32_t nRate) {
    if (samples.empty() || nRate == 0 || !IsOffset(samples, nRate)) {
        return;
    }
    const double fTurn = 2 * std::numbers::pi * kOffsetCutoff / nRate;
    const auto settled =
        samples.begin() + std::ptrdiff_t(std::min(samples.size(), size_t(std::ceil(1 / fTurn))));
    const double fPole = std::exp(-fTurn);
    double fIn = std::accumulate(samples.begin(), settled, 0.0) / double(settled - samples.begin());
    double fOut = 0;
    for (float& fSample : samples) {
        fOut = fPole * fOut + double(fSample) - fIn;
        fIn = fSample;
        fSample = std::clamp(float(fOut), -1.0F, 1.0F);
    }
}

}  // namespace

CRecording::CRecording(uint32_t nRate, std::vector<float> samples)
    : m_nRate(nRate), m_samples(std::move(samples)) {
    RemoveOffset(m_samples, m_nRate);
}

bool CRecording::IsRecording(std::span<const uint8_t> head) {
    const auto starts = [head](const char* pMagic, size_t nAt = 0) {
        const size_t n = std::strlen(pMagic);
        return head.size() >= nAt + n && std::memcmp(head.data() + nAt, pMagic, n) == 0;
    };
    return ((starts("RIFF") || starts("RIFX") || starts("RF64")) && starts("WAVE", 8)) ||
           starts("fLaC") || starts("OggS");
}

// Only a regular file is looked into: opening a FIFO would wait for a writer.
bool CRecording::IsRecordingFile(const std::string& strPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(strPath, error)) {
        return false;
    }
    std::ifstream in(strPath, std::ios::binary);
    uint8_t head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return IsRecording(std::span<const uint8_t>(head, size_t(in.gcount())));
}

CRecording::SLoad CRecording::Read(std::span<const uint8_t> data, const std::string& strName) {
    if (data.empty()) {
        return {nullptr, "Die Aufnahme " + Quoted(strName) + " ist leer."};
    }
    if (!IsRecording(data)) {
        return ReadWith(nullptr, {}, strName);
    }
    if (IsCutShortWave(data.first(std::min(data.size(), kHeadBytes)), data.size())) {
        return {nullptr, "Die Aufnahme " + Quoted(strName) + " ist unvollständig."};
    }
    SMemoryFile file{data, 0};
    SF_VIRTUAL_IO io{&MemoryLength, &MemorySeek, &MemoryRead, &MemoryWrite, &MemoryTell};
    SF_INFO info{};
    return ReadWith(sf_open_virtual(&io, SFM_READ, &info, &file), info, strName);
}

CRecording::SLoad CRecording::Load(const std::string& strPath,
                                   const std::function<bool(double)>& progress) {
    std::error_code error;
    if (std::filesystem::exists(strPath, error) &&
        !std::filesystem::is_regular_file(strPath, error)) {
        return ReadWith(nullptr, {}, strPath);
    }
    std::ifstream in(strPath, std::ios::binary | std::ios::ate);
    if (!in) {
        return {nullptr, "Die Aufnahme " + Quoted(strPath) + " lässt sich nicht öffnen."};
    }
    const uint64_t nSize = uint64_t(in.tellg());
    in.seekg(0);
    std::vector<uint8_t> head(size_t(std::min<uint64_t>(nSize, kHeadBytes)));
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    if (nSize == 0) {
        return {nullptr, "Die Aufnahme " + Quoted(strPath) + " ist leer."};
    }
    if (!IsRecording(head)) {
        return ReadWith(nullptr, {}, strPath);
    }
    if (IsCutShortWave(head, nSize)) {
        return {nullptr, "Die Aufnahme " + Quoted(strPath) + " ist unvollständig."};
    }
    SF_INFO info{};
    return ReadWith(sf_open(strPath.c_str(), SFM_READ, &info), info, strPath, progress);
}
