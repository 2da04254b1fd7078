// A note of the same pitch sung again without a break, begun with a breath: neither the level
// nor the pitch shows it, only the pitch tracker's confidence sinks for a moment. That counts
// where such dips mark the notes the level tells apart, and nowhere else.
#include <gtest/gtest.h>

#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

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
    return Performed(notes, kQuarters, [&](const SMoment& at) {
        const double t = at.t;
        const bool bBreath = at.n + 1 < notes.size() && !Slurred(singer, at.n + 1);
        const bool bSettling = singer.bUnsettled && at.n > 0 &&
                               notes[at.n - 1].nKey != notes[at.n].nKey &&
                               t > kSettleFrom * kEighth && t < kSettleTo * kEighth;
        const bool bNoisy = bSettling || (singer.bHoarse ? std::fmod(t, kEighth) < kBreath
                                                         : Slurred(singer, at.n) && t < kBreath);
        return STone{notes[at.n].nKey + kCents[at.n % 5] / 100 + 0.2 * std::sin(kTwoPi * 5.5 * t),
                     bBreath && t > at.fLasts - kBreath ? 0.4 : 1.0,
                     bNoisy ? (bSettling ? kSettleNoise : 0.15) : 0.0};
    });
}

// Three notes of one key sung again after a breath (the level tells them, as it tells every change
// of pitch), two without one.
const std::vector<SKeyLength> kNotes = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                                        {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};
const SSinger kBreathing{.slurs = {3, 9}};

}  // namespace

TEST(TranscriptionConfidenceDip, NotesSungAgainWithoutABreakAreHeardApart) {
    EXPECT_EQ(HeardNotes(Sung(kNotes, kBreathing), kQuarters), kNotes);
}

// Where the confidence sinks as much within the notes, its dips say nothing: no note begins
// within a held note or where a note is sung on without a break.
TEST(TranscriptionConfidenceDip, AVoiceHoarseThroughoutSplitsNoHeldNote) {
    SSinger hoarse = kBreathing;
    hoarse.bHoarse = true;
    ExpectOnsetsOnlyWhereNotSlurred(HeardNotes(Sung(kNotes, hoarse), kQuarters), kNotes,
                                    kBreathing.slurs);
}

// A singer who sets off again without a break as often as with one: the notes the level misses
// are too many among the held eighths to be told from them there, but the confidence does not
// sink in the middle of the held eighths.
TEST(TranscriptionConfidenceDip, ManyNotesSungAgainWithoutABreakAreHeardApart) {
    const std::vector<SKeyLength> notes = {{62, 4}, {62, 4}, {62, 4}, {64, 4}, {64, 4},
                                           {64, 4}, {60, 6}, {62, 4}, {62, 4}};
    const SSinger singer{.slurs = {2, 5, 8}};
    EXPECT_EQ(HeardNotes(Sung(notes, singer), kQuarters), notes);
}

// A voice still unsettled by a change of pitch as the next eighth begins: that eighth shows the
// dip of the note begun before, not one of its own.
TEST(TranscriptionConfidenceDip, AVoiceUnsettledByAChangeOfPitchSplitsNoHeldNote) {
    SSinger unsettled = kBreathing;
    unsettled.bUnsettled = true;
    EXPECT_EQ(HeardNotes(Sung(kNotes, unsettled), kQuarters), kNotes);
}
