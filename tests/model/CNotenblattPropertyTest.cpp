#include <gtest/gtest.h>

#include <random>

#include "SheetProbe.h"

namespace {

// Checks every rule a sheet built by clicks and deletions must keep; returns the first
// broken one, or "".
std::string BrokenInvariant(CNotenblatt& sheet) {
    std::vector<int32_t> fills = BarFills(sheet);
    std::vector<std::vector<NoteState>> bars;
    for (CTakt* pBar = sheet.GetFirstBar(); pBar != nullptr; pBar = sheet.GetNextBar()) {
        bars.emplace_back();
        for (CNote* p = pBar->GetFirstNote(); p != nullptr; p = pBar->GetNextNote()) {
            bars.back().push_back(StateOf(*p));
        }
    }
    std::vector<NoteState> flat;
    for (size_t b = 0; b < bars.size(); ++b) {
        int32_t nSum = 0;
        for (const NoteState& n : bars[b]) {
            if (n.nDuration < 1 || 8 % n.nDuration != 0) {
                return "length";
            }
            nSum += n.nDuration;
            flat.push_back(n);
            flat.back().bNewBar = (b > 0 && &n == &bars[b].front()) ? 1 : 0;
        }
        if (nSum != fills[b]) {
            return "fill is not the sum";
        }
        if (fills[b] > 8 || (b + 1 < bars.size() && fills[b] != 8)) {
            return "overfull, or a bar before the last not full";
        }
    }
    for (size_t i = 0; i < flat.size(); ++i) {
        const NoteState& n = flat[i];
        const NoteState* pNext = i + 1 < flat.size() ? &flat[i + 1] : nullptr;
        if ((i == 0 && n.bTieFromPrev) || n.bTieToNext != (pNext ? pNext->bTieFromPrev : 0) ||
            (n.bTieToNext && pNext->nPitch != n.nPitch)) {
            return "ties do not pair at one pitch";
        }
        if (n.bRest ? n.nGlyph != 6100 + n.nDuration : n.bTieToNext != (n.nGlyph / 1000 == 5)) {
            return "glyph";
        }
    }
    if (Walk(sheet) != flat) {
        return "walk differs from the bars";
    }
    return "";
}

int32_t RandomTool(std::mt19937& rng) {
    static const int32_t kTools[] = {1, 2, 4, 8, 11, 12, 14, 18};
    static const int32_t kOdd[] = {0, 3, 5, 6, 7, 9, 10, 13, 15, 16, 17, 19, 25, -1, 1000};
    if (rng() % 10 == 0) {
        return kOdd[rng() % std::size(kOdd)];
    }
    return kTools[rng() % std::size(kTools)];
}

// Heights of the previous click are reused often, so that shift-clicks tie.
int32_t RandomHeight(std::mt19937& rng, int32_t nPrevious) {
    const uint32_t nKind = rng() % 4;
    if (nKind == 0) {
        return nPrevious;
    }
    return nKind == 1 ? static_cast<int32_t>(rng() % 75) : static_cast<int32_t>(rng() % 400) - 50;
}

}  // namespace

TEST(CNotenblattProperty, RandomEditingKeepsInvariantsAndRoundTrips) {
    for (uint32_t nSeed = 1; nSeed <= 60; ++nSeed) {
        std::mt19937 rng(nSeed);
        CNotenblatt sheet;
        int32_t y = 31;
        const int nSteps = 50 + static_cast<int>(rng() % 400);
        for (int nStep = 0; nStep < nSteps; ++nStep) {
            if (rng() % 6 == 0) {
                sheet.DeleteLastNote();
            } else {
                y = RandomHeight(rng, y);
                sheet.AddNote(CPoint{static_cast<int32_t>(rng() % 600), y}, RandomTool(rng),
                              rng() % 3 == 0 ? 1 : 0);
            }
            ASSERT_EQ(BrokenInvariant(sheet), "") << "seed " << nSeed << " step " << nStep;
        }
        std::vector<uint8_t> bytes = StoreSheet(sheet);
        std::unique_ptr<CNotenblatt> pLoaded = LoadSheet(bytes);
        EXPECT_EQ(StoreSheet(*pLoaded), bytes) << "seed " << nSeed;
        EXPECT_EQ(Walk(*pLoaded), Walk(sheet)) << "seed " << nSeed;
        EXPECT_EQ(pLoaded->GetLength(), sheet.GetLength());
        // Editing goes on from the loaded state exactly as from the original.
        Click(sheet, 440, 8, 1);
        Click(*pLoaded, 440, 8, 1);
        sheet.DeleteLastNote();
        pLoaded->DeleteLastNote();
        sheet.DeleteLastNote();
        pLoaded->DeleteLastNote();
        EXPECT_EQ(StoreSheet(*pLoaded), StoreSheet(sheet)) << "seed " << nSeed;
    }
}
