// A click in the score view through to the finished repaint, for a long song.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <cstdlib>

#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CNote.h"
#include "CNotenblatt.h"

namespace {

constexpr int kSongLength = 5000;

void FillSong(CKantiloDoc& doc) {
    static const int kHeights[] = {31, 24, 17, 38, 45, 28, 7, 49};
    static const ETool kTools[] = {ETool::eighth, ETool::quarter, ETool::half,
                                   ETool::eighth, ETool::whole,   ETool::quarterRest,
                                   ETool::eighth, ETool::quarter};
    for (int i = 0; i < kSongLength; ++i) {
        doc.AddNote(CPoint{0, kHeights[i % 8]}, kTools[(i / 8) % 8], false);
    }
}

int CountNotes(CKantiloDoc& doc) {
    int count = 0;
    for ([[maybe_unused]] const auto& step : doc.GetSheet().Notes()) {
        ++count;
    }
    return count;
}

void Click(QWidget* target, QPoint pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, target->mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, target->mapToGlobal(pos), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void ClickOnLongSong(benchmark::State& state, bool scrolledToEnd) {
    CKantiloDoc doc;
    FillSong(doc);
    CKantiloView view(doc);
    view.resize(view.sizeHint());
    view.show();
    view.OnUpdate();
    QApplication::processEvents();
    if (scrolledToEnd) {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QApplication::processEvents();
    }
    // A height in the A4 band of a visible row, so every click adds a note.
    const int scroll = view.verticalScrollBar()->value();
    const QPoint pos(300, ((31 - scroll) % 75 + 75) % 75 + 150);
    for (auto _ : state) {
        Click(view.viewport(), pos);
        state.PauseTiming();
        doc.DeleteLastNote();
        state.ResumeTiming();
    }
    state.counters["notes"] = static_cast<double>(CountNotes(doc));
}

void BM_ClickRepaint_Top(benchmark::State& state) {
    ClickOnLongSong(state, false);
}
void BM_ClickRepaint_End(benchmark::State& state) {
    ClickOnLongSong(state, true);
}

BENCHMARK(BM_ClickRepaint_Top)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickRepaint_End)->Unit(benchmark::kMillisecond);

}  // namespace
