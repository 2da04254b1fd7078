#pragma once

#include <cstddef>
#include <vector>

#include "CPitchFrames.h"

// A player tunes every note afresh as it sets off: a note of the same key played again begins a
// few cents away from where the one before ended, while a held note, its vibrato taken over a
// moment, stays where it was. A cue, beside the level, of a note played again without a break.
class CIntonationStep {
public:
    explicit CIntonationStep(const CPitchFrames& frames) : m_frames(frames) {}

    // How far (semitones, up or down, octaves aside) the pitch steps at t seconds: from the
    // moment before, up to where the note before is let go, to the steady start of a note
    // beginning at t; NaN where too little sounds on either side to tell.
    double At(double t) const;

private:
    std::vector<float> KeysIn(double fFrom, double fTo) const;

    const CPitchFrames& m_frames;
};
