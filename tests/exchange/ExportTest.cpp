// The exported files as their readers see them: the schema and mido. What the notes sound like
// to another program, and what comes back, is MuseScorePeerTest's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "CController.h"
#include "CDocumentFile.h"
#include "CExchangeFormat.h"
#include "CMidiWriter.h"
#include "CMusicXmlWriter.h"
#include "ExchangeTestKit.h"

TEST(MusicXmlExport, EveryScoreValidatesAgainstTheSchema) {
    if (!Runs("command -v xmllint")) {
        GTEST_SKIP() << "xmllint (Debian libxml2-utils) is not installed";
    }
    ScratchDir dir;
    std::string strFiles;
    const auto save = [&](const CNotenblatt& sheet, const std::string& strTitle,
                          std::string strName) {
        ASSERT_EQ(CMusicXmlWriter::Save(sheet, strTitle, dir.File(strName + ".musicxml")).message,
                  "");
        strFiles.append(" ").append(dir.File(strName + ".musicxml"));
    };
    for (const TestSong& song : TestSongs()) {
        save(*SheetOf(song), song.strName, song.strName);
    }
    save(CNotenblatt(), "leer", "leer");
    for (const char* pszExample : {"beispiel.kt", "example.kt"}) {
        std::unique_ptr<CController> pLoaded;
        ASSERT_TRUE(CDocumentFile::Load(ExampleFile(pszExample), pLoaded).Ok());
        save(pLoaded->GetSheet(), "Ä & <Lied>", pszExample);
    }
    const fs::path schema = SourceFile("tests/data/musicxml-4.0");
    const std::string strCommand = "XML_CATALOG_FILES=" + (schema / "catalog.xml").string() +
                                   " xmllint --noout --nonet --schema " +
                                   (schema / "musicxml.xsd").string() + strFiles + " 2>&1";
    const std::optional<std::string> out = Capture(strCommand);
    EXPECT_TRUE(out.has_value()) << Capture(strCommand + "; true").value_or("");
}

TEST(MidiExport, MidoReadsTheNotesTempoAndPitchBends) {
    if (!Runs(kPython + " -c 'import mido'")) {
        GTEST_SKIP() << "mido (Debian python3-mido) is not installed";
    }
    // Just intonation against equal temperament, in cents, per pitch class of C major.
    const std::map<int32_t, double> cents = {{0, 15.64}, {2, 19.55}, {4, 1.96}, {5, 13.69},
                                             {7, 17.60}, {9, 0.0},   {11, 3.91}};
    ScratchDir dir;
    for (const TestSong& song : TestSongs()) {
        SCOPED_TRACE(song.strName);
        const std::string strPath = dir.File(song.strName + ".mid");
        ASSERT_EQ(CMidiWriter::Save(*SheetOf(song), song.strName, strPath).message, "");
        const MidiContents midi = ReadMidi(strPath);
        EXPECT_EQ(midi.sounds, song.sounds);
        const std::vector<std::string> head(midi.lines.begin(), midi.lines.begin() + 5);
        EXPECT_EQ(head,
                  (std::vector<std::string>{"type 1 1", "division 480", "name " + song.strName,
                                            "tempo 0 500000", "rpn 0 0 2"}));
        size_t nBend = 0;
        for (const Sound& sound : song.sounds) {
            const double fCents = cents.at(sound.nKey % 12);
            const std::string strBend = "bend " + std::to_string(sound.nOnset * 240) + " 0 " +
                                        std::to_string(8192 + std::lround(fCents * 8192 / 200));
            auto it = std::find(midi.lines.begin() + nBend, midi.lines.end(), strBend);
            ASSERT_NE(it, midi.lines.end()) << strBend;
            nBend = size_t(it - midi.lines.begin()) + 1;
        }
    }
}

TEST(Export, RefusesAFrequencyOutsideTheScale) {
    // A document may hold any frequency: the example's last note, A4 at 440 Hz (B8 01), becomes
    // 300 Hz (2C 01).
    Bytes bytes = ReadBytes(ExampleFile("example.kt"));
    ASSERT_EQ(bytes.at(bytes.size() - 6), 0xB8);
    bytes.at(bytes.size() - 6) = 0x2C;
    std::unique_ptr<CController> pOdd;
    ASSERT_TRUE(CDocumentFile::Parse(bytes, pOdd).Ok());
    ScratchDir dir;
    for (const char* pszName : {"x.musicxml", "x.mid"}) {
        EXPECT_EQ(CExchangeFormat::Write(CExchangeFormat::FromPath(pszName), pOdd->GetSheet(), "x",
                                         dir.File(pszName))
                      .message,
                  "Die Tonhöhe 300 Hz lässt sich nicht exportieren.");
    }
    EXPECT_TRUE(dir.Names().empty());
}
