#include "CRiffReader.h"

#include <cstring>
#include <istream>

namespace {
uint32_t LittleEndian32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

CRiffReader::CRiffReader(std::istream& in) : m_in(in) {
    m_in.clear();
    m_in.seekg(0, std::ios::end);
    const std::streamoff end = m_in.tellg();
    m_nStreamSize = end > 0 ? uint64_t(end) : 0;
    unsigned char head[12];
    m_bWave = Seek(0) && ReadBytes(head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0 &&
              std::memcmp(head + 8, "WAVE", 4) == 0;
}

bool CRiffReader::Seek(uint64_t nOffset) {
    if (nOffset > m_nStreamSize) {
        return false;
    }
    m_in.clear();
    m_in.seekg(std::streamoff(nOffset));
    return bool(m_in);
}

bool CRiffReader::ReadBytes(void* dest, std::size_t n) {
    m_in.read(static_cast<char*>(dest), std::streamsize(n));
    return m_in.gcount() == std::streamsize(n);
}

bool CRiffReader::FindChunk(const char* tag, uint64_t& nBodyOffset, uint32_t& nSize) {
    if (!m_bWave) {
        return false;
    }
    uint64_t offset = 12;
    unsigned char header[8];
    while (offset + 8 <= m_nStreamSize) {
        if (!Seek(offset) || !ReadBytes(header, sizeof header)) {
            return false;
        }
        nSize = LittleEndian32(header + 4);
        nBodyOffset = offset + 8;
        if (std::memcmp(header, tag, 4) == 0) {
            return true;
        }
        offset = nBodyOffset + nSize + (nSize & 1u);
    }
    return false;
}
