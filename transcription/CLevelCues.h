#pragma once

#include <cstdint>
#include <vector>

#include "CPitchFrames.h"

class CRecording;

// What the level of a recording says, frame by frame: how loud each frame is, and the cues of
// a new note beginning (a rise, the notch between two notes, a sag, a wide valley), with the
// cues a tremolo makes of itself taken out.
class CLevelCues {
public:
    using SFrame = CPitchFrames::SFrame;

    // Sets fLevel, fRise, fDip, fSag and fValley of frames (one every nHop samples); returns
    // the loudest frame's level.
    static float Read(const CRecording& recording, uint32_t nHop, std::vector<SFrame>& frames);
    // Takes the cues a vibrato makes of itself out of frames whose keys are known; played tells
    // the frames that still belong to a note as it was played.
    static void DropVibrato(std::vector<SFrame>& frames, const std::vector<bool>& played);
    // Takes the cues a voice's swell makes of itself out of frames whose keys are known.
    static void DropFlutter(std::vector<SFrame>& frames);
    // The frames' levels, dB.
    static std::vector<float> Levels(const std::vector<SFrame>& frames);
    // Whether the sound dies away from every attack on, as struck bars, plucked and struck
    // strings do; a bowed, blown or sung one holds its level. fPeak: the loudest frame's level.
    static bool DiesAway(const std::vector<SFrame>& frames, float fPeak);
    // The level (dB) down to which a sound that dies away still sounds: CPitchFrames::
    // kVoicedRange below fPeak, and further, up to kRingRange below it, where the recording's
    // quietest frame lies further below still (a clean render). A glockenspiel's high bar or a
    // harp's high string held for a whole note has died away by more than 60 dB before it is
    // let go.
    static float Floor(const std::vector<SFrame>& frames, float fPeak);

private:
    explicit CLevelCues(std::vector<SFrame>& frames) : m_frames(frames) {}
    void ReadLevels(const CRecording& recording, uint32_t nHop);
    void FindNotches(const std::vector<double>& partSums, uint32_t nPart, uint32_t nHop);
    void FindSags();
    void FindValleys();
    void DropTremolo();
    std::vector<size_t> Troughs() const;
    size_t FadeEnd(const std::vector<float>& levels, size_t n) const;
    bool IsBreak(const SFrame& frame) const;
    bool IsVibratoTrough(const std::vector<float>& levels, const std::vector<bool>& played,
                         size_t n) const;
    bool IsFlutter(const std::vector<float>& levels, size_t n) const;
    void ClearCues(size_t nFrom, size_t nTo);

    std::vector<SFrame>& m_frames;
    float m_fPeak = -120;
};
