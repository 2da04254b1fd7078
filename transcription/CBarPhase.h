#pragma once

#include <cstdint>
#include <vector>

#include "CNoteDecoder.h"
#include "CTakt.h"

// Where the bar lines of a transcribed melody fall. The grid of eighths says nothing about
// which eighth begins a bar, and the silence before the first note says little (a player
// starts a recording whenever he likes), so the bar lines go where the melody itself sounds
// metrical in 4/4: long notes and many onsets on the strong beats, few notes held across a
// bar line, the last note ending a bar.
class CBarPhase {
public:
    static constexpr int64_t kBar = CTakt::kCapacity;  // eighths in a 4/4 measure

    // How many eighths into its bar the first note begins: 0 when it begins on a bar line,
    // else the melody opens with a pickup of kBar minus that many eighths. Onsets count from
    // the recording's first grid line; bStartsOnGridLine says whether the recording begins on
    // one (its silence before the first note a whole number of eighths): then its own bar
    // lines are kept.
    static int64_t OfFirstNote(const std::vector<CNoteDecoder::SNote>& notes,
                               bool bStartsOnGridLine);

    // How metrical the melody sounds with its first note nPosition eighths into a bar; only
    // differences between the positions of one melody mean anything.
    static double Score(const std::vector<CNoteDecoder::SNote>& notes, int64_t nPosition);
};
