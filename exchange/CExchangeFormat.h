#pragma once

#include "CFileResult.h"
#include <optional>
#include <string>

class CNotenblatt;

// The formats a song leaves Kantilo in besides its own document and the generated song,
// told by the file name's extension in any case: .musicxml or .xml, .mid or .midi, and the
// pages drawn by the view: .pdf, .svg, .png. MusicXML files can also be imported.
class CExchangeFormat {
public:
    enum class Kind { none, musicXml, midi, pdf, svg, png };

    static Kind FromPath(const std::string& strPath);
    // The song's name for titles: the file name without its extension.
    static std::string TitleFromPath(const std::string& strPath);
    // Writes a MusicXML or MIDI file; returns the message to show when that fails. The pages
    // are the view's to draw.
    static CFileResult Write(Kind kind, const CNotenblatt& sheet, const std::string& strTitle,
                             const std::string& strPath);
};
