#include "CLowPassFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ReferenceFilter.h"

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

std::string Describe(const SVariant& v, int taps, uint32_t total, bool stereo, int bits) {
    return "path " + std::to_string(static_cast<int>(v.path)) + (v.bDoubleOnly ? " double" : "") +
           ", taps " + std::to_string(taps) + ", slots " + std::to_string(total) +
           (stereo ? " stereo " : " mono ") + std::to_string(bits) + " bit";
}

// Full-range noise with the extremes, and every so often a stretch of one channel shaped
// like the filter itself, whose result lies far outside the sample range.
std::vector<int16_t> Noise(uint32_t total, int bits, int taps, bool stereo, uint32_t seed) {
    std::mt19937 random(seed);
    const int lo = bits == 8 ? 0 : -32768;
    const int hi = bits == 8 ? 255 : 32767;
    std::uniform_int_distribution<int> value(lo, hi);
    std::vector<int16_t> slots(total);
    for (int16_t& slot : slots) {
        slot = static_cast<int16_t>(value(random));
    }
    const std::vector<float> c = ReferenceFilter::Coefficients(taps);
    const uint32_t channels = stereo ? 2 : 1;
    const uint32_t n = static_cast<uint32_t>(c.size());
    uint32_t stretch = 0;
    for (uint32_t start = 0; start + n * channels < total; start += 3 * n * channels) {
        const bool flip = stretch % 2 != 0;
        const uint32_t ch = (stretch / 2) % channels;
        for (uint32_t k = 0; k < n; ++k) {
            const bool up = (c[k] >= 0) != flip;
            slots[start + k * channels + ch] = static_cast<int16_t>(up ? hi : lo);
        }
        ++stretch;
    }
    return slots;
}

std::vector<int16_t> Reference(std::vector<int16_t> slots, bool stereo, int bits, int taps) {
    ReferenceFilter::Run(slots.data(), static_cast<uint32_t>(slots.size()), stereo, bits, taps,
                         static_cast<uint32_t>(slots.size()), nullptr);
    return slots;
}

std::vector<int16_t> Shipped(std::vector<int16_t> slots, bool stereo, int bits, int taps,
                             const SVariant& v) {
    const CLowPassFilter filter(taps, v.path, v.bDoubleOnly);
    filter.Run(slots.data(), static_cast<uint32_t>(slots.size()), stereo, bits,
               static_cast<uint32_t>(slots.size()), nullptr);
    return slots;
}

std::vector<int16_t> Filtered(std::vector<int16_t> slots, int taps, int bits, EPath path) {
    const CLowPassFilter filter(taps, path);
    filter.Run(slots.data(), static_cast<uint32_t>(slots.size()), false, bits, 0, nullptr);
    return slots;
}

TEST(CLowPassFilter, CoefficientsAreTheTruncatedSincWithTheEnginesPi) {
    const CLowPassFilter nine(9);
    const std::vector<float>& c = nine.GetCoefficients();
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(c[4], 0.5f);
    EXPECT_EQ(c[5], static_cast<float>(1.0 / 3.1415926535));
    EXPECT_EQ(c[3], c[5]);
    EXPECT_EQ(c[7], static_cast<float>(-1.0 / (3 * 3.1415926535)));
    EXPECT_EQ(c[0], c[8]);
    EXPECT_NE(c[6], 0.0f);  // the short pi leaves the even offsets slightly off zero
    EXPECT_LT(std::fabs(c[6]), 1e-10f);
    for (const auto& [taps, gain] : {std::pair{9, 0.9244}, {19, 1.0315}, {99, 1.0064}}) {
        const CLowPassFilter filter(taps);
        double sum = 0;
        for (const float value : filter.GetCoefficients()) {
            sum += value;
        }
        EXPECT_NEAR(sum, gain, 5e-5) << taps;
    }
    for (int taps = 9; taps <= 99; taps += 2) {
        // Single precision is exact for every tap of the filters the program offers.
        EXPECT_TRUE(CLowPassFilter(taps).UsesSinglePrecision()) << taps;
    }
    EXPECT_FALSE(CLowPassFilter(19, EPath::Auto, true).UsesSinglePrecision());
    EXPECT_EQ(CLowPassFilter(10).GetTapCount(), 11);
    EXPECT_EQ(CLowPassFilter(0).GetTapCount(), 1);
}

TEST(CLowPassFilter, ConstantInputSettlesWithTheFilterDelay) {
    const std::vector<int16_t> loud16{0, -106, -106, 212, 712, 1030, 1030, 924, 924, 924, 924};
    const std::vector<int16_t> loud8{127, 120, 120, 143, 179, 202, 202, 195, 195, 195, 195};
    for (const SVariant& v : Variants()) {
        const CLowPassFilter filter(9, v.path, v.bDoubleOnly);
        std::vector<int16_t> slots(loud16.size(), 1000);
        filter.Run(slots.data(), static_cast<uint32_t>(slots.size()), false, 16, 0, nullptr);
        EXPECT_EQ(slots, loud16) << Describe(v, 9, 11, false, 16);
        slots.assign(loud8.size(), 200);
        filter.Run(slots.data(), static_cast<uint32_t>(slots.size()), false, 8, 0, nullptr);
        EXPECT_EQ(slots, loud8) << Describe(v, 9, 11, false, 8);
    }
}

