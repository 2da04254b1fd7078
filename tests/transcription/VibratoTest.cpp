// The notes of a bowed string played with vibrato: the pitch swings a fifth of a semitone up
// and down five and a half times a second, and the level sinks sharply wherever the pitch is
// lowest, deep enough to look like the start of a new note.
#include <gtest/gtest.h>

#include <cmath>

#include "CRecording.h"
#include "CTranscriber.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr double kVibratoSemitones = 0.2;
// The vibrato sets in this long after the note's start, as a player's does.
constexpr double kVibratoDelay = 0.2;
constexpr double kTroughDb = 12;

// The notes at fQuarters a minute after half a second of silence, each ending 40 ms before the
// next begins; fDelay seconds into each note the vibrato sets in (none with a negative delay).
// With fDroop, each note starts that many semitones flat and sinks as much at its end, over
// 50 ms each, as a breath that swells and dies does, and the room rings on into the gap,
// 20 dB down by its end.
std::vector<float> Play(const std::vector<SKeyLength>& notes, double fQuarters, double fDelay,
                        double fDroop = 0, double fVibratoHz = 5.5) {
    return Performed(
        notes, fQuarters,
        [&](const SMoment& at) {
            const double fSound = at.fLasts - 0.04, fEnd = fDroop > 0 ? at.fLasts : fSound;
            const double fSwing = fDelay >= 0 && at.t > fDelay
                                      ? std::sin(kTwoPi * fVibratoHz * (at.t - fDelay))
                                      : 0.0;
            const double fEdge = std::max(0.0, 1 - std::min(at.t, fEnd - at.t) / 0.05);
            // The body's resonance swallows the low end of the swing: a narrow, deep trough.
            const double fTrough = Gain(-kTroughDb * std::pow(std::max(0.0, -fSwing), 4));
            const double fFade = fDroop == 0 ? Detaching(at)
                                 : at.t < fSound
                                     ? std::min(1.0, at.t * kRate / 300)
                                     : std::pow(10.0, -(at.t - fSound) / (fEnd - fSound));
            return STone{notes[at.n].nKey + kVibratoSemitones * fSwing - fDroop * fEdge,
                         fFade * fTrough};
        },
        0.4);
}

const std::vector<SKeyLength> kNotes = {{62, 8}, {62, 2}, {62, 2}, {74, 8}, {74, 2},
                                        {74, 2}, {69, 6}, {69, 2}, {67, 8}};

}  // namespace

// The troughs of the vibrato are the note's own, and so are those of a faster one, as a
// violin's or a singer's: every note is heard once, as long as it was played, and repeated
// notes of one pitch still apart.
TEST(TranscriptionVibrato, TheTroughsOfAVibratoDoNotSplitANote) {
    for (const auto& [fVibratoHz, fQuarters] :
         {std::pair(5.5, 80.0), {5.5, 100.0}, {5.5, 120.0}, {6.5, 80.0}, {6.5, 100.0}}) {
        SCOPED_TRACE(std::to_string(fVibratoHz) + " Hz at " + std::to_string(fQuarters));
        EXPECT_EQ(HeardNotes(Play(kNotes, fQuarters, kVibratoDelay, 0, fVibratoHz), fQuarters),
                  kNotes);
    }
}

// Repeated notes whose pitch sinks where the sound breaks off between them, as a whistle's or a
// recorder's does, are no vibrato: the silence still parts them.
TEST(TranscriptionVibrato, NotesThatSinkInTheGapBetweenThemStayApart) {
    for (const double fQuarters : {80.0, 120.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_EQ(HeardNotes(Play(kNotes, fQuarters, -1, 0.4), fQuarters), kNotes);
    }
}
