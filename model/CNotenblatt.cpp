#include "CNotenblatt.h"

#include "CArchive.h"
#include "CGlyphCatalog.h"
#include "CNote.h"
#include "CPitchTable.h"
#include "CTakt.h"

namespace {

CObject* CreateSheet() {
    return new CNotenblatt;
}

constexpr int32_t kLongestNote = 8;

std::unique_ptr<CNote> MakeSymbol(int32_t nGlyph) {
    return std::make_unique<CNote>(0, 0, 1, 0, 0, nGlyph);
}

}  // namespace

const CRuntimeClass CNotenblatt::classObject = {"CNotenblatt", 1, &CreateSheet};

CNotenblatt::CNotenblatt()
    : m_pClef(MakeSymbol(CGlyphCatalog::kClef)),
      m_pRowEnd(MakeSymbol(CGlyphCatalog::kRowEnd)),
      m_pBarLine(MakeSymbol(CGlyphCatalog::kBarLine)),
      m_pStaff(MakeSymbol(CGlyphCatalog::kStaff)) {}

CNotenblatt::~CNotenblatt() = default;

uint16_t CNotenblatt::PitchFromPoint(CPoint point, int32_t& nGlyphBase) {
    // Negative heights stay negative and match no band.
    const CPitchTable::SPitch* pPitch = CPitchTable::AtRowHeight(point.y % kRowHeight);
    nGlyphBase = pPitch != nullptr ? pPitch->nGlyphBase : 0;
    return pPitch != nullptr ? pPitch->nFrequency : 0;
}

void CNotenblatt::AppendBar() {
    m_bars.push_back(std::make_unique<CTakt>());
    m_pCurrentBar = m_bars.back().get();
}

void CNotenblatt::AddNote(CPoint point, ETool tool, bool bTie) {
    AddLength(point, ToolLength(tool), IsRestTool(tool), bTie);
}

void CNotenblatt::AddLength(CPoint point, int32_t nLength, bool bRest, bool bTie) {
    if (m_bars.empty()) {
        AppendBar();
    }
    int32_t nGlyphBase = 0;
    uint16_t nPitch = PitchFromPoint(point, nGlyphBase);
    m_pCurrentBar = m_bars.back().get();
    // Nothing is entered outside the bands or for a length that is no note: then nothing
    // is tied either, so no note is left tied to a note that never came.
    if (nPitch == 0 || nGlyphBase == 0 || nLength < 1 || nLength > kLongestNote) {
        return;
    }
    if (bRest) {
        nGlyphBase = CGlyphCatalog::kRestBase;
    }
    const bool bTieFromPrev = bTie && m_pCurrentBar->TieLastNote(nPitch);
    int32_t nFree = 0;
    m_pCurrentBar->GetFill(nFree);
    if (nFree <= 0) {
        AppendBar();
        m_pCurrentBar->GetFill(nFree);
    }
    if (nLength > nFree) {
        // Fill the bar, and enter the rest as a click at the same height tied to this part.
        AddNoteParts(nPitch, nFree, bRest, true, bTieFromPrev, nGlyphBase);
        AddLength(point, nLength - nFree, bRest, true);
    } else {
        AddNoteParts(nPitch, nLength, bRest, false, bTieFromPrev, nGlyphBase);
    }
}

void CNotenblatt::AddNoteParts(uint16_t nPitch, int32_t nLength, bool bRest, bool bTieToNext,
                               bool bTieFromPrev, int32_t nGlyphBase) {
    if (nLength < 1 || nLength > kLongestNote) {
        return;
    }
    // Standard lengths, longest first: 7 is 4 + 2 + 1, 6 is 4 + 2, 5 is 4 + 1, 3 is 2 + 1.
    bool bFirst = true;
    for (int32_t nPart = kLongestNote; nPart >= 1; nPart /= 2) {
        if ((nLength & nPart) == 0) {
            continue;
        }
        nLength -= nPart;
        bool bLast = nLength == 0;
        m_pCurrentBar->AddNote(nPitch, nPart, bRest, bLast ? bTieToNext : true,
                               bFirst ? bTieFromPrev : true, nGlyphBase);
        bFirst = false;
    }
}

