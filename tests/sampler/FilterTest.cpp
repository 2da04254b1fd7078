// The song's low-pass filter: every path the processor runs bit for bit the portable one, with
// the same progress steps, all made on the calling thread. Full-range noise drives many results
// past the sample range, so the comparison also covers saturation and each channel starting
// from silence.

#include <gtest/gtest.h>

#include <thread>

#include "CLowPassFilter.h"
#include "SamplerTestSupport.h"

namespace {
using EPath = CLowPassFilter::EPath;

// Every inner loop this processor can run, in both precisions, makes the slots of the portable
// single-precision one, with its progress steps all on the calling thread.
void ExpectAllPathsMatch(const std::vector<int16_t>& input, bool stereo, int bits, int taps,
                         uint32_t progressSize) {
    const auto total = uint32_t(input.size());
    const auto caller = std::this_thread::get_id();
    std::vector<int16_t> expected;
    // A step whenever the count of filtered slots reaches a hundredth of the progress size.
    const auto expectedSteps = int(progressSize < 100 ? total : total / (progressSize / 100));
    for (const EPath path : {EPath::Portable, EPath::Avx2, EPath::Avx512}) {
        for (int d = 0; d < 2 && CLowPassFilter::IsAvailable(path); ++d) {
            std::vector<int16_t> slots = input;
            int steps = 0;
            bool elsewhere = false;
            CLowPassFilter(taps, path, d == 1)
                .Run(slots.data(), total, stereo, bits, progressSize, [&] {
                    ++steps;
                    elsewhere = elsewhere || std::this_thread::get_id() != caller;
                });
            if (path == EPath::Portable && d == 0) {
                expected = slots;
            }
            ASSERT_EQ(slots, expected) << "path " << int(path) << "/" << d << ", taps " << taps;
            EXPECT_EQ(std::pair(steps, elsewhere), std::pair(expectedSteps, false)) << progressSize;
        }
    }
}
}  // namespace

TEST(CLowPassFilter, MatchesThePlainFilterForEveryLengthAndPath) {
    const uint32_t b = CLowPassFilter::kBlockFrames;
    const std::vector<uint32_t> lengths{
        0, 1, 2, 15, 16, 17, 63, 64, 65, b - 1, b, b + 1, 2 * b, 2 * b + 3, 2 * b + 99, 4 * b + 17};
    // Progress sizes below 100 step every slot.
    const uint32_t kProgressSizes[] = {0, 1, 99, 150, 999, 4097, 99999};
    for (int taps = 9; taps <= 99; taps += 2) {
        for (const int bits : {16, 8}) {
            for (const bool stereo : {false, true}) {
                const uint32_t total = lengths[size_t(taps / 2 + bits + stereo) % lengths.size()];
                ExpectAllPathsMatch(RandomSlots(total, bits, uint32_t(taps * bits)), stereo, bits,
                                    taps, kProgressSizes[size_t(taps / 2 + stereo) % 7]);
            }
        }
    }
    // Long enough for a second thread and many segments; odd, so that in stereo the left
    // channel has one more slot.
    ExpectAllPathsMatch(RandomSlots(500'001, 16, 12), false, 16, 99, 500'001);
    ExpectAllPathsMatch(RandomSlots(500'001, 8, 11), true, 8, 99, 7'000);
}

// A step that throws (a cancelled run) ends the run on the calling thread with that exception;
// the second thread is stopped and joined, nothing is terminated.
TEST(CLowPassFilter, AThrowingStepEndsATwoThreadRun) {
    if (std::thread::hardware_concurrency() < 2) {
        GTEST_SKIP() << "one processor: the filter runs on a single thread here";
    }
    struct Cancelled {};
    std::vector<int16_t> slots(2'000'001, 100);
    const auto total = uint32_t(slots.size());
    for (const int nThrowAt : {1, 3, 50}) {
        int steps = 0;
        const auto step = [&] {
            if (++steps == nThrowAt) {
                throw Cancelled{};
            }
        };
        EXPECT_THROW(CLowPassFilter(99).Run(slots.data(), total, true, 16, total, step), Cancelled);
        EXPECT_EQ(steps, nThrowAt);
    }
}
