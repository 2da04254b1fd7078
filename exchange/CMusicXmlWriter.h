#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include "CFileResult.h"

class CNotenblatt;

// Writes a sheet as a MusicXML 4.0 partwise score: one part "Melodie" (MIDI channel and program
// 1) in C major, treble clef and 4/4, a measure per bar, each part of a note as a note (eighths
// are 2 divisions), tie chains as the sampler plays them, a final bar line at the end. A rest
// keeps the height it was entered at as its display position. The text is written as it is
// made, never held whole.
class CMusicXmlWriter {
public:
    static constexpr const char* kSoftware = "Kantilo 1.0";
    static constexpr const char* kPartName = "Melodie";

    // strDate is the encoding date, YYYY-MM-DD.
    static std::string ToText(const CNotenblatt& sheet, const std::string& strTitle,
                              const std::string& strDate);
    // Writes the score with today's date (UTC); returns the message when it fails.
    static CFileResult Save(const CNotenblatt& sheet, const std::string& strTitle,
                            const std::string& strPath);
    static std::string Today();
    // Why a song is not exported: Kantilo would not read the file back.
    static std::string TooManyMeasures(size_t nMeasures);
    static std::string TooLarge();
};
