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

// Bars of key nKey (A4 = 69) struck one after the other, each sounding until the next.
struct SStrike {
    int nKey;
    double fSeconds;
};

// With bHeld, each note holds the loudness of its strike instead of dying away.
std::vector<float> Strikes(const std::vector<SStrike>& strikes, bool bHeld = false) {
    std::vector<float> samples(kRate / 2);
    for (const SStrike& strike : strikes) {
        const double fHz = EqualTemperedHz(strike.nKey);
        for (size_t i = 0; i < size_t(strike.fSeconds * kRate); ++i) {
            const double fTime = double(i) / kRate;
            double fSample = 0;
            for (const SPartial& partial : kPartials) {
                fSample += partial.fAmplitude * std::pow(10.0, bHeld ? 0 : -fTime / partial.fFall) *
                           std::sin(kTwoPi * fHz * partial.fRatio * fTime);
            }
            samples.push_back(float(fSample));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// The frames of a recording as YIN hears them, before the strike tone is read; its peak level.
float HeardFrames(const CRecording& recording, uint32_t nHop,
                  std::vector<CPitchFrames::SFrame>& frames) {
    frames.assign(recording.Samples().size() / nHop, {});
    const float fPeak = CLevelCues::Read(recording, nHop, frames);
    EXPECT_TRUE(CPitchReader::Read(recording, nHop, frames, {}));
    return fPeak;
}

}  // namespace

// The halves of a recording are read at once: every frame reads what one reading of everything
// reads, to the bit, where a bar rings on through the middle for longer than the seam too.
TEST(TranscriptionStrikeTone, HalvesReadAtOnceHearWhatOneReadingHears) {
    for (const double fMiddleBar : {0.5, 8.0}) {
        SCOPED_TRACE(fMiddleBar);
        const std::vector<SStrike> melody = {{62, 0.5}, {67, 0.5},        {71, 0.5},
                                             {64, 0.5}, {72, fMiddleBar}, {69, 0.5},
                                             {65, 0.5}, {60, 0.5},        {62, 0.5}};
        const CRecording recording(kRate, Strikes(melody));
        const uint32_t nHop = kRate / 100;
        std::vector<CPitchFrames::SFrame> halves;
        const float fPeak = HeardFrames(recording, nHop, halves);
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

// The same partials held at one loudness are no struck bars, whatever their ratio: a bowed
// string can show such a partial below the pitch heard for a while. Dying away, they are.
TEST(TranscriptionStrikeTone, OnlyASoundThatDiesAwayIsStruck) {
    std::vector<SStrike> melody;
    for (const int nKey : {62, 67, 71, 64, 72, 69, 65, 60, 62, 67, 71, 64}) {
        melody.push_back({nKey, 0.5});
    }
    for (const bool bHeld : {false, true}) {
        const CRecording recording(kRate, Strikes(melody, bHeld));
        std::vector<CPitchFrames::SFrame> frames;
        const float fPeak = HeardFrames(recording, kRate / 100, frames);
        EXPECT_EQ(CStrikeTone::Read(recording, kRate / 100, fPeak, frames), !bHeld) << bHeld;
    }
}
