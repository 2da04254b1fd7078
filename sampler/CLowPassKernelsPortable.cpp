#include "CLowPassKernels.h"

#include "LowPassKernelBody.h"

// Built for the baseline instruction set: 16-byte vectors, which every target lowers well.
void CLowPassKernels::PortableFloat(const SJob<float>& job) {
    LowPassLoop<float, 4, 4>::Run(job);
}

void CLowPassKernels::PortableDouble(const SJob<double>& job) {
    LowPassLoop<double, 2, 4>::Run(job);
}

bool CLowPassKernels::HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();  // in case this runs before the static constructors
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool CLowPassKernels::HasAvx512() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}
