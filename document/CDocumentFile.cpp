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

CDocumentFile::LoadResult Failure(CDocumentFile::Status status, std::string strMessage) {
    CDocumentFile::LoadResult result;
    result.status = status;
    result.strMessage = std::move(strMessage);
    return result;
}

}  // namespace

CDocumentFile::LoadResult CDocumentFile::Load(const std::string& strPath) {
    std::vector<uint8_t> data;
    int nError = 0;
    try {
        nError = ReadFile(strPath, data);
    } catch (const std::bad_alloc&) {
        return Failure(Status::otherError, kOpenFailure);
    }
    if (nError == EFBIG || nError == CInputFile::kNotAFile) {
        return Failure(Status::formatError, CArchiveException::kMessage);
    }
    if (nError != 0) {
        return Failure(Status::openFailed, CFileError::TextFromErrno(nError, strPath));
    }
    return Parse(data);
}

CDocumentFile::LoadResult CDocumentFile::Parse(std::span<const uint8_t> data) {
    try {
        LoadResult result;
        if (data.empty()) {
            result.pController = std::make_unique<CController>();
            return result;
        }
        CArchive ar(data, CController::SerialClasses());
        // Bytes after the controller are not read: the document ends with its object.
        result.pController = ar.ReadObjectOf<CController>();
        return result;
    } catch (const CArchiveException&) {
        return Failure(Status::formatError, CArchiveException::kMessage);
    } catch (const std::exception&) {
        return Failure(Status::otherError, kOpenFailure);
    }
}

std::vector<uint8_t> CDocumentFile::Store(const CController& controller) {
    CArchive ar;
    ar.WriteObject(&controller);
    return ar.GetBuffer();
}

std::optional<std::string> CDocumentFile::Save(const std::string& strPath,
                                               const CController& controller) {
    std::vector<uint8_t> data;
    try {
        data = Store(controller);
    } catch (const std::exception&) {
        return kSaveFailure;
    }
    return WriteBytes(strPath, data);
}

int CDocumentFile::ReadBytes(const std::string& strPath, std::vector<uint8_t>& data) {
    return ReadFile(strPath, data);
}

std::optional<std::string> CDocumentFile::WriteBytes(const std::string& strPath,
                                                     std::span<const uint8_t> data) {
    CReplacingFile file(strPath);
    int nError = file.Open();
    if (nError == 0) {
        nError = file.Write(data.data(), data.size());
    }
    if (nError == 0) {
        nError = file.Commit();
    }
    if (nError != 0) {
        return CFileError::TextFromErrno(nError, strPath);
    }
    return std::nullopt;
}
