#include "CLowPassKernels.h"

#include "LowPassKernelBody.h"

// Compiled with -mavx512f on x86; elsewhere this file only holds baseline code that is
// never chosen, since HasAvx512 is false there.
#if defined(__AVX512F__)
constexpr int kFloatLanes = 16;
constexpr int kDoubleLanes = 8;
#else
constexpr int kFloatLanes = 4;
constexpr int kDoubleLanes = 2;
#endif

void CLowPassKernels::Avx512Float(const SJob<float>& job) {
    LowPassLoop<float, kFloatLanes, 8>::Run(job);
}

void CLowPassKernels::Avx512Double(const SJob<double>& job) {
    LowPassLoop<double, kDoubleLanes, 8>::Run(job);
}
