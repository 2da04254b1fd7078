#include "CScoreNotes.h"

#include "CNote.h"
#include "CNotenblatt.h"

CScoreNotes::CScoreNotes(const CNotenblatt& sheet) {
    bool bInChain = false;  // the part before tied on to this one and started or joined a chain
    size_t nChainBar = 0;
    size_t nChainPart = 0;
    for (const auto& step : sheet.Notes()) {
        if (step.bNewBar || m_bars.empty()) {
            m_bars.emplace_back();
        }
        const SNoteInfo info = step.note.Info();
        SPart part{info.nDuration, info.nPitch, info.bRest, false, false};
        if (bInChain) {
            part.bRest = false;
            part.bTieStop = true;
        } else if (!info.bRest) {
            nChainBar = m_bars.size() - 1;
            nChainPart = m_bars.back().size();
        }
        m_bars.back().push_back(part);
        bInChain = (bInChain || !info.bRest) && info.bTieToNext;
        if (!bInChain && !part.bRest) {
            CloseChain(nChainBar, nChainPart);
        }
    }
    if (bInChain) {
        CloseChain(nChainBar, nChainPart);  // a tie at the song's end joins nothing
    }
}

// Gives every part from the chain's first to the last part entered the pitch of the last and
// the ties between them.
void CScoreNotes::CloseChain(size_t nFirstBar, size_t nFirstPart) {
    const uint16_t nHz = m_bars.back().back().nHz;
    m_bars.back().back().bTieStart = false;
    for (size_t nBar = nFirstBar; nBar < m_bars.size(); ++nBar) {
        std::vector<SPart>& parts = m_bars[nBar];
        for (size_t n = nBar == nFirstBar ? nFirstPart : 0; n < parts.size(); ++n) {
            parts[n].nHz = nHz;
            parts[n].bTieStart = &parts[n] != &m_bars.back().back();
        }
    }
}

std::vector<CScoreNotes::SSound> CScoreNotes::Sounds() const {
    std::vector<SSound> sounds;
    int64_t nTime = 0;
    for (const std::vector<SPart>& parts : m_bars) {
        for (const SPart& part : parts) {
            if (part.bTieStop && !sounds.empty()) {
                sounds.back().nLength += part.nEighths;
                sounds.back().nHz = part.nHz;
            } else if (!part.bRest) {
                sounds.push_back(SSound{nTime, part.nEighths, part.nHz});
            }
            nTime += part.nEighths;
        }
    }
    return sounds;
}

int64_t CScoreNotes::Length() const {
    int64_t nLength = 0;
    for (const std::vector<SPart>& parts : m_bars) {
        for (const SPart& part : parts) {
            nLength += part.nEighths;
        }
    }
    return nLength;
}
