#include "CSourceSteps.h"

#include <algorithm>
#include <cstring>

namespace {
// Frames a note past the shared sequences works out at a time.
constexpr uint32_t kOwnChunk = 16384;
}  // namespace

CSourceSteps::CSourceSteps(uint32_t nSourceFrames, std::size_t nBudget)
    : m_nSourceFrames(nSourceFrames), m_nBudget(nBudget) {}

void CSourceSteps::Start(float fStep) {
    uint32_t key = 0;
    std::memcpy(&key, &fStep, sizeof key);
    m_fStep = fStep;
    m_nAt = 0;
    m_pTrack = &m_tracks[key];
}

// The running position in single precision; the frame is compared in double, as the sum
// pos - frame is not exact in single precision for long notes.
void CSourceSteps::Advance(SCursor& cursor, uint32_t* out, uint32_t n) const {
    float pos = cursor.pos;
    uint32_t frame = cursor.frame;
    for (uint32_t i = 0; i < n; ++i) {
        out[i] = frame;
        pos = pos + m_fStep;
        while (frame < m_nSourceFrames && (double(pos) - double(frame)) > 0.5) {
            ++frame;
        }
    }
    cursor = {pos, frame};
}

void CSourceSteps::Extend(STrack& track, std::size_t nFrames) {
    const std::size_t have = track.frames.size();
    const std::size_t more = std::min(nFrames - have, m_nBudget);
    if (more == 0) {
        return;
    }
    track.frames.resize(have + more);
    m_nBudget -= more;
    Advance(track.end, track.frames.data() + have, uint32_t(more));
}

uint32_t CSourceSteps::Next(uint32_t nMax, const uint32_t*& frames) {
    if (m_pTrack) {
        STrack& track = *m_pTrack;
        if (track.frames.size() < m_nAt + nMax) {
            Extend(track, m_nAt + nMax);
        }
        if (m_nAt < track.frames.size()) {
            const uint32_t n = uint32_t(std::min<std::size_t>(nMax, track.frames.size() - m_nAt));
            frames = track.frames.data() + m_nAt;
            m_nAt += n;
            return n;
        }
        // The shared part is used up: the note goes on from where it ends.
        m_own = track.end;
        m_pTrack = nullptr;
    }
    const uint32_t n = std::min(nMax, kOwnChunk);
    m_scratch.resize(kOwnChunk);
    Advance(m_own, m_scratch.data(), n);
    frames = m_scratch.data();
    m_nAt += n;
    return n;
}
