#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class CController;

// Imports the melody of a MusicXML partwise score (uncompressed): the first part's first
// voice in 4/4, notes of Kantilo's thirteen pitches whose lengths are whole eighths, ties
// kept. The notes are entered as the editor enters clicks, so notes are split and tied at bar
// lines the same way. A short first measure is a pickup and is padded with leading rests, a
// short measure inside the score with trailing ones; the last measure stays as it is.
// Anything else is refused with a German message naming the measure and the reason.
class CMusicXmlReader {
public:
    struct SResult {
        std::unique_ptr<CController> pController;  // set exactly when the score was read
        std::string strMessage;                    // German text to show, empty when read
        bool bFileError = false;                   // the file could not be read at all
    };

    // Beyond this many measures (some 55 hours) a score is no melody but an attack.
    static constexpr size_t kMaxMeasures = 100000;

    static SResult Load(const std::string& strPath);
    static SResult Parse(std::span<const uint8_t> data);
};
