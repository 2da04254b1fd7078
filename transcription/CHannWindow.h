#pragma once

#include <cstddef>
#include <vector>

// The Hann window that weighs a stretch of samples before the partials in it are measured: it
// keeps a loud partial from spilling into the frequencies around it.
class CHannWindow {
public:
    // nLength weights, 0 at the first and rising to 1 in the middle (one period of nLength).
    static std::vector<float> Of(size_t nLength);
};
