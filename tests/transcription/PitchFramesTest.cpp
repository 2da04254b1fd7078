// The pitch of every frame, read in two halves at once.
#include <gtest/gtest.h>

#include <cmath>

#include "CPitchFrames.h"
#include "CPitchReader.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

// The recording is read in two halves at once, the second by a tracker that first hears the
// window before its half, or in parts in any order: every frame reads the pitch and the
// confidence one tracker reading everything reads, to the bit, the frames at the seams too.
TEST(TranscriptionPitchFrames, HalvesReadAtOnceHearWhatOneTrackerHears) {
    const std::vector<SKeyLength> notes = {{62, 3}, {64, 1}, {65, 2}, {67, 5}, {69, 1}, {67, 4}};
    const CRecording recording(
        kRate, Performed(notes, 140, [&](const SMoment& at) {
            return STone{notes[at.n].nKey + 0.2 * std::sin(kTwoPi * 5.5 * at.t), Detaching(at)};
        }));
    const auto nHop = uint32_t(std::lround(kRate * CPitchFrames::kFrameSeconds));
    std::vector<CPitchFrames::SFrame> halves(recording.Samples().size() / nHop);
    std::vector<CPitchFrames::SFrame> whole = halves;
    ASSERT_TRUE(CPitchReader::Read(recording, nHop, halves, {}));
    ASSERT_TRUE(CPitchReader::Read(recording, nHop, whole, {}, false));
    // In parts, as the stretches asked whether the bars are struck and the gaps between them.
    std::vector<CPitchFrames::SFrame> parts(whole.size());
    for (const auto& [nFrom, nTo] : {std::pair<size_t, size_t>{7, 60}, {0, 7}, {60, SIZE_MAX}}) {
        ASSERT_TRUE(CPitchReader::Read(recording, nHop, parts, {}, true, nFrom, nTo));
    }
    size_t nHeard = 0;
    for (size_t n = 0; n < whole.size(); ++n) {
        EXPECT_EQ(std::pair(halves[n].fKey, halves[n].fConfidence),
                  std::pair(whole[n].fKey, whole[n].fConfidence))
            << n;
        EXPECT_EQ(std::pair(parts[n].fKey, parts[n].fConfidence),
                  std::pair(whole[n].fKey, whole[n].fConfidence))
            << n;
        nHeard += whole[n].fConfidence >= CPitchFrames::kMinConfidence ? 1 : 0;
    }
    EXPECT_GT(nHeard, whole.size() / 2);
}
