#include "CPitchReader.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <span>

#include "CGoertzel.h"
#include "CRecording.h"
#include "CSecondThread.h"

namespace {
// A pitch whose first three harmonics hold less of the sound is no note of its own (a
// clarinet's, with its strong fifth and seventh harmonics, holds a fifth of it).
constexpr double kMinHarmonicShare = 0.1;

// Frames between two reports of the progress: ten seconds of sound.
constexpr size_t kProgressFrames = 1000;

constexpr double kTwoPi = 2 * std::numbers::pi;

struct SAubioDeleter {
    void operator()(aubio_pitch_t* p) const { del_aubio_pitch(p); }
    void operator()(fvec_t* p) const { del_fvec(p); }
};
using PitchPtr = std::unique_ptr<aubio_pitch_t, SAubioDeleter>;
using VectorPtr = std::unique_ptr<fvec_t, SAubioDeleter>;

// The share of a window's energy in the first three harmonics of fHz (1 for a pure tone of
// that pitch). A chord makes YIN hear the common fundamental far below its notes, where
// nothing sounds: that share is then near 0.
double LowHarmonicShare(const float* pSamples, size_t n, double fHz, uint32_t nRate) {
    double fEnergy = 0;
    for (size_t i = 0; i < n; ++i) {
        fEnergy += double(pSamples[i]) * pSamples[i];
    }
    if (fEnergy <= 0) {
        return 0;
    }
    std::array<double, 3> radians{};
    for (size_t h = 0; h < radians.size(); ++h) {
        radians[h] = kTwoPi * double(h + 1) * fHz / nRate;
    }
    const CGoertzel::Powers powers = CGoertzel::Measure({pSamples, n}, {}, radians);
    double fShare = 0;
    for (size_t h = 0; h < radians.size(); ++h) {
        fShare += 2 * powers[h] / (double(n) * fEnergy);
    }
    return fShare;
}

// The analysis window: the power of two nearest to 46 ms, long enough for E2's period.
uint32_t WindowFor(uint32_t nRate) {
    uint32_t n = 256;
    while (n < nRate / 22) {
        n *= 2;
    }
    return n;
}

// A tracker of its own. FFTW's planner, which aubio calls here, is not safe to call from two
// threads at once: every tracker is made on the calling thread.
PitchPtr NewTracker(uint32_t nWindow, uint32_t nHop, uint32_t nRate) {
    PitchPtr pPitch(new_aubio_pitch("yinfast", nWindow, nHop, nRate));
    if (pPitch) {
        aubio_pitch_set_unit(pPitch.get(), "midi");
        aubio_pitch_set_silence(pPitch.get(), -90);
    }
    return pPitch;
}
}  // namespace

CPitchReader::CPitchReader(const CRecording& recording, uint32_t nHop,
                           std::vector<CPitchFrames::SFrame>& frames)
    : m_recording(recording),
      m_frames(frames),
      m_nHop(nHop),
      m_nWindow(WindowFor(recording.Rate())),
      m_nLag((m_nWindow / 2 + nHop / 2) / nHop) {}

bool CPitchReader::Read(const CRecording& recording, uint32_t nHop,
                        std::vector<CPitchFrames::SFrame>& frames,
                        const CPitchFrames::FProgress& progress, bool bInHalves, size_t nFrom,
                        size_t nTo) {
    CPitchReader reader(recording, nHop, frames);
    const PitchPtr pFirst = NewTracker(reader.m_nWindow, nHop, recording.Rate());
    if (!pFirst || nFrom >= std::min(nTo, frames.size())) {
        return true;
    }
    // Call n tells frame n - m_nLag; the calls before the first frame's warm the tracker.
    const size_t nFirstCall = nFrom + reader.m_nLag;
    const size_t nEndCall = std::min(nTo, frames.size()) + reader.m_nLag;
    const size_t nMiddle = nFirstCall + (nEndCall - nFirstCall) / 2;
    std::atomic<bool> bStop = false;
    const PitchPtr pSecond =
        bInHalves ? NewTracker(reader.m_nWindow, nHop, recording.Rate()) : nullptr;
    std::optional<CSecondThread> second;  // joined however this function is left
    if (pSecond) {
        second.emplace([&] { reader.ReadPart(pSecond.get(), nMiddle, nEndCall, {}, bStop); });
    }
    // Both halves go at the same pace: the first one's share is the whole's. Without a second
    // thread, the first tracker reads everything.
    const bool bHalves = second && second->Started();
    const bool bRead = reader.ReadPart(pFirst.get(), nFirstCall, bHalves ? nMiddle : nEndCall,
                                       progress, bStop);
    if (second) {
        second->Join();
    }
    return bRead;
}

// Calls nFrom to nTo of a tracker, each with the hop of its number. A tracker starting
// within the recording first hears the window before nFrom, its pitches thrown away, so that
// it holds the same samples as one that heard everything from the start.
bool CPitchReader::ReadPart(aubio_pitch_t* pPitch, size_t nFrom, size_t nTo,
                            const CPitchFrames::FProgress& progress, std::atomic<bool>& bStop) {
    const VectorPtr pIn(new_fvec(m_nHop));
    const VectorPtr pOut(new_fvec(1));
    if (!pIn || !pOut) {
        return true;
    }
    const std::span<const float> samples = m_recording.Samples();
    const size_t nWarm = std::min<size_t>(nFrom, m_nWindow / m_nHop + 1);
    for (size_t n = nFrom - nWarm; n < nTo && !bStop; ++n) {
        if (progress && n >= nFrom && n % kProgressFrames == kProgressFrames - 1 &&
            !progress(double(n - nFrom) / double(nTo - nFrom))) {
            bStop = true;
            return false;
        }
        for (uint32_t i = 0; i < m_nHop; ++i) {
            const size_t nAt = n * m_nHop + i;
            pIn->data[i] = nAt < samples.size() ? samples[nAt] : 0.0f;
        }
        aubio_pitch_do(pPitch, pIn.get(), pOut.get());
        if (n >= nFrom) {
            Keep(pPitch, pOut->data[0], n);
        }
    }
    return !bStop;
}

// What call nCall heard, in its frame: the pitch, unless the pitch holds too little of the
// sound.
void CPitchReader::Keep(aubio_pitch_t* pPitch, float fKey, size_t nCall) {
    if (nCall < m_nLag || nCall - m_nLag >= m_frames.size()) {
        return;
    }
    CPitchFrames::SFrame& frame = m_frames[nCall - m_nLag];
    frame.fKey = fKey;
    frame.fConfidence = aubio_pitch_get_confidence(pPitch);
    const std::span<const float> samples = m_recording.Samples();
    const size_t nEnd = std::min(samples.size(), (nCall + 1) * m_nHop);
    if (frame.fConfidence >= CPitchFrames::kMinConfidence && frame.fKey > 0 &&
        nEnd >= m_nWindow &&
        LowHarmonicShare(samples.data() + nEnd - m_nWindow, m_nWindow,
                         CPitchFrames::HzOf(frame.fKey), m_recording.Rate()) < kMinHarmonicShare) {
        frame.fConfidence = 0;
    }
}
