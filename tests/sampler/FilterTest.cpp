// The song's low-pass filter: bit for bit the plain filter on every path the processor runs,
// with its progress steps. The noise drives results far past the sample range, so the
// comparison also covers saturation and each channel starting from silence.

#include <gtest/gtest.h>

#include <thread>

#include "CLowPassFilter.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {

using EPath = CLowPassFilter::EPath;

// Every inner loop this processor can run, in both precisions: path and double-only flag.
std::vector<std::pair<EPath, bool>> Variants() {
    std::vector<std::pair<EPath, bool>> variants;
    for (const EPath path : {EPath::Portable, EPath::Avx2, EPath::Avx512}) {
        if (CLowPassFilter::IsAvailable(path)) {
            variants.insert(variants.end(), {{path, false}, {path, true}});
        }
    }
    return variants;
}

// Full-range noise, and every so often a stretch of one channel shaped like the filter itself,
// whose result lies far outside the sample range.
std::vector<int16_t> Noise(uint32_t total, int bits, int taps, bool stereo, uint32_t seed) {
    const int16_t lo = bits == 8 ? 0 : -32768, hi = bits == 8 ? 255 : 32767;
    std::vector<int16_t> slots = RandomSlots(total, bits, seed);
    const std::vector<float> c = ReferenceFilter::Coefficients(taps);
    const uint32_t channels = stereo ? 2 : 1, n = uint32_t(c.size());
    for (uint32_t start = 0, stretch = 0; start + n * channels < total;
         start += 3 * n * channels, ++stretch) {
        for (uint32_t k = 0; k < n; ++k) {
            const bool up = (c[k] >= 0) != (stretch % 2 != 0);
            slots[start + k * channels + (stretch / 2) % channels] = up ? hi : lo;
        }
    }
    return slots;
}

void ExpectAllPathsMatch(const std::vector<int16_t>& input, bool stereo, int bits, int taps) {
    std::vector<int16_t> expected = input;
    ReferenceFilter::Run(expected.data(), uint32_t(expected.size()), stereo, bits, taps, 0, {});
    for (const auto& v : Variants()) {
        std::vector<int16_t> slots = input;
        CLowPassFilter(taps, v.first, v.second)
            .Run(slots.data(), uint32_t(slots.size()), stereo, bits, 0, nullptr);
        ASSERT_EQ(slots, expected)
            << "path " << int(v.first) << (v.second ? " double" : "") << ", taps " << taps
            << ", slots " << input.size() << (stereo ? " stereo " : " mono ") << bits << " bit";
    }
}

}  // namespace

TEST(CLowPassFilter, MatchesThePlainFilterForEveryLengthAndPath) {
    const uint32_t b = CLowPassFilter::kBlockFrames;
    const std::vector<uint32_t> lengths{
        0, 1, 2, 15, 16, 17, 63, 64, 65, b - 1, b, b + 1, 2 * b, 2 * b + 3, 2 * b + 99, 4 * b + 17};
    for (int taps = 9; taps <= 99; taps += 2) {
        for (const int bits : {16, 8}) {
            for (const bool stereo : {false, true}) {
                const uint32_t total = lengths[size_t(taps / 2 + bits + stereo) % lengths.size()];
                ExpectAllPathsMatch(Noise(total, bits, taps, stereo, uint32_t(taps * bits)), stereo,
                                    bits, taps);
            }
        }
    }
    // Long enough for a second thread and many segments; odd, so that in stereo the left
    // channel has one more slot.
    ExpectAllPathsMatch(Noise(500'001, 16, 99, false, 12), false, 16, 99);
    ExpectAllPathsMatch(Noise(500'001, 8, 99, true, 11), true, 8, 99);
}

TEST(CLowPassFilter, StepsProgressLikeThePlainFilterOnTheCallingThread) {
    // Slots and progress size, every other run in stereo; the long songs run on two threads.
    const uint32_t kTotals[] = {0, 1, 99, 4097, 12345, 5000, 12345, 1'000'001, 1'200'000};
    const uint32_t kSizes[] = {0, 1, 99, 4097, 999, 150, 99999, 1'000'001, 7'000};
    const auto caller = std::this_thread::get_id();
    for (size_t i = 0; i < std::size(kTotals); ++i) {
        const uint32_t total = kTotals[i], progressSize = kSizes[i];
        const bool stereo = i % 2 != 0;
        std::vector<int16_t> slots(total, 100);
        int expected = 0, steps = 0;
        // The plain filter's steps depend on the slot count only, not on its taps.
        ReferenceFilter::Run(slots.data(), total, stereo, 16, 9, progressSize, [&] { ++expected; });
        bool elsewhere = false;
        CLowPassFilter(total > 100'000 ? 99 : 19)
            .Run(slots.data(), total, stereo, 16, progressSize, [&] {
                ++steps;
                elsewhere = elsewhere || std::this_thread::get_id() != caller;
            });
        EXPECT_EQ(steps, expected) << total << " / " << progressSize;
        EXPECT_FALSE(elsewhere) << total;
    }
}

// A step that throws (a cancelled run) ends the run on the calling thread with that exception;
// the second thread is stopped and joined, nothing is terminated.
TEST(CLowPassFilter, AThrowingStepEndsATwoThreadRun) {
    if (std::thread::hardware_concurrency() < 2) {
        GTEST_SKIP() << "one processor: the filter runs on a single thread here";
    }
    struct Cancelled {};
    std::vector<int16_t> slots(2'000'001, 100);
    for (const int nThrowAt : {1, 3, 50}) {
        int steps = 0;
        EXPECT_THROW(CLowPassFilter(99).Run(slots.data(), uint32_t(slots.size()), true, 16,
                                            uint32_t(slots.size()),
                                            [&] {
                                                if (++steps == nThrowAt) {
                                                    throw Cancelled{};
                                                }
                                            }),
                     Cancelled);
        EXPECT_EQ(steps, nThrowAt);
    }
}
