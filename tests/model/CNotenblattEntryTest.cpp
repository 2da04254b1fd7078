#include <gtest/gtest.h>

#include <climits>

#include "SheetProbe.h"

namespace {

struct Entry {
    uint16_t nPitch;
    int32_t nTool;
    int32_t bTie = 0;
};

struct EntryCase {
    const char* pszWhat;
    std::vector<Entry> clicks;
    std::vector<NoteState> notes;  // unchecked when empty
    std::vector<int32_t> fills;
    std::vector<int32_t> fillsAfterDelete;
};

}  // namespace

TEST(CNotenblattEntry, EveryHeightOfARowMapsToItsBand) {
    // Band starts per pitch, top to bottom; heights 0-5 and 51-74 of each row lie outside.
    const struct {
        int32_t nFrom, nTo, nBase;
    } kBands[] = {{6, 8, 4120},   {9, 12, 4620},  {13, 15, 4520}, {16, 19, 4420}, {20, 22, 4320},
                  {23, 26, 4220}, {27, 29, 4710}, {30, 33, 4110}, {34, 36, 4610}, {37, 40, 4510},
                  {41, 43, 4410}, {44, 47, 4310}, {48, 50, 4210}};
    for (int32_t y = -80; y < 160; ++y) {
        uint16_t nExpected = 0;
        int32_t nExpectedBase = 0;
        for (size_t i = 0; i < std::size(kBands); ++i) {
            if (y >= 0 && y % 75 >= kBands[i].nFrom && y % 75 <= kBands[i].nTo) {
                nExpected = kPitches[i];
                nExpectedBase = kBands[i].nBase;
            }
        }
        int32_t nBase = -1;
        EXPECT_EQ(CNotenblatt::PitchFromPoint(CPoint{123, y}, nBase), nExpected) << y;
        EXPECT_EQ(nBase, nExpectedBase) << y;
    }
    CNotenblatt sheet;
    sheet.AddNote(CPoint{0, 100}, 2, 0);  // the second row
    EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{{2, 528, 0, 0, 0, 4222, 0}}));
}

TEST(CNotenblattEntry, ClicksThatAreNoNoteAddAndTieNothing) {
    for (int32_t y : {5, 51, 74, -40}) {
        CNotenblatt sheet;
        sheet.AddNote(CPoint{0, y}, 2, 0);
        EXPECT_EQ(sheet.GetBarCount(), 1u) << y;  // the first bar opens all the same
        EXPECT_EQ(sheet.GetFirstNote(), nullptr);
        Click(sheet, 440, 2);
        EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
        sheet.AddNote(CPoint{0, y}, 2, 1);
        for (int32_t nTool : {0, -3, 9, 10, 19, 28, 1000, INT32_MAX, INT32_MIN}) {
            Click(sheet, 440, nTool, 1);
        }
        EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{{2, 440, 0, 0, 0, 4112, 0}})) << y;
        EXPECT_EQ(sheet.GetBarCount(), 1u);
    }
}

