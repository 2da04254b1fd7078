// Where the decoder begins notes in sounds without a sharp attack: bowed notes of one pitch
// that swell in and fade out into each other, and an ensemble's swells in the middle of its
// notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "CRecording.h"
#include "CTranscriber.h"
#include "TranscriptionTestKit.h"

namespace {

using SBowed = SKeyLength;

// The notes at fQuarters a minute, one after the other without a gap; fDb(seconds into the
// note, seconds the note lasts) gives each note's level in dB. Only the first note starts out of
// silence, in 10 ms.
template <typename FDb>
std::vector<float> Legato(const std::vector<SBowed>& notes, double fQuarters, FDb fDb) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const double fFadeIn = at.n == 0 ? std::min(1.0, at.t / 0.01) : 1.0;
        return STone{double(notes[at.n].nKey), fFadeIn * Gain(fDb(at.t, at.fLasts))};
    });
}

// nEighths at fQuarters a minute of a voice whose fractional key at t seconds is fKeyAt(t), at
// an even level.
template <typename FKeyAt>
std::vector<float> Sung(int nEighths, double fQuarters, FKeyAt fKeyAt) {
    return Performed({{0, nEighths}}, fQuarters, [&](const SMoment& at) {
        return STone{fKeyAt(at.t), std::min(1.0, at.t / 0.01)};
    });
}

}  // namespace

// A bow that swells into each note over 0.4 s and fades over its last 0.3 s, 16 dB each way:
// between two notes of one pitch the level sinks too slowly for a rise, a notch or a short sag,
// and still every note is heard on its own.
TEST(TranscriptionNoteDecoder, BowedNotesOfOnePitchPartInTheValleyBetweenThem) {
    const std::vector<SBowed> notes = {{62, 4}, {62, 3}, {62, 4}, {62, 3}, {62, 4}, {62, 6}};
    const auto bowed = [](double t, double fLasts) {
        return -16 * std::max({0.0, 1 - t / 0.4, 1 - (fLasts - t) / 0.3});
    };
    EXPECT_EQ(HeardNotes(Legato(notes, 80, bowed), 80), notes);
}

// An ensemble swells and sinks by 14 dB for a moment now and then within its notes, as strongly
// as anywhere else, while its notes change pitch without any cue in the level: the swells say
// nothing about where notes begin and split none.
TEST(TranscriptionNoteDecoder, SwellsThatMarkNoNewNotesSplitNone) {
    const std::vector<SBowed> notes = {{60, 4}, {64, 4}, {62, 4}, {65, 4},
                                       {64, 4}, {67, 4}, {65, 4}, {62, 6}};
    constexpr double kQuarters = 100;
    const auto swelling = [](double t, double) {
        // Once in every note, two eighths after its beginning, 80 ms long.
        const double fFrom = 2 * 30.0 / kQuarters - 0.04;
        const double x = (t - fFrom) / 0.08;
        return x > 0 && x < 1 ? 20 * std::log10(1 - 0.8 * 0.5 * (1 - std::cos(kTwoPi * x))) : 0.0;
    };
    EXPECT_EQ(HeardNotes(Legato(notes, kQuarters, swelling), kQuarters), notes);
}

// A held note sinks by 20 dB for a quarter of a second across a grid line, as a voice taking
// breath or a bow turning does: its pitch sounds on through the valley, so the valley is
// neither a rest nor the start of a note again after one.
TEST(TranscriptionNoteDecoder, AHeldNoteSinkingForAMomentIsNeitherRestNorNewNote) {
    constexpr double kQuarters = 120;
    const double fFrom = 3.1 * 30.0 / kQuarters;
    const auto sinking = [&](double t, double) {
        const double x = (t - fFrom) / 0.25;
        return x > 0 && x < 1 ? -10 * (1 - std::cos(kTwoPi * x)) : 0.0;
    };
    const std::vector<SBowed> held = {{62, 8}};
    EXPECT_EQ(HeardNotes(Legato(held, kQuarters, sinking), kQuarters), held);
}

namespace {

// Notes at 120 a minute, each let go 40 ms before the end of its eighths and fading by fFade
// dB a second from there, with a rest of one eighth after each; the last note fades to the
// end. Sung with a vibrato of fVibrato semitones at 5.5 Hz. They must come back as played.
void ExpectReleasesHeardRight(double fFade, double fVibrato) {
    constexpr double kQuarters = 120;
    const double fEighth = 30.0 / kQuarters;
    // Onset and length in eighths.
    const std::vector<std::pair<int, SKeyLength>> notes = {
        {0, {64, 2}}, {3, {67, 4}}, {8, {65, 1}}, {10, {64, 3}}};
    std::vector<float> samples(size_t(kRate * (0.5 + 16 * fEighth)));
    for (const auto& [nOnset, note] : notes) {
        const double fHz = 440.0 * std::pow(2.0, (note.nKey - 69) / 12.0);
        const double fLetGo = note.nEighths * fEighth - 0.04;
        const auto nFrom = size_t(kRate * (0.5 + nOnset * fEighth));
        double fPhase = 0;
        for (size_t i = 0; nFrom + i < samples.size(); ++i) {
            const double t = double(i) / kRate;
            const double fGain =
                std::min(1.0, t / 0.02) * std::pow(10.0, -std::max(0.0, t - fLetGo) * fFade / 20);
            fPhase +=
                kTwoPi * fHz * std::pow(2.0, fVibrato * std::sin(kTwoPi * 5.5 * t) / 12) / kRate;
            samples[nFrom + i] += float(0.3 * fGain * std::sin(fPhase));
        }
    }
    const CRecording recording(kRate, std::move(samples));
    CTranscriber::SOptions options;
    options.quarters = kQuarters;
    options.bKeepKey = true;
    const CTranscriber::SResult result = CTranscriber::Transcribe(recording, options, "t");
    ASSERT_EQ(result.notes.size(), notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(result.notes[i].nOnset - result.notes[0].nOnset, notes[i].first) << i;
        EXPECT_EQ(result.notes[i].nLength, notes[i].second.nEighths) << i;
        EXPECT_EQ(result.notes[i].nKey, notes[i].second.nKey) << i;
    }
}

}  // namespace

