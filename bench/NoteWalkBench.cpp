#include <benchmark/benchmark.h>

#include "CController.h"
#include "CDocumentFile.h"
#include "CNote.h"
#include "CNotenblatt.h"

namespace {

// A song of nNotes notes of mixed lengths and pitches, with ties across bar lines.
void FillSong(CNotenblatt& sheet, int nNotes) {
    static const ETool kTools[] = {ETool::eighth, ETool::quarter,     ETool::half,
                                   ETool::whole,  ETool::quarterRest, ETool::quarter,
                                   ETool::eighth, ETool::eighth};
    for (int i = 0; i < nNotes; ++i) {
        sheet.AddNote(CPoint{0, 7 + (i * 5) % 44}, kTools[i % 8], i % 7 == 0);
    }
}

void BM_PaintWalk(benchmark::State& state) {
    CNotenblatt sheet;
    FillSong(sheet, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int32_t nTotal = 0;
        int32_t bNewBar = 0;
        for (CNote* p = sheet.GetFirstNote(); p != nullptr; p = sheet.GetNextNote(bNewBar)) {
            int32_t nWidth = 0;
            nTotal += p->GetBitmap(nWidth) + nWidth + bNewBar;
        }
        benchmark::DoNotOptimize(nTotal);
    }
}
BENCHMARK(BM_PaintWalk)->Arg(5000)->Arg(50000);

void BM_EntryAndDeletion(benchmark::State& state) {
    for (auto _ : state) {
        CNotenblatt sheet;
        FillSong(sheet, 5000);
        while (sheet.GetFirstNote() != nullptr) {
            sheet.DeleteLastNote();
        }
    }
}
BENCHMARK(BM_EntryAndDeletion);

void BM_SaveAndLoad(benchmark::State& state) {
    CController controller;
    FillSong(*controller.GetNotenblatt(), 5000);
    for (auto _ : state) {
        std::vector<uint8_t> bytes = CDocumentFile::Store(controller);
        std::unique_ptr<CController> pLoaded;
        benchmark::DoNotOptimize(CDocumentFile::Parse(bytes, pLoaded));
        benchmark::DoNotOptimize(pLoaded);
    }
}
BENCHMARK(BM_SaveAndLoad);

}  // namespace
