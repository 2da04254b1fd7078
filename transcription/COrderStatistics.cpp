#include "COrderStatistics.h"

double COrderStatistics::MeanMedian(std::vector<float> keys) {
    const auto middle = keys.begin() + std::ptrdiff_t(keys.size() / 2);
    const double fUpper = Median(keys.begin(), keys.end());
    if (keys.size() % 2 == 1) {
        return fUpper;
    }
    return 0.5 * (fUpper + double(*std::max_element(keys.begin(), middle)));
}
