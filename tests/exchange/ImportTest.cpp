// MusicXML coming in: everything a song cannot hold is refused with the measure and the
// reason. Other programs' spellings are the corpus's, our own scores coming back MuseScore's.
#include <gtest/gtest.h>

#include "ExchangeTestKit.h"

namespace {

std::string ScoreXml(const std::string& strMeasures,
                     const std::string& strRoot = "score-partwise") {
    return "<" + strRoot + "><part>" + strMeasures + "</part></" + strRoot + ">";
}

// Without attributes a quarter lasts one division.
std::string Measure(const std::string& strContents) {
    return "<measure>" + strContents + "</measure>";
}

}  // namespace

// A reason without a measure is in measure 1. A pitch is named the German way, a sharp, B flat,
// a flat of a consonant and B natural each by its rule; one outside the key stays outside after
// the key is moved into C, named as written.
TEST(MusicXmlImport, RefusesWhatASongCannotHold) {
    const std::string strQuarter = Notes("C4/1");
    const std::string strEighths = "<attributes><divisions>4</divisions></attributes>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Measure(strQuarter) + Measure(strQuarter) + Measure(Notes("F#4/1")),
         "Takt 3: Die Tonhöhe Fis4 (F♯4) gibt es in Kantilo nicht."},
        {Measure(Notes("Bb4/1")), "Die Tonhöhe B4 (B♭4) gibt es in Kantilo nicht."},
        {Measure(Notes("Db4/1")), "Die Tonhöhe Des4 (D♭4) gibt es in Kantilo nicht."},
        // Wider than Kantilo's range: the octave that leaves the fewest notes out is named.
        {Measure(Notes("C4/1 D4/1 C6/1")), "Die Tonhöhe C6 gibt es in Kantilo nicht."},
        {Measure(Notes("B3/1 A5/1 G5/1")), "Die Tonhöhe H3 (B3) gibt es in Kantilo nicht."},
        {Measure("<note><pitch><step>A</step><alter>0.5</alter><octave>4</octave></pitch>"
                 "<duration>1</duration></note>"),
         "Vierteltöne gibt es in Kantilo nicht."},
        {Measure(strQuarter + Notes("E4/1", "<chord/>")), "Akkorde gibt es in Kantilo nicht."},
        {Measure(Notes("C4/1", "<time-modification/>")),
         "Triolen und andere N-tolen gibt es in Kantilo nicht."},
        {Measure(strEighths + Notes("C4/1")),
         "Notenwerte kürzer als ein Achtel gibt es in Kantilo nicht."},
        {Measure(strEighths + Notes("C4/3")),
         "Notenwerte, die kein Vielfaches eines Achtels sind, gibt es in Kantilo nicht."},
        {Measure(Notes("C4/33")), "Notenwerte länger als acht Takte gibt es in Kantilo nicht."},
        // Two notes of one voice at once, the second after going back.
        {Measure(Notes("C4/2", "<voice>1</voice>") + "<backup><duration>1</duration></backup>" +
                 Notes("E4/1", "<voice>1</voice>")),
         "Akkorde gibt es in Kantilo nicht."},
        {Measure("<note><unpitched/><duration>1</duration></note>"),
         "Noten ohne Tonhöhe gibt es in Kantilo nicht."},
        {Measure("<attributes><key><fifths>1</fifths></key></attributes>" + Notes("G4/1")) +
             Measure(Notes("F4/1")),
         "Takt 2: Die Tonhöhe F4 gibt es nach der Übertragung (eine Quarte höher) in Kantilo "
         "nicht."},
    };
    for (const auto& [strMeasures, strReason] : cases) {
        EXPECT_EQ(Import(ScoreXml(strMeasures)).strMessage,
                  strReason.starts_with("Takt") ? strReason : "Takt 1: " + strReason)
            << strMeasures;
    }
}

// Entities the document type declares are never expanded, deep nesting is only walked where a
// score has its elements, and beyond 100000 measures a score is no melody.
TEST(MusicXmlImport, AnythingButAPartwiseScoreIsNoMusicXml) {
    std::string strLaughs = "<?xml version=\"1.0\"?><!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'k'; ++c) {
        strLaughs += std::string("<!ENTITY ") + c + " \"" +
                     Repeat(10, std::string("&") + char(c - 1) + ";") + "\">";
    }
    strLaughs += "]>" + ScoreXml(Measure(Notes("C4/2").insert(19, "&k;")));
    for (const std::string& strText :
         {std::string(), ScoreXml(Measure(Notes("C4/2")), "score-timewise"), ScoreXml(""),
          "<score-timewise><measure><part id=\"P1\">" + Notes("C4/2") +
              "</part></measure><measure><part id=\"P2\">" + Notes("C4/2") +
              "</part></measure></score-timewise>",
          ScoreXml(Measure(Notes("C4/2"))).substr(0, 50), ScoreXml(Measure(Notes("C4/0"))),
          ScoreXml(Measure(Notes("X4/2"))), strLaughs,
          ScoreXml(Measure(Repeat(200000, "<note>") + Repeat(200000, "</note>"))),
          ScoreXml(Measure("<attributes><divisions>0</divisions></attributes>")),
          ScoreXml(Measure("<attributes><key><fifths>8</fifths></key></attributes>")),
          ScoreXml(Measure("<attributes><time><beats>3</beats><beat-type>0</beat-type></time>"
                           "</attributes>"))}) {
        EXPECT_EQ(Import(strText).strMessage, "Unerwartetes Dateiformat.")
            << strText.substr(0, 300);
    }
}

// The two limits that keep an attack out are told apart from a broken file.
TEST(MusicXmlImport, LimitsHaveMessagesOfTheirOwn) {
    EXPECT_EQ(Import(ScoreXml(Repeat(CMusicXmlReader::kMaxMeasures + 1, "<measure/>"))).strMessage,
              CMusicXmlReader::kTooManyMeasures);
    // A repeat played out beyond the limit is as long as a score beyond it.
    const std::string strRepeated =
        "<measure><barline><repeat direction=\"backward\" times=\"20\"/></barline></measure>";
    EXPECT_EQ(Import(ScoreXml(Repeat(CMusicXmlReader::kMaxMeasures / 10, strRepeated))).strMessage,
              CMusicXmlReader::kTooManyMeasures);
    // So is one measure of many notes played over and over.
    const std::string strNotes = Repeat(CMusicXmlReader::kMaxMeasures / 10, Notes("C4/2"));
    EXPECT_EQ(Import(ScoreXml(Measure(strNotes + "<barline><repeat direction=\"backward\" "
                                                 "times=\"30\"/></barline>")))
                  .strMessage,
              CMusicXmlReader::kTooManyMeasures);
    // Tiny elements would cost many times the file: refused before any tree is built.
    EXPECT_EQ(Import(ScoreXml(Measure(Notes("C4/2") + Repeat(1u << 20, "<a/>")))).strMessage,
              CMusicXmlReader::kTooManyElements);
    std::vector<uint8_t> huge(CDocumentFile::kMaxFileSize + 1, ' ');
    EXPECT_EQ(CMusicXmlReader::Parse(huge).strMessage, CMusicXmlReader::kTooLarge);
}
