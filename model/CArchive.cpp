#include "CArchive.h"

#include <cstring>
#include <string_view>

namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kEscapeTag = 0x7FFF;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint32_t kBigClassTag = 0x80000000;
constexpr uint16_t kBigCount = 0xFFFF;
constexpr uint16_t kMaxClassNameLength = 63;

}  // namespace

CArchive::CArchive() : m_bStoring(true) {}

CArchive::CArchive(std::span<const uint8_t> data, std::span<const CRuntimeClass* const> classes)
    : m_bStoring(false), m_data(data), m_classes(classes) {
    m_loadMap.push_back(nullptr);  // number 0 names no object
}

void CArchive::WriteWord(uint16_t w) {
    m_buffer.push_back(static_cast<uint8_t>(w));
    m_buffer.push_back(static_cast<uint8_t>(w >> 8));
}

void CArchive::WriteDWord(uint32_t dw) {
    WriteWord(static_cast<uint16_t>(dw));
    WriteWord(static_cast<uint16_t>(dw >> 16));
}

const uint8_t* CArchive::Take(size_t nBytes) {
    if (GetRemaining() < nBytes) {
        throw CArchiveException(CArchiveException::endOfFile);
    }
    const uint8_t* p = m_data.data() + m_nPos;
    m_nPos += nBytes;
    return p;
}

uint16_t CArchive::ReadWord() {
    const uint8_t* p = Take(2);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t CArchive::ReadDWord() {
    uint32_t nLow = ReadWord();
    uint32_t nHigh = ReadWord();
    return nLow | (nHigh << 16);
}

void CArchive::WriteCount(uint32_t nCount) {
    if (nCount < kBigCount) {
        WriteWord(static_cast<uint16_t>(nCount));
    } else {
        WriteWord(kBigCount);
        WriteDWord(nCount);
    }
}

uint32_t CArchive::ReadCount() {
    uint16_t wCount = ReadWord();
    return wCount == kBigCount ? ReadDWord() : wCount;
}

void CArchive::WriteTag(uint32_t nNumber, bool bClass) {
    if (nNumber < kEscapeTag) {
        WriteWord(static_cast<uint16_t>(bClass ? kClassTag + nNumber : nNumber));
    } else {
        WriteWord(kEscapeTag);
        WriteDWord(bClass ? kBigClassTag + nNumber : nNumber);
    }
}

void CArchive::WriteClass(const CRuntimeClass* pClass) {
    auto it = m_storeMap.find(pClass);
    if (it != m_storeMap.end()) {
        WriteTag(it->second, true);
        return;
    }
    auto nLength = static_cast<uint16_t>(std::strlen(pClass->m_lpszClassName));
    WriteWord(kNewClassTag);
    WriteWord(pClass->m_wSchema);
    WriteWord(nLength);
    m_buffer.insert(m_buffer.end(), pClass->m_lpszClassName, pClass->m_lpszClassName + nLength);
    m_storeMap.emplace(pClass, ++m_nStoreCount);
}

void CArchive::WriteObject(const CObject* pObject) {
    if (pObject == nullptr) {
        WriteWord(kNullTag);
        return;
    }
    auto it = m_storeMap.find(pObject);
    if (it != m_storeMap.end()) {
        WriteTag(it->second, false);
        return;
    }
    WriteClass(pObject->GetRuntimeClass());
    m_storeMap.emplace(pObject, ++m_nStoreCount);
    pObject->Store(*this);
}

const CRuntimeClass* CArchive::ReadNewClass() {
    uint16_t wSchema = ReadWord();
    uint16_t nLength = ReadWord();
    if (nLength > kMaxClassNameLength || GetRemaining() < nLength) {
        throw CArchiveException(CArchiveException::badClass);
    }
    std::string_view name(reinterpret_cast<const char*>(Take(nLength)), nLength);
    const CRuntimeClass* pFound = nullptr;
    for (const CRuntimeClass* pClass : m_classes) {
        if (name == pClass->m_lpszClassName) {
            pFound = pClass;
        }
    }
    if (pFound == nullptr) {
        throw CArchiveException(CArchiveException::badClass);
    }
    if (wSchema != pFound->m_wSchema) {
        throw CArchiveException(CArchiveException::badSchema);
    }
    m_loadMap.push_back(pFound);
    return pFound;
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pExpected) {
    uint16_t wTag = ReadWord();
    const CRuntimeClass* pClass = nullptr;
    if (wTag == kNewClassTag) {
        pClass = ReadNewClass();
    } else {
        uint32_t nTag = wTag;
        if (wTag == kEscapeTag) {
            nTag = ReadDWord();
        } else if ((wTag & kClassTag) != 0) {
            nTag = kBigClassTag | (wTag & ~kClassTag);
        }
        bool bClassTag = (nTag & kBigClassTag) != 0;
        uint32_t nNumber = nTag & ~kBigClassTag;
        if (nNumber >= m_loadMap.size() || (bClassTag && nNumber == 0)) {
            throw CArchiveException(CArchiveException::badIndex);
        }
        // The null tag, a reference to an object read before, or a class number that names
        // an object: none of them starts the new object expected here.
        pClass = bClassTag ? m_loadMap[nNumber] : nullptr;
    }
    if (pClass == nullptr || pClass != pExpected) {
        throw CArchiveException(CArchiveException::badClass);
    }
    return pClass;
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* pExpected) {
    const CRuntimeClass* pClass = ReadClass(pExpected);
    std::unique_ptr<CObject> pObject = pClass->CreateObject();
    m_loadMap.push_back(nullptr);
    pObject->Serialize(*this);
    return pObject;
}
