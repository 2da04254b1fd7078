#pragma once

#include <string>
#include <vector>

#include "CNoteDecoder.h"

// A transcribed melody written as a small MusicXML score, C major in 4/4, for the importer to
// enter as note entry enters clicks. Onsets count from a bar line: whole bars of silence before
// the first note are left out, a shorter silence makes the first measure a pickup (marked
// implicit), which the importer pads in front again. Keys are spelt with sharps; the importer
// refuses those, as it refuses them in any score.
class CMelodyScore {
public:
    static std::string ToText(const std::vector<CNoteDecoder::SNote>& notes);

private:
    static std::string Pitch(int nKey);
};
