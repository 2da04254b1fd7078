// The grid of eighths found in a sound whose repeated notes are told apart only by the short
// silence before each and the attack after it, and the notes of a sound that trembles.
#include <gtest/gtest.h>

#include <cmath>

#include "CBeatGrid.h"
#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

using SPlayed = SKeyLength;

// The notes at nQuarters a minute as Detached plays them; with fTremoloHz set, their level
// swings that often a second between full and a tenth (20 dB).
std::vector<float> Play(const std::vector<SPlayed>& notes, double fQuarters,
                        double fTremoloHz = 0) {
    return Detached(notes, fQuarters, [fTremoloHz](double t) {
        return 0.55 + 0.45 * std::cos(kTwoPi * fTremoloHz * t);
    });
}

// The notes at nQuarters a minute at a sixth of Play's level, one after the other without a
// gap; the sample each note begins at goes to pStarts.
std::vector<float> Legato(const std::vector<SPlayed>& notes, double fQuarters,
                          std::vector<size_t>* pStarts = nullptr) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        if (pStarts != nullptr && at.t == 0) {
            pStarts->push_back(size_t(at.fAt * kRate));
        }
        return STone{double(notes[at.n].nKey), 1.0 / 6};
    });
}

// A swell from sample nAt on: 10 ms up to four times the level, 50 ms held, 30 ms back down.
void Swell(std::vector<float>& samples, size_t nAt) {
    for (size_t k = 0; k < size_t(0.09 * kRate); ++k) {
        const double fT = double(k) / kRate;
        samples[nAt + k] *= float(1 + 3 * std::min({1.0, fT / 0.01, (0.09 - fT) / 0.03}));
    }
}

double FoundQuarters(std::vector<float> samples) {
    const CRecording recording(kRate, std::move(samples));
    const CPitchFrames frames(recording);
    return CBeatGrid(frames, std::nullopt).Quarters();
}

}  // namespace

// One key throughout: only each note's return after its short silence says where it begins,
// and a key heard again after a true silence is a new note.
TEST(TranscriptionBeatGrid, AKeyHeardAgainAfterASilenceIsANewNote) {
    std::vector<SPlayed> notes;
    for (const int nEighths : {1, 2, 1, 3, 2, 1, 1, 3, 2, 1, 2, 4}) {
        notes.push_back({67, nEighths});
    }
    for (const double fQuarters : {90.0, 120.0, 150.0}) {
        SCOPED_TRACE(fQuarters);
        EXPECT_NEAR(FoundQuarters(Play(notes, fQuarters)), fQuarters, 0.02 * fQuarters);
    }
}

// A tremolo faster than any melody repeats a note (a whistle's, 8 to 12 times a second) sinks
// as deep as the short silence between two notes; it is the sound's own, and every note is
// heard once, as long as it was played, as long as the notes that are repeated.
TEST(TranscriptionBeatGrid, ATremoloDoesNotSplitANote) {
    const std::vector<SPlayed> notes = {{67, 4}, {69, 4}, {67, 8}, {71, 2}, {71, 2},
                                        {72, 3}, {72, 1}, {71, 4}, {67, 8}};
    for (const double fTremoloHz : {8.0, 11.0}) {
        SCOPED_TRACE(fTremoloHz);
        EXPECT_EQ(HeardNotes(Play(notes, 100, fTremoloHz), 100), notes);
    }
}

// A sound that swells where no note begins (a choir's voices beating, a whistle's breath):
// before every second note the level rises by 12 dB four tenths of an eighth early, and only
// the key taking over right after says where that note begins. Without it the swells, off the
// grid by the same amount each, pull the tempo to a wrong one.
TEST(TranscriptionBeatGrid, AKeyTakingOverAfterASwellIsAnOnset) {
    const std::vector<SPlayed> notes = {{67, 2}, {72, 1}, {69, 3}, {65, 2}, {71, 1},
                                        {67, 2}, {64, 4}, {69, 1}, {72, 2}, {65, 3},
                                        {71, 2}, {67, 1}, {64, 4}};
    constexpr double kLead = 0.4;  // eighths
    for (const double fQuarters : {90.0, 110.0, 130.0}) {
        SCOPED_TRACE(fQuarters);
        const double fEighth = 30.0 / fQuarters;
        std::vector<size_t> starts;
        std::vector<float> samples = Legato(notes, fQuarters, &starts);
        for (size_t i = 1; i < notes.size(); i += 2) {
            Swell(samples, starts[i] - size_t(kLead * fEighth * kRate));
        }
        EXPECT_NEAR(FoundQuarters(samples), fQuarters, 0.02 * fQuarters);
    }
}

