#include "CInputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr std::size_t kBlockBytes = 1 << 16;

// A FIFO or socket would wait for a writer, a terminal for its user, and a device such as
// /dev/zero never ends; only /dev/null, which is empty, is read like a file.
bool IsReadableLikeAFile(const struct stat& st) {
    if (S_ISCHR(st.st_mode)) {
        return st.st_rdev == makedev(1, 3);
    }
    return !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode);
}
}  // namespace

CInputFile::CInputFile() : m_buffer(kBlockBytes) {}

CInputFile::~CInputFile() {
    Close();
}

int CInputFile::Open(const std::string& strPath) {
    Close();
    m_fd = open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (m_fd < 0) {
        // A socket, or a device without a driver, cannot be opened at all.
        const int nError = errno;
        const bool bNode = (nError == ENXIO || nError == ENODEV) &&
                           stat(strPath.c_str(), &st) == 0 && !IsReadableLikeAFile(st);
        return bNode ? kNotAFile : nError;
    }
    int nError = 0;
    if (fstat(m_fd, &st) != 0) {
        nError = errno;
    } else if (S_ISDIR(st.st_mode)) {
        nError = EISDIR;
    } else if (!IsReadableLikeAFile(st)) {
        nError = kNotAFile;
    } else if (fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        nError = errno;
    }
    if (nError != 0) {
        Close();
    }
    return nError;
}

void CInputFile::Close() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_nBufferStart = 0;
    setg(nullptr, nullptr, nullptr);
}

CInputFile::int_type CInputFile::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    if (m_fd < 0) {
        return traits_type::eof();
    }
    m_nBufferStart += egptr() - eback();
    ssize_t nRead = 0;
    do {
        nRead = read(m_fd, m_buffer.data(), m_buffer.size());
    } while (nRead < 0 && errno == EINTR);
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + (nRead > 0 ? nRead : 0));
    return nRead > 0 ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

CInputFile::pos_type CInputFile::seekoff(off_type nOffset, std::ios_base::seekdir dir,
                                         std::ios_base::openmode mode) {
    const off_type nHere = m_nBufferStart + (gptr() - eback());
    if (dir == std::ios_base::cur) {
        return seekpos(pos_type(nHere + nOffset), mode);
    }
    if (dir == std::ios_base::beg) {
        return seekpos(pos_type(nOffset), mode);
    }
    const off_t nEnd = m_fd >= 0 ? lseek(m_fd, 0, SEEK_END) : -1;
    // The kernel's position moved: the block held no longer follows it.
    m_nBufferStart = nEnd;
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
    return nEnd < 0 ? pos_type(off_type(-1)) : seekpos(pos_type(nEnd + nOffset), mode);
}

CInputFile::pos_type CInputFile::seekpos(pos_type nPosition, std::ios_base::openmode) {
    const off_type nTarget = off_type(nPosition);
    const off_type nHeld = egptr() - eback();
    if (nTarget >= m_nBufferStart && nTarget <= m_nBufferStart + nHeld && eback() != nullptr) {
        setg(eback(), eback() + (nTarget - m_nBufferStart), egptr());
        return nPosition;
    }
    if (m_fd < 0 || nTarget < 0 || lseek(m_fd, off_t(nTarget), SEEK_SET) < 0) {
        return pos_type(off_type(-1));
    }
    m_nBufferStart = off_t(nTarget);
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data());
    return nPosition;
}
