#include "CController.h"

#include <array>

#include "CArchive.h"
#include "CEngineFailure.h"
#include "CInstrument.h"
#include "CLied.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CSampler.h"
#include "CTakt.h"
#include "IProgressSink.h"

namespace {
CObject* CreateController() {
    return new CController;
}
}  // namespace

const CRuntimeClass CController::classObject = {"CController", 1, &CreateController};

CController::CController()
    : m_pNotenblatt(std::make_unique<CNotenblatt>()), m_pSong(std::make_unique<CLied>()) {}

CController::~CController() = default;

std::span<const CRuntimeClass* const> CController::SerialClasses() {
    static constexpr std::array<const CRuntimeClass*, 4> kClasses = {
        &CController::classObject, &CNotenblatt::classObject, &CTakt::classObject,
        &CNote::classObject};
    return kClasses;
}

void CController::Store(CArchive& ar) const {
    ar.WriteObject(m_pNotenblatt.get());
}

void CController::Load(CArchive& ar) {
    m_pNotenblatt = ar.ReadObjectOf<CNotenblatt>();
}

void CController::AddNote(CPoint point, ETool tool, bool bTie) {
    m_pNotenblatt->AddNote(point, tool, bTie);
}

void CController::DeleteLastNote() {
    m_pNotenblatt->DeleteLastNote();
}

CNote* CController::GetFirstNote() {
    return m_pNotenblatt->GetFirstNote();
}

CNote* CController::GetNextNote(int32_t& bNewBar) {
    return m_pNotenblatt->GetNextNote(bNewBar);
}

const CNote* CController::GetSymbol(int32_t nKind) const {
    return m_pNotenblatt->GetSymbol(nKind);
}

void CController::Generate(IProgressSink& sink, const std::string& strInstrumentPath,
                           const std::string& strSongPath, int32_t nFilterQuality,
                           int32_t nBaseFrequency) {
    CInstrument instrument(strInstrumentPath, nBaseFrequency);
    // The song holds samples only while a run needs them, also when a run ends by a failure
    // that is not the engine's own.
    struct SFreeOnExit {
        CInstrument& instrument;
        CLied& song;
        ~SFreeOnExit() {
            instrument.FreeSamples();
            song.FreeSamples();
        }
    } freeOnExit{instrument, *m_pSong};
    try {
        RunPipeline(sink, instrument, strSongPath, nFilterQuality);
    } catch (const CEngineFailure& failure) {
        sink.ShowWarning(failure.what());
    }
}

void CController::LoadInstrument(CInstrument& instrument) {
    if (instrument.GetFileName() == CInstrument::kStandardName) {
        instrument.MakeStandard();
    } else {
        instrument.ReadHeader();
        instrument.ReadData();
    }
    instrument.FadeOut();
}

void CController::RenderSheet(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                              const CNotenblatt& sheet, int32_t nFilterQuality,
                              uint32_t nMaxSlots) {
    CSampler sampler;
    sink.SetProgressStatus("Lied wird gesampelt, bitte warten");
    sampler.Render(sink, instrument, song, sheet, nMaxSlots);
    sink.SetProgressStatus("Lied wird gefiltert, bitte warten");
    sampler.Filter(sink, song, 2 * nFilterQuality - 1);
}

void CController::RenderNote(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                             uint16_t nPitch, int32_t nDuration, int32_t nFilterQuality) {
    CSampler sampler;
    sampler.RenderNote(sink, instrument, song, nPitch, nDuration);
    sampler.Filter(sink, song, 2 * nFilterQuality - 1);
}

void CController::RunPipeline(IProgressSink& sink, CInstrument& instrument,
                              const std::string& strSongPath, int32_t nFilterQuality) {
    sink.SetProgressStatus("Instrument wird geladen");
    LoadInstrument(instrument);
    CSampler::CheckWaveLength(instrument, *m_pNotenblatt);
    m_pSong->SetFileName(strSongPath);
    RenderSheet(sink, instrument, *m_pSong, *m_pNotenblatt, nFilterQuality);
    sink.SetProgressStatus("Lied wird gespeichert");
    m_pSong->Write();
}
