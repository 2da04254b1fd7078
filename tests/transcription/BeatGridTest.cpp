// The grid of eighths found in a sound whose repeated notes are told apart only by the short
// silence before each and the attack after it.
#include <gtest/gtest.h>

#include <cmath>

#include "CBeatGrid.h"
#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr uint32_t kRate = 22050;

struct SPlayed {
    int nKey;  // equal-tempered, A4 = 69
    int nEighths;
};

double Hz(double fKey) { return 440.0 * std::pow(2.0, (fKey - 69) / 12.0); }

// The notes at nQuarters a minute after half a second of silence, each with a short fade in
// and ending 40 ms before the next begins.
std::vector<float> Play(const std::vector<SPlayed>& notes, double fQuarters) {
    const double fEighth = 30.0 / fQuarters;
    std::vector<float> samples(kRate / 2);
    for (const SPlayed& note : notes) {
        const auto nStart = samples.size();
        const auto nSound = size_t((fEighth * note.nEighths - 0.04) * kRate);
        for (size_t i = 0; i < nSound; ++i) {
            const double fFade = std::min({1.0, double(i) / 300, double(nSound - i) / 300});
            samples.push_back(float(0.3 * fFade * std::sin(kTwoPi * Hz(note.nKey) * double(i) / kRate)));
        }
        samples.resize(nStart + size_t(fEighth * note.nEighths * kRate));
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

double FoundQuarters(std::vector<float> samples) {
    const CRecording recording(kRate, std::move(samples));
    const CPitchFrames frames(recording);
    return CBeatGrid(frames, std::nullopt).Quarters();
}

}  // namespace

// One key throughout: only each note's return after its short silence says where it begins,
// and a key heard again after a true silence is a new note.
TEST(TranscriptionBeatGrid, AKeyHeardAgainAfterASilenceIsANewNote) {
    std::vector<SPlayed> notes;
    for (const int nEighths : {1, 2, 1, 3, 2, 1, 1, 3, 2, 1, 2, 4}) {
        notes.push_back({67, nEighths});
    }
    for (const double fQuarters : {90.0, 120.0, 150.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_NEAR(FoundQuarters(Play(notes, fQuarters)), fQuarters, 0.02 * fQuarters);
    }
}
