// The pitch every frame holds where a voice or an ensemble wavers.
#include <gtest/gtest.h>

#include <cmath>

#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr uint32_t kRate = 22050;

// Tones of key nKey (A4 = 69) one after the other, phase-continuous.
struct SPiece {
    int nKey;
    double fSeconds;
};

std::vector<float> Pieces(const std::vector<SPiece>& pieces) {
    std::vector<float> samples(kRate / 2);
    double fPhase = 0;
    for (const SPiece& piece : pieces) {
        const double fHz = 440.0 * std::pow(2.0, (piece.nKey - 69) / 12.0);
        for (size_t i = 0; i < size_t(piece.fSeconds * kRate); ++i) {
            fPhase += kTwoPi * fHz / kRate;
            samples.push_back(float(0.3 * std::sin(fPhase)));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

}  // namespace

// A short note that loses its pitch for two frames in its middle (a squeak above any melody)
// is still a note of its own: the steady note after it does not take its frames over as its
// own slow start.
TEST(TranscriptionPitchFrames, AShortWaveringNoteKeepsItsPitch) {
    const CRecording recording(kRate,
                               Pieces({{67, 0.5}, {69, 0.04}, {103, 0.02}, {69, 0.04}, {70, 0.6}}));
    const CPitchFrames frames(recording);
    // Frames of 10 ms after half a second of silence: G from 50, A from 100, B flat from 110.
    for (size_t n = 60; n < 98; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 7) << n;
    }
    for (size_t n = 100; n < 108; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 9) << n;
    }
    for (size_t n = 114; n < 160; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 10) << n;
    }
}
