// Scores other programs write come in sounding as they do there: time signatures laid into
// 4/4 bars, keys moved into C, repeats played out, transposing instruments at their sounding
// pitch, only the first voice, and the user told what was changed.
#include <gtest/gtest.h>

#include <sstream>

#include "ExchangeTestKit.h"

namespace {

// A score of one part; strAttributes open the first measure.
std::string Score(const std::string& strAttributes, const std::vector<std::string>& measures) {
    std::string strText = "<score-partwise><part id=\"P1\">";
    for (size_t n = 0; n < measures.size(); ++n) {
        strText += "<measure number=\"" + std::to_string(n + 1) + "\">" +
                   (n == 0 ? "<attributes>" + strAttributes + "</attributes>" : "") + measures[n] +
                   "</measure>";
    }
    return strText + "</part></score-partwise>";
}

std::string Time(int nBeats, int nType) {
    return "<time><beats>" + std::to_string(nBeats) + "</beats><beat-type>" +
           std::to_string(nType) + "</beat-type></time>";
}

std::string Key(int nFifths, const std::string& strMode = "major") {
    return "<key><fifths>" + std::to_string(nFifths) + "</fifths><mode>" + strMode +
           "</mode></key>";
}

// One note after the other, each n eighths long, from nOnset on.
std::vector<Sound> Line(int64_t nOnset, const std::vector<std::pair<int32_t, int64_t>>& notes) {
    std::vector<Sound> sounds;
    for (const auto& [nKey, nLength] : notes) {
        sounds.push_back(Sound{nOnset, nKey, nLength});
        nOnset += nLength;
    }
    return sounds;
}

}  // namespace

// 3/4 with a one-beat pickup: rests before it so that the first full measure starts a bar,
// then the measures follow each other without gaps, notes crossing bar lines tied.
TEST(MusicXmlSound, AnyTimeSignatureIsLaidIntoFourFourBars) {
    const CMusicXmlReader::SResult waltz = Import(Score(
        Time(3, 4), {Notes("G4/1"), Notes("C5/2 E5/1"), Notes("D5/3"), Notes("C5/1 B4/1 A4/1")}));
    EXPECT_EQ(SoundsOf(waltz),
              Line(6, {{67, 2}, {72, 4}, {76, 2}, {74, 6}, {72, 2}, {71, 2}, {69, 2}}));
    EXPECT_EQ(waltz.notices, std::vector<std::string>{
                                 "Die Taktart 3/4 wurde in 4/4-Takte umgeschrieben; die Melodie "
                                 "klingt gleich."});
    // 6/8 in eighths of three divisions, a pickup of one eighth, and a change to 2/4.
    const CMusicXmlReader::SResult jig =
        Import(Score("<divisions>2</divisions>" + Time(6, 8),
                     {Notes("E4/1"), Notes("A4/3 C5/1 B4/1 A4/1"),
                      "<attributes>" + Time(2, 4) + "</attributes>" + Notes("G4/2 E4/2")}));
    EXPECT_EQ(SoundsOf(jig),
              Line(7, {{64, 1}, {69, 3}, {72, 1}, {71, 1}, {69, 1}, {67, 2}, {64, 2}}));
    EXPECT_EQ(jig.notices.size(), 2u);
    EXPECT_EQ(jig.notices.back(),
              "Die Taktart 2/4 wurde in 4/4-Takte umgeschrieben; die Melodie klingt gleich.");
}

// G major a fifth down, E minor to A minor a fifth down too, and a melody in C that lies an
// octave too high comes down.
TEST(MusicXmlSound, AnyKeyIsMovedIntoC) {
    const CMusicXmlReader::SResult g = Import(Score(Key(1), {Notes("G4/1 A4/1 B4/1 F#5/1")}));
    EXPECT_EQ(SoundsOf(g), Line(0, {{60, 2}, {62, 2}, {64, 2}, {71, 2}}));
    EXPECT_EQ(g.notices, std::vector<std::string>{
                             "Die Melodie wurde von G-Dur nach C-Dur übertragen (eine Quinte "
                             "tiefer)."});
    const CMusicXmlReader::SResult e = Import(Score(Key(1, "minor"), {Notes("E5/1 F#5/1 G5/2")}));
    EXPECT_EQ(SoundsOf(e), Line(0, {{69, 2}, {71, 2}, {72, 4}}));
    EXPECT_EQ(e.notices, std::vector<std::string>{
                             "Die Melodie wurde von e-Moll nach a-Moll übertragen (eine Quinte "
                             "tiefer)."});
    const CMusicXmlReader::SResult high = Import(Score(Key(0), {Notes("C6/2 G6/2")}));
    EXPECT_EQ(SoundsOf(high), Line(0, {{72, 4}, {79, 4}}));
    EXPECT_EQ(high.notices,
              std::vector<std::string>{"Die Melodie wurde eine Oktave tiefer gesetzt."});
    // A note outside the key stays outside after the move: named as written.
    EXPECT_EQ(Import(Score(Key(1), {Notes("G4/1"), Notes("F4/1")})).strMessage,
              "Takt 2: Die Tonhöhe F4 gibt es nach der Übertragung (eine Quarte höher) in "
              "Kantilo nicht.");
}

