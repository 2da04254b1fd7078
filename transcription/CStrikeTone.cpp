#include "CStrikeTone.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <span>
#include <utility>

#include "CRecording.h"

namespace {
// Frames looked at for the ratio, spread over the recording: enough for a clear majority, and
// cheap beside reading the pitch of every frame.
constexpr size_t kMaxFrames = 100;
constexpr size_t kMinFrames = 20;
constexpr float kMinConfidence = 0.6f;
// The analysis window: the power of two nearest to 93 ms, so that the partials of neighbouring
// keys part down to C4 and a note's strike is not read long before it.
constexpr double kWindowSeconds = 0.093;
// The partial below is looked for down to an eighth of the pitch heard, and no higher than just
// below the octave under it; it must stand out kAboveFloor dB over the spectrum's median and lie
// at most kBelowHeard dB under the partial heard.
constexpr double kLowestRatio = 8;
constexpr double kHighestRatio = 1.9;
// The loudest partial is looked for up to this multiple of the pitch tuned to.
constexpr double kHighestPartial = 16;
constexpr double kAboveFloor = 20;
constexpr size_t kFloorStride = 4;
constexpr double kBelowHeard = 30;
// A partial lies at most this many dB below the loudest (a bar's pitch lies 18 to 24 dB below
// its strike partial at the strike).
constexpr double kBelowLoudest = 35;
// dB a pair's two partials together may lie below the strongest pair's.
constexpr double kPairRange = 30;
// The same ratio, within kSameCents, in at least kShare of the frames that show one, in
// kLeastShare of all the frames looked at and in kMinShown of them (once a bar's strike
// partial has died away, YIN hears the pitch itself, with no partial below); and none a
// harmonic sound could show, within kHarmonicCents of a whole multiple (a pitch read an octave
// high is no strike tone).
constexpr double kSameCents = 30;
constexpr double kShare = 0.4;
constexpr double kLeastShare = 0.15;
constexpr size_t kMinShown = 10;
constexpr double kHarmonicCents = 40;
constexpr int kHighestHarmonic = 8;

struct SAubioDeleter {
    void operator()(aubio_fft_t* p) const { del_aubio_fft(p); }
    void operator()(fvec_t* p) const { del_fvec(p); }
};

// The spectrum of the recording around any sample.
class CSpectrum {
public:
    explicit CSpectrum(const CRecording& recording);
    bool Read(size_t nMiddle);
    // Cents from the strongest partial below the one at fHz up to it, or -1 where none stands
    // out.
    double CentsBelow(double fHz) const;
    // Cents from fHz up to the loudest partial above its octave, or -1 where none stands out.
    double CentsAbove(double fHz) const;
    // The key whose partial fRatio above sounds with it, the pair the loudest of all; -1 where
    // no pair stands out.
    double PairedKey(double fRatio) const;

    // Whether the partial at fKey still stands out, where its strike partial has died away.
    bool Holds(double fKey) const;

private:
    double Refined(size_t k) const;
    bool IsPeak(size_t k) const { return m_norm[k] >= m_norm[k - 1] && m_norm[k] >= m_norm[k + 1]; }
    size_t Bin(double fHz) const { return size_t(std::lround(fHz / m_fBinHz)); }

    std::span<const float> m_samples;
    std::span<const float> m_norm;
    std::vector<float> m_sorted;
    double m_fFloor = 0;
    double m_fBinHz = 0;
    uint32_t m_nWindow = 256;
    std::vector<float> m_hann;
    std::unique_ptr<aubio_fft_t, SAubioDeleter> m_pFft;
    std::unique_ptr<fvec_t, SAubioDeleter> m_pIn;
    std::unique_ptr<fvec_t, SAubioDeleter> m_pOut;
    std::vector<float> m_magnitudes;
};

CSpectrum::CSpectrum(const CRecording& recording) : m_samples(recording.Samples()) {
    while (m_nWindow * 1.5 < recording.Rate() * kWindowSeconds) {
        m_nWindow *= 2;
    }
    m_fBinHz = double(recording.Rate()) / m_nWindow;
    m_hann.resize(m_nWindow);
    for (uint32_t k = 0; k < m_nWindow; ++k) {
        m_hann[k] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * k / m_nWindow));
    }
    m_pFft.reset(new_aubio_fft(m_nWindow));
    m_pIn.reset(new_fvec(m_nWindow));
    m_pOut.reset(new_fvec(m_nWindow));
    m_magnitudes.resize(m_nWindow / 2 + 1);
}

