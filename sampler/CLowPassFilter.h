#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The song's low-pass filter: a truncated sinc of nTaps taps with its cut-off at a quarter of
// the sample rate. Slot s of channel ch becomes the sum over k of trunc(x[s - k*C] * c[k]),
// x being the unfiltered channel (minus 127 for 8 bits) and silence before its start, limited
// to the sample range. Construction and Run throw std::bad_alloc when memory runs out, Run
// before touching any slot; otherwise Run only passes on what step throws. Long songs are
// filtered by two threads, but step is only ever called on the caller's thread.
class CLowPassFilter {
public:
    // Which inner loop to use. Auto takes the widest the processor offers; a path the
    // processor lacks falls back to Portable, so every choice gives the same samples.
    enum class EPath { Auto, Portable, Avx2, Avx512 };

    // Frames of one channel filtered per pass, sized to stay in the first-level cache.
    static constexpr uint32_t kBlockFrames = 2048;

    // nTaps is meant to be odd; an even count is raised by one and a count below 1 taken as 1.
    // bDoubleOnly forces double-precision products even where single precision is exact.
    explicit CLowPassFilter(int nTaps, EPath path = EPath::Auto, bool bDoubleOnly = false);

    // Filters the slots in place (stereo: interleaved left, right). step is called once
    // whenever the count of filtered slots reaches nProgressSize / 100 (every slot when that
    // is 0), always on the calling thread, possibly several times in a row.
    void Run(int16_t* slots, uint32_t total, bool stereo, int bits, uint32_t nProgressSize,
             const std::function<void()>& step) const;

    // The path Run really takes on this processor, never Auto.
    EPath GetPath() const { return m_path; }
    static bool IsAvailable(EPath path);

private:
    std::vector<int32_t> m_offsets;  // the taps that can change a result: how far back they look
    std::vector<float> m_liveFloat;
    std::vector<double> m_liveDouble;
    int32_t m_nHistory = 0;  // frames of input kept from the previous block
    EPath m_path = EPath::Portable;
    // Whether single-precision products truncate exactly like double ones for every 16-bit
    // input and every tap of this filter (then the faster single-precision loop is used).
    bool m_bSingle = false;

    template <typename T>
    void RunWith(const std::vector<T>& coefs, int16_t* slots, uint32_t total, bool stereo, int bits,
                 uint32_t nProgressSize, const std::function<void()>& step) const;
};
