#pragma once

#include <optional>
#include <string>
#include "CFileResult.h"

class CNotenblatt;

// The formats a song leaves Kantilo in besides its own document and the generated song,
// told by the file name's extension in any case: .musicxml or .xml, .mid or .midi, and the
// pages drawn by the view: .pdf, .svg, .png. MusicXML files can also be imported, compressed
// ones (.mxl) only imported.
class CExchangeFormat {
public:
    enum class Kind { none, musicXml, midi, pdf, svg, png, compressedMusicXml };

    static Kind FromPath(const std::string& strPath);
    // Scores that are imported when opened.
    static bool IsScore(Kind kind) {
        return kind == Kind::musicXml || kind == Kind::compressedMusicXml;
    }
    // PDF, SVG and PNG: drawn by the view's page painter, not written here.
    static bool IsPage(Kind kind) {
        return kind == Kind::pdf || kind == Kind::svg || kind == Kind::png;
    }
    // The song's name for titles: the file name without its extension.
    static std::string TitleFromPath(const std::string& strPath);
    // Writes a MusicXML or MIDI file; returns the message to show when that fails. The pages
    // are the view's to draw.
    static CFileResult Write(Kind kind, const CNotenblatt& sheet, const std::string& strTitle,
                             const std::string& strPath);
};
