#include "CLowPassKernels.h"

#include "LowPassKernelBody.h"

// Compiled with -mavx2 on x86; elsewhere this file only holds baseline code that is never
// chosen, since HasAvx2 is false there.
#if defined(__AVX2__)
constexpr int kFloatLanes = 8;
constexpr int kDoubleLanes = 4;
#else
constexpr int kFloatLanes = 4;
constexpr int kDoubleLanes = 2;
#endif

void CLowPassKernels::Avx2Float(const SJob<float>& job) {
    LowPassLoop<float, kFloatLanes, 8>::Run(job);
}

void CLowPassKernels::Avx2Double(const SJob<double>& job) {
    LowPassLoop<double, kDoubleLanes, 8>::Run(job);
}
