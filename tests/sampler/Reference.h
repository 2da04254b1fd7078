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

// Filters the slots in place with nTaps (odd) taps; step() is called whenever the count of
// filtered slots reaches nProgressSize / 100.
inline void Run(int16_t* slots, uint32_t total, bool stereo, int bits, int nTaps,
                uint32_t nProgressSize, const std::function<void()>& step) {
    const double pi = 3.1415926535;
    const int half = nTaps / 2;
    std::vector<float> c(size_t(nTaps), 0.5f);
    for (int i = 1; i <= half; ++i) {
        c[size_t(half + i)] = c[size_t(half - i)] = float(std::sin(i * pi * 0.5) / (i * pi));
    }
    const uint32_t channels = stereo ? 2 : 1, threshold = nProgressSize / 100;
    const int32_t lo = bits == 8 ? 0 : -32768, hi = bits == 8 ? 255 : 32767;
    const int16_t centre = bits == 8 ? 127 : 0;
    uint32_t progress = 0;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        std::vector<int16_t> h(c.size(), 0);
        for (uint32_t s = ch; s < total; s += channels) {
            std::rotate(h.rbegin(), h.rbegin() + 1, h.rend());
            h[0] = int16_t(slots[s] - centre);
            int32_t acc = 0;
            for (size_t k = 0; k < c.size(); ++k) {
                // The conversion truncates toward zero, product by product.
                acc += int32_t(double(h[k]) * double(c[k]));
            }
            slots[s] = int16_t(std::clamp(acc + centre, lo, hi));
            if (++progress >= threshold && step) {
                progress = 0;
                step();
            }
        }
    }
}

}  // namespace ReferenceFilter

// Song rendering written the plain way on arrays: the yardstick for the renderer. A note is
// the recording stepped nearest-neighbour at pitch / base in single precision (an exact half
// goes to the lower frame), cut to its length and faded over its last fiftieth of a second;
// a rest is silence; an eighth lasts a quarter of a second. Slots after the last note stay
// silent. A progress step is made whenever a count of slots, every frame of a note adding its
// channels and every slot of a rest one, reaches a hundredth of the song's slots.

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

struct Song {
    std::vector<int16_t> slots;
    int steps = 0;
};

inline Song Render(const Recording& in, const std::vector<Event>& events, int64_t totalEighths) {
    const int64_t channels = in.stereo ? 2 : 1, m = in.rate / 50;
    const int16_t silence = in.bits == 8 ? 127 : 0;
    const auto songFrames = int64_t(std::trunc(double(in.rate) * double(totalEighths) * 0.25));
    const auto threshold = uint32_t(songFrames * channels) / 100;
    Song song;
    uint64_t count = 0;
    const auto push = [&](int16_t value, int64_t units) {
        song.slots.push_back(value);
        if (units > 0 && (count += uint64_t(units)) >= threshold) {
            count = 0;
            ++song.steps;
        }
    };
    for (const Event& e : events) {
        const auto frames = int64_t(std::trunc(2.0 * in.rate * (double(e.eighths) * 0.125)));
        for (int64_t i = 0; e.rest && i < frames * channels; ++i) {
            push(silence, 1);
        }
        const float step = float(e.pitch) / float(in.base);
        float v = float(m - 1), pos = 0;
        for (int64_t i = 0, j = 0; !e.rest && i < frames; ++i) {
            const bool fading = i > frames - m;
            const float factor = fading ? v / float(m) : 1;
            v -= fading ? 1 : 0;
            for (int64_t c = 0; c < channels; ++c) {
                const auto at = size_t(j * channels + c);
                const int16_t value = at < in.slots.size() ? in.slots[at] : silence;
                const auto scaled = int32_t(std::trunc(double(factor) * (value - silence)));
                // A frame counts once, with all its channels.
                push(fading ? int16_t(scaled + silence) : value, c == 0 ? channels : 0);
            }
            for (pos += step; double(pos) - double(j) > 0.5;) {
                ++j;
            }
        }
    }
    song.slots.resize(size_t(songFrames * channels), silence);
    return song;
}

}  // namespace ReferenceRenderer
