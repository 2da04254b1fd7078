#include "CExportStream.h"

#include "CDocumentFile.h"
#include "CReplacingFile.h"

namespace {

constexpr size_t kBufferBytes = 64 * 1024;

// Thrown through the producer when the export cannot go on.
struct SStop {
    int nError;  // 0: the limit was passed
};

}  // namespace

CExportStream::CExportStream(CReplacingFile* pFile, std::string* pText, uint64_t nMaxBytes)
    : m_pFile(pFile), m_pText(pText), m_nMaxBytes(nMaxBytes) {
    if (m_pFile) {
        m_buffer.reserve(kBufferBytes);
    }
}

CFileResult CExportStream::Save(const std::string& strPath, const Produce& produce,
                                uint64_t nMaxBytes, const std::string& strTooLarge) {
    CReplacingFile file(strPath);
    int nError = file.Open();
    try {
        if (nError == 0) {
            CExportStream stream(&file, nullptr, nMaxBytes);
            produce(stream);
            stream.Flush();
            nError = file.Commit();
        }
    } catch (const SStop& stop) {
        if (stop.nError == 0) {
            return CFileResult::FormatError(strTooLarge);
        }
        nError = stop.nError;
    }
    return CDocumentFile::WriteResult(nError, strPath);
}

std::string CExportStream::Text(const Produce& produce) {
    std::string strText;
    CExportStream stream(nullptr, &strText, UINT64_MAX);
    produce(stream);
    return strText;
}

uint64_t CExportStream::Count(const Produce& produce) {
    CExportStream stream(nullptr, nullptr, UINT64_MAX);
    produce(stream);
    return stream.m_nWritten;
}

void CExportStream::Put(std::string_view data) {
    m_nWritten += data.size();
    if (m_nWritten > m_nMaxBytes) {
        throw SStop{0};
    }
    if (m_pText) {
        m_pText->append(data);
    } else if (m_pFile) {
        m_buffer.append(data);
        if (m_buffer.size() >= kBufferBytes) {
            Flush();
        }
    }
}

void CExportStream::Flush() {
    if (m_pFile && !m_buffer.empty()) {
        if (const int nError = m_pFile->Write(m_buffer.data(), m_buffer.size()); nError != 0) {
            throw SStop{nError};
        }
        m_buffer.clear();
    }
}
