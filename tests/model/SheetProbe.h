#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "CArchive.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CTakt.h"

// Reading a sheet back in the terms the tests compare.
struct NoteState {
    int32_t nDuration;
    uint16_t nPitch;
    int32_t bRest;
    int32_t bTieToNext;
    int32_t bTieFromPrev;
    int32_t nGlyph;
    int32_t bNewBar;

    bool operator==(const NoteState&) const = default;
};

inline NoteState StateOf(const CNote& note, int32_t bNewBar = 0) {
    NoteState s{};
    note.GetInfo(s.nDuration, s.nPitch, s.bRest, s.bTieToNext, s.bTieFromPrev);
    s.nGlyph = note.GetBitmapId();
    s.bNewBar = bNewBar;
    return s;
}

inline std::vector<NoteState> Walk(CNotenblatt& sheet) {
    std::vector<NoteState> notes;
    int32_t bNewBar = 0;
    for (CNote* p = sheet.GetFirstNote(); p != nullptr; p = sheet.GetNextNote(bNewBar)) {
        notes.push_back(StateOf(*p, bNewBar));
    }
    return notes;
}

// Used eighths of each bar, in order.
inline std::vector<int32_t> BarFills(CNotenblatt& sheet) {
    std::vector<int32_t> fills;
    for (CTakt* p = sheet.GetFirstBar(); p != nullptr; p = sheet.GetNextBar()) {
        int32_t nFree = 0;
        fills.push_back(p->GetFill(nFree));
    }
    return fills;
}

// A click height inside the band of each pitch (the middle of the band).
inline int32_t HeightOf(uint16_t nPitch) {
    static const std::map<uint16_t, int32_t> kHeights = {
        {880, 7},  {792, 10}, {704, 14}, {660, 17}, {594, 21}, {528, 24}, {495, 28},
        {440, 31}, {396, 35}, {352, 38}, {330, 42}, {297, 45}, {264, 49}};
    return kHeights.at(nPitch);
}

inline void Click(CNotenblatt& sheet, uint16_t nPitch, int32_t nTool, int32_t bTie = 0) {
    sheet.AddNote(CPoint{200, HeightOf(nPitch)}, nTool, bTie);
}

inline const CRuntimeClass* const kSheetClasses[] = {&CNotenblatt::classObject, &CTakt::classObject,
                                                     &CNote::classObject};

inline std::vector<uint8_t> StoreSheet(const CNotenblatt& sheet) {
    CArchive ar;
    ar.WriteObject(&sheet);
    return ar.GetBuffer();
}

inline std::unique_ptr<CNotenblatt> LoadSheet(const std::vector<uint8_t>& data) {
    CArchive ar(data, kSheetClasses);
    return ar.ReadObjectOf<CNotenblatt>();
}
