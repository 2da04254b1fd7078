#include "CReplacingFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// As the kernel counts links to follow before it gives up with ELOOP.
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;

// Names a write in progress has on disk, for a signal handler to remove. A slot is free (0),
// being filled or emptied (1) or holds a name (2).
struct SPendingName {
    std::atomic<int> state{0};
    char szPath[PATH_MAX];
};
SPendingName g_pending[8];

int Register(const std::string& strPath) {
    if (strPath.size() >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < int(std::size(g_pending)); ++i) {
        int expected = 0;
        if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_pending[i].szPath, strPath.c_str(), strPath.size() + 1);
            g_pending[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void Unregister(int nSlot) {
    if (nSlot >= 0) {
        g_pending[nSlot].state.store(0);
    }
}

// "" for a name without a folder, else everything up to and including the last slash.
std::string DirectoryOf(const std::string& strPath) {
    std::string::size_type nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? "" : strPath.substr(0, nSlash + 1);
}

// In a sticky folder anyone may write, a link is followed only when it belongs to the caller or
// to the folder's owner, as the kernel's fs.protected_symlinks rule has it: otherwise another
// user could plant one there that leads a save to a file of the caller's.
bool MayFollow(const std::string& strLink, const struct stat& link) {
    const std::string strDir = DirectoryOf(strLink);
    struct stat dir {};
    if (stat(strDir.empty() ? "." : strDir.c_str(), &dir) != 0) {
        return false;
    }
    const bool bShared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
    return !bShared || link.st_uid == geteuid() || link.st_uid == dir.st_uid;
}

// Follows links to the path they finally lead to, also when nothing exists there yet; 0 or
// EACCES for a link not to be followed, ELOOP for one that leads round in a circle.
int ResolveLinks(const std::string& strPath, std::string& strResolved) {
    strResolved = strPath;
    std::vector<char> buffer(PATH_MAX);
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat st {};
        if (lstat(strResolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return 0;
        }
        if (!MayFollow(strResolved, st)) {
            return EACCES;
        }
        ssize_t nLength = readlink(strResolved.c_str(), buffer.data(), buffer.size());
        if (nLength <= 0 || size_t(nLength) >= buffer.size()) {
            return 0;
        }
        std::string strLink(buffer.data(), size_t(nLength));
        strResolved = strLink[0] == '/' ? strLink : DirectoryOf(strResolved) + strLink;
    }
    return ELOOP;
}

// A short hidden name beside the target, whatever the length of the target's own name.
std::string TemporaryName(const std::string& strDir) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[8] = {};
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random)) {
        static std::atomic<unsigned> counter{0};
        const unsigned n = unsigned(getpid()) * 2654435761u + counter++;
        std::memcpy(random, &n, sizeof n);
    }
    std::string strName = strDir + ".kantilo-";
    for (unsigned char c : random) {
        strName += kChars[c % (sizeof kChars - 1)];
    }
    return strName;
}

// Extended attributes, except a file capability: that one grants privileges as set-user-ID
// does, and the kernel drops it on the first write anyway.
void CopyExtendedAttributes(const std::string& strFrom, int fdTo) {
    ssize_t nSize = llistxattr(strFrom.c_str(), nullptr, 0);
    if (nSize <= 0) {
        return;
    }
    std::vector<char> names(static_cast<size_t>(nSize));
    nSize = llistxattr(strFrom.c_str(), names.data(), names.size());
    std::vector<char> value;
    for (ssize_t i = 0; i < nSize; i += ssize_t(std::strlen(&names[size_t(i)])) + 1) {
        const char* pszName = &names[size_t(i)];
        ssize_t nValue = lgetxattr(strFrom.c_str(), pszName, nullptr, 0);
        if (std::strcmp(pszName, "security.capability") == 0 || nValue < 0) {
            continue;
        }
        value.resize(size_t(nValue) + 1);
        nValue = lgetxattr(strFrom.c_str(), pszName, value.data(), value.size());
        if (nValue >= 0) {
            fsetxattr(fdTo, pszName, value.data(), size_t(nValue), 0);
        }
    }
}

}  // namespace

CReplacingFile::CReplacingFile(const std::string& strTarget)
    : m_nLinkError(ResolveLinks(strTarget, m_strTarget)), m_strDir(DirectoryOf(m_strTarget)) {}

CReplacingFile::~CReplacingFile() {
    Discard();
}

int CReplacingFile::Open() {
    int nError = m_nLinkError != 0 ? m_nLinkError : CheckTarget();
    if (nError == 0) {
        nError = CreateTemporary();
    }
    if (nError == 0 && m_bReplacing) {
        nError = TakeOverAttributes();
    }
    return nError == 0 ? 0 : Fail(nError);
}