// A voice lets each note go and fades by 1 dB every 10 ms, as a sung "Ooh" does: its release
// still sounds the note's pitch well into the rest after it, yet the rest is heard, and the
// note keeps its length; the last note's too, held longer than the half second a release is
// measured against, and fading to the end. A voice singing with vibrato lets go more softly, fading
// evenly by 0.7 dB every 10 ms without the sudden fall of a release: it is still no more than 16 dB
// down through most of the eighth after the note, and yet that eighth is a rest.
TEST(TranscriptionNoteDecoder, AReleaseSoundingIntoTheRestAfterTheNoteIsNoPartOfIt) {
    ExpectReleasesHeardRight(100, 0);
    ExpectReleasesHeardRight(70, 0.2);
}

// A voice slides into a note from near the quarter tone below it and creeps up through it
// without an attack: its first eighth reads the key below, yet the pitch only drifts across the
// line between them, and the note is one. A legato step of a semitone, as plain and as quiet, is
// still two notes.
TEST(TranscriptionNoteDecoder, APitchDriftingOverTheQuarterToneIsOneNoteAStepIsTwo) {
    constexpr double kQuarters = 80;
    const double fEighth = 30.0 / kQuarters;
    // 60 for two eighths, three eighths rising by 0.22 semitones each from 62.22, then 65.
    const auto drifting = [&](double t) {
        const double x = t / fEighth;
        return x < 2 ? 60.0 : x < 5 ? 62.22 + 0.22 * (x - 2) : 65.0;
    };
    const std::vector<SBowed> drifted = {{60, 2}, {63, 3}, {65, 2}};
    EXPECT_EQ(HeardNotes(Sung(7, kQuarters, drifting), kQuarters), drifted);
    const std::vector<SBowed> stepped = {{60, 2}, {62, 1}, {63, 2}, {65, 2}};
    EXPECT_EQ(HeardNotes(Legato(stepped, kQuarters, [](double, double) { return 0.0; }), kQuarters),
              stepped);
}

namespace {

// Notes at fQuarters a minute after half a second of silence, as a voice sings them slowly
// swelling in: each note sets off kSoft dB down and rises to its full level from kSwellFrom to
// kSwellTo seconds into it. Where the pitch changes, the note before is let go 40 ms early;
// where the same key comes again, the note before eases down into it over its last kEase
// seconds, and no break tells the two apart.
std::vector<float> SwellingIn(const std::vector<SKeyLength>& notes, double fQuarters) {
    constexpr double kSoft = 10, kSwellFrom = 0.07, kSwellTo = 0.08, kEase = 0.15;
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const bool bAgain = at.n + 1 < notes.size() && notes[at.n + 1].nKey == notes[at.n].nKey;
        const double fSwell = std::clamp((at.t - kSwellFrom) / (kSwellTo - kSwellFrom), 0.0, 1.0);
        const double fEasing =
            bAgain ? std::clamp((at.t - at.fLasts + kEase) / kEase, 0.0, 1.0) : 0.0;
        const double fDb = -kSoft * (1 - fSwell) - kSoft * fEasing;
        const bool bLetGo = !bAgain && at.t > at.fLasts - 0.04;
        return STone{double(notes[at.n].nKey),
                     bLetGo ? 0.0 : std::min(1.0, at.t / 0.005) * Gain(fDb)};
    });
}

}  // namespace

// At a fast tempo a slowly swelling voice rises only in the middle of the eighth its note
// begins with: where it does so at every change of pitch and never within a held note, a note
// of the same key sung again is heard by its late rise.
TEST(TranscriptionNoteDecoder, ASameKeySwellingInLateBeginsANote) {
    constexpr double kQuarters = 160;
    const std::vector<SKeyLength> notes = {{62, 2}, {62, 2}, {65, 3}, {64, 1}, {64, 2},
                                           {60, 3}, {62, 2}, {62, 1}, {67, 3}, {65, 4}};
    EXPECT_EQ(HeardNotes(SwellingIn(notes, kQuarters), kQuarters), notes);
}

// A melody in C major whose A is sung a little more than a quarter tone flat: that eighth reads
// nearer G sharp than A, but G sharp is off the melody's scale and A on it, so it is heard as A.
TEST(TranscriptionNoteDecoder, ANoteSungBetweenTwoKeysTakesTheOneOnTheMelodysScale) {
    constexpr double kQuarters = 80;
    const double fEighth = 30.0 / kQuarters;
    const std::vector<SBowed> melody = {{60, 2}, {64, 2}, {67, 2}, {69, 2},
                                        {67, 2}, {64, 2}, {60, 5}};
    const auto sung = [&](double t) {
        double fStart = 0;
        for (const SBowed& note : melody) {
            fStart += fEighth * note.nEighths;
            if (t < fStart) {
                return note.nKey == 69 ? 68.47 : double(note.nKey);
            }
        }
        return double(melody.back().nKey);
    };
    EXPECT_EQ(HeardNotes(Sung(17, kQuarters, sung), kQuarters), melody);
}
