#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "CFileResult.h"

class CReplacingFile;

// Where an export puts its bytes as it makes them, so that no more than a small buffer of the
// file is ever held: the replacing writer's file, a string (for tests), or nothing but a count
// (for a length that precedes the data it measures). A write that fails, or a file that grows
// beyond its limit, stops the export at once; the replacing writer then discards what it has.
class CExportStream {
public:
    using Produce = std::function<void(CExportStream&)>;

    // Writes what produce puts into the file at strPath; beyond nMaxBytes it stops and reports
    // strTooLarge instead.
    static CFileResult Save(const std::string& strPath, const Produce& produce,
                            uint64_t nMaxBytes = UINT64_MAX, const std::string& strTooLarge = "");
    static std::string Text(const Produce& produce);
    static uint64_t Count(const Produce& produce);

    void Put(std::string_view data);
    void Put(char c) { Put(std::string_view(&c, 1)); }
    uint64_t Written() const { return m_nWritten; }

private:
    CExportStream(CReplacingFile* pFile, std::string* pText, uint64_t nMaxBytes);
    void Flush();

    CReplacingFile* m_pFile;
    std::string* m_pText;  // collects everything, without a file
    std::string m_buffer;
    uint64_t m_nWritten = 0;
    uint64_t m_nMaxBytes;
};
