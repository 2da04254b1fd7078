// The program run as a user runs it, with the exit code telling success (0), failure (1) and
// bad usage (2) apart.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "CLied.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "SheetProbe.h"
#include "TestFiles.h"

namespace {

// Runs the program with args (no quotes in them), after the shell commands strShell (limits,
// say): the exit code, and what it wrote to its standard output and error.
std::tuple<int, std::string, std::string> RunKantilo(const std::vector<std::string>& args,
                                                     const ScratchDir& dir,
                                                     const std::string& strShell = "") {
    std::string command = "cd '" + dir.Path().string() + "' && " + strShell + " exec '" +
                          ProgramFile().string() + "'";
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

// Failures (1) and bad usage (2) leave every file as it was, FIFOs and links too, and write none.
TEST(KantiloProgram, FailuresExitWithOneAndBadUsageWithTwo) {
    ScratchDir dir;
    // 100,000 eighths of a 48 kHz 16-bit stereo instrument (48000 bytes an eighth): 4.8 GB.
    CController controller;
    for (int i = 0; i < 12500; ++i) {
        Click(controller, 440, 8);
    }
    ASSERT_TRUE(CDocumentFile::Save(dir.File("lang.kt"), controller).Ok());
    CLied instrument(dir.File("stereo.wav"));
    instrument.SetFormat(48000, 16, 1);
    ASSERT_TRUE(instrument.Allocate(4800));
    instrument.FillSilence();
    instrument.Write();
    ASSERT_EQ(mkfifo(dir.File("fifo.kt").c_str(), 0666), 0);
    fs::create_symlink("fifo.kt", dir.File("zur-fifo.kt"));
    fs::create_symlink("fifo.kt", dir.File("fifo.musicxml"));
    const std::string strLong = dir.File("lang.kt");
    const std::pair<std::vector<std::string>, std::string> kFailures[] = {
        {{dir.File("fifo.musicxml"), "-o", dir.File("x.kt")}, "Unerwartetes Dateiformat.\n"},
        {{dir.File("fehlt.musicxml"), "-o", dir.File("x.kt")},
         dir.File("fehlt.musicxml") + " wurde nicht gefunden.\n"},
        {{dir.Path().string(), "-o", dir.File("x.kt")},
         dir.Path().string() + " enthält eine ungültige Pfadangabe.\n"},
        {{strLong, "-o", dir.File("zur-fifo.kt")},
         "Zugriff auf " + dir.File("zur-fifo.kt") + " wurde verwehrt.\n"},
        // Refused before rendering, when the length is known.
        {{strLong, "-o", dir.File("lang.wav"), "--instrument", dir.File("stereo.wav")},
         "Das Lied ist zu lang für eine WAV-Datei!\n"},
        {{"--gibtsnicht"}, "kantilo: Unbekannte Option: --gibtsnicht\nMehr mit: kantilo --help\n"},
        {{"a.kt", "-o", "x.mp3"},
         "kantilo: die Ausgabedatei muss auf .kt, .wav, .musicxml, .xml, .mid, .midi, .pdf, .svg "
         "oder .png enden: x.mp3\n"},
    };
    for (const auto& [args, strErr] : kFailures) {
        // Only bad usage names the program.
        EXPECT_EQ(RunKantilo(args, dir),
                  std::tuple(strErr.starts_with("kantilo:") ? 2 : 1, "", strErr));
    }
    EXPECT_TRUE(fs::is_fifo(dir.File("fifo.kt")) && fs::is_symlink(dir.File("zur-fifo.kt")));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"fifo.kt", "fifo.musicxml", "lang.kt",
                                                  "stereo.wav", "zur-fifo.kt"}));
}

