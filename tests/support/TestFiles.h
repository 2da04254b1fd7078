#pragma once

// Files for the tests: a scratch directory, whole files as bytes, the source and build trees,
// and code run on a disk that fills up.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A fresh directory per test, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kantilo-XXXXXX").string();
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }
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

inline Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::filesystem::path TreeDir(const char* pszVariable, std::filesystem::path fallback) {
    const char* pszDir = std::getenv(pszVariable);
    return pszDir != nullptr ? std::filesystem::path(pszDir) : fallback;
}

inline std::filesystem::path ExampleFile(const std::string& strName) {
    return TreeDir("KANTILO_SOURCE_DIR",
                   std::filesystem::path(__FILE__).parent_path().parent_path().parent_path()) /
           "examples" / strName;
}

// The program lies at the top of the build tree, one level above the test executables.
inline std::filesystem::path ProgramFile() {
    return TreeDir("KANTILO_BINARY_DIR",
                   std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path()) /
           "kantilo";
}

// Runs body in a child process whose files may grow to nLimit bytes only, so that writing
// fails part-way as on a full disk; true when body returned true.
inline bool PassesWithFileLimit(rlim_t nLimit, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{nLimit, nLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body() ? 0 : 1);
    }
    int nStatus = 0;
    return pid > 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) &&
           WEXITSTATUS(nStatus) == 0;
}
