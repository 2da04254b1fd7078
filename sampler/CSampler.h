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
class CSampler {
public:
    CSampler();
    virtual ~CSampler();

    // Sizes the song from the sheet, gives it the instrument's format and fills it. Slots that
    // no note or rest reaches (less than a frame per note) hold silence.
    void Render(IProgressSink& view, CInstrument& instrument, CLied& song,
                const CNotenblatt& sheet);
    void ComputeSongSize(const CNotenblatt& sheet);
    // Throws when the song rendered from the sheet with the instrument's format would not fit
    // into a WAV file; cheap, so a run can ask before it renders anything.
    static void CheckWaveLength(const CInstrument& instrument, const CNotenblatt& sheet);
    uint32_t GetSongSize() const { return m_nSongSize; }
    void RenderNote(uint16_t nPitch, int64_t nDuration);
    void RenderRest(int64_t nDuration);
    int16_t ScaleSample(int16_t nValue, float fFactor) const;
    // Filters the song of the last Render in place with an FIR low-pass of nLength taps.
    void Filter(int32_t nLength);

private:
    static double SlotsFor(uint32_t nSampleRate, bool bStereo, int32_t nEighths);
    uint64_t FramesOf(int64_t nDuration) const;
    void CountProgress(uint32_t nSlots);

    uint32_t m_nSongSize = 0;
    uint32_t m_nProgress = 0;
    CInstrument* m_pInstrument = nullptr;
    CLied* m_pSong = nullptr;
    IProgressSink* m_pView = nullptr;
};
