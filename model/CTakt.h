#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "CObject.h"

class CNote;

// One bar of four-four time: its notes in song order and the eighths they use.
class CTakt : public CObject {
public:
    static const CRuntimeClass classObject;
    static constexpr int32_t kCapacity = 8;

    // RemoveLastNote results.
    static constexpr int32_t kChainContinues = 1;
    static constexpr int32_t kBarEmptied = 100;

    CTakt();
    ~CTakt() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classObject; }
    void Store(CArchive& ar) const override;
    void Load(CArchive& ar) override;

    // Returns the used eighths; nFree receives the free ones.
    int32_t GetFill(int32_t& nFree) const;
    // Appends a note with glyph nGlyphBase + nDuration; the caller has made sure it fits.
    int32_t AddNote(uint16_t nPitch, int32_t nDuration, bool bRest, bool bTieToNext,
                    bool bTieFromPrev, int32_t nGlyphBase);
    CNote* GetFirstNote();
    CNote* GetNextNote();
    // Removes the last note and the notes tied to it within this bar. Returns 1 when the
    // chain goes on into the previous bar, plus 100 when the bar is now empty.
    int32_t RemoveLastNote();
    // Ties the last note to the next one if it has pitch nPitch; returns whether it did.
    bool TieLastNote(uint16_t nPitch);

    // Read-only access for walks that must not move the cursor.
    size_t GetNoteCount() const { return m_notes.size(); }
    const CNote& GetNote(size_t nIndex) const { return *m_notes[nIndex]; }

private:
    void CheckNotes() const;

    static constexpr size_t kNoPos = static_cast<size_t>(-1);

    int32_t m_nFilled = 0;
    size_t m_posNote = kNoPos;
    int32_t m_nCapacity = kCapacity;
    std::vector<std::unique_ptr<CNote>> m_notes;
};