void CNotenblatt::DeleteLastNote() {
    m_pCurrentBar = nullptr;
    while (!m_bars.empty()) {
        int32_t r = m_bars.back()->RemoveLastNote();
        if (r < CTakt::kBarEmptied) {
            return;
        }
        m_bars.pop_back();
        m_pCursorBar = m_bars.empty() ? nullptr : m_bars.back().get();
        if (r - CTakt::kBarEmptied != CTakt::kChainContinues) {
            return;
        }
    }
}

CTakt* CNotenblatt::GetFirstBar() {
    m_posBar = 0;
    return GetNextBar();
}

CTakt* CNotenblatt::GetNextBar() {
    if (m_posBar >= m_bars.size()) {
        m_posBar = kNoPos;
        return nullptr;
    }
    return m_bars[m_posBar++].get();
}

CNote* CNotenblatt::GetFirstNote() {
    m_pCursorBar = GetFirstBar();
    return m_pCursorBar != nullptr ? m_pCursorBar->GetFirstNote() : nullptr;
}

CNote* CNotenblatt::GetNextNote(int32_t& bNewBar) {
    bNewBar = 0;
    if (m_pCursorBar == nullptr) {
        return nullptr;
    }
    if (CNote* pNote = m_pCursorBar->GetNextNote()) {
        return pNote;
    }
    m_pCursorBar = GetNextBar();
    if (m_pCursorBar == nullptr) {
        return nullptr;
    }
    CNote* pNote = m_pCursorBar->GetFirstNote();
    if (pNote != nullptr) {
        bNewBar = 1;
    }
    return pNote;
}

const CNote* CNotenblatt::GetSymbol(int32_t nKind) const {
    switch (nKind) {
        case kSymbolClef:
            return m_pClef.get();
        case kSymbolRowEnd:
            return m_pRowEnd.get();
        case kSymbolBarLine:
            return m_pBarLine.get();
        case kSymbolStaff:
            return m_pStaff.get();
        default:
            return nullptr;
    }
}

int32_t CNotenblatt::GetLength() const {
    int32_t nLength = 0;
    for (const auto& pBar : m_bars) {
        int32_t nFree = 0;
        nLength += pBar->GetFill(nFree);
    }
    return nLength;
}

void CNotenblatt::Store(CArchive& ar) const {
    ar.WriteObject(m_pRowEnd.get());
    ar.WriteObject(m_pStaff.get());
    ar.WriteObject(m_pClef.get());
    ar.WriteObject(m_pBarLine.get());
    ar.WriteCount(static_cast<uint32_t>(m_bars.size()));
    for (const auto& pBar : m_bars) {
        ar.WriteObject(pBar.get());
    }
}

void CNotenblatt::Load(CArchive& ar) {
    m_pRowEnd = ar.ReadObjectOf<CNote>();
    m_pStaff = ar.ReadObjectOf<CNote>();
    m_pClef = ar.ReadObjectOf<CNote>();
    m_pBarLine = ar.ReadObjectOf<CNote>();
    m_posBar = kNoPos;
    m_pCursorBar = nullptr;
    m_pCurrentBar = nullptr;
    for (uint32_t nCount = ar.ReadCount(); nCount > 0; --nCount) {
        // Entry, deletion and the walk rely on every bar before the last being full.
        int32_t nFree = 0;
        if (!m_bars.empty() && (m_bars.back()->GetFill(nFree) != CTakt::kCapacity || nFree != 0)) {
            throw CArchiveException(CArchiveException::badContents);
        }
        m_bars.push_back(ar.ReadObjectOf<CTakt>());
    }
}
