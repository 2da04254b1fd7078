#include <gtest/gtest.h>

#include <random>

#include "SheetProbe.h"

namespace {

// Checks every rule a sheet built by clicks and deletions must keep: bars before the last are
// full, lengths standard, ties pair at one pitch, glyphs tell a tie on, and both walks agree
// with the bars. Returns the first broken rule, or "".
std::string BrokenInvariant(CNotenblatt& sheet) {
    const std::vector<int32_t> fills = BarFills(sheet);
    std::vector<NoteState> flat;
    size_t nBar = 0;
    for (CTakt* pBar = sheet.GetFirstBar(); pBar != nullptr; pBar = sheet.GetNextBar(), ++nBar) {
        int32_t nSum = 0;
        for (CNote* p = pBar->GetFirstNote(); p != nullptr; p = pBar->GetNextNote()) {
            flat.push_back(StateOf(*p, nBar > 0 && nSum == 0));
            nSum += flat.back().nDuration;
            if (flat.back().nDuration < 1 || 8 % flat.back().nDuration != 0) {
                return "length";
            }
        }
        if (nSum != fills[nBar] || nSum > 8 || (nBar + 1 < fills.size() && nSum != 8)) {
            return "fill";
        }
    }
    for (size_t i = 0; i < flat.size(); ++i) {
        const NoteState& n = flat[i];
        const NoteState* pNext = i + 1 < flat.size() ? &flat[i + 1] : nullptr;
        if ((i == 0 && n.bTieFromPrev) || n.bTieToNext != (pNext ? pNext->bTieFromPrev : 0) ||
            (n.bTieToNext && pNext->nPitch != n.nPitch) ||
            (n.bRest ? n.nGlyph != 6100 + n.nDuration : n.bTieToNext != (n.nGlyph / 1000 == 5))) {
            return "tie or glyph";
        }
    }
    std::vector<NoteState> constWalk;
    for (const auto& step : sheet.Notes()) {
        constWalk.push_back(StateOf(step.note, step.bNewBar));
    }
    return constWalk == flat && Walk(sheet) == flat ? "" : "walk";
}

}  // namespace

TEST(CNotenblattProperty, RandomEditingKeepsInvariantsAndRoundTrips) {
    const int32_t kTools[] = {1, 2, 4, 8, 11, 12, 14, 18, 0, 3, 7, 10, 13, 19, -1, 1000};
    for (uint32_t nSeed = 1; nSeed <= 60; ++nSeed) {
        std::mt19937 rng(nSeed);
        CNotenblatt sheet;
        int32_t y = 31;
        for (int nStep = 0, nSteps = 50 + int(rng() % 400); nStep < nSteps; ++nStep) {
            if (rng() % 6 == 0) {
                sheet.DeleteLastNote();
            } else {
                // The previous height is reused often, so that shift-clicks tie; odd tools
                // are rare.
                const uint32_t nKind = rng() % 4;
                y = nKind == 0 ? y : nKind == 1 ? int32_t(rng() % 75) : int32_t(rng() % 400) - 50;
                sheet.AddNote(CPoint{int32_t(rng() % 600), y},
                              static_cast<ETool>(kTools[rng() % (rng() % 10 == 0 ? 16 : 8)]),
                              rng() % 3 == 0);
            }
            ASSERT_EQ(BrokenInvariant(sheet), "") << "seed " << nSeed << " step " << nStep;
        }
        const std::unique_ptr<CNotenblatt> pLoaded = LoadSheet(StoreSheet(sheet));
        EXPECT_EQ(StoreSheet(*pLoaded), StoreSheet(sheet)) << "seed " << nSeed;
        // Editing goes on from the loaded state exactly as from the original.
        for (CNotenblatt* p : {&sheet, pLoaded.get()}) {
            Click(*p, 440, 8, 1);
            p->DeleteLastNote();
            p->DeleteLastNote();
        }
        EXPECT_EQ(StoreSheet(*pLoaded), StoreSheet(sheet)) << "seed " << nSeed;
    }
}
