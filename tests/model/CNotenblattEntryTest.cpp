#include <gtest/gtest.h>

#include "SheetProbe.h"

TEST(CNotenblattEntry, ClicksThatAreNoNoteAddAndTieNothing) {
    for (int32_t y : {5, 51, 74, -40}) {
        CNotenblatt sheet;
        sheet.AddNote(CPoint{0, y}, ETool::quarter, false);
        EXPECT_EQ(sheet.GetBarCount(), 1u) << y;  // the first bar opens all the same
        EXPECT_EQ(sheet.GetFirstNote(), nullptr);
        Click(sheet, 440, 2);
        sheet.AddNote(CPoint{0, y}, ETool::quarter, true);
        for (int32_t nTool : {0, -3, 9, 10, 19, 28, 1000, INT32_MAX, INT32_MIN}) {
            Click(sheet, 440, nTool, 1);
        }
        EXPECT_EQ(Score(sheet), "4112") << y;
    }
}

TEST(CNotenblattEntry, LongNotesSplitAndTieAcrossTheBarLine) {
    // Clicks (see Enter); the score ("" unchecked), the bar fills, and the length after
    // deleting the last entry.
    const std::tuple<std::string, std::string, std::vector<int32_t>, int32_t> kCases[] = {
        {"A4/2 A4/8", "4112 5114 ~5112 |~4112", {8, 2}, 2},
        {"A4/4 A4/2 A4/18", "4114 4112 6102 |~6104 ~6102", {8, 6}, 6},
        // An odd remainder is split longest part first.
        {"D4/1 D4/4 D4/8", "4311 4314 5312 ~5311 |~5314 ~4311", {8, 5}, 5},
        // Unlisted lengths become tied standard parts.
        {"A4/7 A4/13", "5114 ~5112 ~4111 6101 |~6102", {8, 2}, 7},
        // Shift-clicks tie only at the same height, also across the bar line.
        {"G4/2 F4/2+ F4/2+", "4612 5512 ~4512", {6}, 2},
        {"E5/8 E5/1+", "5428 |~4421", {8, 1}, 0},
        // A chain over six bars goes back in one deletion.
        {"D5/1 B4/4 B4/8+ B4/8+ B4/8+ B4/8+ B4/8+", "", {8, 8, 8, 8, 8, 5}, 1},
    };
    for (const auto& [strClicks, strExpected, fills, nLengthAfterDelete] : kCases) {
        CNotenblatt sheet;
        Enter(sheet, strClicks);
        const std::string strScore = Score(sheet);
        EXPECT_TRUE(strExpected.empty() || strScore == strExpected) << strScore;
        EXPECT_EQ(BarFills(sheet), fills) << strScore;
        sheet.DeleteLastNote();
        EXPECT_EQ(sheet.GetLength(), nLengthAfterDelete) << strScore;
        EXPECT_EQ(sheet.GetBarCount(), size_t(nLengthAfterDelete + 7) / 8) << strScore;
    }
}
