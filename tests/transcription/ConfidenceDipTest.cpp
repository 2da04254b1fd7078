// A note of the same pitch sung again without a break, begun with a breath: neither the level
// nor the pitch shows it, only the pitch tracker's confidence sinks for a moment. That counts
// where such dips mark the notes the level tells apart, and nowhere else.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TranscriptionTestKit.h"

namespace {

constexpr uint32_t kRate = 22050;
constexpr double kQuarters = 100;
constexpr double kEighth = 30.0 / kQuarters;
constexpr double kBreath = 0.04;  // seconds of breath noise as a note sets off
// Eighths into a note from which an unsettled voice wavers, up to which, and how loud its noise.
constexpr double kSettleFrom = 0.5;
constexpr double kSettleTo = 1.1;
constexpr double kSettleNoise = 0.08;

struct SSinger {
    // The notes sung on without a break; before all others the singer breathes (a moment of
    // silence).
    std::vector<size_t> slurs;
    // Whether the breath noise sounds at every eighth within the notes too (a hoarse voice).
    bool bHoarse = false;
    // Whether the voice, arriving at a new pitch, wavers with a soft breath noise from the middle
    // of the note's first eighth a little into its second (an unsettled voice).
    bool bUnsettled = false;
};

bool Slurred(const SSinger& singer, size_t nNote) {
    return std::find(singer.slurs.begin(), singer.slurs.end(), nNote) != singer.slurs.end();
}

// The notes sung after half a second of silence at an even level, each a few cents off and with
// a vibrato from its first moment on (so that no steady start tells the notes), each set off
// with a moment of breath noise.
std::vector<float> Sung(const std::vector<SKeyLength>& notes, const SSinger& singer) {
    static constexpr double kCents[] = {12, -10, 5, -14, 8};
    std::mt19937 noise(20);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    std::vector<float> samples(kRate / 2);
    double fPhase = 0;
    for (size_t nNote = 0; nNote < notes.size(); ++nNote) {
        const double fKey = notes[nNote].nKey + kCents[nNote % 5] / 100;
        const double fLasts = kEighth * notes[nNote].nEighths;
        const bool bBreath = nNote + 1 < notes.size() && !Slurred(singer, nNote + 1);
        for (size_t i = 0; i < size_t(fLasts * kRate); ++i) {
            const double t = double(i) / kRate;
            const double fIntoEighth = std::fmod(t, kEighth);
            const bool bSettling = singer.bUnsettled && nNote > 0 &&
                                   notes[nNote - 1].nKey != notes[nNote].nKey &&
                                   t > kSettleFrom * kEighth && t < kSettleTo * kEighth;
            const bool bNoisy =
                bSettling ||
                (singer.bHoarse ? fIntoEighth < kBreath : Slurred(singer, nNote) && t < kBreath);
            const double fGain = bBreath && t > fLasts - kBreath ? 0.4 : 1.0;
            fPhase += kTwoPi * 440.0 *
                      std::pow(2.0, (fKey + 0.2 * std::sin(kTwoPi * 5.5 * t) - 69) / 12) / kRate;
            samples.push_back(
                float(0.3 * fGain * std::sin(fPhase) +
                      (bNoisy ? (bSettling ? kSettleNoise : 0.15) * white(noise) : 0.0)));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// Three notes of one key sung again after a breath (the level tells them, as it tells every change
// of pitch), two without one.
const std::vector<SKeyLength> kNotes = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                                        {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};
const SSinger kBreathing{.slurs = {3, 9}};

}  // namespace

TEST(TranscriptionConfidenceDip, NotesSungAgainWithoutABreakAreHeardApart) {
    EXPECT_EQ(HeardNotes(Sung(kNotes, kBreathing), kRate, kQuarters), kNotes);
}

// Where the confidence sinks as much within the notes, its dips say nothing: no note begins
// within a held note or where a note is sung on without a break.
TEST(TranscriptionConfidenceDip, AVoiceHoarseThroughoutSplitsNoHeldNote) {
    std::vector<int> begun;  // eighths at which a note begins after a breath
    int nEighths = 0;
    for (size_t n = 0; n < kNotes.size(); ++n) {
        if (!Slurred(kBreathing, n)) {
            begun.push_back(nEighths);
        }
        nEighths += kNotes[n].nEighths;
    }
    SSinger hoarse = kBreathing;
    hoarse.bHoarse = true;
    const std::vector<SKeyLength> heard = HeardNotes(Sung(kNotes, hoarse), kRate, kQuarters);
    int nOnset = 0;
    for (const SKeyLength& note : heard) {
        EXPECT_NE(std::find(begun.begin(), begun.end(), nOnset), begun.end()) << nOnset;
        nOnset += note.nEighths;
    }
    EXPECT_EQ(nOnset, nEighths);
}

// A singer who sets off again without a break as often as with one: the notes the level misses
// are too many among the held eighths to be told from them there, but the confidence does not
// sink in the middle of the held eighths.
TEST(TranscriptionConfidenceDip, ManyNotesSungAgainWithoutABreakAreHeardApart) {
    const std::vector<SKeyLength> notes = {{62, 4}, {62, 4}, {62, 4}, {64, 4}, {64, 4},
                                           {64, 4}, {60, 6}, {62, 4}, {62, 4}};
    const SSinger singer{.slurs = {2, 5, 8}};
    EXPECT_EQ(HeardNotes(Sung(notes, singer), kRate, kQuarters), notes);
}

// A voice still unsettled by a change of pitch as the next eighth begins: that eighth shows the
// dip of the note begun before, not one of its own.
TEST(TranscriptionConfidenceDip, AVoiceUnsettledByAChangeOfPitchSplitsNoHeldNote) {
    SSinger unsettled = kBreathing;
    unsettled.bUnsettled = true;
    EXPECT_EQ(HeardNotes(Sung(kNotes, unsettled), kRate, kQuarters), kNotes);
}
