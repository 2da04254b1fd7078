#include "CTransposition.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "CScalePitch.h"

namespace {

constexpr int kOctave = 12;
constexpr int kFifth = 7;

// The lowest and highest keys of Kantilo's scale.
int LowestKey() {
    return CScalePitch::FromStep('C', 4)->MidiKey();
}
int HighestKey() {
    return CScalePitch::FromStep('A', 5)->MidiKey();
}

// The major tonic's pitch class of a key with nFifths sharps (flats when negative).
int TonicClass(int nFifths) {
    return ((nFifths * kFifth) % kOctave + kOctave) % kOctave;
}

// Names by the number of fifths from -7 (seven flats) to +7 (seven sharps).
constexpr std::array<const char*, 15> kMajor = {"Ces", "Ges", "Des", "As", "Es", "B", "F", "C",
                                                "G",   "D",   "A",   "E",  "H",  "Fis", "Cis"};
constexpr std::array<const char*, 15> kMinor = {"as", "es", "b",  "f",  "c",   "g",   "d", "a",
                                                "e",  "h",  "fis", "cis", "gis", "dis", "ais"};

// Intervals within an octave, by semitones, with the article they take.
constexpr std::array<const char*, kOctave> kIntervals = {
    "",
    "eine kleine Sekunde",
    "eine große Sekunde",
    "eine kleine Terz",
    "eine große Terz",
    "eine Quarte",
    "einen Tritonus",
    "eine Quinte",
    "eine kleine Sexte",
    "eine große Sexte",
    "eine kleine Septime",
    "eine große Septime"};

}  // namespace

std::optional<int> CTransposition::IntoC(int nFifths, std::span<const int> keys) {
    if (keys.empty()) {
        return 0;
    }
    const auto [pLow, pHigh] = std::minmax_element(keys.begin(), keys.end());
    // The shift to C, up to whole octaves; then every octave that puts the range inside.
    const int nBase = -TonicClass(nFifths);
    std::optional<int> best;
    for (int nShift = nBase - 3 * kOctave; nShift <= nBase + 4 * kOctave; nShift += kOctave) {
        const bool bFits = *pLow + nShift >= LowestKey() && *pHigh + nShift <= HighestKey();
        if (bFits && (!best || std::abs(nShift) < std::abs(*best))) {
            best = nShift;
        }
    }
    return best;
}

std::string CTransposition::KeyName(int nFifths, bool bMinor) {
    const int nIndex = std::clamp(nFifths, -7, 7) + 7;
    return std::string(bMinor ? kMinor[nIndex] : kMajor[nIndex]) + (bMinor ? "-Moll" : "-Dur");
}

std::string CTransposition::IntervalName(int nSemitones) {
    if (nSemitones == 0) {
        return {};
    }
    const int nSize = std::abs(nSemitones);
    const int nOctaves = nSize / kOctave;
    const int nRest = nSize % kOctave;
    std::string strName;
    if (nOctaves > 0) {
        strName = nOctaves == 1 ? "eine Oktave" : std::to_string(nOctaves) + " Oktaven";
        if (nRest > 0) {
            strName += " und ";
        }
    }
    strName += kIntervals[static_cast<size_t>(nRest)];
    return strName + (nSemitones > 0 ? " höher" : " tiefer");
}

std::string CTransposition::Notice(int nFifths, bool bMinor, int nSemitones) {
    if (nSemitones == 0) {
        return {};
    }
    const std::string strInterval = IntervalName(nSemitones);
    if (TonicClass(nFifths) == 0) {
        return "Die Melodie wurde " + strInterval + " gesetzt.";
    }
    return "Die Melodie wurde von " + KeyName(nFifths, bMinor) + " nach " +
           KeyName(0, bMinor) + " übertragen (" + strInterval + ").";
}
