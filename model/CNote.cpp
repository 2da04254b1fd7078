#include "CNote.h"

#include "CArchive.h"
#include "CArchiveException.h"
#include "CGlyphCatalog.h"

namespace {
CObject* CreateNote() {
    return new CNote;
}
}  // namespace

const CRuntimeClass CNote::classObject = {"CNote", 1, &CreateNote};

CNote::CNote() = default;

CNote::CNote(int32_t nDuration, uint16_t nPitch, bool bRest, bool bTieToNext, bool bTieFromPrev,
             int32_t nBitmapId)
    : m_nDuration(nDuration),
      m_nPitch(nPitch),
      m_bRest(bRest),
      m_bTieToNext(bTieToNext),
      m_bTieFromPrev(bTieFromPrev),
      m_nBitmapId(nBitmapId) {
    if (bTieToNext && !bRest) {
        m_nBitmapId += CGlyphCatalog::kTieOffset;
    }
    LoadGlyph();
}

CNote::~CNote() = default;

SNoteInfo CNote::Info() const {
    return {m_nDuration, m_nPitch, m_bRest, m_bTieToNext, m_bTieFromPrev};
}

int32_t CNote::GetBitmap(int32_t& nWidth) const {
    nWidth = m_nWidth;
    return m_nShownGlyph;
}

void CNote::SetTieToNext() {
    m_bTieToNext = true;
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

void CNote::Store(CArchive& ar) const {
    ar.WriteLong(m_bTieToNext ? 1 : 0);
    ar.WriteLong(m_bTieFromPrev ? 1 : 0);
    ar.WriteLong(m_bRest ? 1 : 0);
    ar.WriteLong(m_nDuration);
    ar.WriteWord(m_nPitch);
    ar.WriteLong(m_nBitmapId);
}

namespace {
bool ReadFlag(CArchive& ar) {
    const int32_t nValue = ar.ReadLong();
    if (nValue != 0 && nValue != 1) {
        throw CArchiveException(CArchiveException::badContents);
    }
    return nValue == 1;
}
}  // namespace

void CNote::Load(CArchive& ar) {
    m_bTieToNext = ReadFlag(ar);
    m_bTieFromPrev = ReadFlag(ar);
    m_bRest = ReadFlag(ar);
    m_nDuration = ar.ReadLong();
    m_nPitch = ar.ReadWord();
    m_nBitmapId = ar.ReadLong();
    LoadGlyph();
}
