#include "CTakt.h"

#include "CArchive.h"
#include "CNote.h"

namespace {
CObject* CreateBar() {
    return new CTakt;
}
}  // namespace

const CRuntimeClass CTakt::classObject = {"CTakt", 1, &CreateBar};

CTakt::CTakt() = default;

CTakt::~CTakt() = default;

int32_t CTakt::GetFill(int32_t& nFree) const {
    nFree = m_nCapacity - m_nFilled;
    return m_nFilled;
}

int32_t CTakt::AddNote(uint16_t nPitch, int32_t nDuration, bool bRest, bool bTieToNext,
                       bool bTieFromPrev, int32_t nGlyphBase) {
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
        const SNoteInfo info = m_notes.back()->Info();
        m_notes.pop_back();
        m_nFilled -= info.nDuration;
        bTiedFromPrev = info.bTieFromPrev;
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

bool CTakt::TieLastNote(uint16_t nPitch) {
    if (m_notes.empty() || m_notes.back()->Info().nPitch != nPitch) {
        return false;
    }
    m_notes.back()->SetTieToNext();
    return true;
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
        const int32_t nDuration = pNote->Info().nDuration;
        const bool bStandardLength =
            nDuration == 1 || nDuration == 2 || nDuration == 4 || nDuration == 8;
        if (!bStandardLength) {
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
