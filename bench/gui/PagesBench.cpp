// The score of a long song written as PDF, SVG and PNG, as the editor's export writes it. Peak
// memory of the command line for long songs: bench/memory.sh BUILD pdf svg png.
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "CEngraving.h"
#include "CKantiloDoc.h"
#include "CNotenblatt.h"
#include "CScorePages.h"

namespace {

constexpr int kPagesSongLength = 5000;

void SaveLongSong(benchmark::State& state, CScorePages::Format format, const char* pszName) {
    static const int kHeights[] = {31, 24, 17, 38, 45, 28, 7, 49};
    static const ETool kTools[] = {ETool::eighth, ETool::quarter, ETool::half,
                                   ETool::eighth, ETool::whole,   ETool::quarterRest,
                                   ETool::eighth, ETool::quarter};
    CKantiloDoc doc;
    for (int i = 0; i < kPagesSongLength; ++i) {
        doc.AddNote(CPoint{0, kHeights[i % 8]}, kTools[(i / 8) % 8], false);
    }
    QTemporaryDir dir;
    const std::string strPath = dir.filePath(QString::fromLatin1(pszName)).toStdString();
    for (auto _ : state) {
        if (!CScorePages::Save(doc.GetSheet(), "Lied", strPath, format).empty()) {
            state.SkipWithError("the file could not be written");
        }
    }
    const auto rows =
        static_cast<int>(CEngraving(doc.GetSheet(), CScorePages::kRowWidth).Rows().size());
    const int pages = CScorePages::PageCount(rows);
    state.counters["rows"] = rows;
    state.counters["pages"] = pages;
    // A picture of several pages is one file per page; the first one's size is reported.
    const std::string strFirst =
        format == CScorePages::Format::png ? CScorePages::PngPagePath(strPath, 1, pages) : strPath;
    state.counters["bytes"] =
        static_cast<double>(QFileInfo(QString::fromStdString(strFirst)).size());
}

void BM_SavePages_Pdf(benchmark::State& state) {
    SaveLongSong(state, CScorePages::Format::pdf, "lied.pdf");
}
void BM_SavePages_Svg(benchmark::State& state) {
    SaveLongSong(state, CScorePages::Format::svg, "lied.svg");
}
void BM_SavePages_Png(benchmark::State& state) {
    SaveLongSong(state, CScorePages::Format::png, "lied.png");
}

BENCHMARK(BM_SavePages_Pdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePages_Svg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePages_Png)->Unit(benchmark::kMillisecond);

}  // namespace
