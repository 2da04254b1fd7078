#include "CPreviewRenderer.h"

#include <algorithm>

#include "CController.h"
#include "CEngineFailure.h"
#include "CLied.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CRenderRun.h"
#include "CSilentProgressSink.h"

CPreviewRenderer::CPreviewRenderer() = default;

CPreviewRenderer::~CPreviewRenderer() = default;

void CPreviewRenderer::SetInstrument(const std::string& strPath, int32_t nBaseFrequency) {
    if (strPath != m_strPath || nBaseFrequency != m_nBase) {
        m_strPath = strPath;
        m_nBase = nBaseFrequency;
        m_pInstrument.reset();
    }
}

std::string CPreviewRenderer::Load() {
    if (m_pInstrument) {
        return {};
    }
    auto pInstrument = std::make_unique<CInstrument>(m_strPath, m_nBase);
    try {
        CController::LoadInstrument(*pInstrument);
    } catch (const CEngineFailure& failure) {
        return failure.what();
    }
    m_pInstrument = std::move(pInstrument);
    return {};
}

std::string CPreviewRenderer::RenderSheet(const CNotenblatt& sheet, CLied& song,
                                          int32_t nMaxEighths, IProgressSink* pSink) {
    std::string strError = Load();
    if (strError.empty()) {
        try {
            CSilentProgressSink silent;
            const uint64_t channels = m_pInstrument->IsStereo() ? 2 : 1;
            const uint64_t frames =
                CRenderRun::FramesOf(m_pInstrument->GetSampleRate(), nMaxEighths);
            const uint32_t nMaxSlots =
                nMaxEighths < 0 ? UINT32_MAX
                                : uint32_t(std::min<uint64_t>(frames * channels, UINT32_MAX));
            CController::RenderSheet(pSink ? *pSink : silent, *m_pInstrument, song, sheet,
                                     m_nQuality, nMaxSlots);
        } catch (const CEngineFailure& failure) {
            strError = failure.what();
        }
    }
    return strError;
}

std::string CPreviewRenderer::RenderNote(uint16_t nPitch, int32_t nDuration, CLied& song) {
    std::string strError = Load();
    if (strError.empty()) {
        try {
            CSilentProgressSink sink;
            CController::RenderNote(sink, *m_pInstrument, song, nPitch, nDuration, m_nQuality);
        } catch (const CEngineFailure& failure) {
            strError = failure.what();
        }
    }
    return strError;
}

std::vector<uint64_t> CPreviewRenderer::NoteStarts(const CNotenblatt& sheet, uint32_t nSampleRate) {
    std::vector<uint64_t> starts{0};
    for (const CSheetWalk::SStep step : sheet.Notes()) {
        starts.push_back(starts.back() +
                         CRenderRun::FramesOf(nSampleRate, step.note.Info().nDuration));
    }
    return starts;
}
