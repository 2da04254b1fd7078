// The exported files byte for byte and as their readers see them: the schema and mido. What the
// notes sound like to another program, and what comes back, is MuseScorePeerTest's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "CExchangeFormat.h"
#include "ExchangeTestKit.h"

// MIDI: the header; a track with its name, tempo, 4/4, a bend range of two semitones, then the
// bend of C5's 15.64 cents and the quarter itself. MusicXML: the file kept beside the tests.
TEST(Export, OneNoteByteForByte) {
    const auto pSheet = SheetOf({"", "C5/2", {}});
    EXPECT_EQ(CMidiWriter::ToBytes(*pSheet, "t"),
              Hex("4D 54 68 64 00 00 00 06 00 01 00 01 01 E0 4D 54 72 6B 00 00 00 3D 00 FF 03 01"
                  " 74 00 FF 51 03 07 A1 20 00 FF 58 04 04 02 18 08 00 B0 65 00 00 B0 64 00 00 B0"
                  " 06 02 00 B0 26 00 00 B0 65 7F 00 B0 64 7F 00 E0 01 45 00 90 48 50 83 60 80 48"
                  " 00 00 FF 2F 00"));
    const Bytes xml = ReadBytes(SourceFile("tests/data/export/eine-viertel.musicxml"));
    EXPECT_EQ(CMusicXmlWriter::ToText(*pSheet, "t", "2026-12-07"),
              std::string(xml.begin(), xml.end()));
}

TEST(MusicXmlExport, EveryScoreValidatesAgainstTheSchema) {
    if (!Runs("command -v xmllint")) {
        GTEST_SKIP() << "xmllint (Debian libxml2-utils) is not installed";
    }
    ScratchDir dir;
    std::string strFiles;
    const auto save = [&](const CNotenblatt& sheet, const std::string& strTitle) {
        const std::string strPath = dir.File(std::to_string(strFiles.size()) + ".musicxml");
        EXPECT_TRUE(CMusicXmlWriter::Save(sheet, strTitle, strPath).Ok());
        strFiles += " " + strPath;
    };
    for (const TestSong& song : TestSongs()) {
        save(*SheetOf(song), song.strName);
    }
    save(CNotenblatt(), "leer");
    std::unique_ptr<CController> pExample;
    ASSERT_TRUE(CDocumentFile::Load(ExampleFile("beispiel.kt"), pExample).Ok());
    save(pExample->GetSheet(), "Ä & <Lied>");
    const fs::path schema = SourceFile("tests/data/musicxml-4.0");
    const std::string strCommand = "XML_CATALOG_FILES=" + (schema / "catalog.xml").string() +
                                   " xmllint --noout --nonet --schema " +
                                   (schema / "musicxml.xsd").string() + strFiles;
    EXPECT_EQ(std::system(strCommand.c_str()), 0);
}

TEST(MidiExport, MidoReadsTheNotesAndPitchBends) {
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
        ASSERT_TRUE(CMidiWriter::Save(*SheetOf(song), song.strName, strPath).Ok());
        const MidiContents midi = ReadMidi(strPath);
        EXPECT_EQ(midi.sounds, song.sounds);
        auto it = midi.lines.begin();
        for (const Sound& sound : song.sounds) {
            const std::string strBend =
                "bend " + std::to_string(sound.nOnset * 240) + " 0 " +
                std::to_string(8192 + std::lround(cents.at(sound.nKey % 12) * 8192 / 200));
            it = std::find(it, midi.lines.end(), strBend);
            ASSERT_NE(it, midi.lines.end()) << strBend;
        }
    }
}

TEST(Export, RefusesAFrequencyOutsideTheScale) {
    // A document may hold any frequency: the example's last note, A4 at 440 Hz (B8 01), becomes
    // 300 Hz (2C 01).
    Bytes bytes = ReadBytes(ExampleFile("example.kt"));
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

// What Kantilo exports it reads back: a song of more measures than the reader takes is refused
// before anything is written, one whose file would pass the reader's size as soon as it would;
// either way an older file stays as it was.
TEST(MusicXmlExport, RefusesSongsKantiloWouldNotReadBack) {
    ScratchDir dir;
    const std::string strPath = dir.File("lang.musicxml");
    WriteBytes(strPath, Bytes(10, 'a'));
    const std::string strWholes = Repeat(CMusicXmlReader::kMaxMeasures + 1, "C4/8 ");
    CNotenblatt wholes;
    Enter(wholes, strWholes);
    EXPECT_EQ(
        CExchangeFormat::Write(CExchangeFormat::Kind::musicXml, wholes, "lang", strPath).message,
        "Das Lied hat 100001 Takte: MusicXML-Dateien mit mehr als 100000 Takten liest "
        "Kantilo nicht wieder ein.");
    // Eight tied eighths a measure take some 1.5 kB: 50,000 measures pass 64 MiB.
    CNotenblatt eighths;
    Enter(eighths, Repeat(50000 * 8, "E5/1+ "));
    const CFileResult result = CMusicXmlWriter::Save(eighths, "lang", strPath);
    EXPECT_EQ(result.message,
              "Die MusicXML-Datei würde größer als 64 MiB: so große Dateien "
              "liest Kantilo nicht wieder ein.");
    EXPECT_EQ(ReadBytes(strPath), Bytes(10, 'a'));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"lang.musicxml"});
    // As many measures as Kantilo reads back are written.
    CNotenblatt limit;
    Enter(limit, strWholes.substr(5));
    EXPECT_TRUE(CMusicXmlWriter::Save(limit, "lang", strPath).Ok());
    EXPECT_LT(fs::file_size(strPath), CDocumentFile::kMaxFileSize);
}
