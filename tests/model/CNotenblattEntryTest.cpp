#include <gtest/gtest.h>

#include "CNote.h"
#include "CNotenblatt.h"
#include "CTakt.h"
#include "SheetProbe.h"

TEST(CNotenblattEntry, NewSheet) {
    CNotenblatt sheet;
    EXPECT_EQ(sheet.GetFirstNote(), nullptr);
    int32_t bNewBar = 7;
    EXPECT_EQ(sheet.GetNextNote(bNewBar), nullptr);
    EXPECT_EQ(bNewBar, 0);
    EXPECT_EQ(sheet.GetLength(), 0);
    EXPECT_EQ(sheet.GetFirstBar(), nullptr);
    const int32_t kGlyphs[] = {4800, 4820, 4810, 4880};
    for (int32_t nKind = 1; nKind <= 4; ++nKind) {
        ASSERT_NE(sheet.GetSymbol(nKind), nullptr);
        EXPECT_EQ(StateOf(*sheet.GetSymbol(nKind)),
                  (NoteState{0, 0, 1, 0, 0, kGlyphs[nKind - 1], 0}));
    }
    EXPECT_EQ(sheet.GetSymbol(0), nullptr);
    EXPECT_EQ(sheet.GetSymbol(5), nullptr);
}

TEST(CNotenblattEntry, EveryHeightOfARowMapsToItsBand) {
    // Band starts per pitch, top to bottom; heights 0-5 and 51-74 lie outside.
    const struct {
        int32_t nFrom, nTo;
        uint16_t nPitch;
        int32_t nBase;
    } kBands[] = {{6, 8, 880, 4120},   {9, 12, 792, 4620},  {13, 15, 704, 4520},
                  {16, 19, 660, 4420}, {20, 22, 594, 4320}, {23, 26, 528, 4220},
                  {27, 29, 495, 4710}, {30, 33, 440, 4110}, {34, 36, 396, 4610},
                  {37, 40, 352, 4510}, {41, 43, 330, 4410}, {44, 47, 297, 4310},
                  {48, 50, 264, 4210}};
    for (int32_t y = -80; y < 160; ++y) {
        uint16_t nExpected = 0;
        int32_t nExpectedBase = 0;
        for (const auto& band : kBands) {
            if (y >= 0 && y % 75 >= band.nFrom && y % 75 <= band.nTo) {
                nExpected = band.nPitch;
                nExpectedBase = band.nBase;
            }
        }
        int32_t nBase = -1;
        EXPECT_EQ(CNotenblatt::PitchFromPoint(CPoint{123, y}, nBase), nExpected) << y;
        EXPECT_EQ(nBase, nExpectedBase) << y;
    }
}

TEST(CNotenblattEntry, ClickHeightSelectsPitchAndGlyph) {
    CNotenblatt sheet;
    sheet.AddNote(CPoint{0, 100}, 2, 0);  // 100 mod 75 = 25: C5
    sheet.AddNote(CPoint{0, 6}, 1, 0);
    sheet.AddNote(CPoint{0, 81}, 1, 0);
    sheet.AddNote(CPoint{0, -40}, 1, 0);
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], (NoteState{2, 528, 0, 0, 0, 4222, 0}));
    EXPECT_EQ(notes[1], (NoteState{1, 880, 0, 0, 0, 4121, 0}));
    EXPECT_EQ(notes[2], (NoteState{1, 880, 0, 0, 0, 4121, 0}));
}

TEST(CNotenblattEntry, ClickOutsideBandsAddsNothingButOpensFirstBar) {
    for (int32_t y : {5, 51, 74, -40}) {
        CNotenblatt sheet;
        sheet.AddNote(CPoint{0, y}, 2, 0);
        EXPECT_EQ(sheet.GetBarCount(), 1u) << y;
        EXPECT_EQ(sheet.GetFirstNote(), nullptr);
        EXPECT_EQ(sheet.GetLength(), 0);
        Click(sheet, 440, 2);
        EXPECT_EQ(sheet.GetBarCount(), 1u);
        EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
    }
    CNotenblatt sheet;
    Click(sheet, 440, 8);
    sheet.AddNote(CPoint{0, 60}, 2, 1);
    EXPECT_EQ(sheet.GetBarCount(), 1u);
    EXPECT_EQ(Walk(sheet)[0].bTieToNext, 0);
}

