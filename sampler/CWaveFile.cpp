#include "CWaveFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <istream>
#include <new>
#include <vector>

#include "CEngineFailure.h"
#include "CInputFile.h"
#include "CReplacingFile.h"
#include "CRiffReader.h"

namespace {
const char* const kNoFileHeader = CEngineFailure::kNoFileHeader;
const char* const kNoFile = CEngineFailure::kNoFile;
const char* const kCannotOpen = CEngineFailure::kCannotOpen;
const char* const kDamaged = CEngineFailure::kDamaged;
const char* const kNoMemory = CEngineFailure::kNoMemory;
const char* const kTargetCannotOpen = CEngineFailure::kTargetCannotOpen;
const char* const kTargetCannotWrite = CEngineFailure::kTargetCannotWrite;

const uint16_t kFormatPcm = 1;
const uint16_t kFormatExtensible = 0xFFFE;
// The tail that every WAVE_FORMAT_EXTENSIBLE sub-format GUID shares after its format tag.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
const std::size_t kBlockBytes = 1 << 16;
// Slots written straight from the buffer go out in blocks this large.
const std::size_t kDirectBlockBytes = std::size_t{8} << 20;

uint16_t Read16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t Read32(const unsigned char* p) {
    return uint32_t(Read16(p)) | uint32_t(Read16(p + 2)) << 16;
}

void Put(unsigned char*& p, uint32_t nValue, int nBytes) {
    for (int i = 0; i < nBytes; ++i) {
        *p++ = static_cast<unsigned char>(nValue >> (8 * i));
    }
}

// A FIFO or device given as a recording is refused at once instead of waiting for a writer.
void OpenForReading(const std::string& strName, CInputFile& file) {
    const int nError = file.Open(strName);
    if (nError == CInputFile::kNotAFile) {
        throw CEngineFailure(kDamaged);
    }
    if (nError != 0) {
        throw CEngineFailure(kCannotOpen);
    }
}

// Only plain PCM, directly or inside the extensible format, of 8 or 16 bits in one or two
// channels is understood; everything else would be read as noise.
bool IsSupportedFormat(const unsigned char* fmt, uint32_t nSize) {
    const uint16_t tag = Read16(fmt);
    const uint16_t channels = Read16(fmt + 2);
    const uint16_t bits = Read16(fmt + 14);
    if (tag == kFormatExtensible) {
        if (nSize < 40 || Read16(fmt + 16) < 22 || Read16(fmt + 24) != kFormatPcm ||
            std::memcmp(fmt + 26, kGuidTail, sizeof kGuidTail) != 0) {
            return false;
        }
    } else if (tag != kFormatPcm) {
        return false;
    }
    const uint32_t rate = Read32(fmt + 4);
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate != 0 &&
           rate <= CWaveFile::kMaxSampleRate;
}
}  // namespace

CWaveFile::CWaveFile() = default;

CWaveFile::CWaveFile(std::string fileName) : m_strFileName(std::move(fileName)) {}

CWaveFile::~CWaveFile() = default;

bool CWaveFile::Allocate(uint32_t n) {
    m_nCount = 0;
    m_nSize = 0;
    if (!m_pSamples.Obtain(n)) {
        return false;
    }
    m_nSize = n;
    return true;
}

void CWaveFile::FreeSamples() {
    m_pSamples.Release();
    m_nCount = 0;
    m_nSize = 0;
}

void CWaveFile::FillSilence() {
    std::fill_n(m_pSamples.get(), m_nSize, SilenceValue());
}

bool CWaveFile::GetSample(uint32_t nIndex, int16_t& nValue) const {
    if (nIndex < m_nSize) {
        nValue = m_pSamples[nIndex];
        return true;
    }
    nValue = SilenceValue();
    return false;
}

bool CWaveFile::SetSample(uint32_t nIndex, int32_t nValue) {
    if (nIndex >= m_nSize) {
        return false;
    }
    m_pSamples[nIndex] = static_cast<int16_t>(nValue);
    return true;
}

bool CWaveFile::AppendSample(int32_t nValue) {
    if (m_nCount == m_nSize) {
        return false;
    }
    m_pSamples[m_nCount++] = static_cast<int16_t>(nValue);
    return true;
}

int16_t CWaveFile::ScaleValue(int16_t nValue, float fFactor, uint8_t nBits) {
    if (nBits == 8) {
        const int16_t centred = static_cast<int16_t>(nValue - 127);
        return static_cast<int16_t>(int32_t(std::trunc(double(fFactor) * centred)) + 127);
    }
    return static_cast<int16_t>(int32_t(std::trunc(double(fFactor) * nValue)));
}

void CWaveFile::ReadHeader() {
    if (m_strFileName.empty()) {
        throw CEngineFailure(kNoFileHeader);
    }
    CInputFile file;
    OpenForReading(m_strFileName, file);
    std::istream in(&file);
    ReadHeader(in);
}

void CWaveFile::ReadHeader(std::istream& in) {
    CRiffReader riff(in);
    uint64_t offset = 0;
    uint32_t size = 0;
    unsigned char fmt[40] = {};
    if (!riff.FindChunk("fmt ", offset, size) || size < 16 ||
        !riff.ReadBytes(fmt, std::min<uint32_t>(size, sizeof fmt)) ||
        !IsSupportedFormat(fmt, size)) {
        throw CEngineFailure(kDamaged);
    }
    m_bStereo = Read16(fmt + 2) == 2 ? 1 : 0;
    m_nSampleRate = Read32(fmt + 4);
    m_nBitsPerSample = static_cast<uint8_t>(Read16(fmt + 14));
}

