// The song's low-pass filter: bit for bit the plain filter on every path the processor runs,
// with its progress steps.

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <thread>

#include "CLowPassFilter.h"
#include "Reference.h"
#include "SamplerTestSupport.h"

namespace {

using EPath = CLowPassFilter::EPath;

struct SVariant {
    EPath path;
    bool bDoubleOnly;
};

// Every inner loop this processor can run, in both precisions.
std::vector<SVariant> Variants() {
    std::vector<SVariant> variants;
    for (const EPath path : {EPath::Portable, EPath::Avx2, EPath::Avx512}) {
        if (CLowPassFilter::IsAvailable(path)) {
            variants.push_back({path, false});
            variants.push_back({path, true});
        }
    }
    return variants;
}

std::string Describe(const SVariant& v, int taps, size_t total, bool stereo, int bits) {
    return "path " + std::to_string(int(v.path)) + (v.bDoubleOnly ? " double" : "") + ", taps " +
           std::to_string(taps) + ", slots " + std::to_string(total) +
           (stereo ? " stereo " : " mono ") + std::to_string(bits) + " bit";
}

// Full-range noise, and every so often a stretch of one channel shaped like the filter itself,
// whose result lies far outside the sample range.
std::vector<int16_t> Noise(uint32_t total, int bits, int taps, bool stereo, uint32_t seed) {
    const int lo = bits == 8 ? 0 : -32768, hi = bits == 8 ? 255 : 32767;
    std::vector<int16_t> slots = RandomSlots(total, bits, seed);
    const std::vector<float> c = ReferenceFilter::Coefficients(taps);
    const uint32_t channels = stereo ? 2 : 1, n = uint32_t(c.size());
    for (uint32_t start = 0, stretch = 0; start + n * channels < total;
         start += 3 * n * channels, ++stretch) {
        for (uint32_t k = 0; k < n; ++k) {
            const bool up = (c[k] >= 0) != (stretch % 2 != 0);
            slots[start + k * channels + (stretch / 2) % channels] = int16_t(up ? hi : lo);
        }
    }
    return slots;
}

std::vector<int16_t> Reference(std::vector<int16_t> slots, bool stereo, int bits, int taps) {
    ReferenceFilter::Run(slots.data(), uint32_t(slots.size()), stereo, bits, taps, 0, nullptr);
    return slots;
}

std::vector<int16_t> Shipped(std::vector<int16_t> slots, bool stereo, int bits, int taps,
                             const SVariant& v = {EPath::Auto, false}) {
    CLowPassFilter(taps, v.path, v.bDoubleOnly)
        .Run(slots.data(), uint32_t(slots.size()), stereo, bits, 0, nullptr);
    return slots;
}

void ExpectAllPathsMatch(const std::vector<int16_t>& input, bool stereo, int bits, int taps) {
    const auto expected = Reference(input, stereo, bits, taps);
    for (const SVariant& v : Variants()) {
        ASSERT_EQ(Shipped(input, stereo, bits, taps, v), expected)
            << Describe(v, taps, input.size(), stereo, bits);
    }
}

}  // namespace

TEST(CLowPassFilter, ConstantInputSettlesWithTheFilterDelay) {
    EXPECT_EQ(CLowPassFilter(10).GetTapCount(), 11);
    EXPECT_EQ(CLowPassFilter(0).GetTapCount(), 1);
    const std::vector<int16_t> loud16{0, -106, -106, 212, 712, 1030, 1030, 924, 924, 924, 924};
    const std::vector<int16_t> loud8{127, 120, 120, 143, 179, 202, 202, 195, 195, 195, 195};
    for (const SVariant& v : Variants()) {
        EXPECT_EQ(Shipped(std::vector<int16_t>(11, 1000), false, 16, 9, v), loud16)
            << Describe(v, 9, 11, false, 16);
        EXPECT_EQ(Shipped(std::vector<int16_t>(11, 200), false, 8, 9, v), loud8)
            << Describe(v, 9, 11, false, 8);
    }
}

