#include "CGoertzel.h"

#include <algorithm>
#include <cmath>

namespace {
// The recursion over all samples for N frequencies, N known to the compiler so that it keeps
// the chains in registers; frequencies beyond the caller's are run idle.
template <size_t N>
void Run(std::span<const float> samples, std::span<const float> window,
         const CGoertzel::Powers& coefficients, CGoertzel::Powers& s1, CGoertzel::Powers& s2) {
    std::array<double, N> c{}, a{}, b{};
    std::copy_n(coefficients.begin(), N, c.begin());
    for (size_t i = 0; i < samples.size(); ++i) {
        const double v = window.empty() ? samples[i] : window[i] * samples[i];
        for (size_t h = 0; h < N; ++h) {
            const double s0 = v + c[h] * a[h] - b[h];
            b[h] = a[h];
            a[h] = s0;
        }
    }
    std::copy_n(a.begin(), N, s1.begin());
    std::copy_n(b.begin(), N, s2.begin());
}
// Three frequencies (a pitch's lowest harmonics) are the common case.
constexpr size_t kFew = 3;
}  // namespace

CGoertzel::Powers CGoertzel::Measure(std::span<const float> samples, std::span<const float> window,
                                     std::span<const double> radians) {
    const size_t nCount = std::min(radians.size(), kMaxFrequencies);
    Powers coefficients{}, s1{}, s2{};
    for (size_t h = 0; h < nCount; ++h) {
        coefficients[h] = 2 * std::cos(radians[h]);
    }
    if (nCount <= kFew) {
        Run<kFew>(samples, window, coefficients, s1, s2);
    } else {
        Run<kMaxFrequencies>(samples, window, coefficients, s1, s2);
    }
    Powers powers{};
    for (size_t h = 0; h < nCount; ++h) {
        powers[h] = s1[h] * s1[h] + s2[h] * s2[h] - coefficients[h] * s1[h] * s2[h];
    }
    return powers;
}
