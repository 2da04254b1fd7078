#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CController;

// Reading and writing Kantilo documents (.kt) on disk.
class CDocumentFile {
public:
    enum class Status {
        ok,
        openFailed,   // the file could not be opened or read: the document stays as it was
        formatError,  // the contents are no song: the document becomes a new, empty one
        otherError,   // e.g. memory exhausted while loading
    };

    struct LoadResult {
        Status status = Status::ok;
        std::unique_ptr<CController> pController;  // set exactly when status is ok
        std::string strMessage;                    // German text to show, empty when ok
    };

    static constexpr const char* kOpenFailure = "Fehler beim Öffnen des Dokuments.";
    static constexpr const char* kSaveFailure = "Fehler beim Speichern des Dokuments.";

    // A zero-length file loads as an empty song.
    static LoadResult Load(const std::string& strPath);
    static LoadResult Parse(std::span<const uint8_t> data);

    // Replaces the file at strPath by the document, or leaves it untouched and returns the
    // message to show.
    static std::optional<std::string> Save(const std::string& strPath,
                                           const CController& controller);
    static std::vector<uint8_t> Store(const CController& controller);

    // The file reading and replacing every format shares: ReadBytes returns 0 or an errno
    // (EFBIG beyond kMaxFileSize, CInputFile::kNotAFile for a FIFO, socket or device);
    // WriteBytes leaves the old file intact when it fails and
    // then returns the message to show.
    static constexpr size_t kMaxFileSize = 64u << 20;
    static int ReadBytes(const std::string& strPath, std::vector<uint8_t>& data);
    static std::optional<std::string> WriteBytes(const std::string& strPath,
                                                 std::span<const uint8_t> data);
};
