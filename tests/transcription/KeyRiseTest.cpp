// Where a slow attack began, read by the partials its note does not share with the note it
// grows under. CGoertzel, which measures them, is covered here for many partials at once, and by
// the pitch tests (the chord check's three) for the scale of its powers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "CKeyRise.h"
#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr uint32_t kHop = kRate / 100;

// A note of key nBefore held from the start, let go at 1.0 s and fading over 0.3 s, and under
// it from 0.8 s a note of key nAfter swelling evenly for a quarter of a second: nPartials
// partials each, the h-th at 1/h of the fundamental's level.
CRecording Crossfade(int nBefore, int nAfter, int nPartials) {
    std::vector<float> samples(2 * kRate);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / kRate;
        const double fOld = t < 1.0 ? 1.0 : std::max(0.0, 1.0 - (t - 1.0) / 0.3);
        const double fNew = std::clamp((t - 0.8) / 0.25, 0.0, 1.0);
        double x = 0;
        for (int h = 1; h <= nPartials; ++h) {
            x += fOld * std::sin(kTwoPi * h * EqualTemperedHz(nBefore) * t) / h;
            x += fNew * std::sin(kTwoPi * h * EqualTemperedHz(nAfter) * t) / h;
        }
        samples[i] = float(0.15 * x);
    }
    return CRecording(kRate, std::move(samples));
}

}  // namespace

// The second note, first held by the tracker at 1.0 s (frame 100), began to swell at 0.8 s; it
// lies 15 dB below its full strength some 45 ms into the swell. A semitone (its lower partials
// lie too close to the old ones to be parted: they beat), a whole tone, a fifth (the new note's
// second partial is the old one's third) and a fourth below are heard there alike; not before
// the earliest frame the caller allows.
TEST(TranscriptionKeyRise, SlowAttackFoundUnderTheNoteBefore) {
    for (const int nAfter : {61, 62, 67, 57}) {
        SCOPED_TRACE(nAfter);
        const CRecording recording = Crossfade(60, nAfter, 6);
        const CKeyRise rise(recording, kHop);
        const size_t nStart = rise.Start(100, float(nAfter), 60, 0);
        EXPECT_GE(nStart, 80u);
        EXPECT_LE(nStart, 86u);
        EXPECT_EQ(rise.Start(100, float(nAfter), 60, 95), 95u);
    }
}

// Where the new note has nothing of its own to listen to, the frame the tracker held it from
// stands: an octave above shares every partial with the note before, and a pure tone a
// semitone above lies too close to it for the window to part them (its own partials above are
// silence, not a note's).
TEST(TranscriptionKeyRise, NothingOfItsOwnKeepsTheTrackersFrame) {
    for (const auto& [nAfter, nPartials] : {std::pair{72, 6}, std::pair{61, 1}}) {
        SCOPED_TRACE(nAfter);
        const CRecording recording = Crossfade(60, nAfter, nPartials);
        EXPECT_EQ(CKeyRise(recording, kHop).Start(100, float(nAfter), 60, 0), 100u);
    }
}

// Near the recording's end, where the note's strength cannot be measured after it, and for a
// first note (no note before), the answers stay within the recording.
TEST(TranscriptionKeyRise, EdgesOfTheRecording) {
    const CRecording recording = Crossfade(60, 64, 4);
    const CKeyRise rise(recording, kHop);
    EXPECT_EQ(rise.Start(195, 64, 60, 0), 195u);
    EXPECT_EQ(rise.Start(5000, 64, 60, 0), 5000u);
    EXPECT_LE(rise.Start(3, 60, -1, 0), 3u);
    const size_t nStart = rise.Start(100, 64, -1, 0);
    EXPECT_GE(nStart, 60u);
    EXPECT_LE(nStart, 100u);
}
