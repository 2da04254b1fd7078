#include "CReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

std::string ResolveLink(const std::string& strPath) {
    char szResolved[PATH_MAX];
    struct stat st {};
    if (lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realpath(strPath.c_str(), szResolved) != nullptr) {
        return szResolved;
    }
    return strPath;
}

std::string DirectoryOf(const std::string& strPath) {
    std::string::size_type nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? "." : strPath.substr(0, nSlash + 1);
}

// A new file gets the mode any newly created file would get; a replaced one keeps its own.
mode_t ModeFor(const std::string& strTarget) {
    struct stat st {};
    if (stat(strTarget.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CReplacingFile::CReplacingFile(const std::string& strTarget)
    : m_strTarget(ResolveLink(strTarget)) {}

CReplacingFile::~CReplacingFile() {
    Discard();
}

int CReplacingFile::Open() {
    std::string::size_type nSlash = m_strTarget.rfind('/');
    std::string strName =
        nSlash == std::string::npos ? m_strTarget : m_strTarget.substr(nSlash + 1);
    std::string strDir = DirectoryOf(m_strTarget);
    std::string strTemplate = strDir + (nSlash == std::string::npos ? "/." : ".") + strName +
                              ".XXXXXX";  // hidden while it is incomplete
    std::vector<char> temp(strTemplate.begin(), strTemplate.end());
    temp.push_back('\0');
    m_fd = mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        return errno;
    }
    m_strTemp = temp.data();
    return fchmod(m_fd, ModeFor(m_strTarget)) == 0 ? 0 : Fail(errno);
}

int CReplacingFile::Write(const void* pData, std::size_t nBytes) {
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        ssize_t nWritten = write(m_fd, p, nBytes);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return Fail(nWritten < 0 ? errno : EIO);
        }
        p += nWritten;
        nBytes -= static_cast<std::size_t>(nWritten);
    }
    return 0;
}

int CReplacingFile::Commit() {
    if (fsync(m_fd) != 0) {
        return Fail(errno);
    }
    int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0 || rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        return Fail(errno);
    }
    m_strTemp.clear();
    // Make the rename itself durable; the new contents are complete either way.
    int dirFd = open(DirectoryOf(m_strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return 0;
}

int CReplacingFile::Fail(int nError) {
    Discard();
    return nError;
}

void CReplacingFile::Discard() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_strTemp.empty()) {
        unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}
