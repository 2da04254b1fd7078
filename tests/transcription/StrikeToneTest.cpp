// The pitch of struck bars whose partials are no multiples of it, as a glockenspiel's.
#include <gtest/gtest.h>

#include <cmath>

#include "CLevelCues.h"
#include "CPitchFrames.h"
#include "CPitchReader.h"
#include "CRecording.h"
#include "CStrikeTone.h"
#include "TranscriptionTestKit.h"

namespace {

// A bar's partials as ratios to the pitch it is tuned to, how loud each is at the strike and
// how many seconds it takes to fall by 20 dB: the strike partial rings loudest at first,
// 20 dB above the pitch, the one eight times as high lasts longer, the pitch itself longest.
struct SPartial {
    double fRatio, fAmplitude, fFall;
};
constexpr SPartial kPartials[] = {
    {1.0, 0.05, 3.0}, {2.73, 0.02, 0.4}, {5.3, 0.5, 0.3}, {7.95, 0.25, 0.8}};

// Bars of key nKey (A4 = 69) struck one after the other, each sounding until the next or, when
// damped, for fSounding seconds; fLoudness scales the strike.
struct SStrike {
    int nKey;
    double fSeconds;
    double fSounding = 0;
    double fLoudness = 1;
};

std::vector<float> Strikes(const std::vector<SStrike>& strikes) {
    std::vector<float> samples(kRate / 2);
    for (const SStrike& strike : strikes) {
        const double fHz = EqualTemperedHz(strike.nKey);
        const double fSounding = strike.fSounding > 0 ? strike.fSounding : strike.fSeconds;
        for (size_t i = 0; i < size_t(strike.fSeconds * kRate); ++i) {
            const double fTime = double(i) / kRate;
            double fSample = 0;
            if (fTime >= fSounding) {
                samples.push_back(0);
                continue;
            }
            for (const SPartial& partial : kPartials) {
                fSample += partial.fAmplitude * std::pow(10.0, -fTime / partial.fFall) *
                           std::sin(kTwoPi * fHz * partial.fRatio * fTime);
            }
            samples.push_back(float(strike.fLoudness * fSample));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// The frames from nFrom to nTo all sound as played, and read key nKey.
void ExpectKey(const CPitchFrames& frames, size_t nFrom, size_t nTo, int nKey) {
    for (size_t n = nFrom; n < nTo; ++n) {
        ASSERT_TRUE(frames.IsPlayed(n)) << nKey << " at frame " << n;
        EXPECT_NEAR(frames.Frames()[n].fKey, nKey, 0.3) << "at frame " << n;
    }
}

}  // namespace

// Every bar of a melody reads the pitch it is tuned to from its strike on, where YIN alone hears
// a partial or a subharmonic of two of them, another key or even another pitch class; a bar held
// for two seconds sounds its pitch long after its strike partial died away; a soft bar struck
// right after a loud one was damped is measured from its own strike and sounds to its end.
TEST(TranscriptionStrikeTone, StruckBarsReadThePitchTheyAreTunedTo) {
    const std::vector<SStrike> melody = {{62, 0.5}, {67, 0.5}, {71, 0.5}, {64, 0.5},
                                         {72, 0.5}, {69, 0.5}, {65, 0.5}, {60, 0.5}};
    const CPitchFrames frames(CRecording(kRate, Strikes(melody)));
    // Frames of 10 ms after half a second of silence; a strike's first frames see the bar
    // before in part of the analysis window.
    for (size_t i = 0; i < melody.size(); ++i) {
        ExpectKey(frames, 50 + 50 * i + 5, 50 + 50 * i + 45, melody[i].nKey);
    }
    const CPitchFrames held(CRecording(kRate, Strikes({{64, 2.0}, {64, 0.5}, {62, 2.0}})));
    ExpectKey(held, 55, 245, 64);
    ExpectKey(held, 255, 295, 64);
    ExpectKey(held, 305, 495, 62);
    const CPitchFrames soft(CRecording(
        kRate, Strikes({{60, 0.3, 0.2}, {67, 0.3, 0, 0.06}, {60, 0.3}, {69, 0.3, 0, 0.06}})));
    ExpectKey(soft, 85, 105, 67);
    ExpectKey(soft, 145, 165, 69);
}

// The halves of a recording are read at once: every frame reads what one reading of everything
// reads, to the bit, where a bar rings on through the middle for longer than the seam too.
TEST(TranscriptionStrikeTone, HalvesReadAtOnceHearWhatOneReadingHears) {
    for (const double fMiddleBar : {0.5, 8.0}) {
        SCOPED_TRACE(fMiddleBar);
        const std::vector<SStrike> melody = {{62, 0.5}, {67, 0.5},        {71, 0.5},
                                             {64, 0.5}, {72, fMiddleBar}, {69, 0.5},
                                             {65, 0.5}, {60, 0.5},        {62, 0.5}};
        const CRecording recording(kRate, Strikes(melody));
        // The frames as YIN hears them, before the strike tone is read.
        const uint32_t nHop = kRate / 100;
        std::vector<CPitchFrames::SFrame> halves(recording.Samples().size() / nHop);
        const float fPeak = CLevelCues::Read(recording, nHop, halves);
        ASSERT_TRUE(CPitchReader::Read(recording, nHop, halves, {}));
        std::vector<CPitchFrames::SFrame> whole = halves;
        ASSERT_TRUE(CStrikeTone::Read(recording, nHop, fPeak, halves));
        ASSERT_TRUE(CStrikeTone::Read(recording, nHop, fPeak, whole, false));
        for (size_t n = 0; n < whole.size(); ++n) {
            ASSERT_EQ(std::pair(halves[n].fKey, halves[n].fConfidence),
                      std::pair(whole[n].fKey, whole[n].fConfidence))
                << n;
        }
    }
}
