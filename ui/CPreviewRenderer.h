#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CInstrument.h"
#include "CSamplerDefaults.h"

class CLied;
class CNotenblatt;
class IProgressSink;

// Renders songs and single notes into memory with the engine that generation uses, so that
// what is heard is sample for sample what "Lied generieren" writes for the same instrument,
// base frequency and filter quality. The instrument is loaded once and kept until another is
// chosen.
class CPreviewRenderer {
public:
    CPreviewRenderer();
    ~CPreviewRenderer();

    // The instrument path ("Standard" or a WAV file) and its base frequency in hertz.
    void SetInstrument(const std::string& strPath, int32_t nBaseFrequency);
    void SetQuality(int32_t nQuality) { m_nQuality = nQuality; }
    const std::string& InstrumentPath() const { return m_strPath; }

    // Each returns "" when song holds the sound, otherwise the engine's German text. A sheet
    // may be rendered only as far as its first nMaxEighths eighths (the same samples as the
    // whole song there), reporting to pSink.
    std::string RenderSheet(const CNotenblatt& sheet, CLied& song, int32_t nMaxEighths = -1,
                            IProgressSink* pSink = nullptr);
    std::string RenderNote(uint16_t nPitch, int32_t nDuration, CLied& song);

    // When each note or rest of the sheet starts, in frames at nSampleRate, in song order,
    // with the song's end last: the frames are counted note by note as the renderer does.
    static std::vector<uint64_t> NoteStarts(const CNotenblatt& sheet, uint32_t nSampleRate);

private:
    std::string Load();

    std::string m_strPath = CInstrument::kStandardName;
    int32_t m_nBase = CInstrument::kStandardBase;
    int32_t m_nQuality = CSamplerDefaults::kDefaultQuality;
    std::unique_ptr<CInstrument> m_pInstrument;  // loaded, or null
};
