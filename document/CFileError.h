#pragma once

#include <string>

// Why a file could not be opened, read or written, and the German text shown for it.
class CFileError {
public:
    enum Cause {
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
    };

    // The cause of a failure; nErrno is the failing call's errno, never 0.
    static Cause FromErrno(int nErrno);
    // The text for cause, with %1 replaced by strPath.
    static std::string Text(Cause cause, const std::string& strPath);
    static std::string TextFromErrno(int nErrno, const std::string& strPath) {
        return Text(FromErrno(nErrno), strPath);
    }
};
