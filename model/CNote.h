#pragma once

#include <cstdint>

#include "CObject.h"

// What a note says about the melody, as a value.
struct SNoteInfo {
    int32_t nDuration = 0;  // eighths
    uint16_t nPitch = 0;    // Hz
    bool bRest = false;
    bool bTieToNext = false;
    bool bTieFromPrev = false;
};

// One note or rest of the melody, or one of the four staff symbols, with its glyph.
class CNote : public CObject {
public:
    static const CRuntimeClass classObject;

    CNote();  // for loading
    CNote(int32_t nDuration, uint16_t nPitch, bool bRest, bool bTieToNext, bool bTieFromPrev,
          int32_t nBitmapId);
    ~CNote() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classObject; }
    // The flags are 32-bit numbers in the file; anything but 0 or 1 is no song.
    void Store(CArchive& ar) const override;
    void Load(CArchive& ar) override;

    SNoteInfo Info() const;
    // The glyph number to draw (4800 where no picture exists) and its width in pixels.
    int32_t GetBitmap(int32_t& nWidth) const;
    // The glyph number as stored.
    int32_t GetBitmapId() const { return m_nBitmapId; }
    void SetTieToNext();

private:
    void LoadGlyph();

    int32_t m_nDuration = 0;
    uint16_t m_nPitch = 0;
    bool m_bRest = false;
    bool m_bTieToNext = false;
    bool m_bTieFromPrev = false;
    int32_t m_nShownGlyph = 0;
    int32_t m_nWidth = 0;
    int32_t m_nBitmapId = 0;
};
