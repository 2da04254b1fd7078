// MusicXML coming in: our own scores come back byte for byte, other programs' spellings are
// understood, and everything a song cannot hold is refused with the measure and the reason.
#include <gtest/gtest.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "CMusicXmlReader.h"
#include "CMusicXmlWriter.h"
#include "CScoreNotes.h"
#include "ExchangeTestKit.h"

namespace {

std::string Score(const std::string& strMeasures, const std::string& strRoot = "score-partwise") {
    return "<?xml version=\"1.0\"?><" + strRoot +
           " version=\"3.1\"><part-list><score-part "
           "id=\"P1\"><part-name>x</part-name></score-part></part-list><part id=\"P1\">" +
           strMeasures + "</part></" + strRoot + ">";
}

std::string Measure(const std::string& strNotes, const std::string& strAttributes =
                                                     "<attributes><divisions>2</divisions>"
                                                     "<time><beats>4</beats><beat-type>4"
                                                     "</beat-type></time></attributes>") {
    return "<measure>" + strAttributes + strNotes + "</measure>";
}

std::string Note(const std::string& strPitch, int nDuration, const std::string& strMore = "") {
    const std::string strWhat = strPitch == "r"
                                    ? "<rest/>"
                                    : "<pitch><step>" + strPitch.substr(0, 1) + "</step><octave>" +
                                          strPitch.substr(1) + "</octave></pitch>";
    return "<note>" + strWhat + "<duration>" + std::to_string(nDuration) + "</duration>" + strMore +
           "</note>";
}

std::string Altered(std::string strNote, const std::string& strAlter) {
    return strNote.insert(strNote.find("</step>") + 7, "<alter>" + strAlter + "</alter>");
}

CMusicXmlReader::SResult Import(const std::string& strText) {
    return CMusicXmlReader::Parse(
        std::span(reinterpret_cast<const uint8_t*>(strText.data()), strText.size()));
}

std::string MessageOf(const std::string& strText) {
    CMusicXmlReader::SResult result = Import(strText);
    EXPECT_EQ(result.pController == nullptr, !result.strMessage.empty());
    return result.strMessage;
}

// The import of strText is the song entered by those clicks (see Enter).
void ExpectImported(const std::string& strText, const std::string& strEntries) {
    CMusicXmlReader::SResult result = Import(strText);
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    CController entered;
    Enter(*entered.GetNotenblatt(), strEntries);
    EXPECT_EQ(CDocumentFile::Store(*result.pController), CDocumentFile::Store(entered));
}

}  // namespace

TEST(MusicXmlImport, OurScoresComeBackByteForByte) {
    std::vector<TestSong> songs = TestSongs();
    songs.push_back({"leer", "", {}});
    for (const TestSong& song : songs) {
        SCOPED_TRACE(song.strName);
        const auto pSheet = SheetOf(song);
        const std::string strText = CMusicXmlWriter::ToText(*pSheet, "t", "2026-12-07");
        if (!song.bTiedToRest) {
            ExpectImported(strText, song.strEntries);
            continue;
        }
        // The rest a note is tied to comes back as the note the sampler plays.
        const CMusicXmlReader::SResult result = Import(strText);
        ASSERT_NE(result.pController, nullptr) << result.strMessage;
        EXPECT_EQ(CScoreNotes(result.pController->GetSheet()).Sounds(),
                  CScoreNotes(*pSheet).Sounds());
    }
}

TEST(MusicXmlImport, ReadsWhatOtherProgramsWrite) {
    // A pickup marked implicit, padded in front; a dotted quarter entered as Kantilo spells it;
    // divisions of 480; a second voice after a backup; a tie across the bar line; a rest of a
    // whole measure; a short last measure that stays short.
    const std::string strText = Score(
        "<measure implicit=\"yes\"><attributes><divisions>480</divisions></attributes>" +
        Note("G4", 480, "<voice>1</voice><tie type=\"start\"/>") +
        "<backup><duration>480</duration></backup>" + Note("C4", 480, "<voice>2</voice>") +
        "</measure>" +
        Measure(Note("G4", 720, "<voice>1</voice><tie type=\"stop\"/>") +
                    Note("A4", 240, "<voice>1</voice>") + Note("r", 960, "<voice>1</voice>"),
                "") +
        Measure("<note><rest measure=\"yes\"/><duration>1920</duration></note>", "") +
        Measure(Note("C5", 240) + "<forward><duration>240</duration></forward>" + Note("D5", 240),
                ""));
    ExpectImported(strText, "B4/14 B4/12 G4/2 G4/2+ G4/1+ A4/1 B4/14 B4/18 C5/1 B4/11 D5/1");
}

