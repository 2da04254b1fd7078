// A note of the same pitch played again without a break and without a fresh attack: the level
// does not show it, but the player tunes the new note afresh, a few cents away from the one
// before. That counts where such steps mark the notes the level tells apart, and nowhere else.
#include <gtest/gtest.h>

#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

constexpr double kQuarters = 100;
constexpr double kEighth = 30.0 / kQuarters;
constexpr double kBreath = 0.04;  // seconds a note sinks in level before the next after a breath

// Each note's own tuning, in cents, by its place in the song.
constexpr double kTuning[] = {12, -10, 5, -14, 8};

// The notes played on at an even level after half a second of silence, each tuned by kTuning;
// before all but the slurred notes the level sinks for a moment (a breath). An unsteady player's
// pitch also moves as much as from note to note at every eighth within a note. A singer's
// vibrato of fVibrato semitones at 5.5 Hz sets in 0.2 s into each note.
std::vector<float> Played(const std::vector<SKeyLength>& notes, const std::vector<size_t>& slurs,
                          bool bUnsteady, double fVibrato = 0) {
    return Performed(notes, kQuarters, [&](const SMoment& at) {
        const bool bBreath = at.n + 1 < notes.size() &&
                             std::find(slurs.begin(), slurs.end(), at.n + 1) == slurs.end();
        const auto nEighth = size_t(at.t / kEighth);
        const double fCents = kTuning[(at.n + (bUnsteady ? nEighth : 0)) % 5];
        return STone{notes[at.n].nKey + fCents / 100 +
                         fVibrato * std::sin(kTwoPi * 5.5 * std::max(0.0, at.t - 0.2)),
                     bBreath && at.t > at.fLasts - kBreath ? 0.3 : 1.0};
    });
}

// Three notes of one key played again after a breath, two without one.
const std::vector<SKeyLength> kNotes = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                                        {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};
const std::vector<size_t> kSlurs = {3, 9};

}  // namespace

TEST(TranscriptionIntonationStep, NotesPlayedAgainInAFreshTuningAreHeardApart) {
    EXPECT_EQ(HeardNotes(Played(kNotes, kSlurs, false), kQuarters), kNotes);
}

// A singer slurs every note of the same key into the one before and breathes only where the pitch
// changes: no level cue of a note sung again is there to learn the steps from, but each such note
// begins steadily, before its vibrato, and a few cents away from the one before.
TEST(TranscriptionIntonationStep, ASteadyStartTunedAfreshBeginsANoteSungAgain) {
    const std::vector<size_t> repeats = {1, 3, 6, 9, 11};
    EXPECT_EQ(HeardNotes(Played(kNotes, repeats, false, 0.2), kQuarters), kNotes);
}

// Where the pitch steps as much within the notes, its steps say nothing: no note begins within a
// held note or where a note is played on without a breath.
TEST(TranscriptionIntonationStep, AnUnsteadyPlayerSplitsNoHeldNote) {
    ExpectOnsetsOnlyWhereNotSlurred(HeardNotes(Played(kNotes, kSlurs, true), kQuarters), kNotes,
                                    kSlurs);
}

namespace {
// Notes held on, each after a breath: each settles from fScoop semitones below its tuning to it
// through its first eighth, and then a vibrato of fDepth semitones sets in at the grid line, its
// swings growing to their full depth over fGrowing seconds.
std::vector<float> Settling(const std::vector<SKeyLength>& notes, double fScoop, double fGrowing,
                            double fDepth) {
    return Performed(notes, kQuarters, [&](const SMoment& at) {
        const double fSwung = std::max(0.0, at.t - kEighth);
        return STone{
            notes[at.n].nKey + kTuning[at.n % 5] / 100 +
                fScoop * std::min(0.0, at.t / kEighth - 1) +
                fDepth * std::min(1.0, fSwung / fGrowing) * std::sin(kTwoPi * 5.5 * fSwung),
            at.t > at.fLasts - kBreath ? 0.3 : 1.0};
    });
}
}  // namespace

// The pitch, still settling as the second eighth begins, goes on into the first swing of a
// vibrato growing in: a step off the note's start and a moment only half as unsteady as the
// vibrato later on. A note tuned afresh begins wholly steady; this one is held on.
TEST(TranscriptionIntonationStep, AVibratoGrowingInAfterASettlingStartSplitsNoNote) {
    const std::vector<SKeyLength> notes = {{62, 4}, {64, 4}, {62, 4}, {65, 4}, {67, 4}, {64, 4}};
    EXPECT_EQ(HeardNotes(Settling(notes, 0.5, 0.2, 0.3), kQuarters), notes);
}
