// The built-in sine tone and the fade at the end of every recording.

#include <gtest/gtest.h>

#include <cmath>

#include "SamplerTestSupport.h"

TEST(Instrument, StandardIsA264HzSineFadedOverItsLast441Slots) {
    CInstrument plain("Standard", 440);
    plain.MakeStandard();
    EXPECT_EQ(plain.GetBaseFrequency(), 264);
    EXPECT_EQ(plain.GetSampleRate(), 22050u);
    EXPECT_EQ(plain.GetBitsPerSample(), 16);
    EXPECT_EQ(plain.IsStereo(), 0);
    const std::vector<int16_t> a = Slots(plain);
    ASSERT_EQ(a.size(), 88200u);
    EXPECT_EQ(std::vector<int16_t>(a.begin(), a.begin() + 6),
              (std::vector<int16_t>{0, 751, 1498, 2237, 2963, 3673}));
    EXPECT_EQ(*std::max_element(a.begin(), a.end()), 9999);
    EXPECT_EQ(*std::min_element(a.begin(), a.end()), -9999);
    plain.FadeOut();
    const std::vector<int16_t> b = Slots(plain);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 87759, b.begin()));
    for (uint32_t i = 87759; i < 88200; ++i) {
        const float factor = float(440 - (i - 87759)) / 441.0f;
        EXPECT_EQ(b[i], int16_t(std::trunc(double(factor) * a[i]))) << i;
    }
}

TEST(Instrument, FadesTruncateTowardsTheCentre) {
    const struct {
        int bits;
        int32_t stereo;
        uint32_t rate;
        std::vector<int16_t> in, out;
    } kCases[] = {
        // Five frames fade by 4/5 .. 0; 8-bit values are centred on 127.
        {8, 0, 250, {0, 255, 255, 255, 0, 0, 0, 255}, {0, 255, 255, 229, 51, 77, 102, 127}},
        {16,
         1,
         200,
         {1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000},
         {1000, -1000, 750, -750, 500, -500, 250, -250, 0, 0}},
        {16, 0, 500, {1000, 1000, 1000}, {200, 100, 0}},  // only the tail of the ramp
        {16, 0, 500, {-1001, -1001, -1001}, {-200, -100, 0}},
        {8, 1, 200, {227, 27}, {127, 127}},
        {16, 0, 49, {5, 6, 7}, {5, 6, 7}},  // below 50 frames a second nothing fades
    };
    for (const auto& c : kCases) {
        CInstrument instrument("x.wav", 264);
        Record(instrument, c.bits, c.stereo, c.rate, c.in);
        instrument.FadeOut();
        EXPECT_EQ(Slots(instrument), c.out) << c.bits << " bits, rate " << c.rate;
    }
    // An absurd rate makes the fade longer than any recording; only its last steps reach the
    // slots, with the factors the single-precision count-down gives them.
    for (uint32_t rate : {0xFFFFFFFFu, 900000000u, 838860850u, 4000000u}) {
        CInstrument instrument("x.wav", 264);
        Record(instrument, 16, 0, rate, {30000, -30000, 30000});
        instrument.FadeOut();
        const int64_t frames = rate / 50;
        float v = float(frames - 1);
        for (int64_t k = 0; k < frames - 3; ++k) {
            v = v - 1;
        }
        std::vector<int16_t> expected;
        for (int16_t value : {30000, -30000, 30000}) {
            expected.push_back(int16_t(std::trunc(double(v / float(frames)) * value)));
            v = v - 1;
        }
        EXPECT_EQ(Slots(instrument), expected) << rate;
    }
}
