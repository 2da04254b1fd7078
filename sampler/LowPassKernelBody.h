#pragma once

// The filter loop written once with the compiler's vector types; each kernel source file
// includes it and instantiates it for the lane count of its instruction set. Everything
// here has internal linkage, so code compiled for one instruction set can never be
// picked by the linker for a caller built for another.

#include <bit>
#include <cstdint>
#include <cstring>

#include "CLowPassKernels.h"

namespace {

// Lanes: values per vector register; Unroll: registers of outputs summed side by side, so
// that one coefficient broadcast serves several vectors and the additions overlap.
template <typename T, int Lanes, int Unroll, typename Int = int32_t, typename Short = int16_t>
struct LowPassLoop {
    typedef T Vec __attribute__((vector_size(Lanes * sizeof(T))));
    typedef Int IntVec __attribute__((vector_size(Lanes * sizeof(Int))));
    typedef Short ShortVec __attribute__((vector_size(Lanes * sizeof(Short))));
    using Job = CLowPassKernels::SJob<T>;

    static constexpr uint32_t kStep = Lanes * Unroll;
    static_assert(CLowPassKernels::kGroup % kStep == 0, "a group must hold whole steps");

    template <typename V>
    static inline V Load(const void* from) {
        V v;
        std::memcpy(&v, from, sizeof v);
        return v;
    }

    template <typename V>
    static inline void Store(void* to, const V& v) {
        std::memcpy(to, &v, sizeof v);
    }

    // Keeps the low 16 bits of each lane, sign-extended, as a 16-bit history would.
    static inline IntVec Wrap16(IntVec v) { return (v << 16) >> 16; }

    static inline T Centred(const Job& job, uint32_t slot) {
        if (slot >= job.validSlots) {
            return T(0);
        }
        return static_cast<T>(static_cast<int16_t>(job.slots[slot] - job.bias));
    }

    static void LoadMono(const Job& job) {
        uint32_t j = 0;
        for (; j + Lanes <= job.validSlots; j += Lanes) {
            const IntVec x = __builtin_convertvector(Load<ShortVec>(job.slots + j), IntVec);
            Store(job.inputs[0] + j, __builtin_convertvector(Wrap16(x - job.bias), Vec));
        }
        for (; j < job.frames; ++j) {
            job.inputs[0][j] = Centred(job, j);
        }
    }

    // A pair of 16-bit slots read as one 32-bit lane holds the left sample in its low half.
    static constexpr bool kPairs = std::endian::native == std::endian::little;

    static void LoadStereo(const Job& job) {
        uint32_t j = 0;
        for (; kPairs && 2 * (j + Lanes) <= job.validSlots; j += Lanes) {
            const IntVec pair = Load<IntVec>(job.slots + 2 * j);
            Store(job.inputs[0] + j, __builtin_convertvector(Wrap16(Wrap16(pair) - job.bias), Vec));
            Store(job.inputs[1] + j, __builtin_convertvector(Wrap16((pair >> 16) - job.bias), Vec));
        }
        for (; j < job.frames; ++j) {
            job.inputs[0][j] = Centred(job, 2 * j);
            job.inputs[1][j] = Centred(job, 2 * j + 1);
        }
    }

    static inline IntVec Clamp(IntVec v, Int lo, Int hi) {
        const IntVec below = v < lo;
        v = (v & ~below) | (below & lo);
        const IntVec above = v > hi;
        return (v & ~above) | (above & hi);
    }

    static inline void Step(const Job& job, const T* in, int16_t* out) {
        IntVec acc[Unroll];
#pragma GCC unroll 16
        for (int u = 0; u < Unroll; ++u) {
            acc[u] = IntVec{} + job.bias;
        }
        for (int32_t t = 0; t < job.nTaps; ++t) {
            const T* src = in - job.offsets[t];
            const Vec c = job.coefs[t] - Vec{};  // every lane the coefficient
#pragma GCC unroll 16
            for (int u = 0; u < Unroll; ++u) {
                // Float to integer conversion truncates toward zero.
                acc[u] += __builtin_convertvector(Load<Vec>(src + u * Lanes) * c, IntVec);
            }
        }
#pragma GCC unroll 16
        for (int u = 0; u < Unroll; ++u) {
            const IntVec limited = Clamp(acc[u], job.lo, job.hi);
            Store(out + u * Lanes, __builtin_convertvector(limited, ShortVec));
        }
    }

    static void StoreMono(const Job& job) {
        uint32_t j = 0;
        for (; j + Lanes <= job.validSlots; j += Lanes) {
            Store(job.slots + j, Load<ShortVec>(job.outs[0] + j));
        }
        for (; j < job.validSlots; ++j) {
            job.slots[j] = job.outs[0][j];
        }
    }

    static void StoreStereo(const Job& job) {
        uint32_t j = 0;
        for (; kPairs && 2 * (j + Lanes) <= job.validSlots; j += Lanes) {
            const IntVec left = __builtin_convertvector(Load<ShortVec>(job.outs[0] + j), IntVec);
            const IntVec right = __builtin_convertvector(Load<ShortVec>(job.outs[1] + j), IntVec);
            Store(job.slots + 2 * j, (left & 0xFFFF) | (right << 16));
        }
        for (uint32_t s = 2 * j; s < job.validSlots; ++s) {
            job.slots[s] = job.outs[s % 2][s / 2];
        }
    }

    static void Run(const Job& job) {
        if (job.channels == 1) {
            LoadMono(job);
        } else {
            LoadStereo(job);
        }
        for (uint32_t ch = 0; ch < job.channels; ++ch) {
            for (uint32_t i = 0; i < job.frames; i += kStep) {
                Step(job, job.inputs[ch] + i, job.outs[ch] + i);
            }
        }
        if (job.channels == 1) {
            StoreMono(job);
        } else {
            StoreStereo(job);
        }
    }
};

}  // namespace