void CWaveFile::ReadData() {
    if (m_strFileName.empty()) {
        throw CEngineFailure(kNoFile);
    }
    CInputFile file;
    OpenForReading(m_strFileName, file);
    std::istream in(&file);
    ReadData(in);
}

// A data chunk may end one sample early (the missing slot stays silent); a chunk that claims
// more than the stream holds is measured against what is really there before anything is
// allocated.
void CWaveFile::ReadData(std::istream& in) {
    if (m_nBitsPerSample != 8 && m_nBitsPerSample != 16) {
        throw CEngineFailure(kDamaged);
    }
    CRiffReader riff(in);
    uint64_t offset = 0;
    uint32_t size = 0;
    if (!riff.FindChunk("data", offset, size)) {
        throw CEngineFailure(kDamaged);
    }
    const uint32_t width = m_nBitsPerSample / 8u;
    const uint32_t n = size / width;
    const uint64_t available = riff.GetStreamSize() - offset;
    const bool bLoneLowByte = width == 2 && available < uint64_t(n) * 2 && available % 2 == 1;
    const uint32_t whole = uint32_t(std::min<uint64_t>(n, available / width));
    if (bLoneLowByte || whole < n - 1u) {
        throw CEngineFailure(kDamaged);
    }
    if (!Allocate(n)) {
        throw CEngineFailure(kNoMemory);
    }
    FillSilence();
    std::vector<unsigned char> block(kBlockBytes);
    for (uint32_t done = 0; done < whole;) {
        const uint32_t count = std::min<uint32_t>(whole - done, uint32_t(kBlockBytes / width));
        if (!riff.ReadBytes(block.data(), std::size_t(count) * width)) {
            throw CEngineFailure(kDamaged);
        }
        for (uint32_t i = 0; i < count; ++i) {
            m_pSamples[done + i] =
                width == 1 ? int16_t(block[i]) : static_cast<int16_t>(Read16(&block[2 * i]));
        }
        done += count;
    }
}

void CWaveFile::Write() const {
    if (m_strFileName.empty()) {
        throw CEngineFailure(kNoFile);
    }
    if (!Holds(m_nSize, m_nBitsPerSample)) {
        throw CEngineFailure(kTargetCannotWrite);
    }
    CReplacingFile file(m_strFileName);
    if (m_strFileName.back() == '/' || file.Open() != 0) {
        throw CEngineFailure(kTargetCannotOpen);
    }
    Emit([&file](const unsigned char* p, std::size_t n) {
        if (file.Write(p, n) != 0) {
            throw CEngineFailure(kTargetCannotWrite);
        }
    });
    if (file.Commit() != 0) {
        throw CEngineFailure(kTargetCannotWrite);
    }
}

// The RIFF sizes are 32 bits: a longer song cannot be stored as a WAV file at all.
bool CWaveFile::Holds(uint64_t nSlots, uint8_t nBitsPerSample) {
    const uint64_t dataBytes = uint64_t(nBitsPerSample / 8u) * nSlots;
    return nSlots <= UINT32_MAX && 36 + dataBytes + (dataBytes & 1u) <= UINT32_MAX;
}

void CWaveFile::WriteTo(std::ostream& out) const {
    Emit([&out](const unsigned char* p, std::size_t n) {
        out.write(reinterpret_cast<const char*>(p), std::streamsize(n));
    });
}

void CWaveFile::Emit(const ByteSink& put) const {
    const uint32_t width = m_nBitsPerSample / 8u;
    const uint32_t channels = m_bStereo ? 2 : 1;
    const uint32_t dataBytes = width * m_nSize;
    std::array<unsigned char, 44> header{};
    unsigned char* p = header.data();
    std::memcpy(p, "RIFF", 4);
    p += 4;
    Put(p, 36 + dataBytes + (dataBytes & 1u), 4);
    std::memcpy(p, "WAVEfmt ", 8);
    p += 8;
    Put(p, 16, 4);
    Put(p, kFormatPcm, 2);
    Put(p, channels, 2);
    Put(p, m_nSampleRate, 4);
    Put(p, uint32_t(m_nBitsPerSample) * m_nSampleRate / (m_bStereo ? 4u : 8u), 4);
    Put(p, channels * width, 2);
    Put(p, m_nBitsPerSample, 2);
    std::memcpy(p, "data", 4);
    p += 4;
    Put(p, dataBytes, 4);
    put(header.data(), header.size());
    EmitSlots(put);
    if (dataBytes & 1u) {
        const unsigned char pad = 0;
        put(&pad, 1);
    }
}

void CWaveFile::EmitSlots(const ByteSink& put) const {
    const uint32_t width = m_nBitsPerSample / 8u;
    if (width == 0) {
        return;
    }
    // Little-endian 16-bit slots already are the file's bytes: they go out as they are.
    if (width == 2 && std::endian::native == std::endian::little) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_pSamples.get());
        for (uint64_t done = 0, total = uint64_t(m_nSize) * 2; done < total;) {
            const uint64_t count = std::min<uint64_t>(total - done, kDirectBlockBytes);
            put(bytes + done, std::size_t(count));
            done += count;
        }
        return;
    }
    std::vector<unsigned char> block(kBlockBytes);
    const uint32_t perBlock = uint32_t(kBlockBytes) / width;
    for (uint32_t done = 0; done < m_nSize;) {
        const uint32_t count = std::min(m_nSize - done, perBlock);
        unsigned char* p = block.data();
        for (uint32_t i = 0; i < count; ++i) {
            Put(p, uint32_t(uint16_t(m_pSamples[done + i])), int(width));
        }
        put(block.data(), std::size_t(count) * width);
        done += count;
    }
}