bool CSpectrum::Read(size_t nMiddle) {
    if (!m_pFft || !m_pIn || !m_pOut || nMiddle < m_nWindow / 2 ||
        nMiddle + m_nWindow / 2 > m_samples.size()) {
        return false;
    }
    for (uint32_t k = 0; k < m_nWindow; ++k) {
        m_pIn->data[k] = m_hann[k] * m_samples[nMiddle - m_nWindow / 2 + k];
    }
    // The magnitudes only: the phases aubio_fft_do would add cost a third of the reading.
    aubio_fft_do_complex(m_pFft.get(), m_pIn.get(), m_pOut.get());
    const float* pSpectrum = m_pOut->data;  // real parts up to n/2, then imaginary ones reversed
    m_magnitudes.front() = std::abs(pSpectrum[0]);
    m_magnitudes.back() = std::abs(pSpectrum[m_nWindow / 2]);
    for (uint32_t k = 1; k < m_nWindow / 2; ++k) {
        m_magnitudes[k] = std::sqrt(pSpectrum[k] * pSpectrum[k] +
                                    pSpectrum[m_nWindow - k] * pSpectrum[m_nWindow - k]);
    }
    m_norm = m_magnitudes;
    // The median of every fourth bin is as good a floor, and four times as cheap.
    m_sorted.clear();
    for (size_t k = 0; k < m_norm.size(); k += kFloorStride) {
        m_sorted.push_back(m_norm[k]);
    }
    const auto middle = m_sorted.begin() + std::ptrdiff_t(m_sorted.size() / 2);
    std::nth_element(m_sorted.begin(), middle, m_sorted.end());
    m_fFloor = std::max(
        *middle * std::pow(10.0, kAboveFloor / 20),
        *std::max_element(m_norm.begin(), m_norm.end()) * std::pow(10.0, -kBelowLoudest / 20));
    return true;
}

// The peak's bin, refined between its neighbours (a parabola through the three).
double CSpectrum::Refined(size_t k) const {
    const double a = m_norm[k - 1], b = m_norm[k], c = m_norm[k + 1];
    const double fDenominator = a - 2 * b + c;
    return double(k) + (fDenominator < 0 ? 0.5 * (a - c) / fDenominator : 0.0);
}

double CSpectrum::CentsBelow(double fHz) const {
    const size_t nHeard = Bin(fHz);
    const auto nFrom = std::max<size_t>(2, size_t(fHz / kLowestRatio / m_fBinHz));
    const auto nTo = size_t(fHz / kHighestRatio / m_fBinHz);
    if (nHeard + 3 >= m_norm.size() || nTo <= nFrom) {
        return -1;
    }
    const double fHeard = *std::max_element(m_norm.begin() + std::ptrdiff_t(nHeard - 2),
                                            m_norm.begin() + std::ptrdiff_t(nHeard + 3));
    const auto nPeak = size_t(std::max_element(m_norm.begin() + std::ptrdiff_t(nFrom),
                                               m_norm.begin() + std::ptrdiff_t(nTo + 1)) -
                              m_norm.begin());
    const double fPeak = m_norm[nPeak];
    if (fPeak < m_fFloor || fPeak < fHeard * std::pow(10.0, -kBelowHeard / 20) || nPeak == nFrom ||
        nPeak == nTo) {
        return -1;
    }
    return 1200 * std::log2(fHz / (Refined(nPeak) * m_fBinHz));
}

double CSpectrum::CentsAbove(double fHz) const {
    const size_t nFrom = Bin(fHz * kHighestRatio);
    const size_t nTo = std::min(m_norm.size() - 2, Bin(fHz * kHighestPartial));
    if (nTo <= nFrom + 1) {
        return -1;
    }
    const auto nPeak = size_t(std::max_element(m_norm.begin() + std::ptrdiff_t(nFrom),
                                               m_norm.begin() + std::ptrdiff_t(nTo + 1)) -
                              m_norm.begin());
    if (m_norm[nPeak] < m_fFloor || nPeak == nFrom || nPeak == nTo) {
        return -1;
    }
    return 1200 * std::log2(Refined(nPeak) * m_fBinHz / fHz);
}

bool CSpectrum::Holds(double fKey) const {
    const double fReach = std::pow(2.0, kSameCents / 1200);
    const size_t nLow = Bin(CPitchFrames::HzOf(fKey) / fReach),
                 nHigh = Bin(CPitchFrames::HzOf(fKey) * fReach);
    if (nLow < 2 || nHigh + 2 >= m_norm.size()) {
        return false;
    }
    for (size_t k = nLow; k <= nHigh; ++k) {
        if (m_norm[k] >= m_fFloor && IsPeak(k)) {
            return true;
        }
    }
    return false;
}

