// A note of the same pitch sung again without any break in the sound: it shows only in the
// pitch, which begins steady before the singer's vibrato sets in, while a held note wavers on.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "CPitchFrames.h"
#include "CRecording.h"
#include "CSteadyStart.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr double kQuarters = 100;
constexpr double kEighth = 30.0 / kQuarters;
constexpr double kLead = 0.5;  // seconds of silence before the first note

struct SVoice {
    double fDepth = 0.2;     // semitones the vibrato swings each way
    double fDelay = 0.2;     // seconds from a note's start until its vibrato sets in
    double fWiden = 0;       // share of fDepth the vibrato widens by each second after that
    bool bDetached = false;  // each note let go 40 ms before the next and begun again
    bool bSlurred = false;   // with bDetached, except before a note of the same key
    // From the second eighth of a note of four eighths or more, its vibrato pauses for so
    // many seconds.
    double fPause = 0;
};

// The notes sung after kLead seconds of silence at an even level, the wave running on from note
// to note: each note sung a few cents off (its own intonation, which changes where a note of
// the same key begins again) and with a vibrato of 5.5 Hz.
std::vector<float> Sung(const std::vector<SKeyLength>& notes, const SVoice& voice) {
    static constexpr std::array<double, 5> kCents = {12, -10, 5, -14, 8};
    const auto detached = [&](size_t nNext) {
        return voice.bDetached && nNext > 0 && nNext < notes.size() &&
               !(voice.bSlurred && notes[nNext].nKey == notes[nNext - 1].nKey);
    };
    return Performed(notes, kQuarters, [&](const SMoment& at) {
        const double t = at.t;
        const bool bPausing = notes[at.n].nEighths >= 4 && voice.fPause > 0 && t >= kEighth &&
                              t < kEighth + voice.fPause;
        const double fSwing = bPausing
                                  ? 0
                                  : std::clamp((t - voice.fDelay) / 0.05, 0.0, 1.0) * voice.fDepth *
                                        (1 + voice.fWiden * std::max(0.0, t - voice.fDelay)) *
                                        std::sin(kTwoPi * 5.5 * std::max(0.0, t - voice.fDelay));
        const double fFadeIn = at.n == 0 || detached(at.n) ? std::min(1.0, t / 0.01) : 1.0;
        const double fLetGo =
            detached(at.n + 1) ? std::clamp((at.fLasts - 0.04 - t) / 0.01, 0.0, 1.0) : 1.0;
        return STone{notes[at.n].nKey + kCents[at.n % kCents.size()] / 100 + fSwing,
                     fFadeIn * fLetGo};
    });
}

const std::vector<SKeyLength> kRepeats = {{62, 4}, {62, 3}, {64, 4}, {64, 2}, {62, 4},
                                          {60, 3}, {60, 3}, {65, 4}, {64, 6}};

// Seconds at which the note nNote of notes begins.
double StartOf(size_t nNote, const std::vector<SKeyLength>& notes = kRepeats) {
    int nEighths = 0;
    for (size_t i = 0; i < nNote; ++i) {
        nEighths += notes[i].nEighths;
    }
    return kLead + nEighths * kEighth;
}

}  // namespace

// Every note begins steady and wavers from 0.2 s on: the start of each note reads as fully
// steady, each grid line within a note, where the vibrato goes on, not at all.
TEST(TranscriptionSteadyStart, TellsANotesSteadyStartFromItsVibrato) {
    const CRecording recording(kRate, Sung(kRepeats, SVoice{}));
    const CPitchFrames frames(recording);
    const CSteadyStart steady(frames);
    EXPECT_GT(steady.Wavering(), CSteadyStart::kLeastWavering);
    for (size_t n = 0; n < kRepeats.size(); ++n) {
        EXPECT_EQ(steady.At(StartOf(n)), 1.0) << n;
        for (int e = 1; e < kRepeats[n].nEighths; ++e) {
            EXPECT_EQ(steady.At(StartOf(n) + e * kEighth), 0.0) << n << " " << e;
        }
    }
    // Before the first note and after the last nothing sounds.
    EXPECT_EQ(steady.At(0.1), 0.0);
    EXPECT_EQ(steady.At(StartOf(kRepeats.size()) + 0.1), 0.0);
    EXPECT_EQ(steady.At(-1.0), 0.0);
}

