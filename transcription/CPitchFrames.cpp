#include "CPitchFrames.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "CRecording.h"

namespace {
// A frame is heard as sounding this far below the loudest frame at most.
constexpr float kVoicedRange = 40;
constexpr float kMinConfidence = 0.6f;
// A pitch whose first three harmonics hold less of the sound is no note of its own.
constexpr double kMinHarmonicShare = 0.2;
// A frame this far below the loudest of the last half second is a dying tail, not a note.
constexpr float kTailRange = 20;
constexpr size_t kTailFrames = 50;
// The level rise is measured every quarter frame against the quietest of the last eight
// levels, so that the short fade between two notes of one pitch shows, and slower attacks.
constexpr uint32_t kRiseParts = 4;
constexpr size_t kRiseReach = 8;
// Frames on either side whose median is the class held, and frames a class must hold to be a
// note's steady part.
constexpr size_t kHoldReach = 4;
constexpr size_t kStableFrames = 6;
// Bowed strings, choirs and whistles take up to this many frames from the start of a note
// (the end of the note before, or the rise out of silence) until their pitch is steady; the
// frames between, as loud as the note within kBridgeRange dB, are heard as its start.
constexpr size_t kBridgeFrames = 40;
constexpr float kBridgeRange = 20;
// A start rises this far above the recording's quietest frames (its noise): the twentieth
// quietest part of them.
constexpr float kAboveQuiet = 10;

struct SAubioDeleter {
    void operator()(aubio_pitch_t* p) const { del_aubio_pitch(p); }
    void operator()(fvec_t* p) const { del_fvec(p); }
};

// The analysis window: the power of two nearest to 46 ms, long enough for E2's period.
// The share of a window's energy in the first three harmonics of fHz (1 for a pure tone of
// that pitch). A chord makes YIN hear the common fundamental far below its notes, where
// nothing sounds: that share is then near 0.
double LowHarmonicShare(const float* pSamples, size_t n, double fHz, uint32_t nRate) {
    double fEnergy = 0;
    for (size_t i = 0; i < n; ++i) {
        fEnergy += double(pSamples[i]) * pSamples[i];
    }
    if (fEnergy <= 0) {
        return 0;
    }
    double fShare = 0;
    for (int h = 1; h <= 3; ++h) {
        const double fCoefficient = 2 * std::cos(6.283185307179586 * h * fHz / nRate);
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < n; ++i) {
            const double s0 = pSamples[i] + fCoefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        fShare += 2 * (s1 * s1 + s2 * s2 - fCoefficient * s1 * s2) / (double(n) * fEnergy);
    }
    return fShare;
}

uint32_t WindowFor(uint32_t nRate) {
    uint32_t n = 256;
    while (n < nRate / 22) {
        n *= 2;
    }
    return n;
}
}  // namespace

CPitchFrames::CPitchFrames(const CRecording& recording) {
    const uint32_t nHop = std::max<uint32_t>(1, uint32_t(std::lround(recording.Rate() * kFrameSeconds)));
    m_frames.resize(recording.Samples().size() / nHop);
    ReadLevels(recording, nHop);
    ReadPitches(recording, nHop);
    FindVoiced();
    BridgeSlowStarts();
    FindSteadyRise();
}

void CPitchFrames::ReadLevels(const CRecording& recording, uint32_t nHop) {
    const float* pSamples = recording.Samples().data();
    for (size_t n = 0; n < m_frames.size(); ++n) {
        double fSum = 0;
        for (uint32_t i = 0; i < nHop; ++i) {
            const double v = pSamples[n * nHop + i];
            fSum += v * v;
        }
        m_frames[n].fLevel = float(10 * std::log10(fSum / nHop + 1e-12));
        m_fPeak = std::max(m_fPeak, m_frames[n].fLevel);
    }
    // Levels of a frame's length every quarter frame: short enough to see the fade between two
    // notes, long enough to hold whole periods of low notes.
    const uint32_t nPart = std::max<uint32_t>(1, nHop / kRiseParts);
    const size_t nParts = m_frames.size() * nHop / nPart;
    std::vector<double> partSums(nParts);
    for (size_t j = 0; j < nParts; ++j) {
        for (uint32_t i = 0; i < nPart; ++i) {
            const double v = pSamples[j * nPart + i];
            partSums[j] += v * v;
        }
    }
    std::vector<float> levels(nParts >= kRiseParts ? nParts - kRiseParts + 1 : 0);
    for (size_t j = 0; j < levels.size(); ++j) {
        double fSum = 0;
        for (size_t i = 0; i < kRiseParts; ++i) {
            fSum += partSums[j + i];
        }
        levels[j] = float(10 * std::log10(fSum / (nPart * kRiseParts) + 1e-12));
    }
    for (size_t j = kRiseReach; j < levels.size(); ++j) {
        const float fQuietest = *std::min_element(levels.begin() + std::ptrdiff_t(j - kRiseReach),
                                                  levels.begin() + std::ptrdiff_t(j));
        float& fRise = m_frames[j * nPart / nHop].fRise;
        fRise = std::max(fRise, levels[j] - fQuietest);
    }
}

