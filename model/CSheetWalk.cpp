#include "CSheetWalk.h"

#include "CNotenblatt.h"
#include "CTakt.h"

CSheetWalk::Iterator::Iterator(const CNotenblatt* pSheet, size_t nBar, size_t nNote)
    : m_pSheet(pSheet), m_nBar(nBar), m_nNote(nNote) {
    SkipToEndIfEmpty();
}

CSheetWalk::SStep CSheetWalk::Iterator::operator*() const {
    return {m_pSheet->GetBar(m_nBar).GetNote(m_nNote), m_nBar > 0 && m_nNote == 0};
}

CSheetWalk::Iterator& CSheetWalk::Iterator::operator++() {
    if (++m_nNote >= m_pSheet->GetBar(m_nBar).GetNoteCount()) {
        ++m_nBar;
        m_nNote = 0;
        SkipToEndIfEmpty();
    }
    return *this;
}

CSheetWalk::Iterator CSheetWalk::Iterator::operator++(int) {
    Iterator before = *this;
    ++*this;
    return before;
}

// Only the last bar can be empty in a song; the walk ends there, as the cursor walk does.
void CSheetWalk::Iterator::SkipToEndIfEmpty() {
    const size_t nBars = m_pSheet->GetBarCount();
    if (m_nBar < nBars && m_pSheet->GetBar(m_nBar).GetNoteCount() == 0) {
        m_nBar = nBars;
    }
    if (m_nBar >= nBars) {
        m_nBar = nBars;
        m_nNote = 0;
    }
}

CSheetWalk::Iterator CSheetWalk::begin() const {
    return Iterator(&m_sheet, 0, 0);
}

CSheetWalk::Iterator CSheetWalk::end() const {
    return Iterator(&m_sheet, m_sheet.GetBarCount(), 0);
}
