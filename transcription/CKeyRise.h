#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "CGoertzel.h"

class CRecording;

// Where a note of a known key began to sound: the first frame from which its own partials (those
// the note before does not share) lie less than a set margin below their strength just after the
// frame where the pitch tracker first held it. A slow attack (a choir, a bow) grows under the note
// before it for a tenth of a second or more before the tracker follows it; its partials show
// it from the start. The recording must outlive this.
class CKeyRise {
public:
    CKeyRise(const CRecording& recording, uint32_t nHop);

    // The frame at which the key fKey (fractional, A4 = 69) began to rise into the note the
    // tracker holds from frame n on; not before nEarliest, nor more than 0.4 s before n.
    // fKeyBefore is the key of the note before (-1 for none): the partials it shares with fKey
    // sound before fKey does, and are not listened to.
    size_t Start(size_t n, float fKey, float fKeyBefore, size_t nEarliest) const;

private:
    CGoertzel::Powers Powers(size_t n, std::span<const double> radians) const;
    float Strength(size_t n, std::span<const double> radians) const;
    std::pair<std::vector<double>, float> OwnPartials(size_t n, float fKey, float fKeyBefore) const;

    const CRecording& m_recording;
    uint32_t m_nHop;
    std::vector<float> m_window;
};
