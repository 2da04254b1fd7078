#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "CEighthCues.h"

class CBeatGrid;
class CPitchFrames;

// How surely a note begins at a grid line, read by a logistic model from the eighth's cues and
// from the shape of the level around the line: a note of the same key begun again shows itself
// in how the sound before it was let go and how the new one swells, which no single cue
// measures. The model was fitted (tools/fit-attack-model.py) to melodies played by sixteen
// General MIDI instruments, none of them among those the performance test measures. Each
// recording trusts it as far as it tells that recording's changes of key from its held keys
// better than the cues alone; an attack the cues are sure of stays.
class CAttackModel {
public:
    static constexpr size_t kCues = 19;
    // Frames around the line, from kLevelFrom to kLevelTo (the line's own frame is 0).
    static constexpr long kLevelFrom = -12;
    static constexpr long kLevelTo = 15;
    static constexpr size_t kLevels = size_t(kLevelTo - kLevelFrom + 1);
    static constexpr size_t kFeatures = kCues + kLevels;
    using SFeatures = std::array<double, kFeatures>;

    // What the model reads at the grid line fLine (seconds) that begins slot: the slot's cues
    // (unknown ones as -1), then each frame's level around the line against the loudest frame
    // near it.
    static SFeatures Features(const CPitchFrames& frames, double fLine,
                              const CEighthCues::SSlot& slot);
    // 0 to 1: how surely a note begins at the line.
    static double Probability(const SFeatures& features);
    // Blends each slot's fAttack with the model's probability, each weighed by how far it rises
    // from the recording's held keys to its changes of key; not where all the model reads lies far
    // below a note struck just after it.
    static void Blend(const CPitchFrames& frames, const CBeatGrid& grid,
                      std::vector<CEighthCues::SSlot>& slots);
};
