#pragma once

#include <string>

// Why a file could not be opened, read or written, and the German text shown for it.
class CFileError {
public:
    enum Cause {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    static Cause FromErrno(int nErrno);
    // The text for cause, with %1 replaced by strPath.
    static std::string Text(Cause cause, const std::string& strPath);
    static std::string TextFromErrno(int nErrno, const std::string& strPath) {
        return Text(FromErrno(nErrno), strPath);
    }
};
