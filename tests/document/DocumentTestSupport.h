#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CController.h"
#include "CDocumentFile.h"
#include "CNote.h"

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path SourceDir() {
    const char* pszDir = std::getenv("KANTILO_SOURCE_DIR");
    return pszDir != nullptr
               ? std::filesystem::path(pszDir)
               : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

// A fresh directory per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "kantilo-XXXXXX").string();
        m_path = mkdtemp(strTemplate.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& strName) const { return m_path / strName; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void ClickAt(CController& controller, int32_t y, int32_t nTool, int32_t bTie = 0) {
    controller.AddNote(CPoint{100, y}, nTool, bTie);
}
