#pragma once

#include <cstdint>
#include <vector>

#include "CGlyphCatalog.h"
#include "CNotenblatt.h"

class CKantiloDoc;

// Where every glyph of the song stands on the sheet: rows of staff 75 pixels apart, each
// opened by the clef and closed by the row end, the notes and bar lines between them and the
// empty staff stretched over what is left. Built afresh from the document's note walk.
class CScoreLayout {
public:
    struct CGlyph {
        int32_t number;  // glyph number to draw
        int32_t x;       // sheet coordinates of the top-left corner
        int32_t y;
        int32_t width;  // destination width; the filler is stretched, everything else natural
    };

    static constexpr int32_t kRowStartX = 10;
    static constexpr int32_t kRowEndX = 616;
    static constexpr int32_t kBarLineLimit = 587;
    static constexpr int32_t kEmptyFillerWidth = 548;
    static constexpr int32_t kGlyphHeight = CGlyphCatalog::kHeight;
    static constexpr int32_t kRowPitch = CNotenblatt::kRowHeight;
    static constexpr int32_t kExtentWidth = 650;
    static constexpr int32_t kMinExtentHeight = 1200;

    explicit CScoreLayout(const CKantiloDoc& doc);
    explicit CScoreLayout(const CNotenblatt& sheet);

    const std::vector<CGlyph>& Glyphs() const { return m_glyphs; }
    // The glyph of the song's last note or rest; nullptr for an empty song.
    const CGlyph* LastNote() const {
        return m_nLastNote < m_glyphs.size() ? &m_glyphs[m_nLastNote] : nullptr;
    }
    // The glyph of the song's nNote-th note or rest (from 0, in song order); nullptr past the
    // end.
    const CGlyph* NoteGlyph(size_t nNote) const {
        return nNote < m_noteGlyphs.size() ? &m_glyphs[m_noteGlyphs[nNote]] : nullptr;
    }
    int32_t RowCount() const { return m_nRows; }
    // The scrollable height: at least 1200, and always one row pitch below the bottom of the
    // last row, so every row can be scrolled into view.
    int32_t ExtentHeight() const;

private:
    void LayOutEmptyRow(const CNotenblatt& sheet);
    void LayOutRows(const CNotenblatt& sheet);
    void Place(int32_t number, int32_t x, int32_t y, int32_t width);

    std::vector<CGlyph> m_glyphs;
    std::vector<size_t> m_noteGlyphs;
    int32_t m_nRows = 0;
    size_t m_nLastNote = static_cast<size_t>(-1);
};
