// Where the pitch alone tells notes apart, the level saying nothing: a note of the same key sung
// again begins steadily before the vibrato sets in, or is tuned afresh a few cents away; and
// where it does not: a vibrato that never stops, an unsteady player, a voice settling or sliding.
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

// A singer at an even level, each note a few cents off, whose vibrato (fDepth semitones) sets in
// fDelay seconds into each note and widens by fWiden of its depth each second. With bDetached each
// note is let go 40 ms early and begun again, with bSlurred too except before a note of the same
// key.
struct SSinger {
    double fDepth = 0.2;
    double fDelay = 0.2;
    double fWiden = 0;
    bool bDetached = false;
    bool bSlurred = false;

    std::vector<float> operator()(const SNotes& notes, double fQuarters) const {
        const auto detached = [&](size_t n) {
            return bDetached && n > 0 && n < notes.size() &&
                   !(bSlurred && notes[n].nKey == notes[n - 1].nKey);
        };
        return Performed(notes, fQuarters, [&](const SMoment& at) {
            const double t = at.t - fDelay;
            const double fSwing = std::clamp(t / 0.05, 0.0, 1.0) * (1 + fWiden * std::max(0.0, t)) *
                                  Vibrato(fDepth, t);
            const double fFadeIn = at.n == 0 || detached(at.n) ? std::min(1.0, at.t / 0.01) : 1.0;
            const double fLetGo =
                detached(at.n + 1) ? std::clamp((at.fLasts - 0.04 - at.t) / 0.01, 0.0, 1.0) : 1.0;
            return STone{notes[at.n].nKey + Cents(at.n) + fSwing, fFadeIn * fLetGo};
        });
    }
};

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

// C E G A G E C in quarters and a last note of five eighths sung on without an attack, the A a
// little more than a quarter tone flat: nearer G sharp, which is off the melody's scale.
std::vector<float> FlatA(const SNotes&, double fQuarters) {
    return Performed({{0, 17}}, fQuarters, [&](const SMoment& at) {
        static constexpr int kKeys[] = {60, 64, 67, 69, 67, 64, 60};
        const int nKey = kKeys[std::min(6, int(at.t * fQuarters / 60))];
        return STone{nKey == 69 ? 68.47 : nKey, std::min(1.0, at.t / 0.01)};
    });
}

const SNotes kRepeats = {{62, 4}, {62, 3}, {64, 4}, {64, 2}, {62, 4},
                         {60, 3}, {60, 3}, {65, 4}, {64, 6}};
const SNotes kSlurred = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                         {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};

}  // namespace

TEST(TranscriptionPitchCues, ANoteBegunAgainShowsInItsPitchAVoiceWaveringOnSplitsNothing) {
    ExpectHeardAsPlayed({
        {"steady starts", {100}, kRepeats, SSinger{}},
        {"vibrato that never stops",
         {100},
         kRepeats,
         SSinger{.fDelay = 0},
         ECheck::kNotes,
         {{62, 7}, {64, 6}, {62, 4}, {60, 6}, {65, 4}, {64, 6}}},
        {"vibrato stopping before a repeat",
         {100},
         {{62, 4}, {62, 3}, {64, 4}, {64, 2}, {62, 4}, {60, 4}, {60, 3}, {65, 4}, {64, 6}},
         SSinger{.fWiden = 0.5, .bDetached = true, .bSlurred = true}},
        {"fresh tunings", {100}, kSlurred, Tuned(false)},
        {"unsteady player", {100}, kSlurred, Tuned(true), ECheck::kNoOnsetInside, {}, {3, 9}},
        {"a note between two keys",
         {80},
         {{60, 2}, {64, 2}, {67, 2}, {69, 2}, {67, 2}, {64, 2}, {60, 5}},
         FlatA},
    });
}
