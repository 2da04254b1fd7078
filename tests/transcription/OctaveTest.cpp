// A melody that only one note an octave off makes too wide for Kantilo's C4 to A5 is still
// written down: that note goes an octave towards the rest, and a notice says so.
#include <gtest/gtest.h>

#include "TranscriptionTestKit.h"

namespace {

// Sine tones at 120 quarters a minute, each ending 40 ms before the next begins so that a
// repeated key is heard anew, transcribed.
CTranscriber::SResult Transcribed(const std::vector<SKeyLength>& notes) {
    const CRecording recording(kRate, Detached(notes, 120, [](double) { return 1.0; }));
    return CTranscriber::Transcribe(recording, {}, "t");
}

}  // namespace

TEST(TranscriptionOctaves, AStrayLowNoteIsFoldedIntoKantilosRange) {
    // C3 among notes that already reach from C4 to A5.
    const CTranscriber::SResult result = Transcribed(
        {{60, 2}, {64, 2}, {67, 2}, {72, 2}, {76, 2}, {79, 2}, {81, 2}, {48, 2}, {60, 4}});
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    EXPECT_EQ(SoundsText(result.pController->GetSheet(), true),
              EnteredSounds("C4/2 E4/2 G4/2 C5/2 E5/2 G5/2 A5/2 C4/2 C4/4", true));
    EXPECT_EQ(result.notices, (std::vector<std::string>{
                                  "Tempo 120 Schläge pro Minute erkannt.",
                                  "1 Ton wurde um eine Oktave zur Mitte der Melodie versetzt."}));
}

TEST(TranscriptionOctaves, TwoOctavesOfTruePitchesStillDoNotFit) {
    // From C3 up to A5 step by step: no single note is astray, folding cannot narrow it enough.
    std::vector<SKeyLength> notes;
    for (const int nKey :
         {48, 52, 55, 60, 64, 67, 72, 76, 79, 81, 79, 76, 72, 67, 64, 60, 55, 52, 48}) {
        notes.push_back({nKey, 2});
    }
    const CTranscriber::SResult result = Transcribed(notes);
    EXPECT_EQ(result.pController, nullptr);
    EXPECT_NE(result.strMessage.find("reicht weiter"), std::string::npos) << result.strMessage;
}

TEST(TranscriptionOctaves, AMelodyOfTwoKeysAlikeIsReadInTheOneThatHoldsIt) {
    // A major without its E and G sharp holds as well in D major, whose tonic triad sounds
    // longer here. Moved from D major into C it would reach from G3 to C5 or G4 to C6, and no
    // single note is astray; from A major it lies between C4 and F5.
    const CTranscriber::SResult result =
        Transcribed({{57, 2}, {59, 2}, {61, 2}, {57, 2}, {62, 2}, {66, 2}, {69, 2}, {74, 2},
                     {71, 2}, {74, 2}, {61, 2}, {57, 4}});
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    EXPECT_EQ(SoundsText(result.pController->GetSheet(), true),
              EnteredSounds("C4/2 D4/2 E4/2 C4/2 F4/2 A4/2 C5/2 F5/2 D5/2 F5/2 E4/2 C4/4", true));
    EXPECT_EQ(result.notices,
              (std::vector<std::string>{"Tempo 120 Schläge pro Minute erkannt; die Melodie wurde "
                                        "von A-Dur nach C-Dur übertragen (eine kleine Terz höher)."}));
}
