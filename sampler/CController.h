#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "CObject.h"
#include "CPoint.h"
#include "ETool.h"

class CInstrument;
class CLied;
class CNote;
class CNotenblatt;
class IProgressSink;

// The object a document owns and stores: the note sheet, and the song generated from it.
class CController : public CObject {
public:
    static const CRuntimeClass classObject;

    CController();
    ~CController() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classObject; }
    // Storing writes the note sheet as one object record; loading reads one, which replaces
    // the sheet held before.
    void Store(CArchive& ar) const override;
    void Load(CArchive& ar) override;

    // The classes a document file may contain.
    static std::span<const CRuntimeClass* const> SerialClasses();

    // Note operations, passed on to the note sheet unchanged.
    void AddNote(CPoint point, ETool tool, bool bTie);
    void DeleteLastNote();
    CNote* GetFirstNote();
    CNote* GetNextNote(int32_t& bNewBar);
    const CNote* GetSymbol(int32_t nKind) const;
    CNotenblatt* GetNotenblatt() { return m_pNotenblatt.get(); }
    const CNotenblatt& GetSheet() const { return *m_pNotenblatt; }

    // The song buffer: between runs it holds no samples, only the format and the file name of
    // the last run (what play uses).
    CLied* GetSong() { return m_pSong.get(); }
    // Loads or builds the instrument, renders the sheet, filters the song with 2q - 1 taps and
    // writes it to strSongPath. A failure ends the run and is handed to sink.ShowWarning; the
    // song buffer is emptied again whatever happened.
    void Generate(IProgressSink& sink, const std::string& strInstrumentPath,
                  const std::string& strSongPath, int32_t nFilterQuality, int32_t nBaseFrequency);

    // The stages of a run, for runs that keep the song in memory (preview, audition): the
    // instrument loaded from its path (or built) and faded out at its end; the sheet, or one
    // note, rendered into song and filtered with 2q - 1 taps. They throw CEngineFailure.
    static void LoadInstrument(CInstrument& instrument);
    // With nMaxSlots only the song's beginning, the same slots as far as it goes.
    static void RenderSheet(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                            const CNotenblatt& sheet, int32_t nFilterQuality,
                            uint32_t nMaxSlots = UINT32_MAX);
    static void RenderNote(IProgressSink& sink, const CInstrument& instrument, CLied& song,
                           uint16_t nPitch, int32_t nDuration, int32_t nFilterQuality);

private:
    void RunPipeline(IProgressSink& sink, CInstrument& instrument, const std::string& strSongPath,
                     int32_t nFilterQuality);

    std::unique_ptr<CNotenblatt> m_pNotenblatt;
    std::unique_ptr<CLied> m_pSong;
};
