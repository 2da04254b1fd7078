#pragma once

#include <cstddef>

#include "CPitchFrames.h"

// Where a voice or a bowed or blown instrument sings with vibrato, a new note begins with a
// steady pitch for a moment before its vibrato sets in, while a held note wavers on: a second
// cue, beside the level, of a note of the same pitch beginning again (a bow change, a choir
// that sings the same note again without a break in its sound).
class CSteadyStart {
public:
    explicit CSteadyStart(const CPitchFrames& frames);

    // How surely the pitch begins steady at t seconds, 0 to 1: 1 where it wavers over the
    // next moment by at most kSteadyShare of the recording's usual wavering, 0 from
    // kWaveringShare on; 0 throughout a recording whose pitch hardly wavers at all (a
    // sampler's notes, a recorder), where steadiness says nothing.
    double At(double t) const;

    // How surely a vibrato stops at t seconds, 0 to 1: the pitch wavers before t as much as it
    // usually does or more, and then begins steadier than kSteadyShare of that. Heard within one
    // note only where its vibrato pauses for a moment, rarer than a steady start.
    double Stopping(double t) const;

    // The usual wavering: the median range (semitones) of the pitch over a moment of sound.
    double Wavering() const { return m_fWavering; }

    // A pitch wavering by less than this (semitones) within a moment is steady anyway.
    static constexpr double kLeastWavering = 0.15;
    static constexpr double kSteadyShare = 0.4;
    static constexpr double kWaveringShare = 0.8;

private:
    double RangeFrom(size_t nFirst) const;
    double ShareAt(double t) const;

    const CPitchFrames& m_frames;
    double m_fWavering = 0;
};