double CSpectrum::PairedKey(double fRatio) const {
    const auto nFrom = std::max<size_t>(2, Bin(CPitchFrames::HzOf(CPitchFrames::kLowestKey)));
    const size_t nTo = Bin(CPitchFrames::HzOf(CPitchFrames::kHighestKey));
    const double fReach = std::pow(2.0, kSameCents / 1200);
    std::vector<std::pair<double, double>> pairs;  // bin and strength of each pair
    double fStrongest = 0;
    for (size_t k = nFrom; k <= nTo && size_t(double(k + 2) * fRatio * fReach) < m_norm.size();
         ++k) {
        if (m_norm[k] < m_fFloor || !IsPeak(k)) {
            continue;
        }
        const double fTuned = Refined(k);
        const auto nLow = size_t(fTuned * fRatio / fReach);
        const auto nHigh = size_t(fTuned * fRatio * fReach) + 1;
        const double fPartial = *std::max_element(m_norm.begin() + std::ptrdiff_t(nLow),
                                                  m_norm.begin() + std::ptrdiff_t(nHigh + 1));
        if (fPartial >= m_fFloor) {
            pairs.emplace_back(fTuned, m_norm[k] * fPartial);
            fStrongest = std::max(fStrongest, pairs.back().second);
        }
    }
    // The higher partials pair among themselves as well (the strike partial with one 28 times
    // the pitch): the pitch tuned to is the lowest pair that sounds about as strongly.
    for (const auto& [fBin, fStrength] : pairs) {
        if (fStrength >= fStrongest * std::pow(10.0, -kPairRange / 10)) {
            return CPitchFrames::KeyOf(fBin * m_fBinHz);
        }
    }
    return -1;
}

bool NearHarmonic(double fCents) {
    for (int n = 2; n <= kHighestHarmonic; ++n) {
        if (std::abs(fCents - 1200 * std::log2(double(n))) < kHarmonicCents) {
            return true;
        }
    }
    return false;
}

// The ratio (cents) most of the frames show, 0 where none prevails.
double Prevailing(std::vector<double> cents, size_t nLookedAt) {
    std::sort(cents.begin(), cents.end());
    size_t nBest = 0, nMost = 0;
    for (size_t i = 0, j = 0; i < cents.size(); ++i) {
        while (cents[i] - cents[j] > 2 * kSameCents) {
            ++j;
        }
        if (i - j + 1 > nMost) {
            nMost = i - j + 1;
            nBest = (i + j) / 2;
        }
    }
    if (nLookedAt < kMinFrames || nMost < kMinShown ||
        double(nMost) < kShare * double(cents.size()) ||
        double(nMost) < kLeastShare * double(nLookedAt) || NearHarmonic(cents[nBest])) {
        return 0;
    }
    return cents[nBest];
}

// YIN hears such a bar at one and the same ratio above the pitch tuned to (half its strike
// partial, where that and the next partial make a fifth): the ratio (cents) most of the frames
// heard surely show between the pitch heard and the strongest partial below it, and the ratio
// from that partial up to the loudest one in the same frames; 0 where they show none.
std::pair<double, double> StrikeRatios(CSpectrum& spectrum, uint32_t nHop,
                                       const std::vector<CPitchFrames::SFrame>& frames) {
    std::vector<size_t> heard;
    for (size_t n = 0; n < frames.size(); ++n) {
        if (frames[n].fConfidence >= kMinConfidence && frames[n].fKey > 0) {
            heard.push_back(n);
        }
    }
    const size_t nStep = std::max<size_t>(1, heard.size() / kMaxFrames);
    std::vector<double> below, above;
    size_t nLookedAt = 0;
    for (size_t i = 0; i < heard.size(); i += nStep) {
        if (spectrum.Read(heard[i] * nHop + nHop / 2)) {
            ++nLookedAt;
            const double fHeard = CPitchFrames::HzOf(frames[heard[i]].fKey);
            const double fCents = spectrum.CentsBelow(fHeard);
            if (fCents > 0) {
                below.push_back(fCents);
                above.push_back(spectrum.CentsAbove(fHeard * std::pow(2.0, -fCents / 1200)));
            }
        }
    }
    const double fBelow = Prevailing(below, nLookedAt);
    if (fBelow == 0) {
        return {0, 0};
    }
    std::vector<double> loudest;
    for (size_t i = 0; i < below.size(); ++i) {
        if (std::abs(below[i] - fBelow) <= kSameCents && above[i] > 0) {
            loudest.push_back(above[i]);
        }
    }
    return {fBelow, Prevailing(loudest, loudest.size())};
}
}  // namespace

bool CStrikeTone::Read(const CRecording& recording, uint32_t nHop, float fPeak,
                       std::vector<CPitchFrames::SFrame>& frames) {
    CSpectrum spectrum(recording);
    const double fCents = StrikeRatios(spectrum, nHop, frames).second;
    if (fCents == 0) {
        return false;
    }
    const double fRatio = std::pow(2.0, fCents / 1200);
    float fLast = 0;
    for (size_t n = 0; n < frames.size(); ++n) {
        CPitchFrames::SFrame& frame = frames[n];
        double fKey = -1;
        if (frame.fLevel > fPeak - CPitchFrames::kVoicedRange &&
            spectrum.Read(n * nHop + nHop / 2)) {
            fKey = spectrum.PairedKey(fRatio);
            // Long after the strike only the pitch itself still rings.
            fKey = fKey < 0 && fLast > 0 && spectrum.Holds(fLast) ? fLast : fKey;
        }
        frame.fKey = fKey > 0 ? float(fKey) : 0;
        frame.fConfidence = fKey > 0 ? 1 : 0;
        fLast = frame.fKey;
    }
    return true;
}
