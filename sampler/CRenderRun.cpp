#include "CRenderRun.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CInstrument.h"
#include "CLied.h"
#include "IProgressSink.h"

namespace {
// Frames of a note copied at a time: their source frames and slots stay in the first-level
// cache.
constexpr uint64_t kChunkFrames = 4096;
// Source frames kept for sharing between the notes of a run (4 bytes each).
constexpr std::size_t kSharedSourceFrames = std::size_t{1} << 19;
}  // namespace

CRenderRun::CRenderRun(IProgressSink& sink, const CInstrument& instrument, CLied& song)
    : m_sink(sink),
      m_instrument(instrument),
      m_song(song),
      m_pOut(song.Samples()),
      m_nSize(song.GetSize()),
      m_nChannels(song.IsStereo() ? 2 : 1),
      m_nSourceSlots(instrument.GetSize()),
      m_nSilence(song.SilenceValue()),
      m_nThreshold(song.GetSize() / 100),
      // Past the recording every source frame is silent, so the source frame stops there.
      m_steps((instrument.GetSize() + m_nChannels - 1) / m_nChannels, kSharedSourceFrames) {}

uint64_t CRenderRun::FramesOf(uint32_t nSampleRate, int64_t nDuration) {
    const double frames = std::trunc(2.0 * nSampleRate * (double(nDuration) * 0.125));
    return frames > 0 ? uint64_t(frames) : 0;
}

// Units of nUnit slots each until the count reaches the threshold (each unit steps when the
// threshold is 0).
uint64_t CRenderRun::UnitsToStep(uint32_t nUnit) const {
    if (m_nThreshold == 0) {
        return 1;
    }
    return (m_nThreshold - m_nProgress + nUnit - 1) / nUnit;
}

// nUnits is at most UnitsToStep(nUnit): at most the last of them makes a step.
void CRenderRun::Count(uint64_t nUnits, uint32_t nUnit) {
    m_nProgress += nUnits * nUnit;
    if (m_nProgress >= m_nThreshold) {
        m_nProgress = 0;
        m_sink.StepSamplerProgress();
    }
}

void CRenderRun::Note(uint16_t nPitch, int64_t nDuration) {
    const uint64_t frames = FramesOf(m_song.GetSampleRate(), nDuration);
    m_steps.Start(float(nPitch) / float(m_instrument.GetBaseFrequency()));
    for (uint64_t i = 0; i < frames;) {
        const uint64_t want = std::min({frames - i, UnitsToStep(m_nChannels), kChunkFrames});
        const uint32_t* sources = nullptr;
        const uint32_t n = m_steps.Next(uint32_t(want), sources);
        const uint64_t start = m_nAt;
        Copy(sources, n);
        Fade(i, uint32_t((m_nAt - start) / m_nChannels), frames);
        i += n;
        Count(n, m_nChannels);
    }
}

// Copies the source frames to the next frames of the song, as far as the song reaches.
void CRenderRun::Copy(const uint32_t* sources, uint32_t n) {
    const uint32_t c = m_nChannels;
    const uint32_t written = uint32_t(std::min<uint64_t>(n, (m_nSize - m_nAt) / c));
    const int16_t* in = m_instrument.Samples();
    int16_t* out = m_pOut + m_nAt;
    // The source frames only grow: those with every channel recorded come first.
    const uint32_t whole = m_nSourceSlots / c;
    const uint32_t k = uint32_t(std::partition_point(sources, sources + written,
                                                     [whole](uint32_t s) { return s < whole; }) -
                                sources);
    if (c == 1) {
        for (uint32_t i = 0; i < k; ++i) {
            out[i] = in[sources[i]];
        }
    } else {
        for (uint32_t i = 0; i < k; ++i) {
            std::memcpy(out + 2 * i, in + 2 * uint64_t(sources[i]), 2 * sizeof(int16_t));
        }
    }
    for (uint64_t s = uint64_t(k) * c; s < uint64_t(written) * c; ++s) {
        const uint64_t from = uint64_t(sources[s / c]) * c + s % c;
        out[s] = from < m_nSourceSlots ? in[from] : m_nSilence;
    }
    m_nAt += uint64_t(written) * c;
}

// Scales the frames [nFirst, nFirst + n) of a note of nFrames frames, just written, that lie
// in its fade: the factor goes from (m - 1) / m down by 1 / m per frame, m frames being a
// fiftieth of a second, counted in single precision.
void CRenderRun::Fade(uint64_t nFirst, uint32_t n, uint64_t nFrames) {
    const int64_t fade = m_song.GetSampleRate() / 50;
    const int64_t fadeStart = std::max<int64_t>(0, int64_t(nFrames) - fade + 1);
    const int64_t first = std::max<int64_t>(int64_t(nFirst), fadeStart);
    const int64_t end = int64_t(nFirst) + n;
    if (first >= end) {
        return;
    }
    const float divisor = float(fade);
    float v = CInstrument::CountDown(float(fade - 1), uint64_t(first - fadeStart));
    const uint8_t bits = m_song.GetBitsPerSample();
    int16_t* out = m_pOut + m_nAt - uint64_t(end - first) * m_nChannels;
    for (int64_t f = first; f < end; ++f) {
        const float factor = v / divisor;
        v = v - 1;
        for (uint32_t c = 0; c < m_nChannels; ++c, ++out) {
            *out = CWaveFile::ScaleValue(*out, factor, bits);
        }
    }
}

void CRenderRun::Rest(int64_t nDuration) {
    uint64_t slots = FramesOf(m_song.GetSampleRate(), nDuration) * m_nChannels;
    while (slots > 0) {
        const uint64_t n = std::min(slots, UnitsToStep(1));
        Silence(n);
        slots -= n;
        Count(n, 1);
    }
}

// The song's slots start out 0, which is 16-bit silence; only 8-bit silence is written.
void CRenderRun::Silence(uint64_t nSlots) {
    const uint64_t n = std::min(nSlots, m_nSize - m_nAt);
    if (m_nSilence != 0) {
        std::fill_n(m_pOut + m_nAt, n, m_nSilence);
    }
    m_nAt += n;
}

void CRenderRun::Finish() {
    Silence(m_nSize - m_nAt);
}
