// The built-in sine tone and the fade at the end of every recording.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "CInstrument.h"
#include "SamplerTestSupport.h"

using namespace SamplerTest;

namespace {
void Fill(CInstrument& instrument, const std::vector<int16_t>& values) {
    ASSERT_TRUE(instrument.Allocate(uint32_t(values.size())));
    for (int16_t v : values) {
        instrument.AppendSample(v);
    }
}
}  // namespace

TEST(Instrument, StandardIsA264HzSine) {
    CInstrument instrument("Standard", 440);
    instrument.MakeStandard();
    EXPECT_EQ(instrument.GetBaseFrequency(), 264);
    EXPECT_EQ(instrument.GetSampleRate(), 22050u);
    EXPECT_EQ(instrument.GetBitsPerSample(), 16);
    EXPECT_EQ(instrument.IsStereo(), 0);
    const std::vector<int16_t> s = Slots(instrument);
    ASSERT_EQ(s.size(), 88200u);
    EXPECT_EQ(std::vector<int16_t>(s.begin(), s.begin() + 6),
              (std::vector<int16_t>{0, 751, 1498, 2237, 2963, 3673}));
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 9999);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -9999);
}

TEST(Instrument, FadeOfStandardTouchesOnlyTheLast441Slots) {
    CInstrument plain("Standard", 264);
    plain.MakeStandard();
    CInstrument faded("Standard", 264);
    faded.MakeStandard();
    faded.FadeOut();
    const std::vector<int16_t> a = Slots(plain);
    const std::vector<int16_t> b = Slots(faded);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 87759, b.begin()));
    for (uint32_t i = 87759; i < 88200; ++i) {
        const float factor = float(440 - (i - 87759)) / 441.0f;
        EXPECT_EQ(b[i], int16_t(std::trunc(double(factor) * a[i]))) << i;
    }
    EXPECT_EQ(b[88199], 0);
}

TEST(Instrument, EightBitFadesTowards127) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(8);
    instrument.SetSampleRate(250);  // five frames fade
    Fill(instrument, {0, 255, 255, 255, 0, 0, 0, 255});
    instrument.FadeOut();
    // Factors 4/5, 3/5, 2/5, 1/5, 0 on the last five; centred values -127 and 128.
    EXPECT_EQ(Slots(instrument),
              (std::vector<int16_t>{0, 255, 255, int16_t(127 + 102), int16_t(127 - 76),
                                    int16_t(127 - 50), int16_t(127 - 25), 127}));
}

TEST(Instrument, StereoFadesBothSlotsOfAFrameAlike) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(16);
    instrument.SetStereo(1);
    instrument.SetSampleRate(200);  // four frames fade
    Fill(instrument, {1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000});
    instrument.FadeOut();
    EXPECT_EQ(Slots(instrument),
              (std::vector<int16_t>{1000, -1000, 750, -750, 500, -500, 250, -250, 0, 0}));
}

TEST(Instrument, ShortRecordingGetsOnlyTheTailOfTheRamp) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(16);
    instrument.SetSampleRate(500);  // ten frames would fade
    Fill(instrument, {1000, 1000, 1000});
    instrument.FadeOut();
    EXPECT_EQ(Slots(instrument), (std::vector<int16_t>{200, 100, 0}));

    CInstrument stereo("x.wav", 264);
    stereo.SetBitsPerSample(8);
    stereo.SetStereo(1);
    stereo.SetSampleRate(200);
    Fill(stereo, {227, 27});
    stereo.FadeOut();
    EXPECT_EQ(Slots(stereo), (std::vector<int16_t>{127, 127}));
}

TEST(Instrument, RateBelow50LeavesTheRecordingAlone) {
    CInstrument instrument("x.wav", 264);
    instrument.SetBitsPerSample(16);
    instrument.SetSampleRate(49);
    Fill(instrument, {5, 6, 7});
    instrument.FadeOut();
    EXPECT_EQ(Slots(instrument), (std::vector<int16_t>{5, 6, 7}));
}

TEST(Instrument, ScaleSampleTruncatesTowardZeroAroundTheCentre) {
    CInstrument sixteen("x", 264);
    sixteen.SetBitsPerSample(16);
    EXPECT_EQ(sixteen.ScaleSample(-1001, 0.5f), -500);
    EXPECT_EQ(sixteen.ScaleSample(1001, 0.5f), 500);
    EXPECT_EQ(sixteen.ScaleSample(-32768, 1.0f), -32768);
    CInstrument eight("x", 264);
    eight.SetBitsPerSample(8);
    EXPECT_EQ(eight.ScaleSample(0, 0.5f), 127 - 63);
    EXPECT_EQ(eight.ScaleSample(255, 0.5f), 127 + 64);
    EXPECT_EQ(eight.ScaleSample(127, 0.3f), 127);
}

// An absurd sample rate makes the fade longer than any recording; only its last steps reach
// the slots, with the factors the single-precision count-down gives them.
TEST(Instrument, HugeRateFadesOnlyTheTailOfTheRamp) {
    for (uint32_t rate : {0xFFFFFFFFu, 900000000u, 838860850u, 4000000u}) {
        CInstrument instrument("x.wav", 264);
        instrument.SetBitsPerSample(16);
        instrument.SetSampleRate(rate);
        Fill(instrument, {30000, -30000, 30000});
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
