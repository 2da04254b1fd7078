// The grid of eighths found in a sound that wavers of itself (a choir, a whistle) and in one
// whose repeated notes are told apart by their attacks alone.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

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

const std::vector<SPlayed> kMelody = {{64, 2}, {67, 1}, {65, 3}, {69, 2}, {67, 1}, {64, 3}, {62, 2},
                                      {65, 1}, {69, 2}, {71, 3}, {67, 1}, {64, 2}, {60, 4}};

double Hz(double fKey) { return 440.0 * std::pow(2.0, (fKey - 69) / 12.0); }

// The notes at nQuarters a minute after half a second of silence, each with a short fade in
// and ending 40 ms before the next begins; fLevel(time) shapes the loudness within notes.
template <typename TLevel>
std::vector<float> Play(const std::vector<SPlayed>& notes, double fQuarters, TLevel fLevel) {
    const double fEighth = 30.0 / fQuarters;
    std::vector<float> samples(kRate / 2);
    for (const SPlayed& note : notes) {
        const auto nStart = samples.size();
        const auto nSound = size_t((fEighth * note.nEighths - 0.04) * kRate);
        for (size_t i = 0; i < nSound; ++i) {
            const double t = double(nStart + i) / kRate;
            const double fFade = std::min({1.0, double(i) / 300, double(nSound - i) / 300});
            samples.push_back(float(0.3 * fFade * fLevel(t) * std::sin(kTwoPi * Hz(note.nKey) * double(i) / kRate)));
        }
        samples.resize(nStart + size_t(fEighth * note.nEighths * kRate));
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// Irregular times, 100 to 250 ms apart, from a fixed seed.
std::vector<double> IrregularTimes(double fUntil) {
    std::mt19937 random(7);
    std::vector<double> times;
    for (double t = 0.5; t < fUntil; t += 0.1 + 0.15 * double(random() % 1000) / 1000) {
        times.push_back(t);
    }
    return times;
}

double FoundQuarters(std::vector<float> samples) {
    const CRecording recording(kRate, std::move(samples));
    const CPitchFrames frames(recording);
    return CBeatGrid(frames, std::nullopt).Quarters();
}

}  // namespace

// Every new key falls on an eighth; the sound's own wavering dips it by 20 dB for 30 ms every
// 100 to 250 ms at no eighth in particular, each dip rising again like an attack.
TEST(TranscriptionBeatGrid, AWaveringSoundsOwnRisesDoNotMoveTheGrid) {
    const std::vector<double> dips = IrregularTimes(12);
    const auto wavering = [&](double t) {
        for (const double fDip : dips) {
            if (t >= fDip && t < fDip + 0.03) {
                return 0.1;
            }
        }
        return 1.0;
    };
    for (const double fQuarters : {84.0, 100.0, 136.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_NEAR(FoundQuarters(Play(kMelody, fQuarters, wavering)), fQuarters, 0.02 * fQuarters);
    }
}

// One key throughout: only the attacks after each note's short silence say where notes begin,
// and a steady sound's attacks still count fully.
TEST(TranscriptionBeatGrid, ASteadySoundsAttacksAloneGiveTheGrid) {
    std::vector<SPlayed> notes;
    for (const int nEighths : {1, 2, 1, 3, 2, 1, 1, 3, 2, 1, 2, 4}) {
        notes.push_back({67, nEighths});
    }
    for (const double fQuarters : {90.0, 120.0, 150.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_NEAR(FoundQuarters(Play(notes, fQuarters, [](double) { return 1.0; })), fQuarters,
                    0.02 * fQuarters);
    }
}
