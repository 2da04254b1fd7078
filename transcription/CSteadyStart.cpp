#include "CSteadyStart.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "COrderStatistics.h"
#include "CPitchClass.h"

namespace {
// The moment looked at: from 20 ms after the start (the note before may still sound to then)
// for 13 frames, shorter than the delay (about 0.2 s) before a singer's vibrato sets in, and
// long enough for most of a 5 to 7 Hz vibrato's swing.
constexpr double kLookFrom = 0.02;
constexpr size_t kLookFrames = 13;
// Before a new note, the moment up to the last kLookBack seconds (a player lets a note go about
// so early) shows the vibrato of the note before.
constexpr double kLookBack = 0.04;
// A vibrato stops where the pitch wavered before by kStoppedFrom of its usual wavering or more
// (fully from kStoppedFull: wider than usual, as a vibrato swings late in a held note), and
// wavers by kStoppedShare of it or less after.
constexpr double kStoppedFrom = 0.9;
constexpr double kStoppedShare = 0.3;
constexpr double kStoppedFull = 1.2;
// Frames of a moment that may sound no pitch.
constexpr size_t kUnheard = 4;
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
    m_fWavering = COrderStatistics::Median(ranges.begin(), ranges.end());
}

// The range of the keys the frames from nFirst on sound, an octave read wrongly folded
// back; -1 where too few of them sound.
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
        fKey = fRef + CPitchClass::Interval(fKey - fRef);
        fLow = std::min(fLow, fKey);
        fHigh = std::max(fHigh, fKey);
        ++nHeard;
    }
    return nHeard + kUnheard >= kLookFrames ? fHigh - fLow : -1;
}

// The range of the pitch over the moment from t seconds on, as a share of the usual wavering;
// -1 where too little sounds, or the recording's pitch hardly wavers at all.
double CSteadyStart::ShareAt(double t) const {
    const double fFirst = std::ceil(t / CPitchFrames::kFrameSeconds);
    if (m_fWavering < kLeastWavering || fFirst < 0) {
        return -1;
    }
    const double fRange = RangeFrom(size_t(fFirst));
    return fRange < 0 ? -1 : fRange / m_fWavering;
}

double CSteadyStart::At(double t) const {
    const double fShare = ShareAt(t + kLookFrom);
    return fShare < 0
               ? 0
               : std::clamp((kWaveringShare - fShare) / (kWaveringShare - kSteadyShare), 0.0, 1.0);
}

double CSteadyStart::Stopping(double t) const {
    const double fBefore =
        ShareAt(t - kLookBack - double(kLookFrames) * CPitchFrames::kFrameSeconds);
    const double fAfter = ShareAt(t + kLookFrom);
    if (fBefore < 0 || fAfter < 0) {
        return 0;
    }
    return std::min(std::clamp((fBefore - kStoppedFrom) / (kStoppedFull - kStoppedFrom), 0.0, 1.0),
                    std::clamp((kSteadyShare - fAfter) / (kSteadyShare - kStoppedShare), 0.0, 1.0));
}
