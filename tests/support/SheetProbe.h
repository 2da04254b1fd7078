#pragma once

// Entering notes by clicks and reading a sheet back in the terms the tests compare.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CArchive.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CPitchTable.h"
#include "CTakt.h"

struct NoteState {
    int32_t nDuration;
    uint16_t nPitch;
    int32_t bRest, bTieToNext, bTieFromPrev, nGlyph, bNewBar;
    bool operator==(const NoteState&) const = default;
};

// Every note in walk order; works on the sheet, the controller and the document alike.
template <typename TSong>
std::vector<NoteState> Walk(TSong& song) {
    std::vector<NoteState> notes;
    int32_t bNewBar = 0;
    for (CNote* p = song.GetFirstNote(); p != nullptr; p = song.GetNextNote(bNewBar)) {
        const SNoteInfo info = p->Info();
        notes.push_back(NoteState{info.nDuration, info.nPitch, info.bRest, info.bTieToNext,
                                  info.bTieFromPrev, p->GetBitmapId(), bNewBar});
    }
    return notes;
}

// The glyphs in walk order (they tell pitch, length, rest and tie to the next); "~" marks a
// note tied on from the one before, "|" one that opens a bar.
template <typename TSong>
std::string Score(TSong& song) {
    std::ostringstream score;
    for (const NoteState& n : Walk(song)) {
        score << (n.bNewBar ? " |" : " ") << (n.bTieFromPrev ? "~" : "") << n.nGlyph;
    }
    return score.str().erase(0, 1);
}

// Used eighths of each bar, in order.
inline std::vector<int32_t> BarFills(CNotenblatt& sheet) {
    std::vector<int32_t> fills;
    int32_t nFree = 0;
    for (CTakt* p = sheet.GetFirstBar(); p != nullptr; p = sheet.GetNextBar()) {
        fills.push_back(p->GetFill(nFree));
    }
    return fills;
}

// A click in the middle of the pitch's band.
template <typename TSong>
void Click(TSong& song, uint16_t nPitch, int32_t nTool, bool bTie = false) {
    const auto it =
        std::ranges::find(CPitchTable::kScale, nPitch, &CPitchTable::SPitch::nFrequency);
    ASSERT_NE(it, CPitchTable::kScale.end()) << "no band for " << nPitch;
    song.AddNote(CPoint{200, (it->nTop + it->nBottom) / 2}, static_cast<ETool>(nTool), bTie);
}

// Clicks by name: "G4/2" at G4's height with tool 2 (the length in eighths, 10 more for a
// rest), "G4/2+" with shift.
template <typename TSong>
void Enter(TSong& song, const std::string& strEntries) {
    static const std::string kNames = "C4D4E4F4G4A4B4C5D5E5F5G5A5";
    std::istringstream in(strEntries);
    for (std::string s; in >> s;) {
        Click(song, CPitchTable::kScale[kNames.find(s.substr(0, 2)) / 2].nFrequency,
              std::stoi(s.substr(3)), s.back() == '+');
    }
}

inline std::unique_ptr<CNotenblatt> LoadSheet(const std::vector<uint8_t>& data) {
    const CRuntimeClass* const classes[] = {&CNotenblatt::classObject, &CTakt::classObject,
                                            &CNote::classObject};
    CArchive ar(data, classes);
    return ar.ReadObjectOf<CNotenblatt>();
}
