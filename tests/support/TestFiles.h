#pragma once

// Files for the tests: a scratch directory, whole files as bytes, the source and build trees,
// and code run in a child process.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// A fresh directory per test, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "kantilo-XXXXXX").string();
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        m_path = pattern;
    }
    ~ScratchDir() { fs::remove_all(m_path, m_ec); }
    const fs::path& Path() const { return m_path; }
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_path)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

private:
    fs::path m_path;
    std::error_code m_ec;
};

inline Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Hex bytes, with names in quotes taken as they are.
inline Bytes Hex(const std::string& strText) {
    Bytes bytes;
    std::istringstream in(strText);
    for (std::string s; in >> s;) {
        if (s[0] == '"') {
            bytes.insert(bytes.end(), s.begin() + 1, s.end() - 1);
        } else {
            bytes.push_back(uint8_t(std::stoi(s, nullptr, 16)));
        }
    }
    return bytes;
}

// A file of the source tree, and the program at the top of the build tree (above the tests).
inline fs::path SourceFile(const std::string& strPath) {
    const char* pszDir = std::getenv("KANTILO_SOURCE_DIR");
    return (pszDir ? fs::path(pszDir) : fs::path(__FILE__).parent_path() / "../..") / strPath;
}

inline fs::path ExampleFile(const std::string& strName) {
    return SourceFile("examples/" + strName);
}

inline fs::path ProgramFile() {
    const char* pszDir = std::getenv("KANTILO_BINARY_DIR");
    return (pszDir ? fs::path(pszDir) : fs::read_symlink("/proc/self/exe").parent_path() / "..") /
           "kantilo";
}

// Runs body in a child process prepared by setup; true when body returned true within
// nSeconds. A child that hangs is killed by its alarm and counts as failed.
inline bool PassesInChild(const std::function<bool()>& body,
                          const std::function<void()>& setup = {}, int nSeconds = 60) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(unsigned(nSeconds));
        if (setup) {
            setup();
        }
        _exit(body() ? 0 : 1);
    }
    int nStatus = 0;
    return pid > 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) &&
           WEXITSTATUS(nStatus) == 0;
}

// The ordinary user the tests run as when they run as root.
inline constexpr uid_t kOrdinaryUser = 4242;

// Runs body in a child process as an ordinary user: root becomes kOrdinaryUser (its own group,
// no others), anyone else stays who they are. The folders body uses must let that user in.
inline bool PassesAsOrdinaryUser(const std::function<bool()>& body) {
    return PassesInChild(body, [] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kOrdinaryUser) != 0 ||
                               setuid(kOrdinaryUser) != 0)) {
            _exit(2);
        }
    });
}
