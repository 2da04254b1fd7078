#pragma once

#include <cstdint>
#include <vector>

#include "CPitchFrames.h"

class CRecording;

// The pitch of a struck bar: a glockenspiel's bars ring loudest 5.3 times above the pitch they
// are tuned to, later 8 times, with partials at no whole multiple of it, so that YIN hears one
// partial or another, sometimes a subharmonic, and loses its confidence where they trade
// places. Such a recording shows, in nearly every note, a partial at one and the same ratio
// below the pitch heard, a ratio no harmonic sound has; the pitch tuned to is then the one
// whose partial at that ratio sounds with it.
class CStrikeTone {
public:
    // A bar is struck where the level rises by this many dB.
    static constexpr float kStrikeRise = 6;

    // Where the recording is such a one, every frame louder than CLevelCues::Floor() is read
    // anew: the pitch tuned to with full confidence where it sounds with its partial, or still
    // rings after it; no pitch elsewhere. Returns whether it was. The two halves are read at
    // once; without bInHalves, one after the other: the same pitches, slower.
    static bool Read(const CRecording& recording, uint32_t nHop, float fPeak,
                     std::vector<CPitchFrames::SFrame>& frames, bool bInHalves = true);
};