TEST(MusicXmlImport, ShortMeasuresArePaddedSoBarsStayInStep) {
    // Not marked, but more measures follow: a pickup. A short measure inside: rests after it.
    ExpectImported(
        Score(Measure(Note("E4", 2)) + Measure(Note("F4", 4), "") + Measure(Note("G4", 2), "")),
        "B4/14 B4/12 E4/2 F4/4 B4/14 G4/2");
    // A single short measure is a song that ends early, not a pickup.
    ExpectImported(Score(Measure(Note("E4", 2))), "E4/2");
    ExpectImported(Score("<measure/>"), "");
}

TEST(MusicXmlImport, RefusesWhatASongCannotHold) {
    const std::string strQuarter = Note("C4", 2);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Score(Measure(strQuarter) + Measure(strQuarter, "") +
               Measure(Altered(Note("F4", 2), "1"), "")),
         "Takt 3: Die Tonhöhe Fis4 gibt es in Kantilo nicht."},
        {Score(Measure(Note("B3", 2))), "Takt 1: Die Tonhöhe H3 gibt es in Kantilo nicht."},
        {Score(Measure(Altered(Note("B4", 2), "-1"))),
         "Takt 1: Die Tonhöhe B4 gibt es in Kantilo nicht."},
        {Score(Measure(Altered(Note("A4", 2), "0.5"))),
         "Takt 1: Vierteltöne gibt es in Kantilo nicht."},
        {Score(Measure(strQuarter,
                       "<attributes><divisions>2</divisions><time><beats>3</beats>"
                       "<beat-type>4</beat-type></time></attributes>")),
         "Takt 1: Die Taktart 3/4 gibt es in Kantilo nicht."},
        {Score(Measure(strQuarter + Note("E4", 2, "").insert(6, "<chord/>"))),
         "Takt 1: Akkorde gibt es in Kantilo nicht."},
        {Score(Measure(Note("C4", 1,
                            "<time-modification><actual-notes>3</actual-notes>"
                            "<normal-notes>2</normal-notes></time-modification>"))),
         "Takt 1: Triolen und andere N-tolen gibt es in Kantilo nicht."},
        {Score(Measure(Note("C4", 1), "<attributes><divisions>4</divisions></attributes>")),
         "Takt 1: Notenwerte kürzer als ein Achtel gibt es in Kantilo nicht."},
        {Score(Measure(Note("C4", 3), "<attributes><divisions>4</divisions></attributes>")),
         "Takt 1: Notenwerte, die kein Vielfaches eines Achtels sind, gibt es in Kantilo nicht."},
        {Score(Measure("<note><grace/><pitch><step>D</step><octave>4</octave></pitch></note>" +
                       strQuarter)),
         "Takt 1: Vorschlagsnoten gibt es in Kantilo nicht."},
        {Score(Measure(Note("C4", 8)) + Measure(Note("C4", 8) + Note("D4", 1), "")),
         "Takt 2: Der Takt ist länger als 4/4."},
        {Score(Measure("<note><unpitched><display-step>C</display-step><display-octave>4"
                       "</display-octave></unpitched><duration>2</duration></note>")),
         "Takt 1: Noten ohne Tonhöhe gibt es in Kantilo nicht."},
    };
    for (const auto& [strText, strMessage] : cases) {
        EXPECT_EQ(MessageOf(strText), strMessage) << strText;
    }
}

// Entities the document type declares are never expanded, deep nesting is only walked where a
// score has its elements.
TEST(MusicXmlImport, AnythingButAPartwiseScoreIsNoMusicXml) {
    std::string strLaughs = "<?xml version=\"1.0\"?><!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'k'; ++c) {
        strLaughs += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">";
    }
    strLaughs +=
        "]><score-partwise><part><measure><note><pitch><step>&k;</step></pitch>"
        "</note></measure></part></score-partwise>";
    std::string strOpen = "<score-partwise><part><measure>";
    std::string strClose;
    for (int n = 0; n < 200000; ++n) {
        strOpen += "<note>";
        strClose += "</note>";
    }
    for (const std::string& strText :
         {std::string(), std::string("<html></html>"),
          Score(Measure(Note("C4", 2)), "score-timewise"),
          Score(Measure(Note("C4", 2))).substr(0, 150), Score(Measure(Note("C4", 0))),
          Score(Measure(Note("X4", 2))), strLaughs, strOpen,
          strOpen + strClose + "</measure></part></score-partwise>"}) {
        EXPECT_EQ(MessageOf(strText), "Unerwartetes Dateiformat.") << strText.substr(0, 300);
    }
}
