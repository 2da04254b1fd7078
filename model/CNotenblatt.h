#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "CObject.h"
#include "CPoint.h"
#include "CSheetWalk.h"
#include "ETool.h"

class CNote;
class CTakt;

// The whole song: its bars, the entry, tie and deletion rules, the note walk, and the four
// staff symbols the score view draws around the bars.
class CNotenblatt : public CObject {
public:
    static const CRuntimeClass classObject;

    // GetSymbol kinds.
    static constexpr int32_t kSymbolClef = 1;
    static constexpr int32_t kSymbolRowEnd = 2;
    static constexpr int32_t kSymbolBarLine = 3;
    static constexpr int32_t kSymbolStaff = 4;

    // Height of one staff row in sheet coordinates; click heights repeat with it.
    static constexpr int32_t kRowHeight = 75;

    CNotenblatt();
    ~CNotenblatt() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classObject; }
    void Store(CArchive& ar) const override;
    void Load(CArchive& ar) override;

    // Appends a note or rest of the tool's length at the pitch of the click height; bTie ties
    // it to the last note when that has the same pitch.
    void AddNote(CPoint point, ETool tool, bool bTie);
    // Deletes the last note together with every note tied to it, across bar lines.
    void DeleteLastNote();

    CNote* GetFirstNote();
    // bNewBar is 1 exactly when the note returned opens a bar other than the first.
    CNote* GetNextNote(int32_t& bNewBar);
    CTakt* GetFirstBar();
    CTakt* GetNextBar();
    // Used eighths of all bars.
    int32_t GetLength() const;
    size_t GetBarCount() const { return m_bars.size(); }
    const CTakt& GetBar(size_t nIndex) const { return *m_bars[nIndex]; }
    // The notes in song order without touching the cursor of GetFirstNote/GetNextNote.
    CSheetWalk Notes() const { return CSheetWalk(*this); }
    // 1 clef (4800), 2 row end (4820), 3 bar line (4810), 4 empty staff (4880); else none.
    const CNote* GetSymbol(int32_t nKind) const;

    // The pitch in Hz for a click height (0 outside the 13 bands); nGlyphBase receives the
    // glyph base of that pitch (0 outside).
    static uint16_t PitchFromPoint(CPoint point, int32_t& nGlyphBase);

private:
    void AppendBar();
    void AddLength(CPoint point, int32_t nLength, bool bRest, bool bTie);
    void AddNoteParts(uint16_t nPitch, int32_t nLength, bool bRest, bool bTieToNext,
                      bool bTieFromPrev, int32_t nGlyphBase);

    static constexpr size_t kNoPos = static_cast<size_t>(-1);

    CTakt* m_pCurrentBar = nullptr;
    CTakt* m_pCursorBar = nullptr;
    size_t m_posBar = kNoPos;
    std::vector<std::unique_ptr<CTakt>> m_bars;
    std::unique_ptr<CNote> m_pClef;
    std::unique_ptr<CNote> m_pRowEnd;
    std::unique_ptr<CNote> m_pBarLine;
    std::unique_ptr<CNote> m_pStaff;
};
