#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CLowPassKernels.h"

// One thread's share of a low-pass run: filters a range of frames of every channel in place,
// a cache-sized block at a time. The kernel copies each block's unfiltered input into a work
// buffer behind the last inputs of the block before, so the slots can be overwritten with
// results while later results still see the input. T is the precision of the products.
template <typename T>
class CLowPassPass {
public:
    using Kernel = void (*)(const CLowPassKernels::SJob<T>&);

    struct SSetup {
        const int32_t* offsets;
        const T* coefs;
        int32_t nTaps;
        int32_t nHistory;  // at least the largest offset
        Kernel kernel;
        uint32_t nBlockFrames;  // a multiple of CLowPassKernels::kGroup
        int16_t* slots;
        uint32_t total;
        uint32_t channels;  // 1 or 2
        int bits;
    };

    // Obtains the work buffers; throws std::bad_alloc when they cannot be had.
    explicit CLowPassPass(const SSetup& setup)
        : m_setup(setup),
          m_inputs(setup.channels,
                   std::vector<T>(static_cast<size_t>(setup.nHistory) + setup.nBlockFrames)),
          m_outs(setup.channels, std::vector<int16_t>(setup.nBlockFrames)) {}

    // Values of a history: the last nHistory inputs of every channel.
    size_t HistorySize() const { return static_cast<size_t>(m_setup.nHistory) * m_setup.channels; }

    // Copies the unfiltered inputs of the frames just before firstFrame (silence before the
    // song's start) to HistorySize values at to, for a later start at firstFrame.
    void SaveHistory(uint64_t firstFrame, T* to) const {
        const int64_t h = m_setup.nHistory;
        for (uint32_t ch = 0; ch < m_setup.channels; ++ch) {
            for (int64_t j = 0; j < h; ++j) {
                const int64_t frame = static_cast<int64_t>(firstFrame) - h + j;
                const uint64_t slot = static_cast<uint64_t>(frame) * m_setup.channels + ch;
                *to++ = frame < 0 || slot >= m_setup.total ? T(0) : Centred(m_setup.slots[slot]);
            }
        }
    }

    // Makes the values saved by SaveHistory the inputs before the next frame filtered.
    void SetHistory(const T* from) {
        for (std::vector<T>& buffer : m_inputs) {
            std::copy(from, from + m_setup.nHistory, buffer.begin());
            from += m_setup.nHistory;
        }
    }

    // Filters the frames [begin, end). After each block, afterBlock(slots filtered in it) is
    // called; when it returns false the pass stops early and returns false.
    template <typename AfterBlock>
    bool Filter(uint64_t begin, uint64_t end, AfterBlock&& afterBlock) {
        for (uint64_t f0 = begin; f0 < end; f0 += m_setup.nBlockFrames) {
            const uint32_t m =
                static_cast<uint32_t>(std::min<uint64_t>(m_setup.nBlockFrames, end - f0));
            const uint64_t first = f0 * m_setup.channels;
            const uint64_t last = std::min<uint64_t>((f0 + m) * m_setup.channels, m_setup.total);
            FilterBlock(first, m, static_cast<uint32_t>(last - first));
            if (!afterBlock(last - first)) {
                return false;
            }
        }
        return true;
    }

private:
    SSetup m_setup;
    std::vector<std::vector<T>> m_inputs;  // per channel: history, then the current block
    std::vector<std::vector<int16_t>> m_outs;

    T Centred(int16_t raw) const {
        // 8-bit samples are centred on 127; the difference is kept in 16 bits.
        return static_cast<T>(m_setup.bits == 8 ? static_cast<int16_t>(raw - 127) : raw);
    }

    void FilterBlock(uint64_t firstSlot, uint32_t frames, uint32_t validSlots) {
        const uint32_t group = CLowPassKernels::kGroup;
        const bool eight = m_setup.bits == 8;
        CLowPassKernels::SJob<T> job{m_setup.slots + firstSlot,
                                     m_setup.channels,
                                     (frames + group - 1) / group * group,
                                     validSlots,
                                     {},
                                     {},
                                     m_setup.offsets,
                                     m_setup.coefs,
                                     m_setup.nTaps,
                                     eight ? 127 : 0,
                                     eight ? 0 : -32768,
                                     eight ? 255 : 32767};
        for (uint32_t ch = 0; ch < m_setup.channels; ++ch) {
            job.inputs[ch] = m_inputs[ch].data() + m_setup.nHistory;
            job.outs[ch] = m_outs[ch].data();
        }
        m_setup.kernel(job);
        // The last inputs stay as the history of the next block.
        for (std::vector<T>& buffer : m_inputs) {
            std::memmove(buffer.data(), buffer.data() + frames,
                         static_cast<size_t>(m_setup.nHistory) * sizeof(T));
        }
    }
};
