#include "CNotenblatt.h"

#include <array>

#include "CArchive.h"
#include "CGlyphCatalog.h"
#include "CNote.h"
#include "CTakt.h"

namespace {

CObject* CreateSheet() {
    return new CNotenblatt;
}

struct PitchBand {
    int32_t nLowest;  // the band reaches up to the next band's lowest height - 1
    uint16_t nPitch;
    int32_t nGlyphBase;
};

// Heights within one staff row, top to bottom: A5 down to C4 of the just C-major scale.
constexpr std::array<PitchBand, 14> kBands = {{{6, 880, 4120},
                                               {9, 792, 4620},
                                               {13, 704, 4520},
                                               {16, 660, 4420},
                                               {20, 594, 4320},
                                               {23, 528, 4220},
                                               {27, 495, 4710},
                                               {30, 440, 4110},
                                               {34, 396, 4610},
                                               {37, 352, 4510},
                                               {41, 330, 4410},
                                               {44, 297, 4310},
                                               {48, 264, 4210},
                                               {51, 0, 0}}};

constexpr int32_t kLongestNote = 8;
constexpr int32_t kRestToolOffset = 10;

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
    nGlyphBase = 0;
    int32_t r = point.y % kRowHeight;  // negative heights stay negative and match no band
    for (size_t i = 0; i + 1 < kBands.size(); ++i) {
        if (r >= kBands[i].nLowest && r < kBands[i + 1].nLowest) {
            nGlyphBase = kBands[i].nGlyphBase;
            return kBands[i].nPitch;
        }
    }
    return 0;
}

void CNotenblatt::AppendBar() {
    m_bars.push_back(std::make_unique<CTakt>());
    m_pCurrentBar = m_bars.back().get();
}

void CNotenblatt::AddNote(CPoint point, int32_t nTool, int32_t bTie) {
    if (m_bars.empty()) {
        AppendBar();
    }
    int32_t nGlyphBase = 0;
    uint16_t nPitch = PitchFromPoint(point, nGlyphBase);
    m_pCurrentBar = m_bars.back().get();
    int32_t nLength = nTool;
    bool bRest = false;
    if (nTool > kLongestNote) {
        nLength = nTool - kRestToolOffset;
        bRest = true;
    }
    // Nothing is entered outside the bands or for a length that is no note: then nothing
    // is tied either, so no note is left tied to a note that never came.
    if (nPitch == 0 || nGlyphBase == 0 || nLength < 1 || nLength > kLongestNote) {
        return;
    }
    if (bRest) {
        nGlyphBase = CGlyphCatalog::kRestBase;
    }
    const bool bTieFromPrev = bTie == 1 && m_pCurrentBar->TieLastNote(nPitch);
    int32_t nFree = 0;
    m_pCurrentBar->GetFill(nFree);
    if (nFree <= 0) {
        AppendBar();
        m_pCurrentBar->GetFill(nFree);
    }
    if (nLength > nFree) {
        // Fill the bar, and enter the rest as a click at the same height tied to this part.
        AddNoteParts(nPitch, nFree, bRest, true, bTieFromPrev, nGlyphBase);
        int32_t nRemainder = nLength - nFree;
        AddNote(point, bRest ? nRemainder + kRestToolOffset : nRemainder, 1);
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
