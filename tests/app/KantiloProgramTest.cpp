// The program run as a user runs it, with the exit code telling success (0), failure (1) and
// bad usage (2) apart.

#include <gtest/gtest.h>

#include "CBatchConverter.h"
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
    ASSERT_EQ(CDocumentFile::Save(strDoc, controller), std::nullopt);
    WriteBytes(dir.File("kaputt.kt"), Hex(R"(FF FF 01 00 0B 00 "CControllex")"));
    const std::pair<std::vector<std::string>, std::string> kFailures[] = {
        {{dir.File("kaputt.kt"), "-o", dir.File("x.kt")}, "Unerwartetes Dateiformat.\n"},
        {{dir.File("fehlt.kt"), "-o", dir.File("x.kt")},
         dir.File("fehlt.kt") + " wurde nicht gefunden.\n"},
        {{dir.Path().string(), "-o", dir.File("x.kt")},
         dir.Path().string() + " enthält eine ungültige Pfadangabe.\n"},
        {{strDoc, "-o", dir.File("fehlt/x.kt")},
         dir.File("fehlt/x.kt") + " wurde nicht gefunden.\n"},
        {{strDoc, "-o", dir.File("nirgends/x.wav")},
         "Die angegebene Zieldatei konnte nicht geöffnet werden!\n"},
    };
    for (const auto& [args, strErr] : kFailures) {
        EXPECT_EQ(RunKantilo(args, dir), std::tuple(1, "", strErr));
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--gibtsnicht"},
          {"a.kt", "-o", "x.mp3"},
          {strDoc, "-o", dir.File("x.wav"), "--quality", "51"}}) {
        const auto [nExit, strOut, strErr] = RunKantilo(args, dir);
        EXPECT_EQ(std::tuple(nExit, strOut, strErr.empty()), std::tuple(2, "", false))
            << args.back();
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"kaputt.kt", "lied.kt"}));
}

// Pages and pictures are drawn by the editor's painter: a build without it says so.
TEST(KantiloProgram, PagesNeedTheEditor) {
    if (KANTILO_WITH_GUI) {
        GTEST_SKIP() << "this build draws pages; tst_pagecommandline tests them";
    }
    ScratchDir dir;
    for (const char* pszOutput : {"lied.pdf", "lied.SVG", "lied.png"}) {
        EXPECT_EQ(RunKantilo({ExampleFile("beispiel.kt").string(), "-o", dir.File(pszOutput)}, dir),
                  std::tuple(1, "", std::string(CBatchConverter::kNoPages) + "\n"));
    }
    EXPECT_EQ(dir.Names(), std::set<std::string>{});
}

TEST(KantiloProgram, ExportsMusicXmlAndMidiAndImportsMusicXml) {
    ScratchDir dir;
    const std::string strSource = ExampleFile("beispiel.kt").string();
    const std::tuple<int, std::string, std::string> ok(0, "", "");
    EXPECT_EQ(RunKantilo({strSource, "-o", dir.File("lied.musicxml")}, dir), ok);
    EXPECT_EQ(RunKantilo({strSource, "-o", dir.File("lied.MIDI")}, dir), ok);
    const Bytes xml = ReadBytes(dir.File("lied.musicxml"));
    EXPECT_NE(std::string(xml.begin(), xml.end()).find("<work-title>beispiel</work-title>"),
              std::string::npos);
    const Bytes midi = ReadBytes(dir.File("lied.MIDI"));
    EXPECT_EQ(Bytes(midi.begin(), midi.begin() + std::min<size_t>(4, midi.size())),
              Hex(R"("MThd")"));
    // Every output works from MusicXML too; the song comes back as it was.
    EXPECT_EQ(RunKantilo({dir.File("lied.musicxml"), "-o", dir.File("zurueck.kt")}, dir), ok);
    EXPECT_EQ(ReadBytes(dir.File("zurueck.kt")), ReadBytes(strSource));
    EXPECT_EQ(RunKantilo({dir.File("lied.musicxml"), "-o", dir.File("wieder.xml")}, dir), ok);
    // A score Kantilo cannot hold: the reason on stderr, exit 1, nothing written.
    const std::string strFis = R"(<score-partwise><part><measure><note><pitch><step>F</step>)"
                               R"(<alter>1</alter><octave>4</octave></pitch><duration>1)"
                               R"(</duration></note></measure></part></score-partwise>)";
    WriteBytes(dir.File("fis.xml"), Bytes(strFis.begin(), strFis.end()));
    WriteBytes(dir.File("lied.mxl"), Hex("50 4B 03 04"));
    EXPECT_EQ(RunKantilo({dir.File("fis.xml"), "-o", dir.File("x.kt")}, dir),
              std::tuple(1, "", "Takt 1: Die Tonhöhe Fis4 gibt es in Kantilo nicht.\n"));
    // Compressed MusicXML is not read.
    EXPECT_EQ(RunKantilo({dir.File("lied.mxl"), "-o", dir.File("x.kt")}, dir),
              std::tuple(1, "", "Unerwartetes Dateiformat.\n"));
    EXPECT_EQ(RunKantilo({dir.File("lied.kt"), "-o", dir.File("x.musicxml")}, dir),
              std::tuple(1, "", dir.File("lied.kt") + " wurde nicht gefunden.\n"));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"fis.xml", "lied.MIDI", "lied.musicxml",
                                                  "lied.mxl", "wieder.xml", "zurueck.kt"}));
}
