// Generating a song file from the command line: the same run as in the editor, reported on
// the terminal, with the exit code telling success from failure.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CController.h"
#include "CDocumentFile.h"
#include "CTerminalProgress.h"

namespace {
class Scratch {
public:
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kantilo-cli-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        m_path = pattern;
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A document of four A4 quarter notes.
std::string WriteDocument(const Scratch& dir) {
    CController controller;
    for (int i = 0; i < 4; ++i) {
        controller.AddNote({0, 30}, 2, 0);
    }
    const std::string path = dir.File("lied.kt");
    EXPECT_FALSE(CDocumentFile::Save(path, controller).has_value());
    return path;
}

int Convert(const std::vector<std::string>& args, std::string& errText) {
    const CCommandLine cmd = CCommandLine::Parse(args);
    EXPECT_EQ(cmd.m_action, CCommandLine::Action::convert) << cmd.m_strError;
    std::ostringstream out;
    std::ostringstream err;
    const int code = CBatchConverter::Run(cmd, out, err);
    errText = err.str();
    return code;
}

uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    return std::filesystem::file_size(path, error);
}
}  // namespace

TEST(SongOnTheCommandLine, WritesTheSongQuietlyWhenNotOnATerminal) {
    Scratch dir;
    const std::string doc = WriteDocument(dir);
    std::string err;
    EXPECT_EQ(Convert({doc, "-o", dir.File("lied.wav")}, err), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(SizeOf(dir.File("lied.wav")), 44u + 88200u);
}

TEST(SongOnTheCommandLine, PipelineFailurePrintsTheTextAndFails) {
    Scratch dir;
    const std::string doc = WriteDocument(dir);
    std::string err;
    EXPECT_EQ(
        Convert({doc, "-o", dir.File("lied.wav"), "--instrument", dir.File("fehlt.wav")}, err), 1);
    EXPECT_EQ(err, "Die angegebene Datei konnte nicht geöffnet werden!\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("lied.wav")));
    EXPECT_EQ(Convert({doc, "-o", dir.File("nirgends/lied.wav")}, err), 1);
    EXPECT_EQ(err, "Die angegebene Zieldatei konnte nicht geöffnet werden!\n");
}

TEST(SongOnTheCommandLine, OptionsReachThePipeline) {
    Scratch dir;
    const std::string doc = WriteDocument(dir);
    std::string err;
    ASSERT_EQ(Convert({doc, "-o", dir.File("a.wav"), "--quality", "5"}, err), 0);
    ASSERT_EQ(Convert({doc, "-o", dir.File("b.wav"), "--quality", "50", "--instrument", "Standard",
                       "--base", "440"},
                      err),
              0);
    std::ifstream a(dir.File("a.wav"), std::ios::binary);
    std::ifstream b(dir.File("b.wav"), std::ios::binary);
    const std::string bytesA((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
    const std::string bytesB((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytesA.size(), bytesB.size());
    EXPECT_NE(bytesA, bytesB);  // 9 and 99 taps sound different
}

TEST(SongOnTheCommandLine, ProgramExitCodes) {
    // The program lies at the top of the build tree, one level above this test.
    const char* binaryDir = std::getenv("KANTILO_BINARY_DIR");
    const std::filesystem::path top =
        binaryDir != nullptr
            ? std::filesystem::path(binaryDir)
            : std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    const std::string program = (top / "kantilo").string();
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    Scratch dir;
    const std::string doc = WriteDocument(dir);
    const auto run = [&](const std::string& args) {
        const int status = std::system((program + " " + args + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("ok.wav") + "'"), 0);
    EXPECT_EQ(SizeOf(dir.File("ok.wav")), 44u + 88200u);
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("x.wav") + "' --quality 4"), 2);
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("x.wav") + "' --quality 51"), 2);
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("x.wav") + "' --base 0"), 2);
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("x.wav") + "' --base zwei"), 2);
    EXPECT_EQ(run("'" + doc + "' -o '" + dir.File("x.wav") + "' --instrument '" +
                  dir.File("fehlt.wav") + "'"),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.wav")));
}

TEST(TerminalProgress, ShowsStagesAndBarsOnATerminal) {
    std::ostringstream err;
    CTerminalProgress progress(err, true);
    progress.SetProgressStatus("Lied wird gesampelt, bitte warten");
    for (int i = 0; i < 101; ++i) {
        progress.StepSamplerProgress();
    }
    progress.SetProgressStatus("Lied wird gefiltert, bitte warten");
    progress.StepFilterProgress();
    progress.Finish();
    const std::string text = err.str();
    EXPECT_EQ(text.rfind("Lied wird gesampelt, bitte warten\n\rSampler: [", 0), 0u) << text;
    const std::string full = "\rSampler: [" + std::string(40, '#') + "] 100 %\n";
    EXPECT_NE(text.find(full + "Lied wird gefiltert, bitte warten\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("101 %"), std::string::npos);
    EXPECT_NE(text.find("\rFilter: [" + std::string(0, '#') + std::string(40, ' ') + "] 1 %\n"),
              std::string::npos)
        << text;
    EXPECT_FALSE(progress.HasFailed());
}

TEST(TerminalProgress, QuietOffATerminalButFailuresAlwaysShow) {
    std::ostringstream err;
    CTerminalProgress progress(err, false);
    progress.SetProgressStatus("Instrument wird geladen");
    progress.StepSamplerProgress();
    EXPECT_EQ(err.str(), "");
    progress.ShowWarning("Die angegebene Datei ist fehlerhaft!");
    progress.Finish();
    EXPECT_EQ(err.str(), "Die angegebene Datei ist fehlerhaft!\n");
    EXPECT_TRUE(progress.HasFailed());

    std::ostringstream tty;
    CTerminalProgress shown(tty, true);
    shown.StepSamplerProgress();
    shown.ShowWarning("Zu wenig Speicher vorhanden!");
    EXPECT_EQ(tty.str().substr(tty.str().find("] 1 %")), "] 1 %\nZu wenig Speicher vorhanden!\n");
}
