#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "CArchiveException.h"
#include "CObject.h"

// The tagged object archive of the document file: little-endian primitives, object records
// that carry their class name on first use and a class number afterwards, and counted lists.
// A storing archive collects the bytes in memory; a loading archive reads from a byte span
// and throws CArchiveException on the first failure.
class CArchive {
public:
    // A storing archive.
    CArchive();
    // A loading archive over data; classes are the ones it may create objects of.
    CArchive(std::span<const uint8_t> data, std::span<const CRuntimeClass* const> classes);

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_bStoring; }

    void WriteWord(uint16_t w);
    void WriteDWord(uint32_t dw);
    void WriteLong(int32_t n) { WriteDWord(static_cast<uint32_t>(n)); }
    uint16_t ReadWord();
    uint32_t ReadDWord();
    int32_t ReadLong() { return static_cast<int32_t>(ReadDWord()); }

    // Element counts of object lists: a word, or 0xFFFF and a double word from 0xFFFF on.
    void WriteCount(uint32_t nCount);
    uint32_t ReadCount();

    // Writes pObject (or the null tag for none) as a reference or as a new object record.
    void WriteObject(const CObject* pObject);
    // Reads a new object record of class pExpected. The null tag, references to objects read
    // before, and objects of other classes are rejected: no document shares an object.
    std::unique_ptr<CObject> ReadObject(const CRuntimeClass* pExpected);

    template <class T>
    std::unique_ptr<T> ReadObjectOf() {
        return std::unique_ptr<T>(static_cast<T*>(ReadObject(&T::classObject).release()));
    }

    // The bytes written so far (storing).
    const std::vector<uint8_t>& GetBuffer() const { return m_buffer; }
    // Bytes not yet read (loading).
    size_t GetRemaining() const { return m_data.size() - m_nPos; }

private:
    void WriteTag(uint32_t nNumber, bool bClass);
    void WriteClass(const CRuntimeClass* pClass);
    const CRuntimeClass* ReadClass(const CRuntimeClass* pExpected);
    const CRuntimeClass* ReadNewClass();
    const uint8_t* Take(size_t nBytes);

    bool m_bStoring;
    std::vector<uint8_t> m_buffer;
    std::unordered_map<const void*, uint32_t> m_storeMap;
    uint32_t m_nStoreCount = 0;

    std::span<const uint8_t> m_data;
    size_t m_nPos = 0;
    std::span<const CRuntimeClass* const> m_classes;
    // Entry i describes number i: the class it names, or nullptr for an object.
    std::vector<const CRuntimeClass*> m_loadMap;
};
