#include "CTakt.h"

#include "CArchive.h"
#include "CNote.h"

namespace {
CObject* CreateBar() {
    return new CTakt;
}

bool IsFlag(int32_t b) {
    return b == 0 || b == 1;
}
}  // namespace

const CRuntimeClass CTakt::classObject = {"CTakt", 1, &CreateBar};

CTakt::CTakt() = default;

CTakt::~CTakt() = default;

int32_t CTakt::GetFill(int32_t& nFree) const {
    nFree = m_nCapacity - m_nFilled;
    return m_nFilled;
}

int32_t CTakt::AddNote(uint16_t nPitch, int32_t nDuration, int32_t bRest, int32_t bTieToNext,
                       int32_t bTieFromPrev, int32_t nGlyphBase) {
    m_notes.push_back(std::make_unique<CNote>(nDuration, nPitch, bRest, bTieToNext, bTieFromPrev,
                                              nGlyphBase + nDuration));
    m_nFilled += nDuration;
    return 1;
}

CNote* CTakt::GetFirstNote() {
    m_posNote = 0;
    return GetNextNote();
}

CNote* CTakt::GetNextNote() {
    if (m_posNote >= m_notes.size()) {
        m_posNote = kNoPos;
        return nullptr;
    }
    CNote* pNote = m_notes[m_posNote].get();
    ++m_posNote;
    return pNote;
}

int32_t CTakt::RemoveLastNote() {
    if (m_notes.empty()) {
        return 0;
    }
    bool bTiedFromPrev = false;
    while (!m_notes.empty()) {
        int32_t nDuration, bRest, bTieToNext, bTieFromPrev;
        uint16_t nPitch;
        m_notes.back()->GetInfo(nDuration, nPitch, bRest, bTieToNext, bTieFromPrev);
        m_notes.pop_back();
        m_nFilled -= nDuration;
        bTiedFromPrev = bTieFromPrev == 1;
        if (!bTiedFromPrev) {
            break;
        }
    }
    m_posNote = m_notes.empty() ? kNoPos : m_notes.size() - 1;
    if (m_notes.empty()) {
        return kBarEmptied + (bTiedFromPrev ? kChainContinues : 0);
    }
    return 0;
}

int32_t CTakt::TieLastNote(uint16_t nPitch) {
    if (m_notes.empty()) {
        return 0;
    }
    int32_t nDuration, bRest, bTieToNext, bTieFromPrev;
    uint16_t nLastPitch;
    m_notes.back()->GetInfo(nDuration, nLastPitch, bRest, bTieToNext, bTieFromPrev);
    if (nLastPitch != nPitch) {
        return 0;
    }
    m_notes.back()->SetTieToNext();
    return 1;
}

void CTakt::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}

void CTakt::Store(CArchive& ar) const {
    ar.WriteLong(m_nFilled);
    ar.WriteLong(m_nCapacity);
    ar.WriteCount(static_cast<uint32_t>(m_notes.size()));
    for (const auto& pNote : m_notes) {
        ar.WriteObject(pNote.get());
    }
}

void CTakt::Load(CArchive& ar) {
    m_posNote = kNoPos;
    m_nFilled = ar.ReadLong();
    m_nCapacity = ar.ReadLong();
    if (m_nCapacity != kCapacity || m_nFilled < 0 || m_nFilled > m_nCapacity) {
        throw CArchiveException(CArchiveException::badContents);
    }
    // Every note takes at least one eighth, so a longer list cannot fit.
    uint32_t nCount = ar.ReadCount();
    if (nCount > static_cast<uint32_t>(m_nCapacity)) {
        throw CArchiveException(CArchiveException::badContents);
    }
    for (; nCount > 0; --nCount) {
        m_notes.push_back(ar.ReadObjectOf<CNote>());
    }
    CheckNotes();
}

// Entry and deletion rely on these; a bar that breaks them is not part of any song.
void CTakt::CheckNotes() const {
    int32_t nSum = 0;
    for (const auto& pNote : m_notes) {
        int32_t nDuration, bRest, bTieToNext, bTieFromPrev;
        uint16_t nPitch;
        pNote->GetInfo(nDuration, nPitch, bRest, bTieToNext, bTieFromPrev);
        bool bStandardLength = nDuration == 1 || nDuration == 2 || nDuration == 4 || nDuration == 8;
        if (!bStandardLength || !IsFlag(bRest) || !IsFlag(bTieToNext) || !IsFlag(bTieFromPrev)) {
            throw CArchiveException(CArchiveException::badContents);
        }
        nSum += nDuration;
        if (nSum > m_nCapacity) {
            throw CArchiveException(CArchiveException::badContents);
        }
    }
    if (nSum != m_nFilled) {
        throw CArchiveException(CArchiveException::badContents);
    }
}
