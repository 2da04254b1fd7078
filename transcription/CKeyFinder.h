#pragma once

#include <vector>

#include "CNoteDecoder.h"

// The major key a melody is in, as fifths (sharps positive): the key whose scale holds most of
// the melody's sounding time. C major wins whenever it holds as much as any other, since
// then nothing needs to move; among other equals the key whose tonic triad sounds longest.
class CKeyFinder {
public:
    static int Fifths(const std::vector<CNoteDecoder::SNote>& notes);
    // Every key whose scale holds as much as the best one's, in that order of preference: a
    // melody that leaves out a degree of its scale fits two keys alike.
    static std::vector<int> EqualKeys(const std::vector<CNoteDecoder::SNote>& notes);
    // Whether the key lies on the scale of the major key with this many fifths.
    static bool InScale(int nKey, int nFifths);
    // The nearest key of the scale at or below nKey.
    static int IntoScale(int nKey, int nFifths);
};