// Replacing a device or FIFO by a regular file would break whatever uses it, and a file the
// user may not write is not theirs to replace, even where the folder would allow it. The real
// IDs decide, as they would for a program that opened the file itself.
int CReplacingFile::CheckTarget() {
    if (lstat(m_strTarget.c_str(), &m_old) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISREG(m_old.st_mode)) {
        return EACCES;
    }
    if (faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, 0) != 0) {
        return errno;
    }
    m_bReplacing = true;
    return 0;
}

int CReplacingFile::CreateTemporary() {
    const std::string strDir = m_strDir.empty() ? "." : m_strDir;
    m_fd = open(strDir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        return 0;
    }
    // Older kernels say EISDIR, file systems without unnamed files EOPNOTSUPP.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return errno;
    }
    return CreateNamedTemporary();
}

int CReplacingFile::CreateNamedTemporary() {
    for (int i = 0; i < kNameAttempts; ++i) {
        std::string strName = TemporaryName(m_strDir);
        m_nPendingSlot = Register(strName);
        m_fd = open(strName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_strTemp = std::move(strName);
            return 0;
        }
        Unregister(m_nPendingSlot);
        m_nPendingSlot = -1;
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

// Changing the owner clears set-user-ID and set-group-ID; the mode brings them back only
// where owner and group are still the old ones.
int CReplacingFile::TakeOverAttributes() {
    if (fchown(m_fd, m_old.st_uid, m_old.st_gid) != 0 &&
        fchown(m_fd, uid_t(-1), m_old.st_gid) != 0) {
        // An ordinary user keeps their own owner and group; the mode allows for that below.
    }
    struct stat now {};
    if (fstat(m_fd, &now) != 0) {
        return errno;
    }
    CopyExtendedAttributes(m_strTarget, m_fd);
    mode_t mode = m_old.st_mode & 07777;
    if (now.st_uid != m_old.st_uid) {
        mode &= ~mode_t(S_ISUID | S_ISGID);
    }
    if (now.st_gid != m_old.st_gid) {
        mode &= ~mode_t(S_ISGID);
    }
    m_mode = mode;
    return 0;
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

// The mode only now: writing clears set-user-ID and set-group-ID of an ordinary user's file.
int CReplacingFile::Commit() {
    int nError = m_bReplacing && fchmod(m_fd, m_mode) != 0 ? errno : 0;
    if (nError == 0) {
        nError = fsync(m_fd) == 0 ? PutInPlace() : errno;
    }
    if (nError != 0) {
        return Fail(nError);
    }
    close(m_fd);
    m_fd = -1;
    // Make the new name itself durable; the new contents are complete either way.
    const std::string strDir = m_strDir.empty() ? "." : m_strDir;
    int dirFd = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return 0;
}

// A new file takes its name in one step. A replacement needs a name of its own for the
// moment of the rename, the only moment at which a kill could leave it behind.
int CReplacingFile::PutInPlace() {
    if (m_strTemp.empty() && !m_bReplacing) {
        return LinkUnder(m_strTarget);
    }
    for (int i = 0; i < kNameAttempts && m_strTemp.empty(); ++i) {
        std::string strName = TemporaryName(m_strDir);
        m_nPendingSlot = Register(strName);
        int nError = LinkUnder(strName);
        if (nError == 0) {
            m_strTemp = std::move(strName);
        } else {
            Unregister(m_nPendingSlot);
            m_nPendingSlot = -1;
            if (nError != EEXIST) {
                return nError;
            }
        }
    }
    if (m_strTemp.empty()) {
        return EEXIST;
    }
    if (rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        return errno;
    }
    m_strTemp.clear();
    Unregister(m_nPendingSlot);
    m_nPendingSlot = -1;
    return 0;
}

int CReplacingFile::LinkUnder(const std::string& strName) {
    const std::string strSelf = "/proc/self/fd/" + std::to_string(m_fd);
    if (linkat(AT_FDCWD, strSelf.c_str(), AT_FDCWD, strName.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    // Without /proc, only a process allowed to open any file by its handle may link it.
    if (errno == ENOENT && linkat(m_fd, "", AT_FDCWD, strName.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    return errno;
}

void CReplacingFile::RemovePendingFiles() {
    for (SPendingName& pending : g_pending) {
        if (pending.state.load() == 2) {
            unlink(pending.szPath);
        }
    }
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
    Unregister(m_nPendingSlot);
    m_nPendingSlot = -1;
}
