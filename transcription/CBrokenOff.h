#pragma once

#include <cstdint>
#include <vector>

#include "CNoteDecoder.h"

class CBeatGrid;
class CPitchFrames;

// A held sound that breaks off between two grid lines at its full level, with no release: a
// sample that ran out before its note ended (a high note played from a short recording), a
// breath snatched before the next note. The silence it leaves before the next note is shorter
// than an eighth and was never played as a rest: the note holds on to the next one.
class CBrokenOff {
public:
    // Gives each note followed by a rest of one eighth that eighth where its sound broke off.
    static void HoldOver(std::vector<CNoteDecoder::SNote>& notes, const CPitchFrames& frames,
                         const CBeatGrid& grid);

private:
    static bool BreaksOff(const CPitchFrames& frames, const CBeatGrid& grid, int64_t nRest);
    static bool IsBreak(const CPitchFrames& frames, size_t n);
};
