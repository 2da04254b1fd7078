#include "CReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include "CEngineFailure.h"

namespace fs = std::filesystem;

CReplacingFile::CReplacingFile(const std::string& strTarget, std::string strOpenFailure,
                               std::string strWriteFailure)
    : m_strTarget(strTarget),
      m_strOpenFailure(std::move(strOpenFailure)),
      m_strWriteFailure(std::move(strWriteFailure)) {
    // A link stays a link: the file it points to is the one replaced.
    std::error_code error;
    if (fs::is_symlink(m_strTarget, error)) {
        const fs::path resolved = fs::weakly_canonical(m_strTarget, error);
        if (!error) {
            m_strTarget = resolved.string();
        }
    }
    CheckTargetWritable();
    CreateTemp();
}

CReplacingFile::~CReplacingFile() {
    Discard();
}

// Renaming would replace a file that the user may not write, or a directory; both are refused
// as a file that cannot be opened for writing.
void CReplacingFile::CheckTargetWritable() const {
    struct stat info {};
    if (::stat(m_strTarget.c_str(), &info) != 0) {
        return;
    }
    if (!S_ISREG(info.st_mode) || ::access(m_strTarget.c_str(), W_OK) != 0) {
        throw CEngineFailure(m_strOpenFailure);
    }
}

void CReplacingFile::CreateTemp() {
    const fs::path target(m_strTarget);
    if (target.filename().empty()) {
        throw CEngineFailure(m_strOpenFailure);
    }
    mode_t mode = 0666;  // reduced by the umask, as for any new file
    struct stat info {};
    const bool bExisting = ::stat(m_strTarget.c_str(), &info) == 0;
    if (bExisting) {
        mode = info.st_mode & 07777;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unsigned(random()));
        std::string strName = ".";  // hidden while it is incomplete
        strName += target.filename().string();
        strName += suffix;
        const fs::path temp = target.parent_path() / strName;
        m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd >= 0) {
            m_strTemp = temp.string();
            if (bExisting) {
                ::fchmod(m_fd, mode);  // the umask must not narrow the old file's permissions
            }
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw CEngineFailure(m_strOpenFailure);
}

void CReplacingFile::Write(const void* pData, std::size_t nBytes) {
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const ssize_t written = ::write(m_fd, p, nBytes);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            FailWrite();
        }
        p += written;
        nBytes -= std::size_t(written);
    }
}

void CReplacingFile::Commit() {
    if (::fsync(m_fd) != 0) {
        FailWrite();
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        FailWrite();
    }
    m_strTemp.clear();
}

void CReplacingFile::FailWrite() {
    Discard();
    throw CEngineFailure(m_strWriteFailure);
}

void CReplacingFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_strTemp.empty()) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
}