// A clarinet in B flat, written in D major, sounds in C major a tone lower; an alto
// saxophone's octave change counts too.
TEST(MusicXmlSound, ATransposingInstrumentSoundsAtItsPitch) {
    const std::string strClarinet =
        "<transpose><diatonic>-1</diatonic><chromatic>-2</chromatic></transpose>";
    const CMusicXmlReader::SResult clarinet =
        Import(Score(Key(2) + strClarinet, {Notes("E4/1 F#4/1 G4/1 A4/1")}));
    EXPECT_EQ(SoundsOf(clarinet), Line(0, {{62, 2}, {64, 2}, {65, 2}, {67, 2}}));
    EXPECT_TRUE(clarinet.notices.empty());
    const std::string strAlto =
        "<transpose><diatonic>-5</diatonic><chromatic>-9</chromatic>"
        "<octave-change>-1</octave-change></transpose>";
    EXPECT_EQ(SoundsOf(Import(Score(Key(3) + strAlto, {Notes("A5/2 C#6/2")}))),
              Line(0, {{60, 4}, {64, 4}}));
}

// A repeat with first and second endings, then a repeat played three times.
TEST(MusicXmlSound, RepeatsAndEndingsArePlayedAsWritten) {
    const std::string strForward =
        "<barline location=\"left\"><repeat direction=\"forward\"/></barline>";
    const auto ending = [](const std::string& strNumber, const std::string& strType,
                           const std::string& strLocation) {
        return "<barline location=\"" + strLocation + "\"><ending number=\"" + strNumber +
               "\" type=\"" + strType + "\"/>" +
               (strLocation == "right" && strType == "stop" && strNumber == "1"
                    ? "<repeat direction=\"backward\"/>"
                    : "") +
               "</barline>";
    };
    const CMusicXmlReader::SResult result = Import(
        Score("", {strForward + Notes("C4/4"),
                   ending("1", "start", "left") + Notes("D4/4") + ending("1", "stop", "right"),
                   ending("2", "start", "left") + Notes("E4/4") + ending("2", "stop", "right"),
                   strForward + Notes("F4/4") +
                       "<barline location=\"right\"><repeat direction=\"backward\" times=\"3\"/>"
                       "</barline>",
                   Notes("G4/4")}));
    EXPECT_EQ(SoundsOf(result),
              Line(0, {{60, 8}, {62, 8}, {60, 8}, {64, 8}, {65, 8}, {65, 8}, {65, 8}, {67, 8}}));
    EXPECT_EQ(result.notices, std::vector<std::string>{"Wiederholungen wurden ausgeschrieben."});
}

// D.C. al Fine and D.S. al Coda, given as <sound> in directions, the repeats not taken again.
TEST(MusicXmlSound, JumpsArePlayedOnce) {
    const std::string strBack = "<barline><repeat direction=\"backward\"/></barline>";
    const auto sound = [](const std::string& strAttribute) {
        return "<direction><sound " + strAttribute + "/></direction>";
    };
    EXPECT_EQ(
        SoundsOf(
            Import(Score("", {Notes("C4/4"), Notes("D4/4") + sound("fine=\"yes\""),
                              Notes("E4/4") + strBack, Notes("F4/4") + sound("dacapo=\"yes\"")}))),
        Line(0, {{60, 8}, {62, 8}, {64, 8}, {60, 8}, {62, 8}, {64, 8}, {65, 8}, {60, 8}, {62, 8}}));
    EXPECT_EQ(
        SoundsOf(Import(Score(
            "", {Notes("C4/4"), sound("segno=\"s\"") + Notes("D4/4") + sound("tocoda=\"c\""),
                 Notes("E4/4") + sound("dalsegno=\"s\""), sound("coda=\"c\"") + Notes("G4/4")}))),
        Line(0, {{60, 8}, {62, 8}, {64, 8}, {62, 8}, {67, 8}}));
}