// A pitch that never wavers (a sampler, a recorder) is steady everywhere, which says nothing.
TEST(TranscriptionSteadyStart, SaysNothingWhereThePitchNeverWavers) {
    const CRecording recording(kRate, Sung(kRepeats, SVoice{.fDepth = 0}));
    const CPitchFrames frames(recording);
    const CSteadyStart steady(frames);
    EXPECT_LT(steady.Wavering(), CSteadyStart::kLeastWavering);
    for (size_t n = 0; n < kRepeats.size(); ++n) {
        EXPECT_EQ(steady.At(StartOf(n)), 0.0) << n;
    }
}

// Without any cue in the level, the notes of one key sung again are still heard apart, and the
// held notes, wavering on, are not split.
TEST(TranscriptionSteadyStart, NotesOfOneKeySungAgainWithoutABreakAreHeardApart) {
    EXPECT_EQ(HeardNotes(Sung(kRepeats, SVoice{}), kQuarters), kRepeats);
}

// A singer whose vibrato never stops gives no such cue: repeated notes merge, as nothing
// tells them apart, but no held note is split on the vibrato either.
TEST(TranscriptionSteadyStart, AVibratoThatNeverStopsSplitsNothing) {
    const std::vector<SKeyLength> merged = {{62, 7}, {64, 6}, {62, 4}, {60, 6}, {65, 4}, {64, 6}};
    EXPECT_EQ(HeardNotes(Sung(kRepeats, SVoice{.fDelay = 0}), kQuarters), merged);
}

// Where the level marks every note (a tongue, a bow lifted), that tells the notes; a vibrato
// pausing for a moment soon after it set in within a held note then splits nothing.
TEST(TranscriptionSteadyStart, APauseInTheVibratoSplitsNoNoteTheLevelHolds) {
    const SVoice voice{.bDetached = true, .fPause = 0.25};
    const CRecording recording(kRate, Sung(kRepeats, voice));
    const CPitchFrames frames(recording);
    const CSteadyStart steady(frames);
    // The pause reads as steady as a start.
    EXPECT_EQ(steady.At(StartOf(0) + kEighth), 1.0);
    EXPECT_EQ(HeardNotes(Sung(kRepeats, voice), kQuarters), kRepeats);
}

// A player who lets go of every note but slurs the notes of one key played again, with a
// vibrato that widens as a note is held: the level tells the changes of pitch and says nothing
// of the repeats, which the vibrato stopping after each long note tells.
TEST(TranscriptionSteadyStart, AVibratoStoppingTellsARepeatTheLevelDoesNotShow) {
    const std::vector<SKeyLength> notes = {{62, 4}, {62, 3}, {64, 4}, {64, 2}, {62, 4},
                                           {60, 4}, {60, 3}, {65, 4}, {64, 6}};
    const SVoice voice{.fWiden = 0.5, .bDetached = true, .bSlurred = true};
    const CRecording recording(kRate, Sung(notes, voice));
    const CPitchFrames frames(recording);
    const CSteadyStart steady(frames);
    for (const size_t nRepeat : {1, 3, 6}) {
        EXPECT_EQ(steady.Stopping(StartOf(nRepeat, notes)), 1.0) << nRepeat;
        EXPECT_EQ(steady.Stopping(StartOf(nRepeat, notes) - kEighth), 0.0) << nRepeat;
    }
    // Out of silence nothing stops.
    EXPECT_EQ(steady.Stopping(StartOf(0)), 0.0);
    EXPECT_EQ(HeardNotes(Sung(notes, voice), kQuarters), notes);
}

// A tune of one note sung again and again without a break: no change of pitch tells how much the
// level says, and the vibrato stopping still tells every note.
TEST(TranscriptionSteadyStart, ATuneOfOneKeyIsHeardNoteByNote) {
    const std::vector<SKeyLength> notes = {{62, 4}, {62, 4}, {62, 5}, {62, 4}, {62, 6}};
    EXPECT_EQ(HeardNotes(Sung(notes, SVoice{.fWiden = 0.5}), kQuarters), notes);
}
