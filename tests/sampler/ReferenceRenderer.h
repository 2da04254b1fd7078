#pragma once

// Song rendering written the plain way on arrays: the yardstick for the renderer. A note is
// the recording stepped nearest-neighbour at pitch / base in single precision (an exact half
// goes to the lower frame), cut to its length and faded over its last fiftieth of a second;
// a rest is silence; an eighth lasts a quarter of a second. Slots after the last note stay
// silent.

#include <cmath>
#include <cstdint>
#include <vector>

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
