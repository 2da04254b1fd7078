#pragma once

#include <string>

// How reading or writing a document file went; message is the German text to show (UTF-8),
// empty when it went well.
class CFileResult {
public:
    enum class Kind {
        ok,
        // The file could not be opened, read or written: the document is as it was.
        fileError,
        // The file was read but holds no song (or more than memory allows): a document that
        // reads it becomes a new, empty song.
        formatError,
    };

    static CFileResult FileError(std::string text) { return {Kind::fileError, std::move(text)}; }
    static CFileResult FormatError(std::string text) {
        return {Kind::formatError, std::move(text)};
    }

    bool Ok() const { return kind == Kind::ok; }

    Kind kind = Kind::ok;
    std::string message;
};
