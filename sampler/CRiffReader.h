#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// Walks the chunks of a RIFF/WAVE stream. Chunks may stand in any order, each followed by a pad
// byte when its size is odd; the RIFF size field is not trusted, the walk ends at the real end
// of the stream.
class CRiffReader {
public:
    explicit CRiffReader(std::istream& in);

    uint64_t GetStreamSize() const { return m_nStreamSize; }
    // Finds the first chunk with the four-character tag; on success the stream stands at the
    // start of its body.
    bool FindChunk(const char* tag, uint64_t& nBodyOffset, uint32_t& nSize);
    // Reads exactly n bytes from the current position.
    bool ReadBytes(void* dest, std::size_t n);

private:
    bool Seek(uint64_t nOffset);

    std::istream& m_in;
    uint64_t m_nStreamSize = 0;
    bool m_bWave = false;
};