TEST(CLowPassFilter, MatchesThePlainFilterForEveryLengthAndPath) {
    const uint32_t b = CLowPassFilter::kBlockFrames;
    const std::vector<uint32_t> lengths{
        0, 1, 2, 15, 16, 17, 63, 64, 65, b - 1, b, b + 1, 2 * b, 2 * b + 3, 2 * b + 99, 4 * b + 17};
    for (int taps = 9; taps <= 99; taps += 2) {
        for (const int bits : {16, 8}) {
            for (const bool stereo : {false, true}) {
                const uint32_t total = lengths[size_t(taps + bits) % lengths.size()];
                ExpectAllPathsMatch(Noise(total, bits, taps, stereo, uint32_t(taps * bits)), stereo,
                                    bits, taps);
            }
        }
    }
    for (const uint32_t total : lengths) {
        // 16-bit noise read as 8 bits too: slots the program never writes, kept like any other.
        for (const int bits : {16, 8}) {
            ExpectAllPathsMatch(Noise(total, 16, 99, total % 2 == 0, total), total % 2 == 0, bits,
                                99);
        }
    }
    // Long enough for a second thread and many segments; odd, so that in stereo the left
    // channel has one more slot.
    ExpectAllPathsMatch(Noise(500'001, 16, 99, false, 12), false, 16, 99);
    ExpectAllPathsMatch(Noise(500'001, 8, 99, true, 11), true, 8, 99);
}

// The right channel starts from silence: nothing of the left channel's last samples leaks
// into its first results.
TEST(CLowPassFilter, ResultsSaturateAndEachChannelStartsFromSilence) {
    for (const int bits : {16, 8}) {
        const int16_t lo = bits == 8 ? 0 : -32768, hi = bits == 8 ? 255 : 32767;
        const auto result = Shipped(Noise(3000, bits, 99, false, 5), false, bits, 99);
        EXPECT_NE(std::count(result.begin(), result.end(), lo), 0) << bits;
        EXPECT_NE(std::count(result.begin(), result.end(), hi), 0) << bits;
        const int16_t silence = bits == 8 ? 127 : 0;
        std::vector<int16_t> slots(40, silence);
        for (size_t s = 0; s < slots.size(); s += 2) {
            slots[s] = hi;  // loud left, silent right
        }
        const std::vector<int16_t> out = Shipped(slots, true, bits, 19);
        for (size_t s = 1; s < out.size(); s += 2) {
            EXPECT_EQ(out[s], silence) << s;
        }
    }
}

TEST(CLowPassFilter, StepsProgressLikeThePlainFilterOnTheCallingThread) {
    const struct {
        uint32_t total, progressSize;
        bool stereo;
        int taps;
    } kCases[] = {{0, 0, false, 19},
                  {1, 1, false, 19},
                  {99, 99, false, 19},
                  {99, 99, true, 19},
                  {250, 1000, true, 19},
                  {1000, 1000, false, 19},
                  {4097, 4097, true, 19},
                  {12345, 999, false, 19},
                  {12345, 99999, true, 19},
                  {1999, 1000, false, 19},
                  {1999, 1000, true, 19},
                  {5000, 150, true, 19},
                  {1'000'001, 1'000'001, true, 99},
                  {1'200'000, 7'000, false, 99}};
    const auto caller = std::this_thread::get_id();
    for (const auto& c : kCases) {
        std::vector<int16_t> slots(c.total, 100);
        int expected = 0;
        // The plain filter's steps depend on the slot count only, not on its taps.
        ReferenceFilter::Run(slots.data(), c.total, c.stereo, 16, 9, c.progressSize,
                             [&] { ++expected; });
        int steps = 0;
        bool elsewhere = false;
        CLowPassFilter(c.taps).Run(slots.data(), c.total, c.stereo, 16, c.progressSize, [&] {
            ++steps;
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
        });
        EXPECT_EQ(steps, expected) << c.total << " / " << c.progressSize;
        EXPECT_FALSE(elsewhere) << c.total;
    }
    std::vector<int16_t> slots(1'000'000, 1000);
    int steps = 0;
    const auto failing = [&] {
        if (++steps == 3) {
            throw std::runtime_error("abgebrochen");
        }
    };
    EXPECT_THROW(CLowPassFilter(99).Run(slots.data(), 1'000'000, true, 16, 1'000'000, failing),
                 std::runtime_error);
    EXPECT_EQ(steps, 3);
}
