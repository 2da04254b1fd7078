#pragma once

#include <cstdint>
#include <optional>

// Kantilo's thirteen pitches as other programs name them: step letter and octave, the MIDI
// key of the nearest equal-tempered pitch and the deviation from it, and a click height that
// enters the pitch. The frequencies themselves come from the note sheet's bands.
class CScalePitch {
public:
    char cStep = 'C';     // C D E F G A B
    int32_t nOctave = 4;  // scientific octave: C4 is middle C
    uint16_t nHz = 0;     // Kantilo's frequency
    int32_t nHeight = 0;  // a click height within the first staff row that enters it

    // The scale pitch of a frequency, or none when Kantilo has no such pitch.
    static std::optional<CScalePitch> FromHz(uint16_t nHz);
    static std::optional<CScalePitch> FromStep(char cStep, int32_t nOctave);
    // The scale pitch an equal-tempered key (C4 is 60) names, or none off the scale.
    static std::optional<CScalePitch> FromKey(int32_t nKey);

    // The equal-tempered key (A4 = 440 Hz is key 69) nearest to the frequency.
    int32_t MidiKey() const;
    // How far the frequency lies above (positive) or below that key, in cents.
    double CentsFromKey() const;
};
