#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

// Puts new contents in a file's place without ever truncating it. The bytes go to an unnamed
// file in the target's folder, are synced to disk and only then given a name and renamed over
// the target, so a process killed at any moment leaves the old file and nothing else. Where
// the file system has no unnamed files, a short hidden name stands in while writing.
//
// Only a regular file the real user may write is replaced: a folder, a device, a FIFO or a
// socket, directly or through links, is refused with EACCES before anything is written. A
// replaced file keeps its owner and group where the process may set them, its mode and its
// extended attributes; set-user-ID and set-group-ID are dropped when the owner (or, for the
// latter, the group) cannot be kept. A new file gets the mode the umask leaves of 0666. A
// link, also one that points to nothing yet, stays: the file it leads to is written, except
// where another user may have planted it (EACCES); a loop of links is ELOOP.
// Each step returns 0 or the failing errno.
class CReplacingFile {
public:
    explicit CReplacingFile(const std::string& strTarget);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    int Open();
    int Write(const void* pData, std::size_t nBytes);
    // Syncs the new contents and puts them in the target's place.
    int Commit();

    // Removes a named temporary file that a write in progress still has; for a handler of a
    // terminating signal, which may call nothing else that is not async-signal-safe.
    static void RemovePendingFiles();

private:
    int CheckTarget();
    int CreateTemporary();
    int CreateNamedTemporary();
    int TakeOverAttributes();
    int PutInPlace();
    int LinkUnder(const std::string& strName);
    int Fail(int nError);
    void Discard();

    std::string m_strTarget;
    int m_nLinkError = 0;  // before m_strDir, which is taken from the resolved target
    std::string m_strDir;
    std::string m_strTemp;  // only while the new contents carry a name of their own
    struct stat m_old {};
    mode_t m_mode = 0;  // what a replacement gets once its contents are written
    bool m_bReplacing = false;
    int m_fd = -1;
    int m_nPendingSlot = -1;
};
