#pragma once

#include <cstddef>
#include <string>

// Writes a file so that an existing one is replaced only by a complete new version: the bytes
// go to a new temporary file in the target's directory, which is flushed to disk and then
// renamed over the target. A write that is abandoned or fails removes the temporary file and
// leaves the target as it was. Failures throw CEngineFailure with the texts given.
class CReplacingFile {
public:
    CReplacingFile(const std::string& strTarget, std::string strOpenFailure,
                   std::string strWriteFailure);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    void Write(const void* pData, std::size_t nBytes);
    // Flushes the temporary file and puts it in the target's place.
    void Commit();
    const std::string& GetTempPath() const { return m_strTemp; }

private:
    void CheckTargetWritable() const;
    void CreateTemp();
    [[noreturn]] void FailWrite();
    void Discard();

    std::string m_strTarget;
    std::string m_strOpenFailure;
    std::string m_strWriteFailure;
    std::string m_strTemp;
    int m_fd = -1;
};