// A bowed melody at 160 quarters a minute: the notes on every second line begin after a short
// silence (when the note before began on such a line too), the ones between take over legato
// from the note before, fading in over 0.15 s while
// it fades out, so that their key holds only well after their line and gives no onset on it.
// The onsets alone fit a grid of half the tempo; the keys decoded on the finer grid say that
// its eighth is split.
TEST(TranscriptionBeatGrid, KeysTakingOverBetweenTheLinesSplitTheEighth) {
    const std::vector<SPlayed> notes = {{67, 2}, {64, 1}, {62, 1}, {67, 2}, {71, 1}, {69, 1},
                                        {72, 4}, {71, 2}, {67, 1}, {64, 1}, {65, 2}, {69, 2},
                                        {67, 3}, {64, 1}, {62, 2}, {65, 1}, {69, 1}, {67, 4},
                                        {64, 2}, {65, 1}, {67, 1}};
    constexpr double kQuarters = 160;
    constexpr double kCrossFade = 0.15;  // seconds
    const double fEighth = 30.0 / kQuarters;
    std::vector<float> samples(kRate / 2);
    double fPhase = 0, fOldPhase = 0;
    int nOldKey = notes.front().nKey, nEighth = 0;
    for (const SPlayed& note : notes) {
        const bool bLegato = nEighth % 2 == 1;
        nEighth += note.nEighths;
        const bool bNextLegato = nEighth % 2 == 1;
        const auto nLength = size_t(fEighth * note.nEighths * kRate);
        const auto nSounding = bLegato || bNextLegato ? nLength : nLength - size_t(0.04 * kRate);
        fOldPhase = fPhase;
        for (size_t k = 0; k < nLength; ++k) {
            const double fT = double(k) / kRate;
            const double fIn = std::min(1.0, fT / (bLegato ? kCrossFade : 0.01));
            const double fOut = bNextLegato || k < nSounding ? 1.0 : 0.0;
            fPhase += kTwoPi * EqualTemperedHz(note.nKey) / kRate;
            fOldPhase += kTwoPi * EqualTemperedHz(nOldKey) / kRate;
            const double fOld = bLegato ? (1 - fIn) * std::sin(fOldPhase) : 0;
            samples.push_back(float(0.3 * (fIn * fOut * std::sin(fPhase) + fOld)));
        }
        nOldKey = note.nKey;
    }
    samples.resize(samples.size() + kRate / 2);
    EXPECT_NEAR(FoundQuarters(samples), kQuarters / 2, 0.01 * kQuarters);
    const CTranscriber::SResult result =
        CTranscriber::Transcribe(CRecording(kRate, samples), {}, "t");
    EXPECT_NEAR(result.fQuarters, kQuarters, 0.02 * kQuarters);
}

// A slow melody sung with a wide vibrato (half a semitone either way, five and a half times a
// second) wavers between keys within every eighth; that is no key taking over between the
// lines, and the tempo stays as played.
TEST(TranscriptionBeatGrid, AVibratoDoesNotSplitTheEighth) {
    const std::vector<SPlayed> notes = {{67, 2}, {69, 1}, {71, 1}, {72, 3}, {71, 1}, {69, 2},
                                        {67, 2}, {64, 1}, {65, 1}, {67, 4}, {62, 2}, {64, 2}};
    for (const double fQuarters : {72.0, 80.0}) {
        SCOPED_TRACE(fQuarters);
        const std::vector<float> samples = Performed(notes, fQuarters, [&](const SMoment& at) {
            const double fVibrato = 0.5 * std::sin(kTwoPi * 5.5 * at.fAt);
            return STone{notes[at.n].nKey + fVibrato, Detaching(at)};
        });
        CTranscriber::SOptions options;
        options.bKeepKey = true;
        const CTranscriber::SResult result =
            CTranscriber::Transcribe(CRecording(kRate, samples), options, "t");
        EXPECT_NEAR(result.fQuarters, fQuarters, 0.02 * fQuarters);
    }
}

