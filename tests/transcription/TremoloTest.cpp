// The notes of a sound whose tremolo is uneven, as a whistler's is: its troughs come at
// irregular distances and sink now deep, now shallow.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "CRecording.h"
#include "CTranscriber.h"
#include "TranscriptionTestKit.h"

namespace {

using SPlayed = SKeyLength;

// One swing of the tremolo: how long it takes and how deep (dB) its trough sinks.
struct SSwing {
    double fSeconds;
    double fDepth;
};

// Only every third trough sinks 14 dB; the others sink 10 dB, and the swings take 0.11 to
// 0.16 s, as a whistler's do. Measured against the level a few hundredths of a second on either
// side, the deep troughs lie 11 to 13 dB low, the others 8 to 10 dB.
constexpr std::array<SSwing, 6> kSwings = {
    {{0.12, 14}, {0.15, 10.5}, {0.11, 10}, {0.16, 14}, {0.13, 10.5}, {0.14, 10.5}}};

// The gain of a swing fAt seconds into it.
double SwingGain(const SSwing& swing, double fAt) {
    const double fLow = std::pow(10.0, -swing.fDepth / 20);
    return 1 - (1 - fLow) * (0.5 - 0.5 * std::cos(kTwoPi * fAt / swing.fSeconds));
}

// The gain of the tremolo fAt seconds into a note: each note starts a new round of swings.
double Tremolo(double fAt) {
    for (size_t s = 0;; s = (s + 1) % kSwings.size()) {
        if (fAt < kSwings[s].fSeconds) {
            return SwingGain(kSwings[s], fAt);
        }
        fAt -= kSwings[s].fSeconds;
    }
}

}  // namespace

// The shallow troughs between the deep ones are the same tremolo, no new notes: every note is
// heard once, as long as it was played, and the notes repeated after a short silence still
// twice.
TEST(TranscriptionTremolo, AnUnevenTremoloDoesNotSplitANote) {
    const std::vector<SPlayed> notes = {{79, 8}, {81, 6}, {83, 8}, {83, 8}, {79, 6}};
    for (const double fQuarters : {80.0, 90.0, 100.0, 110.0, 120.0, 140.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_EQ(HeardNotes(Detached(notes, fQuarters, Tremolo), fQuarters), notes);
    }
}

namespace {

// A tremolo that sets in after the note has been held steady for a while, as a whistler's
// often does: its first swing is deep and slow, those after it quicker and shallower.
constexpr double kHeldSeconds = 0.45;
constexpr SSwing kFirstSwing = {0.22, 20};
constexpr SSwing kLaterSwing = {0.13, 12};

double LateTremolo(double t) {
    const double fAt = t - kHeldSeconds;
    if (fAt < 0) {
        return 1;
    }
    if (fAt < kFirstSwing.fSeconds) {
        return SwingGain(kFirstSwing, fAt);
    }
    return SwingGain(kLaterSwing, std::fmod(fAt - kFirstSwing.fSeconds, kLaterSwing.fSeconds));
}

}  // namespace

// The first trough of a late tremolo comes further before the next than the tremolo's own
// swings do, yet it is the tremolo's: the note goes on, and a note repeated after it is still
// heard anew.
TEST(TranscriptionTremolo, ALateTremoloDoesNotSplitANote) {
    const std::vector<SPlayed> notes = {{79, 8}, {79, 8}, {81, 6}, {83, 4}, {83, 8}};
    for (const double fQuarters : {80.0, 100.0, 120.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_EQ(HeardNotes(Detached(notes, fQuarters, LateTremolo), fQuarters), notes);
    }
}

namespace {

// A tremolo that fades out rather than stops: after its deep swings one more, quicker swing
// sinks too little for a trough, before the note holds steady.
constexpr double kDeepSeconds = 0.7;
constexpr SSwing kDeepSwing = {0.08, 14};
constexpr SSwing kFadedSwing = {0.05, 8};

double FadingTremolo(double fAt) {
    if (fAt < kDeepSeconds) {
        return SwingGain(kDeepSwing, std::fmod(fAt, kDeepSwing.fSeconds));
    }
    return fAt < kDeepSeconds + kFadedSwing.fSeconds ? SwingGain(kFadedSwing, fAt - kDeepSeconds)
                                                     : 1;
}

}  // namespace

// The faded swing after the tremolo's last deep trough rises as a soft note's start would, yet
// it is the tremolo's: the note goes on.
TEST(TranscriptionTremolo, AFadingTremoloDoesNotSplitANote) {
    const std::vector<SPlayed> notes = {{81, 8}, {79, 4}, {79, 6}};
    EXPECT_EQ(HeardNotes(Detached(notes, 120, FadingTremolo), 120), notes);
}

namespace {

// A tremolo only in the middle of a long note, from kSwingsFrom to kSwingsTo seconds into it: a
// run too short to be taken for a tremolo's, so its troughs stay in the level, as deep as the
// notch between two notes.
constexpr double kSwingsFrom = 0.625;
constexpr double kSwingsTo = 1.375;
constexpr SSwing kShortRunSwing = {0.125, 14};
// The pitch swings this far (semitones) 5.5 times a second from 0.2 s into each note on.
constexpr double kVibrato = 0.2;

double ShortTremolo(double fAt, const SSwing& swing) {
    fAt -= kSwingsFrom;
    if (fAt < 0 || fAt >= kSwingsTo - kSwingsFrom) {
        return 1;
    }
    return SwingGain(swing, std::fmod(fAt, swing.fSeconds));
}

// The notes as Detached plays them, with a vibrato and the short tremolo in each.
std::vector<float> Whistled(const std::vector<SPlayed>& notes, double fQuarters,
                            const SSwing& swing) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const double fVibrato = kVibrato * std::sin(kTwoPi * 5.5 * std::max(0.0, at.t - 0.2));
        return STone{notes[at.n].nKey + fVibrato, Detaching(at) * ShortTremolo(at.t, swing)};
    });
}

}  // namespace

