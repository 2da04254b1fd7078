#include <gtest/gtest.h>

#include <climits>
#include <sstream>

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
        EXPECT_EQ(BarFills(sheet), (std::vector<int32_t>{2}));
    }
    // A click in a lower row enters the pitch of the same height in the first row.
    CNotenblatt sheet;
    sheet.AddNote(CPoint{0, 100}, ETool::quarter, false);
    EXPECT_EQ(Walk(sheet), (std::vector<NoteState>{{2, 528, 0, 0, 0, 4222, 0}}));
}

TEST(CNotenblattEntry, LongNotesSplitAndTieAcrossTheBarLine) {
    // Clicks as pitch/tool, "+" for a shift-click; the score ("" unchecked), the bar fills, and
    // the length after deleting the last entry.
    const std::tuple<std::string, std::string, std::vector<int32_t>, int32_t> kCases[] = {
        {"440/2 440/8", "4112 5114 ~5112 |~4112", {8, 2}, 2},
        {"440/4 440/2 440/18", "4114 4112 6102 |~6104 ~6102", {8, 6}, 6},
        // An odd remainder is split longest part first.
        {"297/1 297/4 297/8", "4311 4314 5312 ~5311 |~5314 ~4311", {8, 5}, 5},
        // Unlisted lengths become tied standard parts.
        {"440/7 440/13", "5114 ~5112 ~4111 6101 |~6102", {8, 2}, 7},
        // Shift-clicks tie only at the same height, also across the bar line.
        {"396/2 352/2+ 352/2+", "4612 5512 ~4512", {6}, 2},
        {"660/8 660/1+", "5428 |~4421", {8, 1}, 0},
        // A chain over six bars goes back in one deletion.
        {"594/1 495/4 495/8+ 495/8+ 495/8+ 495/8+ 495/8+", "", {8, 8, 8, 8, 8, 5}, 1},
    };
    for (const auto& [strClicks, strExpected, fills, nLengthAfterDelete] : kCases) {
        CNotenblatt sheet;
        std::istringstream clicks(strClicks);
        for (std::string c; clicks >> c;) {
            Click(sheet, uint16_t(std::stoi(c)), std::stoi(c.substr(4)), c.back() == '+');
        }
        const std::string strScore = Score(sheet);
        EXPECT_TRUE(strExpected.empty() || strScore == strExpected) << strScore;
        EXPECT_EQ(BarFills(sheet), fills) << strScore;
        sheet.DeleteLastNote();
        EXPECT_EQ(sheet.GetLength(), nLengthAfterDelete) << strScore;
        EXPECT_EQ(sheet.GetBarCount(), size_t(nLengthAfterDelete + 7) / 8) << strScore;
    }
}
