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

// Song rendering written the plain way on arrays: the yardstick for the renderer. A note is
// the recording stepped nearest-neighbour at pitch / base in single precision (an exact half
// goes to the lower frame), cut to its length and faded over its last fiftieth of a second;
// a rest is silence; an eighth lasts a quarter of a second. Slots after the last note stay
// silent.

namespace ReferenceRenderer {

struct Recording {
    std::vector<int16_t> slots;
    uint32_t rate = 22050;
    int bits = 16;
    bool stereo = false;
    int32_t base = 264;
};

// One sounding event: a whole tie chain of notes, or one rest.
struct Event {
    uint16_t pitch = 0;
    int64_t eighths = 0;
    bool rest = false;
};

inline int16_t Scale(int16_t value, float factor, int bits) {
    if (bits == 8) {
        const int16_t centred = static_cast<int16_t>(value - 127);
        return static_cast<int16_t>(static_cast<int32_t>(std::trunc(double(factor) * centred)) +
                                    127);
    }
    return static_cast<int16_t>(static_cast<int32_t>(std::trunc(double(factor) * value)));
}

inline std::vector<int16_t> Render(const Recording& in, const std::vector<Event>& events,
                                   int64_t totalEighths) {
    const int64_t channels = in.stereo ? 2 : 1;
    const int16_t silence = in.bits == 8 ? 127 : 0;
    const int64_t songSlots =
        static_cast<int64_t>(std::trunc(double(in.rate) * double(totalEighths) * 0.25)) * channels;
    std::vector<int16_t> song;
    for (const Event& e : events) {
        const int64_t frames =
            static_cast<int64_t>(std::trunc(2.0 * in.rate * (double(e.eighths) * 0.125)));
        if (e.rest) {
            song.insert(song.end(), size_t(frames * channels), silence);
            continue;
        }
        const float step = float(e.pitch) / float(in.base);
        const int64_t m = in.rate / 50;
        float v = float(m - 1);
        float pos = 0;
        int64_t j = 0;
        for (int64_t i = 0; i < frames; ++i) {
            float factor = 1;
            const bool fading = i > frames - m;
            if (fading) {
                factor = v / float(m);
                v -= 1;
            }
            for (int64_t c = 0; c < channels; ++c) {
                const int64_t at = j * channels + c;
                int16_t value = at < int64_t(in.slots.size()) ? in.slots[size_t(at)] : silence;
                song.push_back(fading ? Scale(value, factor, in.bits) : value);
            }
            pos += step;
            while (double(pos) - double(j) > 0.5) {
                ++j;
            }
        }
    }
    song.resize(size_t(songSlots), silence);
    return song;
}

}  // namespace ReferenceRenderer
