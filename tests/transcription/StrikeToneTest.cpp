// The pitch of struck bars whose partials are no multiples of it, as a glockenspiel's.
#include <gtest/gtest.h>

#include <cmath>

#include "CPitchFrames.h"
#include "CRecording.h"
#include "TranscriptionTestKit.h"

namespace {

constexpr uint32_t kRate = 22050;

// A bar's partials as ratios to the pitch it is tuned to, how loud each is at the strike and
// how many seconds it takes to fall by 20 dB: the strike partial rings loudest at first,
// 20 dB above the pitch, the one eight times as high lasts longer, the pitch itself longest.
struct SPartial {
    double fRatio, fAmplitude, fFall;
};
constexpr SPartial kPartials[] = {
    {1.0, 0.05, 3.0}, {2.73, 0.02, 0.4}, {5.3, 0.5, 0.3}, {7.95, 0.25, 0.8}};

// Bars of key nKey (A4 = 69) struck one after the other, each sounding until the next.
struct SStrike {
    int nKey;
    double fSeconds;
};

std::vector<float> Strikes(const std::vector<SStrike>& strikes) {
    std::vector<float> samples(kRate / 2);
    for (const SStrike& strike : strikes) {
        const double fHz = 440.0 * std::pow(2.0, (strike.nKey - 69) / 12.0);
        for (size_t i = 0; i < size_t(strike.fSeconds * kRate); ++i) {
            const double fTime = double(i) / kRate;
            double fSample = 0;
            for (const SPartial& partial : kPartials) {
                fSample += partial.fAmplitude * std::pow(10.0, -fTime / partial.fFall) *
                           std::sin(kTwoPi * fHz * partial.fRatio * fTime);
            }
            samples.push_back(float(fSample));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// The frames from nFrom to nTo all sound, and read key nKey.
void ExpectKey(const CPitchFrames& frames, size_t nFrom, size_t nTo, int nKey) {
    for (size_t n = nFrom; n < nTo; ++n) {
        ASSERT_TRUE(frames.IsVoiced(n)) << n;
        EXPECT_NEAR(frames.Frames()[n].fKey, nKey, 0.3) << n;
    }
}

}  // namespace

// Every bar of a melody reads the pitch it is tuned to from its strike on, where YIN alone
// hears a partial or a subharmonic of two of them, another key or even another pitch class.
TEST(TranscriptionStrikeTone, StruckBarsReadThePitchTheyAreTunedTo) {
    const std::vector<SStrike> strikes = {{62, 0.5}, {67, 0.5}, {71, 0.5}, {64, 0.5},
                                          {72, 0.5}, {69, 0.5}, {65, 0.5}, {60, 0.5}};
    const CPitchFrames frames(CRecording(kRate, Strikes(strikes)));
    // Frames of 10 ms after half a second of silence; a strike's first frames see the bar
    // before in part of the analysis window.
    for (size_t i = 0; i < strikes.size(); ++i) {
        SCOPED_TRACE(strikes[i].nKey);
        ExpectKey(frames, 50 + 50 * i + 5, 50 + 50 * i + 45, strikes[i].nKey);
    }
}
