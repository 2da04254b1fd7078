#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::filesystem::path SourceDir() {
    const char* pszDir = std::getenv("KANTILO_SOURCE_DIR");
    return pszDir != nullptr
               ? std::filesystem::path(pszDir)
               : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

std::filesystem::path Program() {
    const char* pszDir = std::getenv("KANTILO_BINARY_DIR");
    std::filesystem::path dir =
        pszDir != nullptr
            ? std::filesystem::path(pszDir)
            : std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    return dir / "kantilo";
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

// Runs the program with args, its output captured in files of dir.
RunResult RunKantilo(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    std::string strProgram = Program().string();
    std::vector<char*> argv{strProgram.data()};
    std::vector<std::string> copies = args;
    for (std::string& a : copies) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string strOut = (dir / "stdout").string(), strErr = (dir / "stderr").string();
    posix_spawn_file_actions_addopen(&actions, 1, strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    RunResult run;
    int nSpawn = posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nSpawn != 0) {
        ADD_FAILURE() << "cannot start " << strProgram;
        return run;
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    run.strOut = ReadText(strOut);
    run.strErr = ReadText(strErr);
    std::filesystem::remove(strOut);
    std::filesystem::remove(strErr);
    return run;
}

class KantiloProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "kantilo-cli-XXXXXX").string();
        m_dir = mkdtemp(strTemplate.data());
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

}  // namespace

TEST_F(KantiloProgram, ConvertsTheExampleByteForByte) {
    for (const char* pszName : {"example.kt", "beispiel.kt"}) {
        std::filesystem::path source = SourceDir() / "examples" / pszName;
        std::filesystem::path copy = m_dir / "kopie.KT";
        RunResult run = RunKantilo({source.string(), "-o", copy.string()}, m_dir);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
        EXPECT_EQ(ReadText(copy), ReadText(source)) << pszName;
        EXPECT_FALSE(ReadText(copy).empty());
    }
}

TEST_F(KantiloProgram, UnreadableDocumentsFailWithTheirMessage) {
    std::ofstream(m_dir / "kaputt.kt", std::ios::binary) << "\xFF\xFF\x01\x00\x0B\x00"
                                                            "CControllex";
    RunResult broken =
        RunKantilo({(m_dir / "kaputt.kt").string(), "-o", (m_dir / "neu.kt").string()}, m_dir);
    EXPECT_EQ(broken.nExit, 1);
    EXPECT_EQ(broken.strErr, "Unerwartetes Dateiformat.\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "neu.kt"));

    std::string strMissing = (m_dir / "fehlt.kt").string();
    RunResult missing = RunKantilo({strMissing, "-o", (m_dir / "neu.kt").string()}, m_dir);
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_EQ(missing.strErr, strMissing + " wurde nicht gefunden.\n");

    std::string strTarget = (m_dir / "ordner" / "neu.kt").string();
    RunResult unwritable =
        RunKantilo({(SourceDir() / "examples" / "example.kt").string(), "-o", strTarget}, m_dir);
    EXPECT_EQ(unwritable.nExit, 1);
    EXPECT_EQ(unwritable.strErr, strTarget + " wurde nicht gefunden.\n");
}

TEST_F(KantiloProgram, BadUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> kBad = {{"--gibtsnicht"},
                                                        {"a.kt", "b.kt"},
                                                        {"-o", "x.kt"},
                                                        {"a.kt", "-o", "x.mp3"},
                                                        {"a.kt", "-o"}};
    for (const auto& args : kBad) {
        RunResult run = RunKantilo(args, m_dir);
        EXPECT_EQ(run.nExit, 2) << args[0];
        EXPECT_NE(run.strErr, "") << args[0];
        EXPECT_EQ(run.strOut, "") << args[0];
    }
}

TEST_F(KantiloProgram, HelpAndVersion) {
    RunResult help = RunKantilo({"--help"}, m_dir);
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.strOut.find("-o"), std::string::npos);
    EXPECT_EQ(help.strErr, "");
    RunResult version = RunKantilo({"--version"}, m_dir);
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, "Kantilo 1.0\n");
}
