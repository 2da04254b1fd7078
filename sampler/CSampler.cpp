#include "CSampler.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CLowPassFilter.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "IProgressSink.h"

namespace {
const char* const kNoSongMemory = CEngineFailure::kNoSongMemory;
}

CSampler::CSampler() = default;

CSampler::~CSampler() = default;

void CSampler::Render(IProgressSink& view, CInstrument& instrument, CLied& song,
                      const CNotenblatt& sheet) {
    m_pView = &view;
    m_pInstrument = &instrument;
    m_pSong = &song;
    song.SetFormat(instrument.GetSampleRate(), instrument.GetBitsPerSample(),
                   instrument.IsStereo());
    m_nProgress = 0;
    // Without a positive base frequency the recording has no pitch to step from.
    if (instrument.GetBaseFrequency() <= 0) {
        throw CEngineFailure(CEngineFailure::kGenerateFailed);
    }
    ComputeSongSize(sheet);
    if (!song.Allocate(m_nSongSize)) {
        throw CEngineFailure(kNoSongMemory);
    }
    song.FillSilence();
    const CSheetWalk walk = sheet.Notes();
    for (auto it = walk.begin(); it != walk.end();) {
        SNoteInfo info = (*it++).note.Info();
        if (info.bRest) {
            RenderRest(info.nDuration);
            continue;
        }
        // A tie chain sounds as one note at the pitch of its last part.
        int64_t nLength = info.nDuration;
        while (info.bTieToNext && it != walk.end()) {
            info = (*it++).note.Info();
            nLength += info.nDuration;
        }
        RenderNote(info.nPitch, nLength);
    }
}

// The song holds every bar's used eighths; a song too long for 32-bit slot counts cannot be
// held at all.
void CSampler::ComputeSongSize(const CNotenblatt& sheet) {
    const double slots =
        m_pSong ? SlotsFor(m_pSong->GetSampleRate(), m_pSong->IsStereo() != 0, sheet.GetLength())
                : 0.0;
    if (!(slots >= 0) || slots > double(UINT32_MAX)) {
        m_nSongSize = 0;
        throw CEngineFailure(kNoSongMemory);
    }
    m_nSongSize = uint32_t(slots);
}

void CSampler::CheckWaveLength(const CInstrument& instrument, const CNotenblatt& sheet) {
    const double slots =
        SlotsFor(instrument.GetSampleRate(), instrument.IsStereo() != 0, sheet.GetLength());
    if (!(slots >= 0 && slots <= double(UINT32_MAX)) ||
        !CWaveFile::Holds(uint64_t(slots), instrument.GetBitsPerSample())) {
        throw CEngineFailure("Das Lied ist zu lang für eine WAV-Datei!");
    }
}

double CSampler::SlotsFor(uint32_t nSampleRate, bool bStereo, int32_t nEighths) {
    const double slots = std::trunc(double(nSampleRate) * double(nEighths) * 0.25);
    return bStereo ? 2 * slots : slots;
}

uint64_t CSampler::FramesOf(int64_t nDuration) const {
    const double frames = std::trunc(2.0 * m_pSong->GetSampleRate() * (double(nDuration) * 0.125));
    return frames > 0 ? uint64_t(frames) : 0;
}

void CSampler::CountProgress(uint32_t nSlots) {
    m_nProgress += nSlots;
    if (m_nProgress >= m_nSongSize / 100) {
        m_nProgress = 0;
        m_pView->StepSamplerProgress();
    }
}

void CSampler::RenderNote(uint16_t nPitch, int64_t nDuration) {
    const uint32_t channels = m_pSong->IsStereo() ? 2 : 1;
    const float step = float(nPitch) / float(m_pInstrument->GetBaseFrequency());
    const int64_t fade = m_pSong->GetSampleRate() / 50;
    const float fadeDivisor = float(fade);
    float v = float(fade - 1);
    const int64_t frames = int64_t(FramesOf(nDuration));
    // Past the recording every source frame is silent, so the source index stops there.
    const uint32_t sourceFrames = (m_pInstrument->GetSize() + channels - 1) / channels;
    float pos = 0;
    uint32_t j = 0;
    for (int64_t i = 0; i < frames; ++i) {
        int16_t values[2] = {0, 0};
        for (uint32_t c = 0; c < channels; ++c) {
            m_pInstrument->GetSample(j * channels + c, values[c]);
        }
        if (i > frames - fade) {
            const float factor = v / fadeDivisor;
            v = v - 1;
            for (uint32_t c = 0; c < channels; ++c) {
                values[c] = ScaleSample(values[c], factor);
            }
        }
        for (uint32_t c = 0; c < channels; ++c) {
            m_pSong->AppendSample(values[c]);
        }
        pos = pos + step;
        while (j < sourceFrames && (double(pos) - double(j)) > 0.5) {
            ++j;
        }
        CountProgress(channels);
    }
}

void CSampler::RenderRest(int64_t nDuration) {
    const uint64_t slots = FramesOf(nDuration) * (m_pSong->IsStereo() ? 2 : 1);
    const int16_t silence = m_pSong->SilenceValue();
    for (uint64_t s = 0; s < slots; ++s) {
        m_pSong->AppendSample(silence);
        CountProgress(1);
    }
}

int16_t CSampler::ScaleSample(int16_t nValue, float fFactor) const {
    return CWaveFile::ScaleValue(nValue, fFactor, m_pSong->GetBitsPerSample());
}

void CSampler::Filter(int32_t nLength) {
    m_nProgress = 0;
    try {
        const CLowPassFilter filter(nLength);
        filter.Run(m_pSong->Samples(), m_pSong->GetSize(), m_pSong->IsStereo() != 0,
                   m_pSong->GetBitsPerSample(), m_nSongSize,
                   [this] { m_pView->StepFilterProgress(); });
    } catch (const std::bad_alloc&) {
        // The filter gives up before touching the song, which keeps its unfiltered samples.
        throw CEngineFailure(CEngineFailure::kNoMemory);
    }
}