// A second voice after <backup> without <voice> elements, cue notes and grace notes are not
// heard; a cue note's time stays as a rest in the first voice.
TEST(MusicXmlSound, OnlyTheFirstVoiceSounds) {
    const CMusicXmlReader::SResult voices = Import(
        Score("", {Notes("E4/2 G4/2") + "<backup><duration>4</duration></backup>" + Notes("C4/4"),
                   Notes("A4/4")}));
    EXPECT_EQ(SoundsOf(voices), Line(0, {{64, 4}, {67, 4}, {69, 8}}));
    EXPECT_EQ(voices.notices, std::vector<std::string>{"Nur die erste Stimme wurde übernommen."});
    const CMusicXmlReader::SResult cue = Import(Score(
        "", {Notes("C5/2", "<cue/>") + Notes("D4/2"), Notes("A4/1", "<grace/>") + Notes("G4/4")}));
    EXPECT_EQ(SoundsOf(cue), Line(4, {{62, 4}, {67, 8}}));
    EXPECT_EQ(cue.notices, std::vector<std::string>{"Vorschlagsnoten wurden weggelassen."});
}

// Decimal durations that are whole eighths, and the same score nested timewise.
TEST(MusicXmlSound, DecimalDurationsAndTimewiseScores) {
    const std::string strDecimal =
        "<note><pitch><step>C</step><octave>5</octave></pitch><duration>1.5</duration></note>"
        "<note><pitch><step>D</step><octave>5</octave></pitch><duration>0.49999999</duration>"
        "</note>";
    EXPECT_EQ(SoundsOf(Import(Score("", {strDecimal}))), Line(0, {{72, 3}, {74, 1}}));
    const std::string strTimewise = "<score-timewise><measure number=\"1\"><part id=\"P1\">" +
                                    Notes("C4/2") + "</part><part id=\"P2\">" + Notes("A5/2") +
                                    "</part></measure><measure number=\"2\">"
                                    "<part id=\"P2\">" +
                                    Notes("B4/2") + "</part><part id=\"P1\">" + Notes("E4/4") +
                                    "</part></measure></score-timewise>";
    const CMusicXmlReader::SResult timewise = Import(strTimewise);
    EXPECT_EQ(SoundsOf(timewise), Line(4, {{60, 4}, {64, 8}}));
}

// Every reason is named with its measure, ten of them and then how many more.
TEST(MusicXmlSound, ARefusalNamesEveryProblem) {
    std::vector<std::string> measures;
    for (int n = 0; n < 12; ++n) {
        measures.push_back(Notes(n % 2 == 0 ? "F#4/4" : "C4/4 D4/4", n % 2 == 0 ? "" : "<chord/>"));
    }
    measures[1] = Notes("C4/2 Eb4/2");
    const std::string strMessage = Import(Score("", measures)).strMessage;
    EXPECT_EQ(strMessage.substr(0, strMessage.find('\n', strMessage.find('\n') + 1)),
              "Takt 1: Die Tonhöhe Fis4 (F♯4) gibt es in Kantilo nicht.\n"
              "Takt 2: Die Tonhöhe Es4 (E♭4) gibt es in Kantilo nicht.");
    EXPECT_EQ(std::count(strMessage.begin(), strMessage.end(), '\n'), 10);
    EXPECT_TRUE(strMessage.ends_with("\n… und 2 weitere.")) << strMessage;
}

TEST(MusicXmlSound, TheTitleComesFromTheWorkOrTheMovement) {
    for (const auto& [strHead, strTitle] :
         {std::pair<std::string, std::string>{"<work><work-title> Der Mond ist aufgegangen "
                                              "</work-title></work><movement-title>Satz"
                                              "</movement-title>",
                                              "Der Mond ist aufgegangen"},
          {"<movement-title>Satz</movement-title>", "Satz"},
          {"", ""}}) {
        EXPECT_EQ(Import("<score-partwise>" + strHead + "<part><measure>" + Notes("C4/1") +
                         "</measure></part></score-partwise>")
                      .strTitle,
                  strTitle);
    }
}

// Laid into 4/4, a rest may cross a bar line: it is entered bar by bar, untied, so that the
// song exports and comes back byte for byte, as every imported song must.
TEST(MusicXmlSound, RestsAcrossBarLinesComeBackUnchanged) {
    const CMusicXmlReader::SResult waltz = Import(Score(
        Time(3, 4), {Notes("C4/1 r/2"), Notes("r/2 D4/1"), Notes("E4/1 r/2"), Notes("F4/3")}));
    ASSERT_NE(waltz.pController, nullptr) << waltz.strMessage;
    ExpectSameSong(
        Import(CMusicXmlWriter::ToText(waltz.pController->GetSheet(), "t", "2026-12-07")), waltz);
    EXPECT_EQ(SoundsOf(waltz),
              (std::vector<Sound>{{0, 60, 2}, {10, 62, 2}, {12, 64, 2}, {18, 65, 6}}));
}
