#include "COvertones.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "CHannWindow.h"
#include "COrderStatistics.h"
#include "CPitchFrames.h"
#include "CRecording.h"

namespace {
// The analysis window: the power of two nearest to 93 ms, so that the partials of neighbouring
// keys part down to C4 and a note's strike is not read long before it.
constexpr double kWindowSeconds = 0.093;
// The partial below is looked for down to an eighth of the pitch heard, and no higher than just
// below the octave under it; it must lie at most kBelowHeard dB under the partial heard.
constexpr double kLowestRatio = 8;
constexpr double kHighestRatio = 1.9;
constexpr double kBelowHeard = 30;
// The loudest partial is looked for up to this multiple of the pitch tuned to.
constexpr double kHighestPartial = 16;
// A partial stands out kAboveFloor dB over the spectrum's median (of every kFloorStride-th
// bin: as good a floor, and that much cheaper) and lies at most kBelowLoudest dB below the
// loudest partial (a bar's pitch lies 18 to 24 dB below its strike partial at the strike).
constexpr double kAboveFloor = 20;
constexpr size_t kFloorStride = 4;
constexpr double kBelowLoudest = 35;
// dB each partial of a pair may lie below those of the strongest pair, on average.
constexpr double kPairRange = 30;
}  // namespace

COvertones::COvertones(const CRecording& recording) : m_samples(recording.Samples()) {
    while (m_nWindow * 1.5 < recording.Rate() * kWindowSeconds) {
        m_nWindow *= 2;
    }
    m_fBinHz = double(recording.Rate()) / m_nWindow;
    m_hann = CHannWindow::Of(m_nWindow);
    m_pFft.reset(new_aubio_fft(m_nWindow));
    m_pIn.reset(new_fvec(m_nWindow));
    m_pOut.reset(new_fvec(m_nWindow));
    m_magnitudes.resize(m_nWindow / 2 + 1);
}

bool COvertones::Read(size_t nMiddle) {
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
    m_sorted.clear();
    for (size_t k = 0; k < m_norm.size(); k += kFloorStride) {
        m_sorted.push_back(m_norm[k]);
    }
    m_fFloor = std::max(
        COrderStatistics::Median(m_sorted.begin(), m_sorted.end()) *
            std::pow(10.0, kAboveFloor / 20),
        *std::max_element(m_norm.begin(), m_norm.end()) * std::pow(10.0, -kBelowLoudest / 20));
    return true;
}

// The peak's bin, refined between its neighbours (a parabola through the three).
double COvertones::Refined(size_t k) const {
    const double a = m_norm[k - 1], b = m_norm[k], c = m_norm[k + 1];
    const double fDenominator = a - 2 * b + c;
    return double(k) + (fDenominator < 0 ? 0.5 * (a - c) / fDenominator : 0.0);
}

double COvertones::CentsBelow(double fHz) const {
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

double COvertones::CentsAbove(double fHz) const {
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

bool COvertones::Holds(double fKey) const {
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

double COvertones::PairedKey(double fRatio) const {
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
