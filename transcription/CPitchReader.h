#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CPitchFrames.h"

struct _aubio_pitch_t;

// The pitch of every frame as aubio's YIN (its FFT form) hears it, with how sure it is; a
// pitch whose first harmonics hold too little of the sound (a chord's common fundamental)
// is heard with no confidence. A frame's pitch depends on its window alone, so the two halves
// of the recording are read at once, each by a tracker of its own: the same pitches in about
// half the time on two cores.
class CPitchReader {
public:
    // Fills fKey and fConfidence of the frames nFrom to nTo (all of them by default), nHop
    // samples apart; false when progress (told the share of them read so far now and then)
    // answered false. Frames read in parts read what one reading of all of them reads. Without
    // bInHalves one tracker reads the part: the same pitches, slower.
    static bool Read(const CRecording& recording, uint32_t nHop,
                     std::vector<CPitchFrames::SFrame>& frames,
                     const CPitchFrames::FProgress& progress, bool bInHalves = true,
                     size_t nFrom = 0, size_t nTo = SIZE_MAX);

private:
    CPitchReader(const CRecording& recording, uint32_t nHop,
                 std::vector<CPitchFrames::SFrame>& frames);
    bool ReadPart(_aubio_pitch_t* pPitch, size_t nFrom, size_t nTo,
                  const CPitchFrames::FProgress& progress, std::atomic<bool>& bStop);
    void Keep(_aubio_pitch_t* pPitch, float fKey, size_t nCall);

    const CRecording& m_recording;
    std::vector<CPitchFrames::SFrame>& m_frames;
    uint32_t m_nHop;
    uint32_t m_nWindow;
    // aubio's window ends with the hop just given; the pitch is that of the window's middle,
    // so call n tells the pitch of frame n - m_nLag.
    size_t m_nLag;
};
