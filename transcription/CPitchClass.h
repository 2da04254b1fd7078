#pragma once

// Distances between pitches regardless of their octave: the pitch tracker misreads octaves, and
// the thirteen keys are told apart by their class alone until the octave is chosen at the end.
class CPitchClass {
public:
    // fSemitones less the whole octaves nearest it: -6 to 6.
    static double Interval(double fSemitones);

    // Semitones between two fractional keys' classes, up or down: 0 to 6.
    static double Distance(double fA, double fB);

    // Semitones between two whole keys' classes, up or down: 0 to 6.
    static int Distance(int nA, int nB);
};