// Copies keep every byte; MusicXML and MIDI out and MusicXML back in, the song returns as it was.
TEST(KantiloProgram, ConvertsBetweenFormats) {
    ScratchDir dir;
    const std::tuple<int, std::string, std::string> ok(0, "", "");
    EXPECT_EQ(RunKantilo({ExampleFile("example.kt"), "-o", dir.File("kopie.KT")}, dir), ok);
    EXPECT_EQ(ReadBytes(dir.File("kopie.KT")), ReadBytes(ExampleFile("example.kt")));
    const std::string strSource = ExampleFile("beispiel.kt").string();
    EXPECT_EQ(RunKantilo({strSource, "-o", dir.File("lied.musicxml")}, dir), ok);
    EXPECT_EQ(RunKantilo({strSource, "-o", dir.File("lied.MIDI")}, dir), ok);
    EXPECT_EQ(RunKantilo({dir.File("lied.musicxml"), "-o", dir.File("zurueck.kt")}, dir), ok);
    const Bytes midi = ReadBytes(dir.File("lied.MIDI"));
    EXPECT_EQ(std::string(midi.begin(), midi.begin() + std::min<size_t>(4, midi.size())), "MThd");
    EXPECT_EQ(ReadBytes(dir.File("zurueck.kt")), ReadBytes(strSource));
}

// A recording, known by its content, converts like a document: the notices on the error
// stream and 0; a recording refused (here an empty one; the other refusals are the
// transcription's), its message, 1 and no output.
TEST(KantiloProgram, RecordingsAreWrittenDownAsNotes) {
    ScratchDir dir;
    CController song;
    Enter(song, "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/8");
    CSilentProgressSink sink;
    song.Generate(sink, "Standard", dir.File("aufnahme.dat"), 10, 264);
    ASSERT_EQ(sink.Warning(), "");
    auto [nCode, strOut, strErr] = RunKantilo({"aufnahme.dat", "-o", "lied.kt"}, dir);
    EXPECT_EQ(std::tuple(nCode, strOut, strErr),
              std::tuple(0, std::string(), std::string("Tempo 120 Schläge pro Minute erkannt.\n")));
    std::unique_ptr<CController> pBack;
    ASSERT_TRUE(CDocumentFile::Load(dir.File("lied.kt"), pBack).Ok());
    // Rests carry no height in a recording: the sounds are compared.
    EXPECT_EQ(CScoreNotes(pBack->GetSheet()).Sounds(), CScoreNotes(song.GetSheet()).Sounds());
    // With the tempo given nothing needs saying.
    std::tie(nCode, strOut, strErr) =
        RunKantilo({"aufnahme.dat", "--tempo", "120", "--key", "C", "-o", "lied.mid"}, dir);
    EXPECT_EQ(std::tuple(nCode, strErr), std::tuple(0, std::string()));
    EXPECT_TRUE(fs::exists(dir.File("lied.mid")));
    // An empty file named like a recording is an empty recording, not an empty document.
    WriteBytes(dir.File("leer.ogg"), {});
    std::tie(nCode, strOut, strErr) = RunKantilo({"leer.ogg", "-o", "leer.kt"}, dir);
    EXPECT_EQ(std::tuple(nCode, strErr),
              std::tuple(1, std::string("Die Aufnahme „leer.ogg“ ist leer.\n")));
    EXPECT_FALSE(fs::exists(dir.File("leer.kt")));
}

// What an import changed goes to standard error and the conversion succeeds; a refusal names
// every reason and fails.
TEST(KantiloProgram, ImportNoticesGoToStandardError) {
    ScratchDir dir;
    const std::string strCorpus = SourceFile("tests/data/import/").string();
    EXPECT_EQ(RunKantilo({strCorpus + "dreiviertel-g-dur.musicxml", "-o", dir.File("a.kt")}, dir),
              std::tuple(0, "",
                         "Die Taktart 3/4 wurde in 4/4-Takte umgeschrieben; die Melodie klingt "
                         "gleich.\nDie Melodie wurde von G-Dur nach C-Dur übertragen (eine "
                         "Quarte höher).\n"));
    // Sixteenths, a range no octave holds and notes below it.
    EXPECT_EQ(RunKantilo({strCorpus + "sechzehntel-und-umfang.musicxml", "-o", "d.kt"}, dir),
              std::tuple(1, "",
                         "Takt 1: Notenwerte kürzer als ein Achtel gibt es in Kantilo nicht.\n"
                         "Takt 2: Die Tonhöhe C6 gibt es in Kantilo nicht.\n"
                         "Takt 2: Die Tonhöhe E6 gibt es in Kantilo nicht.\n"
                         "Takt 3: Die Tonhöhe A3 gibt es in Kantilo nicht.\n"
                         "Takt 3: Die Tonhöhe F3 gibt es in Kantilo nicht.\n"));
    EXPECT_FALSE(fs::exists(dir.File("d.kt")));
}
