#include "CSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CLowPassFilter.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CRenderRun.h"
#include "CWaveFile.h"
#include "IProgressSink.h"

CSampler::CSampler() = default;

CSampler::~CSampler() = default;

// Gives the song the instrument's format and nSlots silent slots.
void CSampler::Prepare(const CInstrument& instrument, CLied& song, double slots) {
    song.SetFormat(instrument.GetSampleRate(), instrument.GetBitsPerSample(),
                   instrument.IsStereo());
    // Without a positive base frequency the recording has no pitch to step from.
    if (instrument.GetBaseFrequency() <= 0) {
        throw CEngineFailure(CEngineFailure::kGenerateFailed);
    }
    if (!(slots >= 0) || slots > double(UINT32_MAX) || !song.Allocate(uint32_t(slots))) {
        throw CEngineFailure(CEngineFailure::kNoSongMemory);
    }
}

void CSampler::RenderNote(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                          uint16_t nPitch, int32_t nDuration) {
    Prepare(instrument, song,
            SlotsFor(instrument.GetSampleRate(), instrument.IsStereo() != 0, nDuration));
    CRenderRun run(sink, instrument, song);
    run.Note(nPitch, nDuration);
    run.Finish();
}

void CSampler::Render(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                      const CNotenblatt& sheet, uint32_t nMaxSlots) {
    song.SetFormat(instrument.GetSampleRate(), instrument.GetBitsPerSample(),
                   instrument.IsStereo());
    Prepare(instrument, song, double(std::min(SongSize(song, sheet), nMaxSlots)));
    CRenderRun run(sink, instrument, song);
    const CSheetWalk walk = sheet.Notes();
    for (auto it = walk.begin(); it != walk.end() && !run.Full();) {
        SNoteInfo info = (*it++).note.Info();
        if (info.bRest) {
            run.Rest(info.nDuration);
            continue;
        }
        // A tie chain sounds as one note at the pitch of its last part.
        int64_t nLength = info.nDuration;
        while (info.bTieToNext && it != walk.end()) {
            info = (*it++).note.Info();
            nLength += info.nDuration;
        }
        run.Note(info.nPitch, nLength);
    }
    run.Finish();
}

// The song holds every bar's used eighths; a song too long for 32-bit slot counts cannot be
// held at all.
uint32_t CSampler::SongSize(const CLied& song, const CNotenblatt& sheet) {
    const double slots = SlotsFor(song.GetSampleRate(), song.IsStereo() != 0, sheet.GetLength());
    if (!(slots >= 0) || slots > double(UINT32_MAX)) {
        throw CEngineFailure(CEngineFailure::kNoSongMemory);
    }
    return uint32_t(slots);
}

void CSampler::CheckWaveLength(const CInstrument& instrument, const CNotenblatt& sheet) {
    const double slots =
        SlotsFor(instrument.GetSampleRate(), instrument.IsStereo() != 0, sheet.GetLength());
    if (!(slots >= 0 && slots <= double(UINT32_MAX)) ||
        !CWaveFile::Holds(uint64_t(slots), instrument.GetBitsPerSample())) {
        throw CEngineFailure(CEngineFailure::kTooLongForWave);
    }
}

double CSampler::SlotsFor(uint32_t nSampleRate, bool bStereo, int32_t nEighths) {
    const double slots = std::trunc(double(nSampleRate) * double(nEighths) * 0.25);
    return bStereo ? 2 * slots : slots;
}

void CSampler::Filter(IProgressSink& sink, CLied& song, int32_t nLength) {
    try {
        const CLowPassFilter filter(nLength);
        filter.Run(song.Samples(), song.GetSize(), song.IsStereo() != 0, song.GetBitsPerSample(),
                   song.GetSize(), [&sink] { sink.StepFilterProgress(); });
    } catch (const std::bad_alloc&) {
        // The filter gives up before touching the song, which keeps its unfiltered samples.
        throw CEngineFailure(CEngineFailure::kNoMemory);
    }
}
