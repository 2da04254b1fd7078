#pragma once

#include <array>
#include <cstdint>

// What a generate run offers and starts with, wherever it is started from (the sampler dialog,
// the command line). The built-in instrument's name and pitch are CInstrument's.
class CSamplerDefaults {
public:
    // The filter quality q: the low-pass has 2q - 1 taps.
    static constexpr int32_t kMinQuality = 5;
    static constexpr int32_t kMaxQuality = 50;
    static constexpr int32_t kDefaultQuality = 10;

    // The instrument pitches the dialog's slider offers: just-intonation C major from D3 to B4,
    // rounded to whole hertz; the default position is C4, the built-in tone's pitch.
    static constexpr std::array<int16_t, 13> kSliderBases = {149, 165, 176, 198, 220, 248, 264,
                                                             297, 330, 352, 396, 440, 495};
    static constexpr int kDefaultSliderPosition = 6;
};
