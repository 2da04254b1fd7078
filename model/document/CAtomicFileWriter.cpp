#include "CAtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

std::string CAtomicFileWriter::ResolveTarget(const std::string& strPath) {
    char szResolved[PATH_MAX];
    struct stat st {};
    if (lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realpath(strPath.c_str(), szResolved) != nullptr) {
        return szResolved;
    }
    return strPath;
}

int CAtomicFileWriter::WriteAll(int fd, std::span<const uint8_t> data) {
    while (!data.empty()) {
        ssize_t nWritten = write(fd, data.data(), data.size());
        if (nWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data = data.subspan(static_cast<size_t>(nWritten));
    }
    return 0;
}

// A new file gets the mode any newly created file would get; a replaced one keeps its own.
int CAtomicFileWriter::CopyMode(int fd, const std::string& strTarget) {
    struct stat st {};
    mode_t mode = 0;
    if (stat(strTarget.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    return fchmod(fd, mode) == 0 ? 0 : errno;
}

int CAtomicFileWriter::Replace(const std::string& strPath, std::span<const uint8_t> data) {
    std::string strTarget = ResolveTarget(strPath);
    std::string::size_type nSlash = strTarget.rfind('/');
    std::string strDir = nSlash == std::string::npos ? "." : strTarget.substr(0, nSlash + 1);
    std::string strName = nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1);
    std::string strTemplate =
        strDir + (nSlash == std::string::npos ? "/." : ".") + strName + ".XXXXXX";
    std::vector<char> temp(strTemplate.begin(), strTemplate.end());
    temp.push_back('\0');
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int nError = CopyMode(fd, strTarget);
    if (nError == 0) {
        nError = WriteAll(fd, data);
    }
    if (nError == 0 && fsync(fd) != 0) {
        nError = errno;
    }
    if (close(fd) != 0 && nError == 0) {
        nError = errno;
    }
    if (nError == 0 && rename(temp.data(), strTarget.c_str()) != 0) {
        nError = errno;
    }
    if (nError != 0) {
        unlink(temp.data());
        return nError;
    }
    // Make the rename itself durable; the new contents are complete either way.
    int dirFd = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return 0;
}
