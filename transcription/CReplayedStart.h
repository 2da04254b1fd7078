#pragma once

#include <vector>

#include "CEighthCues.h"

class CBeatGrid;
class CPitchFrames;

// A note a sampler or synthesizer plays again begins as the same sound again: the levels after
// its start repeat, frame for frame, those after an earlier note's start, while the sound before
// it does not repeat what came before that start. However deep the sound's own swings, such a
// replayed start is a new note.
class CReplayedStart {
public:
    // Marks the eighths whose start replays an earlier one as surely beginning a note.
    static void Mark(const CPitchFrames& frames, const CBeatGrid& grid,
                     std::vector<CEighthCues::SSlot>& slots);

private:
    static bool BeganNote(const CPitchFrames& frames, long nStart, long nEighth, bool bReplayed);
    static bool Moves(const CPitchFrames& frames, long nStart);
    static bool Replays(const CPitchFrames& frames, long nStart, long nLag);
    static bool FollowsOther(const CPitchFrames& frames, long nStart, long nLag);
    static float Farthest(const CPitchFrames& frames, long nFrom, long nTo, long nLag);
};