// aubio's window ends with the hop just given; the pitch is that of the window's middle, so
// the results are written half a window earlier.
void CPitchFrames::ReadPitches(const CRecording& recording, uint32_t nHop) {
    const uint32_t nWindow = WindowFor(recording.Rate());
    std::unique_ptr<aubio_pitch_t, SAubioDeleter> pPitch(
        new_aubio_pitch("yinfast", nWindow, nHop, recording.Rate()));
    std::unique_ptr<fvec_t, SAubioDeleter> pIn(new_fvec(nHop));
    std::unique_ptr<fvec_t, SAubioDeleter> pOut(new_fvec(1));
    if (!pPitch || !pIn || !pOut) {
        return;
    }
    aubio_pitch_set_unit(pPitch.get(), "midi");
    aubio_pitch_set_silence(pPitch.get(), -90);
    const size_t nLag = (nWindow / 2 + nHop / 2) / nHop;
    const float* pSamples = recording.Samples().data();
    for (size_t n = 0; n < m_frames.size() + nLag; ++n) {
        for (uint32_t i = 0; i < nHop; ++i) {
            const size_t nAt = n * nHop + i;
            pIn->data[i] = nAt < recording.Samples().size() ? pSamples[nAt] : 0.0f;
        }
        aubio_pitch_do(pPitch.get(), pIn.get(), pOut.get());
        if (n >= nLag && n - nLag < m_frames.size()) {
            SFrame& frame = m_frames[n - nLag];
            frame.fKey = pOut->data[0];
            frame.fConfidence = aubio_pitch_get_confidence(pPitch.get());
            const size_t nEnd = std::min(recording.Samples().size(), (n + 1) * nHop);
            if (frame.fConfidence >= kMinConfidence && frame.fKey > 0 && nEnd >= nWindow &&
                LowHarmonicShare(pSamples + nEnd - nWindow, nWindow,
                                 440.0 * std::pow(2.0, (frame.fKey - 69) / 12.0),
                                 recording.Rate()) < kMinHarmonicShare) {
                frame.fConfidence = 0;
            }
        }
    }
}

void CPitchFrames::FindVoiced() {
    m_voiced.assign(m_frames.size(), false);
    for (size_t n = 0; n < m_frames.size(); ++n) {
        const SFrame& frame = m_frames[n];
        float fRecent = frame.fLevel;
        for (size_t k = n >= kTailFrames ? n - kTailFrames : 0; k < n; ++k) {
            fRecent = std::max(fRecent, m_frames[k].fLevel);
        }
        m_voiced[n] = frame.fLevel > m_fPeak - kVoicedRange && frame.fLevel > fRecent - kTailRange &&
                      frame.fConfidence >= kMinConfidence && frame.fKey >= kLowestKey &&
                      frame.fKey <= kHighestKey;
    }
}

int CPitchFrames::HeldClass(size_t n) const {
    const float fKey = HeldKey(n);
    return fKey < 0 ? -1 : int(std::lround(fKey)) % 12;
}

float CPitchFrames::HeldKey(size_t n) const {
    if (!IsVoiced(n)) {
        return -1;
    }
    std::array<float, 2 * kHoldReach + 1> keys;
    size_t nKeys = 0;
    for (size_t k = n >= kHoldReach ? n - kHoldReach : 0; k <= n + kHoldReach; ++k) {
        if (IsVoiced(k)) {
            // Folded into one octave around the frame's own key, so that a median is possible.
            const float fKey = m_frames[k].fKey;
            keys[nKeys++] = fKey + 12 * std::round((m_frames[n].fKey - fKey) / 12);
        }
    }
    if (nKeys < kHoldReach + 1) {
        return -1;
    }
    const auto middle = keys.begin() + std::ptrdiff_t(nKeys / 2);
    std::nth_element(keys.begin(), middle, keys.begin() + std::ptrdiff_t(nKeys));
    return *middle;
}

// A steady pitch that follows another one or silence after a stretch of sound without a
// steady pitch began with that stretch: its frames take the steady pitch.
void CPitchFrames::BridgeSlowStarts() {
    std::vector<int> held(m_frames.size());
    for (size_t n = 0; n < m_frames.size(); ++n) {
        held[n] = HeldClass(n);
    }
    std::vector<float> levels;
    for (const SFrame& frame : m_frames) {
        levels.push_back(frame.fLevel);
    }
    const auto quiet = levels.begin() + std::ptrdiff_t(levels.size() / 20);
    std::nth_element(levels.begin(), quiet, levels.end());
    const float fQuiet = levels.empty() ? -120 : *quiet;
    size_t nSteadyEnd = 0;  // where the last steady stretch ended
    for (size_t n = 0; n < held.size();) {
        size_t nEnd = n;
        while (nEnd < held.size() && held[nEnd] == held[n]) {
            ++nEnd;
        }
        if (held[n] < 0 || nEnd - n < kStableFrames) {
            n = nEnd;
            continue;
        }
        float fLevel = -120;
        for (size_t k = n; k < std::min(nEnd, n + 2 * kStableFrames); ++k) {
            fLevel = std::max(fLevel, m_frames[k].fLevel);
        }
        const size_t nFrom = std::max(nSteadyEnd, n >= kBridgeFrames ? n - kBridgeFrames : 0);
        // Never into the quiet before a first note: noise there is as loud as a soft start.
        const float fFloor = std::max({fLevel - kBridgeRange, m_fPeak - kVoicedRange, fQuiet + kAboveQuiet});
        for (size_t k = n; k-- > nFrom && held[k] != held[n] && m_frames[k].fLevel > fFloor;) {
            m_frames[k].fKey = m_frames[n].fKey;
            m_frames[k].fConfidence = std::max(m_frames[k].fConfidence, kMinConfidence);
            m_voiced[k] = true;
        }
        nSteadyEnd = nEnd;
        n = nEnd;
    }
}

void CPitchFrames::FindSteadyRise() {
    std::vector<float> rises;
    for (size_t n = 0; n < m_frames.size(); ++n) {
        if (m_voiced[n]) {
            rises.push_back(m_frames[n].fRise);
        }
    }
    if (!rises.empty()) {
        const auto at = rises.begin() + std::ptrdiff_t(rises.size() * 9 / 10);
        std::nth_element(rises.begin(), at, rises.end());
        m_fSteadyRise = *at;
    }
}
