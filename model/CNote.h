#pragma once

#include <cstdint>

#include "CObject.h"

// One note or rest of the melody, or one of the four staff symbols, with its glyph.
class CNote : public CObject {
public:
    static const CRuntimeClass classObject;

    CNote();  // for loading
    CNote(int32_t nDuration, uint16_t nPitch, int32_t bRest, int32_t bTieToNext,
          int32_t bTieFromPrev, int32_t nBitmapId);
    ~CNote() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classObject; }
    void Serialize(CArchive& ar) override;

    void GetInfo(int32_t& nDuration, uint16_t& nPitch, int32_t& bRest, int32_t& bTieToNext,
                 int32_t& bTieFromPrev) const;
    // The glyph number to draw (4800 where no picture exists) and its width in pixels.
    int32_t GetBitmap(int32_t& nWidth) const;
    // The glyph number as stored.
    int32_t GetBitmapId() const { return m_nBitmapId; }
    void SetTieToNext();

private:
    void LoadGlyph();

    int32_t m_nDuration = 0;
    uint16_t m_nPitch = 0;
    int32_t m_bRest = 0;
    int32_t m_bTieToNext = 0;
    int32_t m_bTieFromPrev = 0;
    int32_t m_nShownGlyph = 0;
    int32_t m_nWidth = 0;
    int32_t m_nBitmapId = 0;
};
