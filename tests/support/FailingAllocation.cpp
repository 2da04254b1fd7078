// Preloaded into a program under test (LD_PRELOAD): every allocation of at least
// KANTILO_FAIL_ALLOCATION_FROM bytes fails as it would with the memory exhausted, so a test can
// bring about an allocation failure at a known size without depending on the machine's memory.
#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace {

bool Refused(size_t nBytes) {
    static const size_t nLimit = [] {
        const char* pszLimit = std::getenv("KANTILO_FAIL_ALLOCATION_FROM");
        return pszLimit ? size_t(std::strtoull(pszLimit, nullptr, 10)) : size_t(-1);
    }();
    if (nBytes < nLimit) {
        return false;
    }
    errno = ENOMEM;
    return true;
}

}  // namespace

extern "C" {

void* malloc(size_t nBytes) {
    return Refused(nBytes) ? nullptr : __libc_malloc(nBytes);
}

void* calloc(size_t nCount, size_t nSize) {
    return nSize != 0 && Refused(nCount > size_t(-1) / nSize ? size_t(-1) : nCount * nSize)
               ? nullptr
               : __libc_calloc(nCount, nSize);
}

void* realloc(void* p, size_t nBytes) {
    return Refused(nBytes) ? nullptr : __libc_realloc(p, nBytes);
}

void* memalign(size_t nAlignment, size_t nBytes) {
    return Refused(nBytes) ? nullptr : __libc_memalign(nAlignment, nBytes);
}

void* aligned_alloc(size_t nAlignment, size_t nBytes) {
    return memalign(nAlignment, nBytes);
}

int posix_memalign(void** pp, size_t nAlignment, size_t nBytes) {
    if (Refused(nBytes)) {
        return ENOMEM;
    }
    *pp = __libc_memalign(nAlignment, nBytes);
    return *pp ? 0 : ENOMEM;
}
}
