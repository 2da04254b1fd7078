#include "CPageConverter.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <ostream>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CController.h"
#include "CExitCode.h"
#include "CScorePages.h"

namespace {

// Qt's own notes on its surroundings (no runtime directory, say) are no concern of someone
// converting a song; only its critical and fatal messages still reach the terminal.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

}  // namespace

void CPageConverter::QuietQt() {
    qInstallMessageHandler(QuietQtMessages);
}

int CPageConverter::Run(int& argc, char** argv, const CCommandLine& cmd, CExchangeFormat::Kind kind,
                        std::ostream& err) {
    // Drawing needs no screen, and a display that is set but out of reach, or a platform Qt
    // does not know, must not stop it: pages look the same on every platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuietQt();
    QGuiApplication application(argc, argv);
    // A song titled by its file name, or an imported score by its own title, as the editor
    // titles them.
    std::string strTitle;
    const std::unique_ptr<CController> pController =
        CBatchConverter::LoadSong(cmd.m_strDocument, err, strTitle,
                                  CBatchConverter::TranscriptionOptions(cmd));
    if (!pController) {
        return CExitCode::kFailure;
    }
    const std::string strError = CScorePages::Save(pController->GetSheet(), strTitle,
                                                   cmd.m_strOutput, CScorePages::FormatOf(kind));
    if (!strError.empty()) {
        err << strError << '\n';
        return CExitCode::kFailure;
    }
    return CExitCode::kOk;
}
