#pragma once

#include <string>
#include <vector>

#include "CNoteDecoder.h"

// A transcribed melody written as a small MusicXML score, C major in 4/4, for the importer to
// enter as note entry enters clicks. The score begins with the first note, whatever silence
// came before it; notes before the first bar line make a pickup (marked implicit), which the
// importer pads in front with rests. Keys are spelt with sharps; the importer refuses those,
// as it refuses them in any score.
class CMelodyScore {
public:
    // nFirstInBar: how many eighths into its bar the first note begins (CBarPhase).
    static std::string ToText(const std::vector<CNoteDecoder::SNote>& notes, int64_t nFirstInBar);

private:
    static std::string Pitch(int nKey);
};