// The level swings as deep in the middle of the eighths around a trough as at the trough, and
// the pitch wavers on through it: the trough is the sound's own swing, and the note goes on; the
// notes around it, which begin with a steady pitch, still begin where they were played.
TEST(TranscriptionTremolo, SwingsAsDeepInTheMiddleOfEighthsDoNotSplitANote) {
    const std::vector<SPlayed> notes = {{81, 2}, {79, 2}, {79, 8}, {83, 2},
                                        {81, 2}, {84, 8}, {79, 2}, {81, 4}};
    EXPECT_EQ(HeardNotes(Whistled(notes, 120, kShortRunSwing), 120), notes);
}

namespace {

// A whistler's legato: each note starts with a steady pitch; a tenth of a second in, a vibrato
// and a quick tremolo sinking fDepth dB set in and swing on to the note's end.
std::vector<float> WhistledLegato(const std::vector<SPlayed>& notes, double fQuarters,
                                  double fDepth) {
    constexpr double kSetsIn = 0.1, kSwing = 0.17;
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const double fInto = std::max(0.0, at.t - kSetsIn);
        const double fDb = -fDepth / 2 * (1 - std::cos(kTwoPi * fInto / kSwing));
        return STone{notes[at.n].nKey + 0.2 * std::sin(kTwoPi * 5.5 * fInto), Gain(fDb)};
    });
}

}  // namespace

// Where the tremolo runs on into the next note, the note before swings at every change of pitch
// too, and the swings around the grid lines cannot be taken out for the whole recording. A
// trough at a grid line inside a held note, with the level swinging as deep in that eighth's own
// middle and the pitch wavering on, is still no new note: a new note begins steadily.
TEST(TranscriptionTremolo, ASwingAsDeepInItsOwnEighthDoesNotSplitANote) {
    const std::vector<SPlayed> notes = {{79, 6}, {81, 2}, {83, 8}, {79, 4},
                                        {76, 6}, {79, 2}, {81, 4}};
    for (const double fQuarters : {130.0, 135.0}) {
        for (const double fDepth : {12.0, 16.0}) {
            SCOPED_TRACE(std::to_string(fQuarters) + " " + std::to_string(fDepth));
            EXPECT_EQ(HeardNotes(WhistledLegato(notes, fQuarters, fDepth), fQuarters), notes);
        }
    }
}
