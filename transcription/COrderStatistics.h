#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

// Medians and quantiles of a handful of measurements, the cues' yardsticks. They are found by
// ordering the measurements partly, in place: the callers collect them for this alone.
class COrderStatistics {
public:
    // The value at rank count·nShare/nParts (from 0, rounded down) of [first, last) once
    // ordered; the range, reordered, must not be empty.
    template <class It>
    static auto Quantile(It first, It last, size_t nShare, size_t nParts) {
        const auto at = first + std::ptrdiff_t(size_t(last - first) * nShare / nParts);
        std::nth_element(first, at, last);
        return *at;
    }

    // The middle value; of an even count the upper of the two middle ones.
    template <class It>
    static auto Median(It first, It last) {
        return Quantile(first, last, 1, 2);
    }

    // The middle value; of an even count the mean of the two middle ones (keys not empty).
    static double MeanMedian(std::vector<float> keys);
};
