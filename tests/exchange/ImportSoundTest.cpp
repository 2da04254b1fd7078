// Scores other programs write come in sounding as they do there: keys moved into C, repeats
// played out, transposing instruments at their sounding pitch, only the first voice, and the
// user told what was changed.
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

// Keys, transposing instruments, repeats and voices as heard, and the notice each change
// gives. How whole melodies of each kind sound is ImportCorpusTest's, against MuseScore.
TEST(MusicXmlSound, ChangesSoundAsWrittenAndAreNamed) {
    const std::string strAlto =
        "<transpose><diatonic>-5</diatonic><chromatic>-9</chromatic>"
        "<octave-change>-1</octave-change></transpose>";
    const std::string strRepeat =
        "<barline location=\"left\"><repeat direction=\"forward\"/></barline>" + Notes("F4/4") +
        "<barline location=\"right\"><repeat direction=\"backward\" times=\"3\"/></barline>";
    const std::tuple<std::string, std::vector<Sound>, std::vector<std::string>> kCases[] = {
        {Score(Key(1, "minor"), {Notes("E5/1 F#5/1 G5/2")}),
         Line(0, {{69, 2}, {71, 2}, {72, 4}}),
         {"Die Melodie wurde von e-Moll nach a-Moll übertragen (eine Quinte tiefer)."}},
        {Score(Key(0), {Notes("C6/2 G6/2")}),
         Line(0, {{72, 4}, {79, 4}}),
         {"Die Melodie wurde eine Oktave tiefer gesetzt."}},
        // An alto saxophone's octave change counts too; sounding pitch needs no notice.
        {Score(Key(3) + strAlto, {Notes("A5/2 C#6/2")}), Line(0, {{60, 4}, {64, 4}}), {}},
        {Score("", {Notes("C4/4"), strRepeat}),
         Line(0, {{60, 8}, {65, 8}, {65, 8}, {65, 8}}),
         {"Wiederholungen wurden ausgeschrieben."}},
        // A second voice after <backup> without <voice> elements is not heard.
        {Score("", {Notes("E4/2 G4/2") + "<backup><duration>4</duration></backup>" + Notes("C4/4"),
                    Notes("A4/4")}),
         Line(0, {{64, 4}, {67, 4}, {69, 8}}),
         {"Nur die erste Stimme wurde übernommen."}},
        // Nor are cue and grace notes; a cue note's time stays as a rest.
        {Score("", {Notes("C5/2", "<cue/>") + Notes("D4/2"),
                    Notes("A4/1", "<grace/>") + Notes("G4/4")}),
         Line(4, {{62, 4}, {67, 8}}),
         {"Vorschlagsnoten wurden weggelassen."}},
    };
    for (const auto& [strScore, sounds, notices] : kCases) {
        SCOPED_TRACE(strScore);
        const CMusicXmlReader::SResult result = Import(strScore);
        EXPECT_EQ(SoundsOf(result), sounds);
        EXPECT_EQ(result.notices, notices);
    }
    // A note outside the key stays outside after the move: named as written.
    EXPECT_EQ(Import(Score(Key(1), {Notes("G4/1"), Notes("F4/1")})).strMessage,
              "Takt 2: Die Tonhöhe F4 gibt es nach der Übertragung (eine Quarte höher) in "
              "Kantilo nicht.");
}
