#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "CMeasureReader.h"

// The order a player plays a score's measures in: repeats as often as their bar lines say,
// each volta ending on its pass, then da capo or dal segno once, to the Fine or into the coda,
// without the repeats again (as MuseScore 3 plays them by default).
class CRepeatPlan {
public:
    // Indexes into marks; none when more than nLimit measures would be played.
    static std::optional<std::vector<size_t>> Order(
        const std::vector<CMeasureReader::SMarks>& marks, size_t nLimit);
};
