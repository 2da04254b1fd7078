#include "CDocumentFile.h"

#include <unistd.h>

#include <cerrno>
#include <new>

#include "CArchive.h"
#include "CController.h"
#include "CFileError.h"
#include "CInputFile.h"
#include "CReplacingFile.h"

namespace {

// Reads the whole file; returns 0, an errno, EFBIG for a file beyond kMaxFileSize (which is
// far beyond any song anyone writes by hand: a 5000-note song takes about 120 KB; it keeps a
// device or pipe that never ends from filling the memory) or CInputFile::kNotAFile for a FIFO,
// socket or device, which are no documents.
int ReadFile(const std::string& strPath, std::vector<uint8_t>& data) {
    CInputFile file;
    int nError = file.Open(strPath);
    uint8_t buffer[65536];
    while (nError == 0) {
        ssize_t nRead = read(file.Descriptor(), buffer, sizeof buffer);
        if (nRead < 0) {
            nError = errno == EINTR ? 0 : errno;
        } else if (nRead == 0) {
            break;
        } else if (data.size() + static_cast<size_t>(nRead) > CDocumentFile::kMaxFileSize) {
            nError = EFBIG;
        } else {
            data.insert(data.end(), buffer, buffer + nRead);
        }
    }
    return nError;
}

}  // namespace

CFileResult CDocumentFile::Load(const std::string& strPath,
                                std::unique_ptr<CController>& pController) {
    pController.reset();
    std::vector<uint8_t> data;
    int nError = 0;
    try {
        nError = ReadFile(strPath, data);
    } catch (const std::bad_alloc&) {
        return CFileResult::FormatError(kOpenFailure);
    }
    if (nError == EFBIG || nError == CInputFile::kNotAFile) {
        return CFileResult::FormatError(CArchiveException::kMessage);
    }
    if (nError != 0) {
        return CFileResult::FileError(CFileError::TextFromErrno(nError, strPath));
    }
    return Parse(data, pController);
}

CFileResult CDocumentFile::Parse(std::span<const uint8_t> data,
                                 std::unique_ptr<CController>& pController) {
    pController.reset();
    try {
        if (data.empty()) {
            pController = std::make_unique<CController>();
            return {};
        }
        CArchive ar(data, CController::SerialClasses());
        // Bytes after the controller are not read: the document ends with its object.
        pController = ar.ReadObjectOf<CController>();
        return {};
    } catch (const CArchiveException&) {
        return CFileResult::FormatError(CArchiveException::kMessage);
    } catch (const std::exception&) {
        return CFileResult::FormatError(kOpenFailure);
    }
}

std::vector<uint8_t> CDocumentFile::Store(const CController& controller) {
    CArchive ar;
    ar.WriteObject(&controller);
    return ar.GetBuffer();
}

CFileResult CDocumentFile::Save(const std::string& strPath, const CController& controller) {
    std::vector<uint8_t> data;
    try {
        data = Store(controller);
    } catch (const std::exception&) {
        return CFileResult::FileError(kSaveFailure);
    }
    return WriteBytes(strPath, data);
}

int CDocumentFile::ReadBytes(const std::string& strPath, std::vector<uint8_t>& data) {
    return ReadFile(strPath, data);
}

CFileResult CDocumentFile::WriteBytes(const std::string& strPath, std::span<const uint8_t> data) {
    CReplacingFile file(strPath);
    int nError = file.Open();
    if (nError == 0) {
        nError = file.Write(data.data(), data.size());
    }
    if (nError == 0) {
        nError = file.Commit();
    }
    return WriteResult(nError, strPath);
}

CFileResult CDocumentFile::WriteResult(int nError, const std::string& strPath) {
    if (nError == ENOENT) {
        // The file itself need not exist, so only its folder can be missing.
        return CFileResult::FileError(CFileError::Text(CFileError::badPath, strPath));
    }
    if (nError != 0) {
        return CFileResult::FileError(CFileError::TextFromErrno(nError, strPath));
    }
    return {};
}
