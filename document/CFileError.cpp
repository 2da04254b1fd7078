#include "CFileError.h"

#include <cerrno>

namespace {

const char* Pattern(CFileError::Cause cause) {
    switch (cause) {
        case CFileError::fileNotFound:
            return "%1 wurde nicht gefunden.";
        case CFileError::badPath:
            return "%1 enthält eine ungültige Pfadangabe.";
        case CFileError::tooManyOpenFiles:
            return "%1 konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind.";
        case CFileError::accessDenied:
            return "Zugriff auf %1 wurde verwehrt.";
        case CFileError::invalidFile:
            return "Eine ungültige Dateikennung war mit %1 verbunden.";
        case CFileError::badSeek:
            return "Positionierungsfehler auf %1.";
        case CFileError::hardIO:
            return "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf %1 gemeldet.";
        case CFileError::sharingViolation:
            return "Eine Zugriffsverletzung ist während des Zugriffs auf %1 aufgetreten.";
        case CFileError::lockViolation:
            return "Eine Sperrverletzung ist während des Zugriffs auf %1 aufgetreten.";
        case CFileError::diskFull:
            return "Beim Zugriff auf %1 wurde ein voller Datenträger gemeldet.";
        case CFileError::generic:
            break;
    }
    return "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.";
}

}  // namespace

CFileError::Cause CFileError::FromErrno(int nErrno) {
    switch (nErrno) {
        case ENOENT:
            return fileNotFound;
        case ENAMETOOLONG:
        case ENOTDIR:
        case EISDIR:
        case ELOOP:
            return badPath;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
            return accessDenied;
        case EBADF:
            return invalidFile;
        case ESPIPE:
            return badSeek;
        case EIO:
            return hardIO;
        case EBUSY:
        case ETXTBSY:
            return sharingViolation;
        case ENOLCK:
        case EDEADLK:
            return lockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return diskFull;
        default:
            return generic;
    }
}

std::string CFileError::Text(Cause cause, const std::string& strPath) {
    std::string strText = Pattern(cause);
    std::string::size_type nPos = strText.find("%1");
    if (nPos != std::string::npos) {
        strText.replace(nPos, 2, strPath);
    }
    return strText;
}
