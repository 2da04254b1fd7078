#include "CScoreLayout.h"

#include <algorithm>

#include "CKantiloDoc.h"
#include "CNote.h"
#include "CNotenblatt.h"

namespace {
struct Symbol {
    int32_t number = 0;
    int32_t width = 0;
};

Symbol SymbolOf(const CNotenblatt& sheet, int32_t kind) {
    Symbol symbol;
    if (const CNote* note = sheet.GetSymbol(kind)) {
        symbol.number = note->GetBitmap(symbol.width);
    }
    return symbol;
}
}  // namespace

CScoreLayout::CScoreLayout(const CKantiloDoc& doc) : CScoreLayout(doc.GetSheet()) {}

CScoreLayout::CScoreLayout(const CNotenblatt& sheet) {
    if (sheet.Notes().begin() == sheet.Notes().end()) {
        LayOutEmptyRow(sheet);
    } else {
        LayOutRows(sheet);
    }
}

int32_t CScoreLayout::ExtentHeight() const {
    const int32_t lastRowBottom = (m_nRows - 1) * kRowPitch + kGlyphHeight;
    return std::max(kMinExtentHeight, lastRowBottom + kRowPitch);
}

void CScoreLayout::LayOutEmptyRow(const CNotenblatt& sheet) {
    const Symbol clef = SymbolOf(sheet, CNotenblatt::kSymbolClef);
    const Symbol staff = SymbolOf(sheet, CNotenblatt::kSymbolStaff);
    const Symbol rowEnd = SymbolOf(sheet, CNotenblatt::kSymbolRowEnd);
    Place(clef.number, kRowStartX, 0, clef.width);
    Place(staff.number, kRowStartX + clef.width, 0, kEmptyFillerWidth);
    Place(rowEnd.number, kRowStartX + clef.width + kEmptyFillerWidth, 0, rowEnd.width);
    m_nRows = 1;
}

void CScoreLayout::LayOutRows(const CNotenblatt& sheet) {
    const Symbol clef = SymbolOf(sheet, CNotenblatt::kSymbolClef);
    const Symbol staff = SymbolOf(sheet, CNotenblatt::kSymbolStaff);
    const Symbol rowEnd = SymbolOf(sheet, CNotenblatt::kSymbolRowEnd);
    const Symbol barLine = SymbolOf(sheet, CNotenblatt::kSymbolBarLine);
    const CSheetWalk walk = sheet.Notes();
    auto it = walk.begin();
    int32_t y = 0;
    while (it != walk.end()) {
        Place(clef.number, kRowStartX, y, clef.width);
        int32_t x = kRowStartX + clef.width;
        while (x <= kRowEndX && it != walk.end()) {
            int32_t width = 0;
            const int32_t number = (*it).note.GetBitmap(width);
            m_nLastNote = m_glyphs.size();
            m_noteGlyphs.push_back(m_nLastNote);
            Place(number, x, y, width);
            ++it;
            x += width;
            if (it != walk.end() && (*it).bNewBar && x <= kBarLineLimit) {
                Place(barLine.number, x, y, barLine.width);
                x += barLine.width;
            }
        }
        if (x < kRowEndX) {
            Place(staff.number, x, y, kRowEndX - x);
        }
        Place(rowEnd.number, kRowEndX, y, rowEnd.width);
        ++m_nRows;
        y += kRowPitch;
    }
}

void CScoreLayout::Place(int32_t number, int32_t x, int32_t y, int32_t width) {
    m_glyphs.push_back(CGlyph{number, x, y, width});
}