TEST(CNotenblattEntry, LongNotesSplitAndTieAcrossTheBarLine) {
    const EntryCase kCases[] = {
        {"whole after a quarter",
         {{440, 2}, {440, 8}},
         {{2, 440, 0, 0, 0, 4112, 0},
          {4, 440, 0, 1, 0, 5114, 0},
          {2, 440, 0, 1, 1, 5112, 0},
          {2, 440, 0, 0, 1, 4112, 1}},
         {8, 2},
         {2}},
        {"whole after six eighths",
         {{440, 4}, {440, 2}, {440, 8}},
         {{4, 440, 0, 0, 0, 4114, 0},
          {2, 440, 0, 0, 0, 4112, 0},
          {2, 440, 0, 1, 0, 5112, 0},
          {4, 440, 0, 1, 1, 5114, 1},
          {2, 440, 0, 0, 1, 4112, 0}},
         {8, 6},
         {6}},
        {"whole rest after six eighths",
         {{440, 4}, {440, 2}, {440, 18}},
         {{4, 440, 0, 0, 0, 4114, 0},
          {2, 440, 0, 0, 0, 4112, 0},
          {2, 440, 1, 1, 0, 6102, 0},
          {4, 440, 1, 1, 1, 6104, 1},
          {2, 440, 1, 0, 1, 6102, 0}},
         {8, 6},
         {6}},
        {"odd remainder, longest part first",
         {{297, 1}, {297, 4}, {297, 8}},
         {{1, 297, 0, 0, 0, 4311, 0},
          {4, 297, 0, 0, 0, 4314, 0},
          {2, 297, 0, 1, 0, 5312, 0},
          {1, 297, 0, 1, 1, 5311, 0},
          {4, 297, 0, 1, 1, 5314, 1},
          {1, 297, 0, 0, 1, 4311, 0}},
         {8, 5},
         {5}},
        {"unlisted lengths become tied parts",
         {{440, 7}, {440, 13}},
         {{4, 440, 0, 1, 0, 5114, 0},
          {2, 440, 0, 1, 1, 5112, 0},
          {1, 440, 0, 0, 1, 4111, 0},
          {1, 440, 1, 1, 0, 6101, 0},
          {2, 440, 1, 0, 1, 6102, 1}},
         {8, 2},
         {7}},
        {"shift-click ties only at the same height",
         {{396, 2}, {352, 2, 1}, {352, 2, 1}},
         {{2, 396, 0, 0, 0, 4612, 0}, {2, 352, 0, 1, 0, 5512, 0}, {2, 352, 0, 0, 1, 4512, 0}},
         {6},
         {2}},
        {"shift-click across the bar line",
         {{660, 8}, {660, 1, 1}},
         {{8, 660, 0, 1, 0, 5428, 0}, {1, 660, 0, 0, 1, 4421, 1}},
         {8, 1},
         {}},
        {"a chain over six bars goes back in one deletion",
         {{594, 1}, {495, 4}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}},
         {},
         {8, 8, 8, 8, 8, 5},
         {1}},
        {"third half", {{264, 4}, {264, 4}, {264, 4}}, {}, {8, 4}, {8}},
    };
    for (const EntryCase& c : kCases) {
        CNotenblatt sheet;
        for (const Entry& e : c.clicks) {
            Click(sheet, e.nPitch, e.nTool, e.bTie);
        }
        if (!c.notes.empty()) {
            EXPECT_EQ(Walk(sheet), c.notes) << c.pszWhat;
        }
        EXPECT_EQ(BarFills(sheet), c.fills) << c.pszWhat;
        sheet.DeleteLastNote();
        EXPECT_EQ(BarFills(sheet), c.fillsAfterDelete) << c.pszWhat;
        EXPECT_EQ(sheet.GetLength(), c.fillsAfterDelete.empty() ? 0 : c.fillsAfterDelete[0])
            << c.pszWhat;
    }
}

TEST(CNotenblattEntry, NewBarFlagsWalksAndDeletingEverything) {
    CNotenblatt sheet;
    EXPECT_EQ(sheet.GetFirstNote(), nullptr);
    const int32_t kSymbols[] = {4800, 4820, 4810, 4880};
    for (int32_t nKind = 1; nKind <= 4; ++nKind) {
        EXPECT_EQ(StateOf(*sheet.GetSymbol(nKind)),
                  (NoteState{0, 0, 1, 0, 0, kSymbols[nKind - 1], 0}));
    }
    EXPECT_EQ(sheet.GetSymbol(0), nullptr);
    EXPECT_EQ(sheet.GetSymbol(5), nullptr);
    for (int i = 0; i < 9; ++i) {
        Click(sheet, 330, 1);
    }
    Click(sheet, 880, 8);
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 13u);  // the whole: 4 + 2 + 1 in the second bar, 1 in the third
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].bNewBar, i == 8 || i == 12 ? 1 : 0) << i;
    }
    int32_t bNewBar = 1;
    EXPECT_EQ(sheet.GetNextNote(bNewBar), nullptr);
    EXPECT_EQ(bNewBar, 0);
    EXPECT_EQ(Walk(sheet), notes);  // a second walk starts over
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{8, 8, 1}));
    EXPECT_EQ(sheet.GetNextBar(), nullptr);
    EXPECT_EQ(sheet.GetLength(), 17);
    for (int i = 0; i < 14; ++i) {
        sheet.DeleteLastNote();  // more deletions than notes do nothing
    }
    EXPECT_EQ(sheet.GetBarCount(), 0u);
    Click(sheet, 264, 2);
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
}
