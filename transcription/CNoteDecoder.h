#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "CEighthCues.h"
#include "CPitchFrames.h"

class CBeatGrid;

// Reads the melody off the grid of eighths with a Viterbi pass: in every eighth the voice
// rests, begins a note of some pitch class, or holds the note before; a note is parted where its
// class leaps an octave, heard surely on either side, and each note then takes the octave most
// of its frames are heard in. A note must be heard through the middle of its eighths; a note of the
// same key begins again only where an attack shows, a held note pays for an attack it ignores, as
// far as attacks mark new notes in the recording. A second pass makes the pitch classes off the
// major scale the first pass found cost more.
class CNoteDecoder {
public:
    // One sounding note: onset and length in eighths from the first grid line of the
    // recording, the equal-tempered key (A4 = 69).
    struct SNote {
        int64_t nOnset = 0;
        int64_t nLength = 0;
        int32_t nKey = 0;
        bool operator==(const SNote&) const = default;
    };

    static std::vector<SNote> Decode(const CPitchFrames& frames, const CBeatGrid& grid);

    // Rest, a new note of each pitch class, each class held.
    static constexpr int kStates = 1 + 2 * CEighthCues::kKeys;

private:
    using SSlot = CEighthCues::SSlot;
    using SCosts = std::array<double, kStates>;
    using SFrom = std::array<int, kStates>;
    using SClassCosts = std::array<double, CEighthCues::kKeys>;
    static SCosts Step(const SCosts& cost, const SSlot& slot, const SClassCosts& offScale,
                       SFrom& from);
    static std::vector<SNote> Path(const std::vector<SSlot>& slots, const SClassCosts& offScale);
    static std::optional<int> PlainOctave(const SSlot& slot, int nClass);
    static std::vector<SNote> SplitAtLeaps(const std::vector<SSlot>& slots,
                                           const std::vector<SNote>& notes);
    static int OctaveOf(const std::vector<SSlot>& slots, const SNote& note);
};
