// The pitch every frame holds where a voice or an ensemble wavers.
#include <gtest/gtest.h>

#include <cmath>

#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

// A short note that loses its pitch for two frames in its middle (a squeak above any melody)
// is still a note of its own: the steady note after it does not take its frames over as its
// own slow start.
TEST(TranscriptionPitchFrames, AShortWaveringNoteKeepsItsPitch) {
    // In hundredths of a second, as eighths at 3000 quarters a minute.
    const std::vector<SKeyLength> pieces = {{67, 50}, {69, 4}, {103, 2}, {69, 4}, {70, 60}};
    const CRecording recording(kRate, Performed(pieces, 3000, [&](const SMoment& at) {
                                   return STone{double(pieces[at.n].nKey)};
                               }));
    const CPitchFrames frames(recording);
    // Frames of 10 ms after half a second of silence: G from 50, A from 100, B flat from 110.
    for (size_t n = 60; n < 98; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 7) << n;
    }
    for (size_t n = 100; n < 108; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 9) << n;
    }
    for (size_t n = 114; n < 160; ++n) {
        EXPECT_EQ(frames.HeldClass(n), 10) << n;
    }
}
