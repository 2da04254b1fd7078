#include "CIntonationStep.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "COrderStatistics.h"
#include "CPitchClass.h"

namespace {
// The moment before: from kBeforeFrom seconds before the start to kBeforeTo (a player lets the
// note before go about so early), most of a vibrato's swing. The moment after: from kAfterFrom
// (the note before may still sound to then) to kAfterTo, before a vibrato sets in.
constexpr double kBeforeFrom = 0.15;
constexpr double kBeforeTo = 0.03;
constexpr double kAfterFrom = 0.03;
constexpr double kAfterTo = 0.15;
// Frames each moment must sound at least.
constexpr size_t kLeastHeard = 3;
}  // namespace

double CIntonationStep::At(double t) const {
    const std::vector<float> before = KeysIn(t - kBeforeFrom, t - kBeforeTo);
    const std::vector<float> after = KeysIn(t + kAfterFrom, t + kAfterTo);
    if (before.size() < kLeastHeard || after.size() < kLeastHeard) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return CPitchClass::Interval(COrderStatistics::MeanMedian(after) -
                                 COrderStatistics::MeanMedian(before));
}

// The keys of the frames from fFrom to fTo seconds that sound as played.
std::vector<float> CIntonationStep::KeysIn(double fFrom, double fTo) const {
    const auto first = size_t(std::max(0.0, std::round(fFrom / CPitchFrames::kFrameSeconds)));
    const auto last = size_t(std::max(0.0, std::round(fTo / CPitchFrames::kFrameSeconds)));
    std::vector<float> keys;
    for (size_t n = first; n < last && n < m_frames.Frames().size(); ++n) {
        if (m_frames.IsPlayed(n)) {
            keys.push_back(m_frames.Frames()[n].fKey);
        }
    }
    return keys;
}
