#include "CPageConverter.h"

#include <QGuiApplication>
#include <cstdio>
#include <ostream>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CKantiloDoc.h"
#include "CScorePages.h"

namespace {

// Qt's own notes on its surroundings (no runtime directory, say) are no concern of someone
// converting a song; only its critical and fatal messages still reach the terminal.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

CScorePages::Format FormatOf(CPageOutput::Kind kind) {
    switch (kind) {
        case CPageOutput::Kind::svg:
            return CScorePages::Format::svg;
        case CPageOutput::Kind::png:
            return CScorePages::Format::png;
        case CPageOutput::Kind::pdf:
        case CPageOutput::Kind::none:
            break;
    }
    return CScorePages::Format::pdf;
}

}  // namespace

int CPageConverter::Run(int& argc, char** argv, const CCommandLine& cmd, CPageOutput::Kind kind,
                        std::ostream& err) {
    // Drawing needs no screen, and a display that is set but out of reach must not stop it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(QuietQtMessages);
    QGuiApplication application(argc, argv);
    CKantiloDoc doc;
    const CKantiloDoc::CResult opened = doc.OnOpenDocument(cmd.m_strDocument);
    if (!opened.Ok()) {
        err << opened.message << '\n';
        return CBatchConverter::kExitFailure;
    }
    const std::string strError =
        CScorePages::Save(doc.GetSheet(), doc.GetTitle(), cmd.m_strOutput, FormatOf(kind));
    if (!strError.empty()) {
        err << strError << '\n';
        return CBatchConverter::kExitFailure;
    }
    return CBatchConverter::kExitOk;
}
