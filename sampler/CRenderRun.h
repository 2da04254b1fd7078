#pragma once

#include <cstdint>

#include "CSourceSteps.h"

class CInstrument;
class CLied;
class IProgressSink;

// One rendering of notes and rests into a song buffer, from its first slot on: lives for one
// run of the sampler and keeps the instrument, the song and the progress sink only that long.
// The song must have been allocated (all slots 0) in the instrument's format. Notes are copied
// a block at a time; a step of the sampler's progress falls due every hundredth of the song's
// slots, counted frame by frame in notes and slot by slot in rests, as they are written.
class CRenderRun {
public:
    CRenderRun(IProgressSink& sink, const CInstrument& instrument, CLied& song);
    CRenderRun(const CRenderRun&) = delete;
    CRenderRun& operator=(const CRenderRun&) = delete;

    // A note of nDuration eighths played at nPitch: the recording stepped by the ratio of the
    // pitch to the instrument's base frequency, faded out over its last fiftieth of a second.
    void Note(uint16_t nPitch, int64_t nDuration);
    void Rest(int64_t nDuration);
    // Silence in the slots that no note or rest reached.
    void Finish();
    // True once every slot of the song has been written.
    bool Full() const { return m_nAt >= m_nSize; }

    // The frames of nDuration eighths at a sample rate: an eighth lasts a quarter second.
    static uint64_t FramesOf(uint32_t nSampleRate, int64_t nDuration);

private:
    uint64_t UnitsToStep(uint32_t nUnit) const;
    void Count(uint64_t nUnits, uint32_t nUnit);
    void Copy(const uint32_t* sources, uint32_t n);
    void Fade(uint64_t nFirst, uint32_t n, uint64_t nFrames);
    void Silence(uint64_t nSlots);

    IProgressSink& m_sink;
    const CInstrument& m_instrument;
    CLied& m_song;
    int16_t* m_pOut;
    uint64_t m_nAt = 0;  // the next slot written
    uint64_t m_nSize;
    uint32_t m_nChannels;
    uint32_t m_nSourceSlots;
    int16_t m_nSilence;
    uint32_t m_nThreshold;  // slots per progress step
    uint64_t m_nProgress = 0;
    CSourceSteps m_steps;
};