// An ensemble swelling by 12 dB five times a second, within its notes as much as where they
// change key, while its notes take over from each other without any cue in the level: the
// swells make a grid of their own, of many more onsets than the notes have, and only the keys
// say where the notes begin.
TEST(TranscriptionBeatGrid, SwellsWithinTheNotesAsStrongAsBetweenThemDoNotTimeThem) {
    const std::vector<SPlayed> notes = {{67, 2}, {72, 4}, {69, 3}, {65, 2}, {71, 4}, {67, 3},
                                        {64, 4}, {69, 3}, {72, 2}, {65, 3}, {71, 2}, {64, 4}};
    constexpr double kSwellSeconds = 0.2;
    for (const double fQuarters : {80.0, 100.0}) {
        SCOPED_TRACE(fQuarters);
        std::vector<float> samples = Legato(notes, fQuarters);
        for (double fAt = 0.6; fAt + 0.09 < double(samples.size()) / kRate; fAt += kSwellSeconds) {
            Swell(samples, size_t(fAt * kRate));
        }
        EXPECT_NEAR(FoundQuarters(samples), fQuarters, 0.02 * fQuarters);
    }
}

// A whistle's tremolo sinks for a moment deep enough to read as a notch every 0.64 s, on a
// beat of its own, while the long notes it plays change key: the notches outnumber the notes,
// yet a notch of the level alone counts less than a key taking over, and the tempo stays as
// played.
TEST(TranscriptionBeatGrid, NotchesOfTheLevelAloneCountLessThanKeysTakingOver) {
    const std::vector<SPlayed> notes = {{67, 4}, {72, 3}, {69, 5}, {65, 4}, {71, 3}, {67, 4},
                                        {64, 5}, {69, 4}, {72, 3}, {65, 4}, {71, 5}, {64, 4}};
    constexpr double kNotchSeconds = 0.64;
    constexpr double kQuarters = 80;
    const double fEighth = 30.0 / kQuarters;
    std::vector<float> samples = Play(notes, kQuarters);
    std::vector<double> starts = {0.5};
    for (const SPlayed& note : notes) {
        starts.push_back(starts.back() + fEighth * note.nEighths);
    }
    for (double fNotch = 0.5; fNotch < starts.back(); fNotch += kNotchSeconds) {
        // Not where a note begins or ends, and 30 ms long at a tenth of the level (20 dB).
        if (std::all_of(starts.begin(), starts.end(),
                        [&](double fStart) { return std::abs(fNotch - fStart) > 0.15; })) {
            for (size_t k = 0; k < size_t(0.03 * kRate); ++k) {
                samples[size_t(fNotch * kRate) + k] *= 0.1f;
            }
        }
    }
    EXPECT_NEAR(FoundQuarters(samples), kQuarters, 0.02 * kQuarters);
}

// A single note held for two seconds says nothing about the tempo: no onset follows its own.
// The grid is Kantilo's own eighth then, not the slowest the search allows, and the note is
// one whole note on it.
TEST(TranscriptionBeatGrid, ASingleNoteKeepsKantilosOwnEighth) {
    const CRecording recording(kRate, Play({{67, 8}}, 120));
    const CPitchFrames frames(recording);
    const CBeatGrid grid(frames, std::nullopt);
    ASSERT_TRUE(grid.HasGrid());
    EXPECT_DOUBLE_EQ(grid.Quarters(), 120);
    EXPECT_NEAR(grid.EighthStart(2) - grid.EighthStart(0), 0.5, 1e-9);
    CTranscriber::SOptions options;
    options.bKeepKey = true;
    const CTranscriber::SResult result = CTranscriber::Transcribe(recording, options, "t");
    EXPECT_DOUBLE_EQ(result.fQuarters, 120);
    ASSERT_EQ(result.notes.size(), 1u);
    EXPECT_EQ(result.notes.front().nLength, 8);
}
