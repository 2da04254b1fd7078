#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The thirteen pitches a click can enter, C4 to A5 of the just-intonation C major scale: the
// frequency, the glyph base of its note pictures and the band of click heights within one staff
// row that selects it.
class CPitchTable {
public:
    struct SPitch {
        uint16_t nFrequency;  // Hz
        int32_t nGlyphBase;
        int32_t nTop;  // the band of row heights is nTop ... nBottom - 1
        int32_t nBottom;
    };

    // Lowest pitch first.
    static constexpr std::array<SPitch, 13> kScale = {{{264, 4210, 48, 51},
                                                       {297, 4310, 44, 48},
                                                       {330, 4410, 41, 44},
                                                       {352, 4510, 37, 41},
                                                       {396, 4610, 34, 37},
                                                       {440, 4110, 30, 34},
                                                       {495, 4710, 27, 30},
                                                       {528, 4220, 23, 27},
                                                       {594, 4320, 20, 23},
                                                       {660, 4420, 16, 20},
                                                       {704, 4520, 13, 16},
                                                       {792, 4620, 9, 13},
                                                       {880, 4120, 6, 9}}};

    // The pitch whose band holds nRowHeight, or nullptr outside every band.
    static const SPitch* AtRowHeight(int32_t nRowHeight);
    // The position in kScale of the pitch with this glyph base, or -1.
    static int32_t IndexOfGlyphBase(int32_t nGlyphBase);
};
