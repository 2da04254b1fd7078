// A melody that only one note an octave off makes too wide for Kantilo's C4 to A5 is still
// written down: that note goes an octave towards the rest, and a notice says so.
#include <gtest/gtest.h>

#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

struct SToneNote {
    int nKey;  // equal-tempered, A4 = 69
    int nEighths;
};

// Sine tones at 120 quarters a minute from the first sample on, as Kantilo's own renders
// begin, each ending 30 ms before the next begins so that a repeated key is heard anew.
void WriteTones(const std::string& strPath, const std::vector<SToneNote>& notes) {
    constexpr int kRate = 22050;
    std::vector<float> samples;
    for (const SToneNote& note : notes) {
        const double fHz = 440.0 * std::pow(2.0, (note.nKey - 69) / 12.0);
        const auto nSound = size_t((0.25 * note.nEighths - 0.03) * kRate);
        for (size_t i = 0; i < nSound; ++i) {
            const double fFade = std::min({1.0, double(i) / 200, double(nSound - i) / 200});
            samples.push_back(float(0.4 * fFade * std::sin(kTwoPi * fHz * double(i) / kRate)));
        }
        samples.resize(samples.size() + size_t(0.03 * kRate));
    }
    samples.resize(samples.size() + size_t(kRate));
    WriteRecording(strPath, kWave, kRate, 1, sf_count_t(samples.size()),
                   [&](sf_count_t f, int) { return samples[size_t(f)]; });
}

}  // namespace

TEST(TranscriptionOctaves, AStrayLowNoteIsFoldedIntoKantilosRange) {
    ScratchDir dir;
    // C3 among notes that already reach from C4 to A5.
    WriteTones(dir.File("weit.wav"),
               {{60, 2}, {64, 2}, {67, 2}, {72, 2}, {76, 2}, {79, 2}, {81, 2}, {48, 2}, {60, 4}});
    const CTranscriber::SResult result = CTranscriber::TranscribeFile(dir.File("weit.wav"), {});
    ASSERT_NE(result.pController, nullptr) << result.strMessage;
    CController entered;
    Enter(entered, "C4/2 E4/2 G4/2 C5/2 E5/2 G5/2 A5/2 C4/2 C4/4");
    EXPECT_EQ(SoundsText(result.pController->GetSheet()), SoundsText(entered.GetSheet()));
    EXPECT_EQ(result.notices, (std::vector<std::string>{
                                  "Tempo 120 Schläge pro Minute erkannt.",
                                  "1 Ton wurde um eine Oktave zur Mitte der Melodie versetzt."}));
}

TEST(TranscriptionOctaves, TwoOctavesOfTruePitchesStillDoNotFit) {
    ScratchDir dir;
    // From C3 up to A5 step by step: no single note is astray, folding cannot narrow it enough.
    std::vector<SToneNote> notes;
    for (const int nKey :
         {48, 52, 55, 60, 64, 67, 72, 76, 79, 81, 79, 76, 72, 67, 64, 60, 55, 52, 48}) {
        notes.push_back({nKey, 2});
    }
    WriteTones(dir.File("zwei.wav"), notes);
    const CTranscriber::SResult result = CTranscriber::TranscribeFile(dir.File("zwei.wav"), {});
    EXPECT_EQ(result.pController, nullptr);
    EXPECT_NE(result.strMessage.find("reicht weiter"), std::string::npos) << result.strMessage;
}
