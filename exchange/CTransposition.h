#pragma once

#include <optional>
#include <span>
#include <string>

// Bringing a melody in another key into Kantilo's C major, and telling the user so. Keys are
// written as other programs write them: the number of fifths (sharps positive, flats
// negative) and whether the key is minor; a minor key goes to A minor, its relative major to
// C major, so both move by the same interval. Pitches are equal-tempered keys (C4 is 60).
class CTransposition {
public:
    // The shift in semitones that brings the key to C major or A minor and every key into
    // Kantilo's range, C4 to A5, the smallest such shift when octaves give a choice; none when
    // no octave fits every key.
    static std::optional<int> IntoC(int nFifths, std::span<const int> keys);

    // The key's German name: "G-Dur", "B-Dur" (B flat), "fis-Moll", "Es-Dur".
    static std::string KeyName(int nFifths, bool bMinor);
    // The shift as a German interval, accusative: "eine Quinte tiefer", "einen Tritonus
    // höher", "eine Oktave und eine große Terz tiefer". Empty for no shift.
    static std::string IntervalName(int nSemitones);
    // "Die Melodie wurde von G-Dur nach C-Dur übertragen (eine Quinte tiefer)." or, for a
    // melody already in C, "Die Melodie wurde eine Oktave tiefer gesetzt."; empty for none.
    static std::string Notice(int nFifths, bool bMinor, int nSemitones);
};
