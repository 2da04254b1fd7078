#pragma once

#include <cstdint>

class CInstrument;
class CLied;
class CNotenblatt;
class IProgressSink;

// Renders the note sheet into the song buffer and low-pass filters the result.
// Every note is the instrument played back by nearest-neighbour stepping at the ratio of the
// note's pitch to the instrument's base frequency, cut to the note's length and faded out; a
// tie chain sounds as one note, rests are silence. An eighth lasts a quarter of a second.
// A sampler keeps nothing between calls: what a call works on is passed to it.
class CSampler {
public:
    CSampler();
    virtual ~CSampler();

    // Sizes the song from the sheet, gives it the instrument's format and fills it. Slots that
    // no note or rest reaches (less than a frame per note) hold silence. With nMaxSlots the
    // song is only the beginning of that, the same slots as far as it goes.
    void Render(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                const CNotenblatt& sheet, uint32_t nMaxSlots = UINT32_MAX);
    // One note of nDuration eighths at nPitch, alone, sized and rendered exactly as a sheet
    // holding only that note would be.
    void RenderNote(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                    uint16_t nPitch, int32_t nDuration);
    // The slots of the sheet's song in the song's format; throws when they cannot be counted
    // in 32 bits.
    static uint32_t SongSize(const CLied& song, const CNotenblatt& sheet);
    // Throws when the song rendered from the sheet with the instrument's format would not fit
    // into a WAV file; cheap, so a run can ask before it renders anything.
    static void CheckWaveLength(const CInstrument& instrument, const CNotenblatt& sheet);
    // Filters the song in place with an FIR low-pass of nLength taps.
    void Filter(IProgressSink& sink, CLied& song, int32_t nLength);

private:
    static void Prepare(const CInstrument& instrument, CLied& song, double slots);
    static double SlotsFor(uint32_t nSampleRate, bool bStereo, int32_t nEighths);
};
