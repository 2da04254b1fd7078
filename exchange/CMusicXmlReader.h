#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CController;

// Imports the melody of a MusicXML score, partwise or timewise, plain or compressed (.mxl),
// so that it sounds as the score does: the first part's first voice at its sounding pitch,
// moved into C major and into Kantilo's range, repeats and jumps played out, laid into 4/4 bars
// as the editor lays clicks (a pickup gets leading rests, nothing else is padded). Every
// reason a song cannot hold the melody is named with its measure; what was changed is told
// in notices.
class CMusicXmlReader {
public:
    struct SResult {
        std::unique_ptr<CController> pController;  // set exactly when the score was read
        std::string strMessage;                    // German text to show, empty when read
        bool bFileError = false;                   // the file could not be read at all
        std::vector<std::string> notices;          // German sentences on what was changed
        std::string strTitle;  // <work-title> or <movement-title>; empty when none
    };

    // Beyond this many measures (some 55 hours) a score is no melody but an attack.
    static constexpr size_t kMaxMeasures = 100000;
    // A refusal lists this many reasons and counts the rest.
    static constexpr size_t kMaxReasonLines = 10;

    static constexpr const char* kTooLarge =
        "Die Partitur ist größer als 64 MiB und wird nicht eingelesen.";
    static constexpr const char* kTooManyMeasures =
        "Die Partitur hat mehr als 100000 Takte und wird nicht eingelesen.";
    static constexpr const char* kTooManyElements =
        "Die Partitur besteht aus zu vielen kleinen Elementen und wird nicht eingelesen.";

    static SResult Load(const std::string& strPath);
    static SResult Parse(std::span<const uint8_t> data);
};
