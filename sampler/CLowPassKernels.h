#pragma once

#include <cstdint>

// The inner loop of the low-pass filter, once per instruction set. Each variant lives in a
// source file of its own, compiled for that instruction set, and may only be called when
// the processor has it (HasAvx2, HasAvx512).
class CLowPassKernels {
public:
    // Blocks are filtered in groups of this many frames; every block's frame count is a
    // multiple of it.
    static constexpr uint32_t kGroup = 128;

    // One block of one to two interleaved channels. For each channel the kernel
    //  1. reads x[j] = (int16_t)(slot - bias) into inputs[ch][j] for the block's frames, 0
    //     where the slot lies at or past validSlots;
    //  2. computes clamp(bias + sum over t of trunc(x[j - offsets[t]] * coefs[t]), lo, hi),
    //     each product truncated toward zero on its own, inputs before the block being the
    //     history in front of inputs[ch];
    //  3. writes the results of the slots before validSlots back in place.
    template <typename T>
    struct SJob {
        int16_t* slots;          // the block's first slot
        uint32_t channels;       // 1 or 2
        uint32_t frames;         // a multiple of kGroup
        uint32_t validSlots;     // slots of the block inside the song
        T* inputs[2];            // per channel: room for frames values, history in front
        int16_t* outs[2];        // per channel: room for frames results
        const int32_t* offsets;  // how far back each tap looks
        const T* coefs;
        int32_t nTaps;
        int32_t bias;  // 127 for 8-bit samples, else 0
        int32_t lo;
        int32_t hi;
    };

    static void PortableFloat(const SJob<float>& job);
    static void PortableDouble(const SJob<double>& job);
    static void Avx2Float(const SJob<float>& job);
    static void Avx2Double(const SJob<double>& job);
    static void Avx512Float(const SJob<float>& job);
    static void Avx512Double(const SJob<double>& job);

    static bool HasAvx2();
    static bool HasAvx512();
};
