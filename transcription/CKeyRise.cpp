#include "CKeyRise.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "CGoertzel.h"
#include "CHannWindow.h"
#include "CPitchFrames.h"
#include "CRecording.h"

namespace {
// The window each frame's partials are measured in: long enough to tell a key from its
// neighbour by the second and third partials.
constexpr double kWindowSeconds = 0.046;
// The partials measured: up to kPartials of the lowest kHighest that the note before has none
// near (up to its kHighestBefore-th): within kShared semitones, or so close that the window
// cannot part them (kSharedBins of its frequency resolution).
constexpr size_t kPartials = 3;
constexpr size_t kHighest = CGoertzel::kMaxFrequencies;
constexpr size_t kHighestBefore = 12;
constexpr double kShared = 0.5;
constexpr double kSharedBins = 2.5;
// A partial stands out when it is at most this many dB weaker than the note's loudest.
constexpr double kStandOut = 30;
// The note's strength is its strongest within kAfter frames from where it was first held.
constexpr size_t kAfter = 10;
// The note began where its partials lay this many dB below its strength.
constexpr float kDrop = 15;
// The rise is looked for at most this many frames back (0.4 s).
constexpr size_t kReach = 40;
}  // namespace

CKeyRise::CKeyRise(const CRecording& recording, uint32_t nHop)
    : m_recording(recording),
      m_nHop(nHop),
      m_window(CHannWindow::Of(
          std::max<size_t>(16, size_t(std::lround(kWindowSeconds * recording.Rate()))))) {}

// The power of each partial at these angular frequencies (radians per sample) in the window
// around frame n; outside the recording is silence.
CGoertzel::Powers CKeyRise::Powers(size_t n, std::span<const double> radians) const {
    const auto samples = m_recording.Samples();
    const size_t nHalf = m_window.size() / 2;
    const size_t nMiddle = n * m_nHop + m_nHop / 2;
    const size_t nSkip = nMiddle < nHalf ? nHalf - nMiddle : 0;  // window before the start
    const size_t nFirst = nMiddle + nSkip - nHalf;
    const size_t nCount =
        nFirst < samples.size() ? std::min(m_window.size() - nSkip, samples.size() - nFirst) : 0;
    return CGoertzel::Measure(samples.subspan(std::min(nFirst, samples.size()), nCount),
                              std::span(m_window).subspan(nSkip, nCount), radians);
}

// The summed power (dB) of the partials at these angular frequencies in frame n.
float CKeyRise::Strength(size_t n, std::span<const double> radians) const {
    const CGoertzel::Powers powers = Powers(n, radians);
    return float(10 * std::log10(std::accumulate(powers.begin(), powers.end(), 1e-12)));
}

// The angular frequencies (radians per sample) of the partials of fKey listened to: those the
// note before shares none with, and that stand out in the note from frame n on; and the
// note's strength (dB) in them.
std::pair<std::vector<double>, float> CKeyRise::OwnPartials(size_t n, float fKey,
                                                            float fKeyBefore) const {
    std::vector<double> radians;
    std::vector<bool> own;
    const double fHz = CPitchFrames::HzOf(fKey);
    for (size_t h = 1; h <= kHighest && h * fHz < 0.5 * m_recording.Rate(); ++h) {
        bool bShared = false;
        for (size_t m = 1; fKeyBefore >= 0 && m <= kHighestBefore; ++m) {
            const double fBefore = m * CPitchFrames::HzOf(fKeyBefore);
            bShared = bShared || std::abs(12 * std::log2(h * fHz / fBefore)) < kShared ||
                      std::abs(h * fHz - fBefore) < kSharedBins / kWindowSeconds;
        }
        radians.push_back(2 * std::numbers::pi * double(h) * fHz / m_recording.Rate());
        own.push_back(!bShared);
    }
    std::vector<CGoertzel::Powers> note;
    CGoertzel::Powers peaks{};
    for (size_t k = n; k <= n + kAfter; ++k) {
        note.push_back(Powers(k, radians));
        std::transform(peaks.begin(), peaks.end(), note.back().begin(), peaks.begin(),
                       [](double a, double b) { return std::max(a, b); });
    }
    const double fLoudest = *std::max_element(peaks.begin(), peaks.end());
    std::vector<double> listened;
    std::vector<size_t> indices;
    for (size_t h = 0; h < radians.size() && listened.size() < kPartials; ++h) {
        if (own[h] && peaks[h] > 0 && 10 * std::log10(peaks[h] / fLoudest) >= -kStandOut) {
            listened.push_back(radians[h]);
            indices.push_back(h);
        }
    }
    double fNote = 0;
    for (const CGoertzel::Powers& powers : note) {
        double fPower = 1e-12;
        for (const size_t h : indices) {
            fPower += powers[h];
        }
        fNote = std::max(fNote, fPower);
    }
    return {listened, float(10 * std::log10(fNote))};
}

size_t CKeyRise::Start(size_t n, float fKey, float fKeyBefore, size_t nEarliest) const {
    const size_t nFrames = m_recording.Samples().size() / m_nHop;
    if (n + kAfter >= nFrames) {
        return n;
    }
    const auto [radians, fNote] = OwnPartials(n, fKey, fKeyBefore);
    if (radians.empty()) {
        return n;
    }
    const size_t nStop = std::max(nEarliest, n >= kReach ? n - kReach : 0);
    size_t nStart = n;
    while (nStart > nStop && Strength(nStart - 1, radians) > fNote - kDrop) {
        --nStart;
    }
    return nStart;
}
