#pragma once

#include <cstdint>
#include <string>

#include "CWaveFile.h"

// The recording from which every note is played: a sample buffer that knows its pitch.
// The path "Standard" names the built-in sine tone instead of a file.
class CInstrument : public CWaveFile {
public:
    // The path that names the built-in sine tone.
    static constexpr const char* kStandardName = "Standard";
    // The pitch of the built-in tone in hertz, and the base frequency a run starts with.
    static constexpr int32_t kStandardBase = 264;
    // The value of pi the engine has always used (the tone and the filter): a more precise one
    // would change the samples.
    static constexpr double kPi = 3.1415926535;

    CInstrument(std::string strPath, int32_t nBaseFrequency);

    int32_t GetBaseFrequency() const { return m_nBaseFrequency; }
    // A 264 Hz sine of amplitude 10000, four seconds of 16-bit mono at 22050 Hz.
    void MakeStandard();
    // Fades the last fiftieth of a second linearly to silence, so that no note ends in a click.
    void FadeOut();
    int16_t ScaleSample(int16_t nValue, float fFactor) const;

    // v - 1 taken nSteps times in single precision, without the steps.
    static float CountDown(float v, uint64_t nSteps);

private:
    int32_t m_nBaseFrequency;
};
