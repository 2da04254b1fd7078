#pragma once

#include <cstddef>
#include <cstdint>

// The memory of a sample buffer: n 16-bit slots that start out zero, which is 16-bit silence.
// Large buffers come straight from the system as fresh pages, which are zero without being
// written, in huge pages where the system offers them, so a song of a hundred megabytes costs
// hundreds of page faults instead of tens of thousands.
class CSlotMemory {
public:
    CSlotMemory() = default;
    ~CSlotMemory();
    CSlotMemory(const CSlotMemory&) = delete;
    CSlotMemory& operator=(const CSlotMemory&) = delete;

    // Releases the old slots and obtains n zeroed ones; false, and empty, when memory runs out.
    bool Obtain(std::size_t n);
    void Release();

    int16_t* get() const { return m_pSlots; }
    int16_t& operator[](std::size_t i) const { return m_pSlots[i]; }
    explicit operator bool() const { return m_pSlots != nullptr; }

private:
    int16_t* m_pSlots = nullptr;
    void* m_pMapping = nullptr;  // the pages of a large buffer, else nullptr
    std::size_t m_nMappingBytes = 0;
};
