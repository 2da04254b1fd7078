#include "CLied.h"

void CLied::SetFormat(uint32_t nSampleRate, uint8_t nBitsPerSample, int32_t bStereo) {
    SetSampleRate(nSampleRate);
    SetBitsPerSample(nBitsPerSample);
    SetStereo(bStereo);
}
