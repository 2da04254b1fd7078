// The exported files as their readers see them: the schema, mido, and the notes written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <pugixml.hpp>
#include <regex>

#include "CController.h"
#include "CDocumentFile.h"
#include "CExchangeFormat.h"
#include "CMidiWriter.h"
#include "CMusicXmlWriter.h"
#include "ExchangeTestKit.h"

namespace {

std::string ExportOf(const TestSong& song) {
    return CMusicXmlWriter::ToText(*SheetOf(song), song.strName, "2026-12-07");
}

}  // namespace

TEST(MusicXmlExport, EveryScoreValidatesAgainstTheSchema) {
    if (!HasProgram("xmllint")) {
        GTEST_SKIP() << "xmllint (Debian libxml2-utils) is not installed";
    }
    ScratchDir dir;
    std::string strFiles;
    std::vector<TestSong> songs = TestSongs();
    songs.push_back({"leer", "", {}});
    for (const TestSong& song : songs) {
        const std::string strText = ExportOf(song);
        WriteBytes(dir.File(song.strName + ".musicxml"), Bytes(strText.begin(), strText.end()));
        strFiles.append(" ").append(dir.File(song.strName + ".musicxml"));
    }
    for (const char* pszExample : {"beispiel.kt", "example.kt"}) {
        std::unique_ptr<CController> pLoaded;
        ASSERT_TRUE(CDocumentFile::Load(ExampleFile(pszExample), pLoaded).Ok());
        ASSERT_EQ(CMusicXmlWriter::Save(pLoaded->GetSheet(), "Ä & <Lied>",
                                        dir.File(std::string(pszExample) + ".musicxml"))
                      .message,
                  "");
        strFiles.append(" ").append(dir.File(std::string(pszExample) + ".musicxml"));
    }
    const fs::path schema = SourceFile("tests/data/musicxml-4.0");
    const std::string strCommand = "XML_CATALOG_FILES=" + (schema / "catalog.xml").string() +
                                   " xmllint --noout --nonet --schema " +
                                   (schema / "musicxml.xsd").string() + strFiles + " 2>&1";
    const std::optional<std::string> out = Capture(strCommand);
    EXPECT_TRUE(out.has_value()) << Capture(strCommand + "; true").value_or("");
}

// What the notes sound like is MuseScore's to judge (MuseScorePeerTest).
TEST(MusicXmlExport, WritesTheHeader) {
    const std::string strText = ExportOf(TestSongs()[2]);
    EXPECT_EQ(strText.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(strText.c_str()));
    const pugi::xml_node score = doc.child("score-partwise");
    EXPECT_STREQ(score.attribute("version").value(), "4.0");
    EXPECT_STREQ(score.child("work").child_value("work-title"), "rests");
    EXPECT_STREQ(score.child("identification").child("encoding").child_value("encoding-date"),
                 "2026-12-07");
    EXPECT_TRUE(std::regex_match(CMusicXmlWriter::Today(), std::regex(R"(20\d\d-\d\d-\d\d)")));
}

TEST(MidiExport, MidoReadsTheNotesTempoAndPitchBends) {
    const std::string strPython = MidoPython();
    if (strPython.empty()) {
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
        const MidiContents midi = ReadMidi(strPython, strPath);
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

TEST(MidiExport, BendsStayWithinFourteenBits) {
    EXPECT_EQ(std::tuple(CMidiWriter::BendValue(0), CMidiWriter::BendValue(-200),
                         CMidiWriter::BendValue(200), CMidiWriter::BendValue(-1e9)),
              std::tuple(8192, 0, 16383, 0));
}

TEST(Export, RefusesAFrequencyOutsideTheScale) {
    // A document may hold any frequency: A4's 440 Hz (B8 01) becomes 300 Hz (2C 01).
    CController controller;
    Enter(*controller.GetNotenblatt(), "A4/2 A4/12");
    Bytes bytes = CDocumentFile::Store(controller);
    const Bytes a4 = Hex("B8 01");
    auto it = std::search(bytes.begin(), bytes.end(), a4.begin(), a4.end());
    ASSERT_NE(it, bytes.end());
    *it = 0x2C;
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
