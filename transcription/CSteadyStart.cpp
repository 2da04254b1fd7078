#include "CSteadyStart.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// The moment looked at: from 20 ms after the start (the note before may still sound to then)
// for 13 frames, shorter than the delay (about 0.2 s) before a singer's vibrato sets in, and
// long enough for most of a 5 to 7 Hz vibrato's swing.
constexpr double kLookFrom = 0.02;
constexpr size_t kLookFrames = 13;
// Frames of the moment that must sound a pitch.
constexpr size_t kLeastHeard = 9;
}  // namespace

CSteadyStart::CSteadyStart(const CPitchFrames& frames) : m_frames(frames) {
    std::vector<double> ranges;
    for (size_t n = 0; n + kLookFrames <= frames.Frames().size(); ++n) {
        const double fRange = RangeFrom(n);
        if (fRange >= 0) {
            ranges.push_back(fRange);
        }
    }
    if (ranges.empty()) {
        return;
    }
    const auto middle = ranges.begin() + std::ptrdiff_t(ranges.size() / 2);
    std::nth_element(ranges.begin(), middle, ranges.end());
    m_fWavering = *middle;
}

// The range of the keys the frames from nFirst on sound, an octave read wrongly folded back;
// -1 where too few of them sound.
double CSteadyStart::RangeFrom(size_t nFirst) const {
    const auto& all = m_frames.Frames();
    double fLow = 0, fHigh = 0, fRef = 0;
    size_t nHeard = 0;
    for (size_t n = nFirst; n < std::min(all.size(), nFirst + kLookFrames); ++n) {
        if (!m_frames.IsVoiced(n)) {
            continue;
        }
        double fKey = all[n].fKey;
        if (nHeard == 0) {
            fRef = fLow = fHigh = fKey;
        }
        fKey -= 12 * std::round((fKey - fRef) / 12);
        fLow = std::min(fLow, fKey);
        fHigh = std::max(fHigh, fKey);
        ++nHeard;
    }
    return nHeard >= kLeastHeard ? fHigh - fLow : -1;
}

double CSteadyStart::At(double t) const {
    if (m_fWavering < kLeastWavering) {
        return 0;
    }
    const double fFirst = std::ceil((t + kLookFrom) / CPitchFrames::kFrameSeconds);
    if (fFirst < 0) {
        return 0;
    }
    const double fRange = RangeFrom(size_t(fFirst));
    if (fRange < 0) {
        return 0;
    }
    return std::clamp((kWaveringShare - fRange / m_fWavering) / (kWaveringShare - kSteadyShare),
                      0.0, 1.0);
}
