#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "CFileResult.h"

class CNotenblatt;

// Writes a sheet as a Standard MIDI File: type 1 with a single track named after the song
// that holds tempo, time signature and notes, 480 ticks per quarter at 120 quarters a minute
// (an eighth lasts 0.25 s, as in the sampler). Before each note a pitch bend on the one
// channel moves the nearest equal-tempered key to Kantilo's just frequency; the bend range is
// set to two semitones first.
class CMidiWriter {
public:
    static constexpr int32_t kTicksPerQuarter = 480;
    static constexpr int32_t kVelocity = 80;
    static constexpr int32_t kBendRangeSemitones = 2;
    static constexpr int32_t kBendCenter = 8192;

    static std::vector<uint8_t> ToBytes(const CNotenblatt& sheet, const std::string& strTitle);
    // Returns the message when the file cannot be written.
    static CFileResult Save(const CNotenblatt& sheet, const std::string& strTitle,
                            const std::string& strPath);
    // The 14-bit bend value that raises a key by fCents (negative lowers it).
    static int32_t BendValue(double fCents);
};
