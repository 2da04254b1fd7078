// The program run as a user runs it: converting documents and generating songs, with the
// exit code telling success (0), failure (1) and bad usage (2) apart.

#include <gtest/gtest.h>

#include <sstream>

#include "CController.h"
#include "CDocumentFile.h"
#include "CTerminalProgress.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

struct RunResult {
    int nExit = -1;
    std::string strOut, strErr;
};

// Runs the program with args (no quotes in them), its output captured in files of dir.
RunResult RunKantilo(const std::vector<std::string>& args, const ScratchDir& dir) {
    std::ostringstream command;
    command << "'" << ProgramFile().string() << "'";
    for (const std::string& a : args) {
        command << " '" << a << "'";
    }
    command << " >" << dir.File("out") << " 2>" << dir.File("err");
    const int nStatus = std::system(command.str().c_str());
    const Bytes out = ReadBytes(dir.File("out")), err = ReadBytes(dir.File("err"));
    std::filesystem::remove(dir.File("out"));
    std::filesystem::remove(dir.File("err"));
    return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

// A document of four A4 quarter notes.
std::string WriteDocument(const ScratchDir& dir) {
    CController controller;
    for (int i = 0; i < 4; ++i) {
        Click(controller, 440, 2);
    }
    EXPECT_EQ(CDocumentFile::Save(dir.File("lied.kt"), controller), std::nullopt);
    return dir.File("lied.kt");
}

}  // namespace

TEST(KantiloProgram, ConvertsTheExamplesByteForByte) {
    ScratchDir dir;
    for (const char* pszName : {"example.kt", "beispiel.kt"}) {
        const std::string strSource = ExampleFile(pszName).string();
        RunResult run = RunKantilo({strSource, "-o", dir.File("kopie.KT")}, dir);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.strErr + run.strOut, "");
        EXPECT_FALSE(ReadBytes(strSource).empty());
        EXPECT_EQ(ReadBytes(dir.File("kopie.KT")), ReadBytes(strSource)) << pszName;
    }
}

TEST(KantiloProgram, FailuresPrintTheirTextAndExitWithOne) {
    ScratchDir dir;
    const std::string strDoc = WriteDocument(dir);
    WriteBytes(dir.File("kaputt.kt"), {0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00, 'C', 'C', 'o', 'n', 't',
                                       'r', 'o', 'l', 'l', 'e', 'x'});
    const struct {
        std::vector<std::string> args;
        std::string strErr;
    } kCases[] = {
        {{dir.File("kaputt.kt"), "-o", dir.File("x.kt")}, "Unerwartetes Dateiformat.\n"},
        {{dir.File("fehlt.kt"), "-o", dir.File("x.kt")},
         dir.File("fehlt.kt") + " wurde nicht gefunden.\n"},
        {{strDoc, "-o", dir.File("ordner/x.kt")},
         dir.File("ordner/x.kt") + " wurde nicht gefunden.\n"},
        {{strDoc, "-o", dir.File("x.wav"), "--instrument", dir.File("fehlt.wav")},
         "Die angegebene Datei konnte nicht geöffnet werden!\n"},
        {{strDoc, "-o", dir.File("nirgends/x.wav")},
         "Die angegebene Zieldatei konnte nicht geöffnet werden!\n"},
    };
    for (const auto& c : kCases) {
        RunResult run = RunKantilo(c.args, dir);
        EXPECT_EQ(run.nExit, 1) << c.strErr;
        EXPECT_EQ(run.strErr, c.strErr);
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"kaputt.kt", "lied.kt"}));
}

TEST(KantiloProgram, BadUsageExitsWithTwoHelpAndVersionWithZero) {
    ScratchDir dir;
    const std::string strDoc = WriteDocument(dir), strWav = dir.File("x.wav");
    const std::vector<std::vector<std::string>> kBad = {{"--gibtsnicht"},
                                                        {"a.kt", "b.kt"},
                                                        {"-o", "x.kt"},
                                                        {"a.kt", "-o", "x.mp3"},
                                                        {"a.kt", "-o"},
                                                        {strDoc, "-o", strWav, "--quality", "4"},
                                                        {strDoc, "-o", strWav, "--quality", "51"},
                                                        {strDoc, "-o", strWav, "--base", "0"},
                                                        {strDoc, "-o", strWav, "--base", "zwei"}};
    for (const auto& args : kBad) {
        RunResult run = RunKantilo(args, dir);
        EXPECT_EQ(run.nExit, 2) << args.back();
        EXPECT_NE(run.strErr, "") << args.back();
        EXPECT_EQ(run.strOut, "") << args.back();
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"lied.kt"}));
    RunResult help = RunKantilo({"--help"}, dir);
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.strOut.find("-o"), std::string::npos);
    EXPECT_EQ(help.strErr, "");
    RunResult version = RunKantilo({"--version"}, dir);
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, "Kantilo 1.0\n");
}

TEST(KantiloProgram, GeneratesSongsQuietlyWhenNotOnATerminal) {
    ScratchDir dir;
    const std::string strDoc = WriteDocument(dir);
    RunResult run = RunKantilo({strDoc, "-o", dir.File("a.wav"), "--quality", "5"}, dir);
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strErr + run.strOut, "");
    run = RunKantilo({strDoc, "-o", dir.File("b.wav"), "--quality", "50", "--instrument",
                      "Standard", "--base", "440"},
                     dir);
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    const Bytes a = ReadBytes(dir.File("a.wav")), b = ReadBytes(dir.File("b.wav"));
    EXPECT_EQ(a.size(), 44u + 88200u);
    EXPECT_EQ(b.size(), a.size());
    EXPECT_NE(a, b);  // 9 and 99 taps sound different
}

TEST(TerminalProgress, StagesAndBarsOnATerminalFailuresAlways) {
    std::ostringstream err;
    CTerminalProgress progress(err, true);
    progress.SetProgressStatus("Lied wird gesampelt, bitte warten");
    for (int i = 0; i < 101; ++i) {
        progress.StepSamplerProgress();
    }
    progress.SetProgressStatus("Lied wird gefiltert, bitte warten");
    progress.StepFilterProgress();
    progress.ShowWarning("Zu wenig Speicher vorhanden!");
    EXPECT_TRUE(progress.HasFailed());
    const std::string text = err.str();
    EXPECT_EQ(text.rfind("Lied wird gesampelt, bitte warten\n\rSampler: [", 0), 0u) << text;
    const std::string full = "\rSampler: [" + std::string(40, '#') + "] 100 %\n";
    EXPECT_NE(text.find(full + "Lied wird gefiltert, bitte warten\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("101 %"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind("\rFilter")),
              "\rFilter: [" + std::string(40, ' ') + "] 1 %\nZu wenig Speicher vorhanden!\n");

    std::ostringstream quiet;
    CTerminalProgress off(quiet, false);
    off.SetProgressStatus("Instrument wird geladen");
    off.StepSamplerProgress();
    EXPECT_EQ(quiet.str(), "");
    EXPECT_FALSE(off.HasFailed());
    off.ShowWarning("Die angegebene Datei ist fehlerhaft!");
    off.Finish();
    EXPECT_EQ(quiet.str(), "Die angegebene Datei ist fehlerhaft!\n");
}
