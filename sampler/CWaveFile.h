#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "CSlotMemory.h"

// A fixed-length array of 16-bit sample slots with its format and the path of its WAV file.
// Stereo slots are interleaved left, right. 8-bit samples are kept unsigned (0 to 255) with
// their centre at 127; 16-bit samples are signed.
// The file operations throw CEngineFailure with the German text for the user.
class CWaveFile {
public:
    // The highest rate any recording equipment offers; a header claiming more is damaged.
    static constexpr uint32_t kMaxSampleRate = 384000;

    CWaveFile();
    explicit CWaveFile(std::string fileName);
    virtual ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    void SetSampleRate(uint32_t nRate) { m_nSampleRate = nRate; }
    uint32_t GetSampleRate() const { return m_nSampleRate; }
    void SetBitsPerSample(uint8_t nBits) { m_nBitsPerSample = nBits; }
    uint8_t GetBitsPerSample() const { return m_nBitsPerSample; }
    void SetStereo(int32_t bStereo) { m_bStereo = bStereo; }
    int32_t IsStereo() const { return m_bStereo; }
    void SetFileName(const std::string& strFileName) { m_strFileName = strFileName; }
    std::string GetFileName() const { return m_strFileName; }

    // Releases the old slots and obtains n new ones, all 0 (16-bit silence). False when memory
    // runs out; the buffer is then empty.
    bool Allocate(uint32_t n);
    void FreeSamples();
    uint32_t GetSize() const { return m_nSize; }
    // Sets every slot to the silence value of the current sample width.
    void FillSilence();
    int16_t SilenceValue() const { return m_nBitsPerSample == 8 ? 127 : 0; }

    bool GetSample(uint32_t nIndex, int16_t& nValue) const;
    bool SetSample(uint32_t nIndex, int32_t nValue);
    bool AppendSample(int32_t nValue);
    // Direct access for the filter; nullptr while the buffer is empty.
    int16_t* Samples() { return m_pSamples.get(); }
    const int16_t* Samples() const { return m_pSamples.get(); }

    // Reads the format of the file named by the file name.
    void ReadHeader();
    // Reads the samples of that file; ReadHeader must have run.
    void ReadData();
    // The same two steps on a stream that holds a whole WAV file.
    void ReadHeader(std::istream& in);
    void ReadData(std::istream& in);
    // Writes the whole buffer as a PCM WAV file; an existing file is replaced only when the
    // new one has been written completely.
    void Write() const;
    // The bytes that Write puts into the file.
    void WriteTo(std::ostream& out) const;

    // True when a WAV file can hold nSlots samples of the width; its sizes are 32 bits.
    static bool Holds(uint64_t nSlots, uint8_t nBitsPerSample);

    // Scales one sample value around the centre of the given width, truncating toward zero.
    static int16_t ScaleValue(int16_t nValue, float fFactor, uint8_t nBits);

private:
    using ByteSink = std::function<void(const unsigned char*, std::size_t)>;
    void Emit(const ByteSink& put) const;
    void EmitSlots(const ByteSink& put) const;

    std::string m_strFileName;
    uint32_t m_nSampleRate = 0;
    uint8_t m_nBitsPerSample = 0;
    int32_t m_bStereo = 0;
    CSlotMemory m_pSamples;
    uint32_t m_nCount = 0;
    uint32_t m_nSize = 0;
};
