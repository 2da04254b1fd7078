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

Symbol SymbolOf(CKantiloDoc& doc, int32_t kind) {
    Symbol symbol;
    if (CNote* note = doc.GetSymbol(kind)) {
        symbol.number = note->GetBitmap(symbol.width);
    }
    return symbol;
}
}  // namespace

CScoreLayout::CScoreLayout(CKantiloDoc& doc) {
    if (doc.GetFirstNote() == nullptr) {
        LayOutEmptyRow(doc);
    } else {
        LayOutRows(doc);
    }
}

int32_t CScoreLayout::ExtentHeight() const {
    const int32_t lastRowBottom = (m_nRows - 1) * kRowPitch + kGlyphHeight;
    return std::max(kMinExtentHeight, lastRowBottom + kRowPitch);
}

void CScoreLayout::LayOutEmptyRow(CKantiloDoc& doc) {
    const Symbol clef = SymbolOf(doc, CNotenblatt::kSymbolClef);
    const Symbol staff = SymbolOf(doc, CNotenblatt::kSymbolStaff);
    const Symbol rowEnd = SymbolOf(doc, CNotenblatt::kSymbolRowEnd);
    Place(clef.number, kRowStartX, 0, clef.width);
    Place(staff.number, kRowStartX + clef.width, 0, kEmptyFillerWidth);
    Place(rowEnd.number, kRowStartX + clef.width + kEmptyFillerWidth, 0, rowEnd.width);
    m_nRows = 1;
}

void CScoreLayout::LayOutRows(CKantiloDoc& doc) {
    const Symbol clef = SymbolOf(doc, CNotenblatt::kSymbolClef);
    const Symbol staff = SymbolOf(doc, CNotenblatt::kSymbolStaff);
    const Symbol rowEnd = SymbolOf(doc, CNotenblatt::kSymbolRowEnd);
    const Symbol barLine = SymbolOf(doc, CNotenblatt::kSymbolBarLine);
    CNote* note = doc.GetFirstNote();
    int32_t y = 0;
    while (note != nullptr) {
        Place(clef.number, kRowStartX, y, clef.width);
        int32_t x = kRowStartX + clef.width;
        while (x <= kRowEndX && note != nullptr) {
            int32_t width = 0;
            const int32_t number = note->GetBitmap(width);
            Place(number, x, y, width);
            int32_t bNewBar = 0;
            note = doc.GetNextNote(bNewBar);
            x += width;
            if (bNewBar == 1 && x <= kBarLineLimit) {
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
