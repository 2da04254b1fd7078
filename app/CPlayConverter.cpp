#include "CPlayConverter.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CController.h"
#include "CExitCode.h"
#include "CLied.h"
#include "CNote.h"
#include "CNotenblatt.h"
#include "CPageConverter.h"
#include "CPreviewPlayer.h"
#include "CPreviewRenderer.h"
#include "CShippedInstruments.h"

namespace {

// The bar (from 1) of each note or rest in song order.
std::vector<int> BarsOf(const CNotenblatt& sheet) {
    std::vector<int> bars;
    int bar = 1;
    for (const CSheetWalk::SStep step : sheet.Notes()) {
        bar += step.bNewBar ? 1 : 0;
        bars.push_back(bar);
    }
    return bars;
}

std::string Clock(qint64 nSeconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(nSeconds / 60),
                  static_cast<long long>(nSeconds % 60));
    return text;
}

// "0:03 / 0:16  Takt 2", redrawn in place.
class CPlayProgress {
public:
    CPlayProgress(std::ostream& err, const CNotenblatt& sheet, uint32_t nRate)
        : m_err(err),
          m_starts(CPreviewRenderer::NoteStarts(sheet, nRate)),
          m_bars(BarsOf(sheet)),
          m_nRate(nRate) {}

    void Show(qint64 nPlayedUSecs) {
        const uint64_t frame = uint64_t(nPlayedUSecs) * m_nRate / 1000000;
        const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), frame);
        const size_t note = std::min<size_t>(size_t(next - m_starts.begin()), m_bars.size()) - 1;
        const qint64 total = qint64(m_starts.back() / m_nRate);
        const qint64 played = std::min<qint64>(nPlayedUSecs / 1000000, total);
        m_err << '\r' << Clock(played) << " / " << Clock(total) << "  Takt " << m_bars[note]
              << "   " << std::flush;
    }

private:
    std::ostream& m_err;
    std::vector<uint64_t> m_starts;
    std::vector<int> m_bars;
    uint32_t m_nRate;
};

}  // namespace

int CPlayConverter::Run(int& argc, char** argv, const CCommandLine& cmd, std::ostream& err) {
    // Ending the process ends its connection to the sound server, which drops what it still
    // holds of the song: the sound stops at once.
    CBatchConverter::EndOnInterrupt();
    // The sound server's complaints are no concern of someone playing a song; the program
    // says in its own words when there is nothing to play on.
    CPageConverter::QuietQt();
    QCoreApplication application(argc, argv);
    std::string strTitle;
    const std::unique_ptr<CController> pController =
        CBatchConverter::LoadSong(cmd.m_strDocument, err, strTitle);
    if (!pController) {
        return CExitCode::kFailure;
    }
    const CNotenblatt& sheet = pController->GetSheet();
    CPreviewRenderer renderer;
    renderer.SetInstrument(CShippedInstruments::Resolve(cmd.m_strInstrument), cmd.m_nBaseFrequency);
    renderer.SetQuality(cmd.m_nQuality);
    CLied song;
    if (const std::string strError = renderer.RenderSheet(sheet, song); !strError.empty()) {
        err << strError << '\n';
        return CExitCode::kFailure;
    }
    if (sheet.GetLength() == 0) {
        return CExitCode::kOk;
    }
    CPreviewPlayer player;
    if (!player.Play(song)) {
        err << "kantilo: " << CPreviewPlayer::kNoDevice.toStdString() << '\n';
        return CExitCode::kFailure;
    }
    const bool bTerminal = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    CPlayProgress progress(err, sheet, song.GetSampleRate());
    QTimer timer;
    if (bTerminal) {
        QObject::connect(&timer, &QTimer::timeout, [&] { progress.Show(player.PlayedUSecs()); });
        timer.start(200);
    }
    QObject::connect(&player, &CPreviewPlayer::Finished, &application, &QCoreApplication::quit);
    QCoreApplication::exec();
    if (bTerminal) {
        err << '\n';
    }
    return CExitCode::kOk;
}
