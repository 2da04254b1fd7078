#include "CPitchClass.h"

#include <algorithm>
#include <cmath>

double CPitchClass::Interval(double fSemitones) {
    return fSemitones - 12 * std::round(fSemitones / 12);
}

double CPitchClass::Distance(double fA, double fB) {
    return std::abs(Interval(fA - fB));
}

int CPitchClass::Distance(int nA, int nB) {
    const int d = ((nB - nA) % 12 + 12) % 12;
    return std::min(d, 12 - d);
}
