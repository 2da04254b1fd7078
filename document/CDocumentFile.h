#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "CFileResult.h"

class CController;

// Reading and writing Kantilo documents (.kt) on disk.
class CDocumentFile {
public:
    static constexpr const char* kOpenFailure = "Fehler beim Öffnen des Dokuments.";
    static constexpr const char* kSaveFailure = "Fehler beim Speichern des Dokuments.";

    // A zero-length file loads as an empty song. pController is set exactly when the result
    // is ok.
    static CFileResult Load(const std::string& strPath, std::unique_ptr<CController>& pController);
    static CFileResult Parse(std::span<const uint8_t> data,
                             std::unique_ptr<CController>& pController);

    // Replaces the file at strPath by the document, or leaves it untouched. A folder that does
    // not exist is a wrong path, not a missing file.
    static CFileResult Save(const std::string& strPath, const CController& controller);
    static std::vector<uint8_t> Store(const CController& controller);

    // The file reading and replacing every format shares: ReadBytes returns 0 or an errno
    // (EFBIG beyond kMaxFileSize, CInputFile::kNotAFile for a FIFO, socket or device);
    // WriteBytes leaves the old file intact when it fails and
    // then returns the message to show.
    static constexpr size_t kMaxFileSize = 64u << 20;
    static int ReadBytes(const std::string& strPath, std::vector<uint8_t>& data);
    static CFileResult WriteBytes(const std::string& strPath, std::span<const uint8_t> data);
    // What a write of strPath that ended with the errno nError (0: none) tells the user.
    static CFileResult WriteResult(int nError, const std::string& strPath);
};
