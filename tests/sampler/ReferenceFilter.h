#pragma once

// The song's low-pass filter written the plain way, slot by slot with a shifting history:
// the yardstick that the fast filter must match bit for bit. Each channel starts from
// silence, and results are limited to the sample range instead of wrapping around.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace ReferenceFilter {

inline std::vector<float> Coefficients(int nTaps) {
    const double pi = 3.1415926535;
    const int half = nTaps / 2;
    std::vector<float> c(static_cast<size_t>(nTaps));
    c[static_cast<size_t>(half)] = 0.5f;
    for (int i = 1; i <= half; ++i) {
        const float value = static_cast<float>(std::sin(i * pi * 0.5) / (i * pi));
        c[static_cast<size_t>(half + i)] = value;
        c[static_cast<size_t>(half - i)] = value;
    }
    return c;
}

inline int32_t Limit(int32_t value, int bits) {
    const int32_t lo = bits == 8 ? 0 : -32768;
    const int32_t hi = bits == 8 ? 255 : 32767;
    return value < lo ? lo : (value > hi ? hi : value);
}

// Filters the slots in place with nTaps (odd) taps; step() is called whenever the count of
// filtered slots reaches nProgressSize / 100.
inline void Run(int16_t* slots, uint32_t total, bool stereo, int bits, int nTaps,
                uint32_t nProgressSize, const std::function<void()>& step) {
    const std::vector<float> c = Coefficients(nTaps);
    const size_t n = c.size();
    const uint32_t channels = stereo ? 2 : 1;
    const uint32_t threshold = nProgressSize / 100;
    uint32_t progress = 0;
    std::vector<int16_t> h(n);
    for (uint32_t ch = 0; ch < channels; ++ch) {
        std::fill(h.begin(), h.end(), int16_t{0});
        for (uint32_t s = ch; s < total; s += channels) {
            for (size_t k = n - 1; k >= 1; --k) {
                h[k] = h[k - 1];
            }
            h[0] = static_cast<int16_t>(bits == 8 ? slots[s] - 127 : slots[s]);
            int32_t acc = 0;
            for (size_t k = 0; k < n; ++k) {
                // The conversion truncates toward zero, product by product.
                acc += static_cast<int32_t>(static_cast<double>(h[k]) * static_cast<double>(c[k]));
            }
            slots[s] = static_cast<int16_t>(Limit(bits == 8 ? acc + 127 : acc, bits));
            if (++progress >= threshold) {
                progress = 0;
                if (step) {
                    step();
                }
            }
        }
    }
}

}  // namespace ReferenceFilter
