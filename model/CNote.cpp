#include "CNote.h"

#include "CArchive.h"
#include "CGlyphCatalog.h"

namespace {
CObject* CreateNote() {
    return new CNote;
}
}  // namespace

const CRuntimeClass CNote::classObject = {"CNote", 1, &CreateNote};

CNote::CNote() = default;

CNote::CNote(int32_t nDuration, uint16_t nPitch, int32_t bRest, int32_t bTieToNext,
             int32_t bTieFromPrev, int32_t nBitmapId)
    : m_nDuration(nDuration),
      m_nPitch(nPitch),
      m_bRest(bRest),
      m_bTieToNext(bTieToNext),
      m_bTieFromPrev(bTieFromPrev),
      m_nBitmapId(nBitmapId) {
    if (bTieToNext == 1 && bRest != 1) {
        m_nBitmapId += CGlyphCatalog::kTieOffset;
    }
    LoadGlyph();
}

CNote::~CNote() = default;

void CNote::GetInfo(int32_t& nDuration, uint16_t& nPitch, int32_t& bRest, int32_t& bTieToNext,
                    int32_t& bTieFromPrev) const {
    nDuration = m_nDuration;
    nPitch = m_nPitch;
    bRest = m_bRest;
    bTieToNext = m_bTieToNext;
    bTieFromPrev = m_bTieFromPrev;
}

int32_t CNote::GetBitmap(int32_t& nWidth) const {
    nWidth = m_nWidth;
    return m_nShownGlyph;
}

void CNote::SetTieToNext() {
    m_bTieToNext = 1;
    // Only untied note glyphs have a tied variant; rests and tied notes keep their number.
    if (m_nBitmapId < 5000) {
        m_nBitmapId += CGlyphCatalog::kTieOffset;
    }
    LoadGlyph();
}

void CNote::LoadGlyph() {
    // Glyphs are looked up by the low 16 bits of the number, like resource numbers.
    m_nShownGlyph = CGlyphCatalog::Resolve(m_nBitmapId & 0xFFFF);
    m_nWidth = CGlyphCatalog::Width(m_nShownGlyph);
}

void CNote::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteLong(m_bTieToNext);
        ar.WriteLong(m_bTieFromPrev);
        ar.WriteLong(m_bRest);
        ar.WriteLong(m_nDuration);
        ar.WriteWord(m_nPitch);
        ar.WriteLong(m_nBitmapId);
    } else {
        m_bTieToNext = ar.ReadLong();
        m_bTieFromPrev = ar.ReadLong();
        m_bRest = ar.ReadLong();
        m_nDuration = ar.ReadLong();
        m_nPitch = ar.ReadWord();
        m_nBitmapId = ar.ReadLong();
        LoadGlyph();
    }
}
