#include "CSlotMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {
// From this size on a buffer gets pages of its own; smaller ones share the heap's.
constexpr std::size_t kOwnPagesBytes = std::size_t{1} << 20;
// The size of a huge page on x86-64 and most other systems; elsewhere only a little is wasted.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
}  // namespace

CSlotMemory::~CSlotMemory() {
    Release();
}

bool CSlotMemory::Obtain(std::size_t n) {
    Release();
    if (n == 0) {
        return true;
    }
    if (n > SIZE_MAX / sizeof(int16_t) - kHugePageBytes) {
        return false;
    }
    const std::size_t bytes = n * sizeof(int16_t);
    if (bytes < kOwnPagesBytes) {
        m_pSlots = static_cast<int16_t*>(std::calloc(n, sizeof(int16_t)));
        return m_pSlots != nullptr;
    }
    // A huge page needs an aligned start: map a little more and start at the first boundary.
    const std::size_t mapped = bytes + kHugePageBytes;
    void* pages =
        ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        return false;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(pages);
    const std::uintptr_t start = (address + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
#ifdef MADV_HUGEPAGE
    // Only advice: without huge pages the buffer works the same, only with more faults.
    ::madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);
#endif
    m_pMapping = pages;
    m_nMappingBytes = mapped;
    m_pSlots = reinterpret_cast<int16_t*>(start);
    return true;
}

void CSlotMemory::Release() {
    if (m_pMapping != nullptr) {
        ::munmap(m_pMapping, m_nMappingBytes);
    } else {
        std::free(m_pSlots);
    }
    m_pSlots = nullptr;
    m_pMapping = nullptr;
    m_nMappingBytes = 0;
}
