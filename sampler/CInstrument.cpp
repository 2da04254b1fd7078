#include "CInstrument.h"

#include <cmath>

#include "CEngineFailure.h"

namespace {
const uint32_t kStandardRate = 22050;
const uint32_t kStandardSlots = 88200;
}  // namespace

CInstrument::CInstrument(std::string strPath, int32_t nBaseFrequency)
    : CWaveFile(std::move(strPath)), m_nBaseFrequency(nBaseFrequency) {}

void CInstrument::MakeStandard() {
    SetBitsPerSample(16);
    SetStereo(0);
    SetSampleRate(kStandardRate);
    m_nBaseFrequency = kStandardBase;
    if (!Allocate(kStandardSlots)) {
        throw CEngineFailure(CEngineFailure::kNoMemory);
    }
    const double k = 2 * kPi / 44100;
    for (uint32_t i = 0; i < kStandardSlots; ++i) {
        const double value = std::trunc(10000 * std::sin(2.0 * i * m_nBaseFrequency * k));
        if (!AppendSample(int32_t(value))) {
            throw CEngineFailure(CEngineFailure::kGenerateFailed);
        }
    }
}

void CInstrument::FadeOut() {
    const int64_t frames = GetSampleRate() / 50;
    const int64_t channels = IsStereo() ? 2 : 1;
    const float divisor = float(frames);
    float v = float(frames - 1);
    int64_t slot = int64_t(GetSize()) - channels * frames;
    // A recording shorter than the fade only gets the tail of the ramp; the frames before its
    // start are counted off at once, since an absurd sample rate makes the ramp very long.
    if (slot < 0) {
        const int64_t skipped = (-slot + channels - 1) / channels;
        v = CountDown(v, uint64_t(skipped));
        slot += skipped * channels;
    }
    for (; slot < int64_t(GetSize()); slot += channels) {
        const float factor = v / divisor;
        v = v - 1;
        for (int64_t c = 0; c < channels; ++c) {
            int16_t value = 0;
            if (GetSample(uint32_t(slot + c), value)) {
                SetSample(uint32_t(slot + c), ScaleSample(value, factor));
            }
        }
    }
}

// The same as taking v = v - 1 in single precision nSteps times. Above 2^24 a step may round
// back to v, and the count stays there; below it every whole number is exact.
float CInstrument::CountDown(float v, uint64_t nSteps) {
    const float exactLimit = 16777216.0f;
    for (; nSteps > 0 && v > exactLimit; --nSteps) {
        const float next = v - 1;
        if (next == v) {
            return v;
        }
        v = next;
    }
    return float(double(v) - double(nSteps));
}

int16_t CInstrument::ScaleSample(int16_t nValue, float fFactor) const {
    return ScaleValue(nValue, fFactor, GetBitsPerSample());
}
