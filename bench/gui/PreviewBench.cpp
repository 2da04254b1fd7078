// Hearing the song at once, on the default audio output (run it with a sound server, e.g.
// `eval "$(bash tools/start-pulse.sh)"` first; without one each benchmark says so):
// - from "Lied vorhören" to the first samples handed to the device, for the example song and
//   for a ten-minute song (1200 quarter notes) with the built-in tone and a shipped instrument;
// - from a click on the staff to the first samples of its note handed to the device;
// - how long the cursor trails the device's clock at the start of each note (counters: the
//   mean, smallest and largest lag in milliseconds; an eighth lasts 250 ms).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "BenchDialogs.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CMainFrame.h"
#include "CPreviewCommands.h"
#include "CRecentFileList.h"
#include "CommandIds.h"

namespace {

// The editor with the preview commands, over a scratch settings file.
struct CEditor {
    explicit CEditor(const char* instrument)
        : settings(dir.filePath(QStringLiteral("K.conf")), QSettings::IniFormat),
          recent(settings),
          frame(doc, dialogs, recent),
          preview(new CPreviewCommands(frame, settings)) {
        // The shipped instruments of the build tree (the benchmark does not lie beside them).
        const QString name = QString::fromUtf8(instrument);
        preview->ChooseInstrument(name == QStringLiteral("Standard")
                                      ? name
                                      : QStringLiteral(KANTILO_BUILD_INSTRUMENTS "/") + name +
                                            QStringLiteral(".wav"));
        frame.resize(800, 600);
        frame.show();
    }
    // Runs command and waits (handling events) until the device has taken samples; the time
    // it took, in seconds, or a negative number when nothing plays. The samples may be taken
    // while the command still runs (a long song goes on rendering), so a timer looks.
    double UntilHanded(const std::function<void()>& command) {
        QElapsedTimer clock;
        qint64 handed = -1;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (handed < 0 && preview->Player().BytesHanded() > 0) {
                handed = clock.nsecsElapsed();
            }
        });
        probe.start();
        clock.start();
        command();
        while (handed < 0 && preview->Player().IsPlaying()) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        return handed >= 0 ? double(handed) * 1e-9 : -1;
    }

    QTemporaryDir dir;
    QSettings settings;
    CRecentFileList recent;
    CNoDialogs dialogs;
    CKantiloDoc doc;
    CMainFrame frame;
    CPreviewCommands* preview;
};

void FillSong(CKantiloDoc& doc, int nQuarters) {
    const int32_t heights[] = {48, 44, 41, 37, 34, 30, 27, 23, 20, 16, 13, 9, 6};
    for (int i = 0; i < nQuarters; ++i) {
        doc.AddNote({0, heights[i % 13]}, ETool::quarter, false);
    }
}

// The example song is 32 quarters long.
void BM_PreviewStart(benchmark::State& state, const char* instrument, int nQuarters) {
    CEditor editor(instrument);
    FillSong(editor.doc, nQuarters);
    for (auto _ : state) {
        const double seconds =
            editor.UntilHanded([&] { editor.frame.Action(ID_LIED_VORHOEREN)->trigger(); });
        if (seconds < 0) {
            state.SkipWithError("keine Audioausgabe");
            break;
        }
        state.SetIterationTime(seconds);
        editor.preview->Stop();
    }
}
BENCHMARK_CAPTURE(BM_PreviewStart, example_standard, "Standard", 32)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewStart, example_klavier, "Klavier", 32)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewStart, ten_minutes_standard, "Standard", 1200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewStart, ten_minutes_klavier, "Klavier", 1200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ClickToSound(benchmark::State& state, const char* instrument) {
    CEditor editor(instrument);
    QWidget* viewport = editor.frame.View()->viewport();
    for (auto _ : state) {
        if (editor.doc.GetSheet().GetLength() > 400) {
            editor.frame.Action(ID_FILE_NEW)->trigger();
        }
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(80, 25),
                          viewport->mapToGlobal(QPointF(80, 25)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        const double seconds =
            editor.UntilHanded([&] { QApplication::sendEvent(viewport, &press); });
        if (seconds < 0) {
            state.SkipWithError("keine Audioausgabe");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK_CAPTURE(BM_ClickToSound, standard, "Standard")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ClickToSound, klavier, "Klavier")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Plays twelve eighths and notes, for each note start by the device's clock, when the cursor
// reached that note.
void BM_CursorLag(benchmark::State& state) {
    CEditor editor("Standard");
    for (int i = 0; i < 12; ++i) {
        editor.doc.AddNote({0, 30}, ETool::eighth, false);
    }
    const std::vector<uint64_t> starts = CPreviewRenderer::NoteStarts(editor.doc.GetSheet(), 22050);
    double total = 0;
    double largest = 0;
    double smallest = 1e9;
    int counted = 0;
    for (auto _ : state) {
        editor.frame.Action(ID_LIED_VORHOEREN)->trigger();
        std::vector<qint64> reached(starts.size(), -1);
        std::vector<qint64> due(starts.size(), -1);
        QElapsedTimer clock;
        clock.start();
        while (editor.preview->Player().IsPlaying()) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
            const uint64_t frame =
                uint64_t(editor.preview->Player().PlayedUSecs()) * 22050 / 1000000;
            for (size_t k = 1; k + 1 < starts.size(); ++k) {
                if (due[k] < 0 && frame >= starts[k]) {
                    due[k] = clock.nsecsElapsed();
                }
            }
            const int shown = editor.frame.View()->PlayingNote();
            if (shown > 0 && reached[size_t(shown)] < 0) {
                reached[size_t(shown)] = clock.nsecsElapsed();
            }
        }
        for (size_t k = 1; k + 1 < starts.size(); ++k) {
            if (due[k] >= 0 && reached[k] >= 0) {
                const double lag = double(reached[k] - due[k]) * 1e-6;
                total += lag;
                largest = std::max(largest, lag);
                smallest = std::min(smallest, lag);
                ++counted;
            }
        }
    }
    state.counters["mean_lag_ms"] = counted > 0 ? total / counted : -1;
    state.counters["max_lag_ms"] = counted > 0 ? largest : -1;
    // Negative would mean the cursor ran ahead of the sound.
    state.counters["min_lag_ms"] = counted > 0 ? smallest : -1;
}
BENCHMARK(BM_CursorLag)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
