#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "CKeyRise.h"

class CRecording;

// The recording cut into frames of a hundredth of a second: per frame its loudness, the
// pitch heard (aubio's YIN-FFT, as a fractional equal-tempered key, A4 = 69) with how sure
// that pitch is, and how sharply the sound rises there (an attack).
class CPitchFrames {
public:
    struct SFrame {
        float fLevel = -120;  // dB below full scale of the frame's samples
        float fKey = 0;       // 0 when no pitch was heard
        float fConfidence = 0;
        float fRise = 0;    // dB the level rose over the last few frames, never negative
        float fDip = 0;     // dB the level sank for a moment below the sound on either side
        float fSag = 0;     // dB the level sank for a while below the sound on either side
        float fValley = 0;  // dB the level lies at its lowest below the swells of the notes around
    };

    static constexpr double kFrameSeconds = 0.01;
    // The frame nearest a time (seconds from the recording's start).
    static long FrameOf(double fSeconds) { return std::lround(fSeconds / kFrameSeconds); }

    // Told the share of the recording read so far now and then; when it answers false, the
    // work stops and Cancelled() says so.
    using FProgress = std::function<bool(double fShare)>;

    // The recording is read again where a note's start is looked for (KeyRiseStart): it must
    // outlive the frames.
    explicit CPitchFrames(const CRecording& recording, const FProgress& progress = {});

    bool Cancelled() const { return m_bCancelled; }

    const std::vector<SFrame>& Frames() const { return m_frames; }
    // The loudest frame's level: the reference every level threshold is taken from.
    float PeakLevel() const { return m_fPeak; }
    // Whether frame n sounds a pitch: heard with confidence, loud enough against the peak and
    // against the last half second (a fading tail or its echo no longer counts).
    bool IsVoiced(size_t n) const { return n < m_voiced.size() && m_voiced[n]; }
    // Whether frame n still belongs to a note as it was played: sounding, and not the release
    // of a note let go that has fallen far already (a voice's or a bow's release sounds its
    // pitch well into the rest after the note, and makes the note an eighth too long).
    bool IsPlayed(size_t n) const { return n < m_played.size() && m_played[n]; }
    // Whether frame n lies after an even fade: what a voice or a bow let go leaves sounding
    // before it has fallen as far as a release must (IsPlayed). A plucked string or a sampled
    // note may decay as evenly while it is still held: the caller tells where it applies.
    bool IsFadedOut(size_t n) const { return n < m_fadedOut.size() && m_fadedOut[n]; }
    // The pitch class a sounding frame holds: the median of the sounding frames around it, so
    // that vibrato and detuning do not read as new notes, and an octave read wrongly neither;
    // -1 where too little sounds.
    int HeldClass(size_t n) const;
    // The same as a fractional key in frame n's octave; -1 where too little sounds.
    float HeldKey(size_t n) const;
    // Semitones a held key must move to be a new note, and may waver within one.
    static constexpr float kNewKeyDistance = 0.7f;
    static constexpr float kSameKeyDistance = 0.5f;
    // Where a note of key fKey, held from frame n on, began to sound (see CKeyRise); not
    // before frame nEarliest.
    size_t KeyRiseStart(size_t n, float fKey, float fKeyBefore, size_t nEarliest) const {
        return m_keyRise.Start(n, fKey, fKeyBefore, nEarliest);
    }
    // The rise (dB) that nine in ten sounding frames stay below: how unsteady the sound is of
    // itself (a choir, a whistle's tremolo), which no attack of a new note is.
    float SteadyRise() const { return m_fSteadyRise; }
    // A pitch heard with less confidence is no pitch.
    static constexpr float kMinConfidence = 0.6f;
    // A frame is heard as sounding this far below the loudest frame at most.
    static constexpr float kVoicedRange = 60;
    // The frequency of a fractional key (A4 = 69 at 440 Hz), and the key of a frequency.
    static double HzOf(double fKey);
    static double KeyOf(double fHz);
    // Keys outside this range are no melody Kantilo could hold, even transposed.
    static constexpr float kLowestKey = 40;    // E2
    static constexpr float kHighestKey = 100;  // E7

private:
    bool ReadPitches(const CRecording& recording, uint32_t nHop, const FProgress& progress);
    void Tune();
    void RepairSubharmonics();
    bool HeardAfter(size_t n, float fKey) const;
    std::vector<size_t> SteadyRuns() const;
    void FindVoiced();
    void FindPlayed();
    void FindFadedOut();
    size_t TailFrom(size_t n) const;
    bool IsTail(size_t n, float fRange) const;
    void BridgeSlowStarts();
    void FindSteadyRise();

    CKeyRise m_keyRise;
    std::vector<SFrame> m_frames;
    std::vector<bool> m_voiced;
    std::vector<bool> m_played;
    std::vector<bool> m_fadedOut;
    float m_fPeak = -120;
    float m_fSteadyRise = 0;
    bool m_bCancelled = false;
    // Whether the recording is of struck bars, read by their partials (CStrikeTone).
    bool m_bStruck = false;
};
