#include <gtest/gtest.h>

#include <climits>

#include "SheetProbe.h"

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
        sheet.AddNote(CPoint{0, y}, 2, 1);
        for (int32_t nTool : {0, -3, 9, 10, 19, 28, 1000, INT32_MAX, INT32_MIN}) {
            Click(sheet, 440, nTool, 1);
        }
        EXPECT_EQ(Score(sheet), "4112") << y;
        EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
    }
}

TEST(CNotenblattEntry, LongNotesSplitAndTieAcrossTheBarLine) {
    struct Entry {
        uint16_t nPitch;
        int32_t nTool, bTie = 0;
    };
    const struct {
        std::vector<Entry> clicks;
        std::string strScore;  // unchecked when empty
        std::vector<int32_t> fills, fillsAfterDelete;
    } kCases[] = {
        {{{440, 2}, {440, 8}}, "4112 5114 ~5112 |~4112", {8, 2}, {2}},
        {{{440, 4}, {440, 2}, {440, 8}}, "4114 4112 5112 |~5114 ~4112", {8, 6}, {6}},
        {{{440, 4}, {440, 2}, {440, 18}}, "4114 4112 6102 |~6104 ~6102", {8, 6}, {6}},
        // An odd remainder is split longest part first.
        {{{297, 1}, {297, 4}, {297, 8}}, "4311 4314 5312 ~5311 |~5314 ~4311", {8, 5}, {5}},
        // Unlisted lengths become tied standard parts.
        {{{440, 7}, {440, 13}}, "5114 ~5112 ~4111 6101 |~6102", {8, 2}, {7}},
        // Shift-clicks tie only at the same height, also across the bar line.
        {{{396, 2}, {352, 2, 1}, {352, 2, 1}}, "4612 5512 ~4512", {6}, {2}},
        {{{660, 8}, {660, 1, 1}}, "5428 |~4421", {8, 1}, {}},
        // A chain over six bars goes back in one deletion.
        {{{594, 1}, {495, 4}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}, {495, 8, 1}},
         "",
         {8, 8, 8, 8, 8, 5},
         {1}},
        {{{264, 4}, {264, 4}, {264, 4}}, "4214 4214 |4214", {8, 4}, {8}},
    };
    for (const auto& c : kCases) {
        CNotenblatt sheet;
        for (const Entry& e : c.clicks) {
            Click(sheet, e.nPitch, e.nTool, e.bTie);
        }
        const std::string strScore = Score(sheet);
        EXPECT_TRUE(c.strScore.empty() || strScore == c.strScore) << strScore;
        EXPECT_EQ(BarFills(sheet), c.fills) << strScore;
        sheet.DeleteLastNote();
        EXPECT_EQ(BarFills(sheet), c.fillsAfterDelete) << strScore;
        EXPECT_EQ(sheet.GetLength(), c.fillsAfterDelete.empty() ? 0 : c.fillsAfterDelete[0]);
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
    const std::string strScore = Score(sheet);
    EXPECT_EQ(strScore, "4411 4411 4411 4411 4411 4411 4411 4411 |4411 5124 ~5122 ~5121 |~4121");
    int32_t bNewBar = 1;
    EXPECT_EQ(sheet.GetNextNote(bNewBar), nullptr);
    EXPECT_EQ(bNewBar, 0);
    EXPECT_EQ(Score(sheet), strScore);  // a second walk starts over
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{8, 8, 1}));
    EXPECT_EQ(sheet.GetNextBar(), nullptr);
    EXPECT_EQ(sheet.GetLength(), 17);
    for (int i = 0; i < 14; ++i) {
        sheet.DeleteLastNote();  // more deletions than entries do nothing
    }
    EXPECT_EQ(sheet.GetBarCount(), 0u);
    Click(sheet, 264, 2);
    EXPECT_EQ(Score(sheet), "4212");
}
