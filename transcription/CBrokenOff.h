#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "CNoteDecoder.h"

class CBeatGrid;
class CPitchFrames;

// A held sound that breaks off between two grid lines at its full level, with no release: a
// sample that ran out before its note ended (a high note played from a short recording), a
// breath snatched before the next note. Its note sounded at least to the next grid line; and
// where the next note begins one eighth after that line, the silence was never played as a
// rest: the note holds on to the next one.
class CBrokenOff {
public:
    // Lengthens each note followed by a rest whose sound broke off so.
    static void HoldOver(std::vector<CNoteDecoder::SNote>& notes, const CPitchFrames& frames,
                         const CBeatGrid& grid);

private:
    static std::optional<double> BreakAt(const CPitchFrames& frames, const CBeatGrid& grid,
                                         int64_t nRest);
    static bool IsBreak(const CPitchFrames& frames, size_t n);
};
