// Generating a ten-minute song (1200 quarter notes over the scale, a four-second 44.1 kHz
// 16-bit stereo instrument, quality 50) in the editor, through the sampler dialog with the
// progress dialog painting both bars, against the command line's conversion of the same
// document in the same process. Offscreen; compare the two wall times.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <sstream>

#include "BenchDialogs.h"
#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CExitCode.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLied.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CSamplerCommands.h"
#include "CSamplerDlg.h"
#include "CommandIds.h"
#include "IUserDialogs.h"

namespace {

constexpr int kQuarters = 1200;
constexpr int kQuality = 50;
constexpr int kPitchPosition = 6;  // 264 Hz

// The song document and the instrument, in a folder of their own.
class CScratch {
public:
    CScratch() {
        CKantiloDoc doc;
        const int32_t heights[] = {48, 44, 41, 37, 34, 30, 27, 23, 20, 16, 13, 9, 6};
        for (int i = 0; i < kQuarters; ++i) {
            doc.AddNote({0, heights[i % 13]}, ETool::quarter, false);
        }
        doc.OnSaveDocument(Path("lied.kt"));
        CLied recording(Path("geige.wav"));
        recording.SetFormat(44100, 16, 1);
        recording.Allocate(2 * 4 * 44100);
        for (uint32_t i = 0; i < recording.GetSize(); ++i) {
            recording.AppendSample(int32_t((i * 2654435761u) >> 20) - 2048);
        }
        recording.Write();
    }
    std::string Path(const char* name) const {
        return m_dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    QString Dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

void BM_GenerateCommandLine(benchmark::State& state) {
    const CScratch scratch;
    const CCommandLine cmd = CCommandLine::Parse(std::vector<std::string>{
        scratch.Path("lied.kt"), "-o", scratch.Path("cli.wav"), "--instrument",
        scratch.Path("geige.wav"), "--base", "264", "--quality", std::to_string(kQuality)});
    for (auto _ : state) {
        std::ostringstream err;
        if (CBatchConverter::Run(cmd, err) != CExitCode::kOk) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
}

// Answers the sampler dialog once it is open, as a user would.
void AnswerSamplerDialog() {
    auto* dlg = qobject_cast<CSamplerDlg*>(QApplication::activeModalWidget());
    if (dlg == nullptr) {
        QTimer::singleShot(0, AnswerSamplerDialog);
        return;
    }
    auto* list = dlg->findChild<QComboBox*>(QStringLiteral("instrumentList"));
    list->setCurrentIndex(list->findText(QStringLiteral("geige.wav")));
    dlg->findChild<QSlider*>(QStringLiteral("filterSlider"))->setValue(kQuality);
    dlg->findChild<QSlider*>(QStringLiteral("pitchSlider"))->setValue(kPitchPosition);
    dlg->accept();
}

void BM_GenerateEditor(benchmark::State& state) {
    const CScratch scratch;
    QSettings settings(scratch.Dir() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
    CRecentFileList recent(settings);
    CNoDialogs dialogs;
    CKantiloDoc doc;
    CMainFrame frame(doc, dialogs, recent);
    auto* commands = new CSamplerCommands(frame, dialogs);
    static_cast<void>(commands);  // owned by the frame
    frame.resize(800, 600);
    frame.show();
    if (!doc.OnOpenDocument(scratch.Path("lied.kt")).Ok()) {
        state.SkipWithError("the song did not load");
        return;
    }
    frame.View()->SetSongDir(scratch.Dir());
    frame.View()->SetInstrumentDir(scratch.Dir());
    QApplication::processEvents();
    for (auto _ : state) {
        QTimer::singleShot(0, AnswerSamplerDialog);
        frame.Action(ID_LIED_GENERIEREN)->trigger();
    }
    if (!dialogs.warning.isEmpty() || doc.GetSong()->GetFileName().empty()) {
        state.SkipWithError("the editor did not generate the song");
    }
}

BENCHMARK(BM_GenerateCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GenerateEditor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