TEST(CNotenblattEntry, NinthEighthOpensSecondBarWithNewBarFlag) {
    CNotenblatt sheet;
    for (int i = 0; i < 9; ++i) {
        Click(sheet, 330, 1);
    }
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 9u);
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(notes[i].bNewBar, i == 8 ? 1 : 0) << i;
    }
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{8, 1}));
}

TEST(CNotenblattEntry, ThirdHalfOpensSecondBar) {
    CNotenblatt sheet;
    for (int i = 0; i < 3; ++i) {
        Click(sheet, 264, 4);
    }
    EXPECT_EQ(sheet.GetLength(), 12);
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{8, 4}));
}

TEST(CNotenblattEntry, WholeNoteSplitsAndTiesAcrossBarLine) {
    CNotenblatt sheet;
    Click(sheet, 440, 2);
    Click(sheet, 440, 8);
    const std::vector<NoteState> kExpected = {{2, 440, 0, 0, 0, 4112, 0},
                                              {4, 440, 0, 1, 0, 5114, 0},
                                              {2, 440, 0, 1, 1, 5112, 0},
                                              {2, 440, 0, 0, 1, 4112, 1}};
    EXPECT_EQ(Walk(sheet), kExpected);
    sheet.DeleteLastNote();
    EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{kExpected[0]}));
    EXPECT_EQ(sheet.GetBarCount(), 1u);
}

TEST(CNotenblattEntry, SplitWhenTheBarHoldsSixEighths) {
    CNotenblatt sheet;
    Click(sheet, 440, 4);
    Click(sheet, 440, 2);
    Click(sheet, 440, 8);
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[2], (NoteState{2, 440, 0, 1, 0, 5112, 0}));
    EXPECT_EQ(notes[3], (NoteState{4, 440, 0, 1, 1, 5114, 1}));
    EXPECT_EQ(notes[4], (NoteState{2, 440, 0, 0, 1, 4112, 0}));

    CNotenblatt rests;
    Click(rests, 440, 4);
    Click(rests, 440, 2);
    Click(rests, 440, 18);
    notes = Walk(rests);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[2], (NoteState{2, 440, 1, 1, 0, 6102, 0}));
    EXPECT_EQ(notes[3], (NoteState{4, 440, 1, 1, 1, 6104, 1}));
    EXPECT_EQ(notes[4], (NoteState{2, 440, 1, 0, 1, 6102, 0}));
}

TEST(CNotenblattEntry, OddRemainderIsSplitLongestFirst) {
    CNotenblatt sheet;
    Click(sheet, 297, 1);
    Click(sheet, 297, 4);
    Click(sheet, 297, 8);  // 3 free: 2 + 1 here, 4 + 1 in the next bar
    std::vector<NoteState> notes = Walk(sheet);
    std::vector<int32_t> lengths;
    for (const NoteState& n : notes) {
        lengths.push_back(n.nDuration);
    }
    EXPECT_EQ(lengths, (std::vector<int32_t>{1, 4, 2, 1, 4, 1}));
    EXPECT_EQ(notes[3].nGlyph, 5311);
    EXPECT_EQ(notes[4].nGlyph, 5314);
    EXPECT_EQ(notes[5].nGlyph, 4311);
    EXPECT_EQ(notes[4].bNewBar, 1);
    sheet.DeleteLastNote();
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{5}));
}

TEST(CNotenblattEntry, ShiftClickTiesOnlyAtTheSameHeight) {
    CNotenblatt sheet;
    Click(sheet, 396, 2);
    Click(sheet, 352, 2, 1);  // other height: a plain click
    EXPECT_EQ(Walk(sheet)[0].bTieToNext, 0);
    EXPECT_EQ(Walk(sheet)[1].bTieFromPrev, 0);
    Click(sheet, 352, 2, 1);
    std::vector<NoteState> notes = Walk(sheet);
    EXPECT_EQ(notes[1], (NoteState{2, 352, 0, 1, 0, 5512, 0}));
    EXPECT_EQ(notes[2], (NoteState{2, 352, 0, 0, 1, 4512, 0}));
    sheet.DeleteLastNote();
    EXPECT_EQ(Walk(sheet).size(), 1u);
    EXPECT_EQ(Walk(sheet)[0].bTieToNext, 0);
}

