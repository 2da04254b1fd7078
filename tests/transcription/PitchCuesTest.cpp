// Where the pitch alone tells notes apart, the level saying nothing: a note of the same key sung
// again begins steadily before the vibrato sets in, or is tuned afresh a few cents away; and
// where it does not: a vibrato that never stops, an unsteady player.
#include <gtest/gtest.h>

#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

using ECheck = SStyle::ECheck;
using SNotes = std::vector<SKeyLength>;

// A few cents off, as a singer's notes are: each note's own tuning, by its place in the song.
double Cents(size_t n) {
    static constexpr double kCents[] = {12, -10, 5, -14, 8};
    return kCents[n % 5] / 100;
}

// A singer at an even level, each note a few cents off and sung on without a break, whose
// vibrato (a fifth of a semitone) sets in fDelay seconds into each note.
auto Singing(double fDelay) {
    return [fDelay](const SNotes& notes, double fQuarters) {
        return Performed(notes, fQuarters, [&](const SMoment& at) {
            const double t = at.t - fDelay;
            return STone{
                notes[at.n].nKey + Cents(at.n) + std::clamp(t / 0.05, 0.0, 1.0) * Vibrato(0.2, t),
                at.n == 0 ? std::min(1.0, at.t / 0.01) : 1.0};
        });
    };
}

// A player at an even level whose notes are each tuned afresh, who sinks to 0.3 of the level for
// 40 ms before every note but the 4th and the 10th; an unsteady player's pitch moves as much at
// every eighth within a note.
auto Tuned(bool bUnsteady) {
    return [=](const SNotes& notes, double fQuarters) {
        return Performed(notes, fQuarters, [&](const SMoment& at) {
            const bool bBreath = at.n + 1 < notes.size() && at.n + 1 != 3 && at.n + 1 != 9;
            const size_t nTuning = at.n + (bUnsteady ? size_t(at.t * fQuarters / 30) : 0);
            return STone{notes[at.n].nKey + Cents(nTuning),
                         bBreath && at.t > at.fLasts - 0.04 ? 0.3 : 1.0};
        });
    };
}

const SNotes kRepeats = {{62, 4}, {62, 3}, {64, 4}, {64, 2}, {62, 4},
                         {60, 3}, {60, 3}, {65, 4}, {64, 6}};
const SNotes kSlurred = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                         {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};

}  // namespace

TEST(TranscriptionPitchCues, ANoteBegunAgainShowsInItsPitchAVoiceWaveringOnSplitsNothing) {
    ExpectHeardAsPlayed({
        {"steady starts", {100}, kRepeats, Singing(0.2)},
        {"vibrato that never stops",
         {100},
         kRepeats,
         Singing(0),
         ECheck::kNotes,
         {{62, 7}, {64, 6}, {62, 4}, {60, 6}, {65, 4}, {64, 6}}},
        {"fresh tunings", {100}, kSlurred, Tuned(false)},
        {"unsteady player",
         {100},
         kSlurred,
         Tuned(true),
         ECheck::kNotes,
         {{62, 6},
          {62, 4},
          {64, 9},
          {62, 6},
          {60, 4},
          {60, 4},
          {65, 6},
          {64, 8},
          {67, 4},
          {67, 5}}},
    });
}
