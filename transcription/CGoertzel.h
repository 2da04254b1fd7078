#pragma once

#include <array>
#include <cstddef>
#include <span>

// The power of a few single frequencies in a stretch of samples, each by Goertzel's recursion:
// all of them in one pass over the samples, so that their chains run side by side instead of
// waiting for one another.
class CGoertzel {
public:
    static constexpr size_t kMaxFrequencies = 10;
    using Powers = std::array<double, kMaxFrequencies>;

    // |sum of samples[i] * window[i] * e^(-j w i)|^2 for each angular frequency w (radians per
    // sample) of radians, the first kMaxFrequencies of them; an empty window weighs every sample
    // 1, else it is as long as samples.
    static Powers Measure(std::span<const float> samples, std::span<const float> window,
                          std::span<const double> radians);
};