TEST(CNotenblattEntry, ShiftClickTiesAcrossTheBarLine) {
    CNotenblatt sheet;
    Click(sheet, 660, 8);
    Click(sheet, 660, 1, 1);
    std::vector<NoteState> notes = Walk(sheet);
    EXPECT_EQ(notes[0], (NoteState{8, 660, 0, 1, 0, 5428, 0}));
    EXPECT_EQ(notes[1], (NoteState{1, 660, 0, 0, 1, 4421, 1}));
    sheet.DeleteLastNote();
    EXPECT_EQ(sheet.GetBarCount(), 0u);
    EXPECT_EQ(sheet.GetFirstNote(), nullptr);
}

TEST(CNotenblattEntry, DeletionTakesAWholeTieChainBackwardsAcrossBars) {
    CNotenblatt sheet;
    Click(sheet, 594, 1);
    Click(sheet, 495, 4);
    for (int i = 0; i < 5; ++i) {
        Click(sheet, 495, 8, 1);  // one chain over six bars
    }
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{8, 8, 8, 8, 8, 5}));
    sheet.DeleteLastNote();
    EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{{1, 594, 0, 0, 0, 4321, 0}}));
    sheet.DeleteLastNote();
    EXPECT_EQ(sheet.GetBarCount(), 0u);
    sheet.DeleteLastNote();  // nothing left: nothing happens
    Click(sheet, 264, 2);
    EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
}

TEST(CNotenblattEntry, ToolCodesThatAreNoNoteAddAndTieNothing) {
    CNotenblatt sheet;
    Click(sheet, 440, 2);
    for (int32_t nTool : {0, -3, 9, 10, 19, 28, 1000, INT32_MAX, INT32_MIN}) {
        Click(sheet, 440, nTool, 1);
        EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{{2, 440, 0, 0, 0, 4112, 0}})) << nTool;
        EXPECT_EQ(sheet.GetBarCount(), 1u);
    }
    CNotenblatt empty;
    Click(empty, 440, 0);
    EXPECT_EQ(empty.GetBarCount(), 1u);
    EXPECT_EQ(empty.GetLength(), 0);
}

TEST(CNotenblattEntry, UnlistedLengthsBecomeTiedStandardParts) {
    CNotenblatt sheet;
    Click(sheet, 440, 7);
    Click(sheet, 440, 13);  // a dotted quarter rest: 1 here, 2 in the next bar
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0], (NoteState{4, 440, 0, 1, 0, 5114, 0}));
    EXPECT_EQ(notes[1], (NoteState{2, 440, 0, 1, 1, 5112, 0}));
    EXPECT_EQ(notes[2], (NoteState{1, 440, 0, 0, 1, 4111, 0}));
    EXPECT_EQ(notes[3], (NoteState{1, 440, 1, 1, 0, 6101, 0}));
    EXPECT_EQ(notes[4], (NoteState{2, 440, 1, 0, 1, 6102, 1}));
}

TEST(CNotenblattEntry, WalkAndBarWalk) {
    CNotenblatt sheet;
    Click(sheet, 880, 8);
    Click(sheet, 880, 8);
    Click(sheet, 792, 2);
    int32_t nBars = 0;
    for (CTakt* p = sheet.GetFirstBar(); p != nullptr; p = sheet.GetNextBar()) {
        ++nBars;
    }
    EXPECT_EQ(nBars, 3);
    EXPECT_EQ(sheet.GetNextBar(), nullptr);
    std::vector<NoteState> notes = Walk(sheet);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[1].bNewBar, 1);
    EXPECT_EQ(notes[2].bNewBar, 1);
    int32_t bNewBar = 1;
    EXPECT_EQ(sheet.GetNextNote(bNewBar), nullptr);
    EXPECT_EQ(bNewBar, 0);
    // A second walk starts over.
    EXPECT_EQ(Walk(sheet), notes);
    EXPECT_EQ(sheet.GetLength(), 18);
}
