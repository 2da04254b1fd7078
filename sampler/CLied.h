#pragma once

#include <cstdint>

#include "CWaveFile.h"

// The song buffer: the rendered and filtered melody, written to the song file.
class CLied : public CWaveFile {
public:
    using CWaveFile::CWaveFile;

    void SetFormat(uint32_t nSampleRate, uint8_t nBitsPerSample, int32_t bStereo);
};
