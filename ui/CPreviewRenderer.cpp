#include "CPreviewRenderer.h"

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

std::string CPreviewRenderer::RenderSheet(const CNotenblatt& sheet, CLied& song) {
    std::string strError = Load();
    if (strError.empty()) {
        try {
            CSilentProgressSink sink;
            CController::RenderSheet(sink, *m_pInstrument, song, sheet, m_nQuality);
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

std::vector<uint64_t> CPreviewRenderer::NoteStarts(const CNotenblatt& sheet,
                                                   uint32_t nSampleRate) {
    std::vector<uint64_t> starts{0};
    for (const CSheetWalk::SStep step : sheet.Notes()) {
        starts.push_back(starts.back() +
                         CRenderRun::FramesOf(nSampleRate, step.note.Info().nDuration));
    }
    return starts;
}
