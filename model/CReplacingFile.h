#pragma once

#include <cstddef>
#include <string>

// Puts new contents in a file's place without ever truncating it: the bytes go to a hidden
// temporary file beside the target, are synced to disk and only then renamed over it. A
// replaced file keeps its permissions; through a symbolic link, the file it points to is
// replaced. Until Commit succeeds the target stays byte for byte as it was, and a write that
// fails or is abandoned removes the temporary file. Each step returns 0 or the failing errno.
class CReplacingFile {
public:
    explicit CReplacingFile(const std::string& strTarget);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // The file that will be replaced: the target, or the file its link points to.
    const std::string& GetTarget() const { return m_strTarget; }

    int Open();
    int Write(const void* pData, std::size_t nBytes);
    // Syncs the temporary file and renames it over the target.
    int Commit();

private:
    int Fail(int nError);
    void Discard();

    std::string m_strTarget;
    std::string m_strTemp;
    int m_fd = -1;
};
