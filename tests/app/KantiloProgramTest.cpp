// The program run as a user runs it, with the exit code telling success (0), failure (1) and
// bad usage (2) apart.

#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

// Runs the program with args (no quotes in them): the exit code, and what it wrote to its
// standard output and error.
std::tuple<int, std::string, std::string> RunKantilo(const std::vector<std::string>& args,
                                                     const ScratchDir& dir) {
    std::string command = "cd '" + dir.Path().string() + "' && '" + ProgramFile().string() + "'";
    for (const std::string& a : args) {
        command += " '" + a + "'";
    }
    const int nStatus = std::system((command + " >out 2>err").c_str());
    const Bytes out = ReadBytes(dir.File("out")), err = ReadBytes(dir.File("err"));
    fs::remove(dir.File("out"));
    fs::remove(dir.File("err"));
    return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

}  // namespace

TEST(KantiloProgram, ConvertsTheExamplesByteForByte) {
    ScratchDir dir;
    for (const char* pszName : {"example.kt", "beispiel.kt"}) {
        const std::string strSource = ExampleFile(pszName).string();
        EXPECT_EQ(RunKantilo({strSource, "-o", dir.File("kopie.KT")}, dir), std::tuple(0, "", ""));
        EXPECT_FALSE(ReadBytes(strSource).empty());
        EXPECT_EQ(ReadBytes(dir.File("kopie.KT")), ReadBytes(strSource)) << pszName;
    }
}

TEST(KantiloProgram, FailuresExitWithOneAndBadUsageWithTwo) {
    ScratchDir dir;
    CController controller;
    Click(controller, 440, 2);
    const std::string strDoc = dir.File("lied.kt");
    ASSERT_TRUE(CDocumentFile::Save(strDoc, controller).Ok());
    WriteBytes(dir.File("kaputt.kt"), Hex(R"(FF FF 01 00 0B 00 "CControllex")"));
    const std::pair<std::vector<std::string>, std::string> kFailures[] = {
        {{dir.File("kaputt.kt"), "-o", dir.File("x.kt")}, "Unerwartetes Dateiformat.\n"},
        {{dir.File("fehlt.kt"), "-o", dir.File("x.kt")},
         dir.File("fehlt.kt") + " wurde nicht gefunden.\n"},
        {{dir.Path().string(), "-o", dir.File("x.kt")},
         dir.Path().string() + " enthält eine ungültige Pfadangabe.\n"},
        {{strDoc, "-o", dir.File("fehlt/x.kt")},
         dir.File("fehlt/x.kt") + " enthält eine ungültige Pfadangabe.\n"},
        {{strDoc, "-o", dir.File("nirgends/x.wav")},
         "Die angegebene Zieldatei konnte nicht geöffnet werden!\n"},
    };
    for (const auto& [args, strErr] : kFailures) {
        EXPECT_EQ(RunKantilo(args, dir), std::tuple(1, "", strErr));
    }
    const std::string kMore = "\nMehr mit: kantilo --help\n";
    const std::pair<std::vector<std::string>, std::string> kUsageErrors[] = {
        {{"--gibtsnicht"}, "kantilo: Unbekannte Option: --gibtsnicht" + kMore},
        {{"a.kt", "-o", "x.mp3"},
         "kantilo: die Ausgabedatei muss auf .kt oder .wav enden: x.mp3\n"},
        {{strDoc, "-o", dir.File("x.wav"), "--quality", "51"},
         "kantilo: --quality: erlaubt ist eine ganze Zahl von 5 bis 50." + kMore},
    };
    for (const auto& [args, strErr] : kUsageErrors) {
        EXPECT_EQ(RunKantilo(args, dir), std::tuple(2, "", strErr));
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"kaputt.kt", "lied.kt"}));
}