TEST(CLowPassFilter, MatchesThePlainFilterForEveryLengthAndPath) {
    const uint32_t b = CLowPassFilter::kBlockFrames;
    const std::vector<uint32_t> lengths{
        0, 1, 2, 15, 16, 17, 63, 64, 65, b - 1, b, b + 1, 2 * b, 2 * b + 3, 2 * b + 99, 4 * b + 17};
    for (int taps = 9; taps <= 99; taps += 2) {
        for (const int bits : {16, 8}) {
            for (const bool stereo : {false, true}) {
                const uint32_t total = lengths[static_cast<size_t>(taps + bits) % lengths.size()];
                const auto input =
                    Noise(total, bits, taps, stereo, static_cast<uint32_t>(taps * bits));
                const auto expected = Reference(input, stereo, bits, taps);
                for (const SVariant& v : Variants()) {
                    ASSERT_EQ(Shipped(input, stereo, bits, taps, v), expected)
                        << Describe(v, taps, total, stereo, bits);
                }
            }
        }
    }
    for (const uint32_t total : lengths) {
        // 16-bit noise read as 8 bits too: slots the program never writes, centred and kept in
        // 16 bits like any other.
        const auto input = Noise(total, 16, 99, total % 2 == 0, total);
        for (const int bits : {16, 8}) {
            const auto expected = Reference(input, total % 2 == 0, bits, 99);
            for (const SVariant& v : Variants()) {
                ASSERT_EQ(Shipped(input, total % 2 == 0, bits, 99, v), expected)
                    << Describe(v, 99, total, total % 2 == 0, bits);
            }
        }
    }
}

TEST(CLowPassFilter, ResultsOutsideTheSampleRangeAreLimited) {
    for (const int bits : {16, 8}) {
        const auto input = Noise(3000, bits, 99, false, 5);
        const auto result = Filtered(input, 99, bits, EPath::Auto);
        const int16_t lo = bits == 8 ? 0 : -32768;
        const int16_t hi = bits == 8 ? 255 : 32767;
        EXPECT_NE(std::count(result.begin(), result.end(), lo), 0) << bits;
        EXPECT_NE(std::count(result.begin(), result.end(), hi), 0) << bits;
        EXPECT_EQ(result, Reference(input, false, bits, 99)) << bits;
    }
}

TEST(CLowPassFilter, LongSongsSplitOverThreadsGiveTheSameSamples) {
    // Long enough for a second thread and many segments; odd, so that in stereo the left
    // channel has one more slot.
    const uint32_t total = 500'001;
    for (const auto& [stereo, bits] : {std::pair{false, 16}, {true, 8}}) {
        const auto input = Noise(total, bits, 99, stereo, stereo ? 11 : 12);
        const auto expected = Reference(input, stereo, bits, 99);
        for (const SVariant& v : Variants()) {
            ASSERT_EQ(Shipped(input, stereo, bits, 99, v), expected)
                << Describe(v, 99, total, stereo, bits);
        }
    }
}

TEST(CLowPassFilter, StereoChannelsAreFilteredApart) {
    // Each channel comes out as if it were a mono song of its own.
    const auto input = Noise(20'001, 16, 19, true, 3);
    std::vector<int16_t> left;
    std::vector<int16_t> right;
    for (size_t s = 0; s < input.size(); ++s) {
        (s % 2 == 0 ? left : right).push_back(input[s]);
    }
    left = Filtered(left, 19, 16, EPath::Auto);
    right = Filtered(right, 19, 16, EPath::Auto);
    std::vector<int16_t> both = input;
    CLowPassFilter(19).Run(both.data(), 20'001, true, 16, 0, nullptr);
    for (size_t s = 0; s < both.size(); ++s) {
        ASSERT_EQ(both[s], s % 2 == 0 ? left[s / 2] : right[s / 2]) << s;
    }
}

TEST(CLowPassFilter, StepsProgressLikeThePlainFilterOnTheCallingThread) {
    struct SCase {
        uint32_t total;
        uint32_t progressSize;
        bool stereo;
        int taps;
    };
    const std::vector<SCase> cases{{0, 0, false, 19},
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
    for (const SCase& c : cases) {
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
}

TEST(CLowPassFilter, FailureInAProgressStepReachesTheCaller) {
    std::vector<int16_t> slots(1'000'000, 1000);
    int steps = 0;
    const auto step = [&] {
        if (++steps == 3) {
            throw std::runtime_error("abgebrochen");
        }
    };
    EXPECT_THROW(CLowPassFilter(99).Run(slots.data(), 1'000'000, true, 16, 1'000'000, step),
                 std::runtime_error);
    EXPECT_EQ(steps, 3);
}

}  // namespace
