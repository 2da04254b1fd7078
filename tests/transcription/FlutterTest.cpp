// The notes of a voice singing "oo": each note swells in, overshoots and, a tenth of a second
// after its start, sinks for a moment as sharply and as deep as between two notes before it
// settles. Those dips come an eighth's fraction after every attack, not on the beat.
#include <gtest/gtest.h>

#include <cmath>

#include "CRecording.h"
#include "CTranscriber.h"
#include "TranscriptionTestKit.h"

namespace {

// A dip sinks this deep (dB) and takes this long (s) to fall to its bottom and as long again to
// come back.
constexpr double kDipDb = 30;
constexpr double kDipHalf = 0.015;
// Where the dip of a note's swell lies, s after its start.
constexpr double kSwellDip = 0.09;

// The gain at fAt seconds of a dip at fDip seconds.
double Dip(double fDip, double fAt) {
    return Gain(-kDipDb * std::max(0.0, 1 - std::abs(fAt - fDip) / kDipHalf));
}

// The notes at fQuarters a minute, with the octave above; with bGap each note swells in over
// 30 ms and ends 40 ms before the next begins, otherwise the next follows at once. The level
// dips at the times given (s from the start of the recording) and, with bSwellDip, kSwellDip
// after each note's start.
std::vector<float> Play(const std::vector<SKeyLength>& notes, double fQuarters,
                        const std::vector<double>& dips, bool bGap, bool bSwellDip) {
    return Performed(
        notes, fQuarters,
        [&](const SMoment& at) {
            const double fLetGo = std::clamp((at.fLasts - 0.04 - at.t) * kRate / 300, 0.0, 1.0);
            double fDips = bSwellDip ? Dip(at.fAt - at.t + kSwellDip, at.fAt) : 1.0;
            for (const double fDip : dips) {
                fDips = std::min(fDips, Dip(fDip, at.fAt));
            }
            const double fGain = bGap ? std::min(1.0, at.t / 0.03) * fLetGo : 1.0;
            return STone{double(notes[at.n].nKey), fGain * fDips};
        },
        0.3);
}

// A tune of one-eighth and longer notes, some repeated.
const std::vector<SKeyLength> kNotes = {
    {72, 1}, {74, 1}, {76, 1}, {76, 1}, {77, 2}, {79, 2}, {77, 1}, {76, 1}, {74, 1}, {74, 1},
    {72, 2}, {71, 1}, {72, 1}, {74, 2}, {76, 1}, {76, 1}, {74, 1}, {72, 1}, {71, 2}, {72, 4}};

}  // namespace

// The dips of the swells are the voice's own: the tempo is found from the notes' starts, and
// every note is heard once, as long as it was sung, repeated notes apart.
TEST(TranscriptionFlutter, TheDipOfASwellIsNoBeat) {
    for (const double fQuarters : {90.0, 110.0, 130.0}) {
        SCOPED_TRACE(fQuarters);
        const CRecording recording(kRate, Play(kNotes, fQuarters, {}, true, true));
        CTranscriber::SOptions options;
        options.bKeepKey = true;
        const CTranscriber::SResult result = CTranscriber::Transcribe(recording, options, "t");
        EXPECT_NEAR(result.fQuarters, fQuarters, 0.02 * fQuarters);
        EXPECT_EQ(Heard(result), kNotes);
    }
}

// A held sound that dips for a moment without swelling just before (a recorder's tongued
// repeat): the dip begins a note of the same pitch.
TEST(TranscriptionFlutter, ADipInAHeldSoundPartsNotesOfOnePitch) {
    const std::vector<SKeyLength> notes = {{72, 8}, {72, 4}, {74, 8}, {74, 4}, {76, 4}, {72, 8}};
    for (const double fQuarters : {80.0, 120.0, 160.0}) {
        SCOPED_TRACE(fQuarters);
        const double fEighth = 30.0 / fQuarters;
        // Just before the second and the fourth note begin.
        const std::vector<double> dips = {0.5 + 8 * fEighth - kDipHalf,
                                          0.5 + 20 * fEighth - kDipHalf};
        EXPECT_EQ(HeardNotes(Play(notes, fQuarters, dips, false, false), fQuarters), notes);
    }
}

// A voice's swell dips a tenth of a second after the note's start, and a note of that pitch
// sung anew follows an eighth later, dipping in its own swell again: three troughs in a row,
// but no tremolo, since the first comes right after the note began. Both notes are heard.
TEST(TranscriptionFlutter, ADipRightAfterTheStartBeginsNoTremolo) {
    const std::vector<SKeyLength> notes = {{72, 1}, {72, 6}, {74, 1}, {74, 6}};
    for (const double fQuarters : {90.0, 100.0, 110.0}) {
        SCOPED_TRACE(fQuarters);
        const double fEighth = 30.0 / fQuarters;
        // Just before each note that follows another begins.
        const std::vector<double> dips = {0.5 + fEighth - kDipHalf, 0.5 + 7 * fEighth - kDipHalf,
                                          0.5 + 8 * fEighth - kDipHalf};
        EXPECT_EQ(HeardNotes(Play(notes, fQuarters, dips, false, true), fQuarters), notes);
    }
}
