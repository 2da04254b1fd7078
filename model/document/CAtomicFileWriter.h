#pragma once

#include <cstdint>
#include <span>
#include <string>

// Puts new contents in a file's place without ever truncating it: the bytes go to a new
// temporary file next to it, are synced to disk, and only then renamed over the file, which
// keeps its permissions (through a symbolic link, the file it points to is replaced). On
// failure the temporary file is removed and the old file stays byte for byte as it was.
class CAtomicFileWriter {
public:
    // Returns 0, or the errno of the step that failed.
    static int Replace(const std::string& strPath, std::span<const uint8_t> data);

private:
    static std::string ResolveTarget(const std::string& strPath);
    static int WriteAll(int fd, std::span<const uint8_t> data);
    static int CopyMode(int fd, const std::string& strTarget);
};
