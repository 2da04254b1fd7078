#include <iostream>

#include "CBatchConverter.h"
#include "CCommandLine.h"
#include "CExchangeFormat.h"
#include "CExitCode.h"

#ifdef KANTILO_WITH_GUI
#include <QApplication>
#include <QSettings>

#include "CKantiloApp.h"
#include "CMainFrame.h"
#include "CPageConverter.h"
#include "CQtUserDialogs.h"
#include "CSamplerCommands.h"
#include "CSongPlayer.h"
#include "SStartup.h"

namespace {

SStartup StartupOf(const CCommandLine& cmd) {
    SStartup startup;
    startup.strDocument = cmd.m_strDocument;
    startup.bQuiet = cmd.m_bEmbedding;
    switch (cmd.m_shellCommand) {
        case CCommandLine::ShellCommand::print:
        case CCommandLine::ShellCommand::printTo:
            startup.request = SStartup::Request::print;
            break;
        case CCommandLine::ShellCommand::unregister:
            startup.request = SStartup::Request::unregister;
            break;
        case CCommandLine::ShellCommand::none:
        case CCommandLine::ShellCommand::dde:
            break;
    }
    return startup;
}

// The editor: the application, its settings and dialogs, the main window with the document,
// and the sampler commands on its menu.
int RunEditor(int argc, char** argv, const CCommandLine& cmd) {
    if (!CKantiloApp::HasDisplay()) {
        std::cerr << "kantilo: Keine grafische Anzeige gefunden (weder DISPLAY noch "
                     "WAYLAND_DISPLAY ist gesetzt).\n"
                     "Ohne Anzeige wandelt \"kantilo DOKUMENT.kt -o AUSGABE\" um.\n";
        return CExitCode::kFailure;
    }
    CSongPlayer::SelectMediaBackend();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(CKantiloApp::kOrganization));
    QApplication::setApplicationName(QString::fromLatin1(CKantiloApp::kApplication));
    CKantiloApp::InstallGermanTranslation();
    QSettings settings(QString::fromLatin1(CKantiloApp::kOrganization),
                       QString::fromLatin1(CKantiloApp::kApplication));
    CQtUserDialogs dialogs;
    CKantiloApp app(dialogs, settings);
    int exitCode = 0;
    if (!app.InitInstance(StartupOf(cmd), exitCode)) {
        return exitCode;
    }
    CSamplerCommands::Attach(*app.MainFrame(), dialogs);
    dialogs.SetParent(app.MainFrame());
    return QApplication::exec();
}

int ConvertToPages(int argc, char** argv, const CCommandLine& cmd, CExchangeFormat::Kind kind) {
    return CPageConverter::Run(argc, argv, cmd, kind, std::cerr);
}

}  // namespace
#else
static int ConvertToPages(int, char**, const CCommandLine&, CExchangeFormat::Kind) {
    std::cerr << CBatchConverter::kNoPages << '\n';
    return CExitCode::kFailure;
}

static int RunEditor(int, char**, const CCommandLine&) {
    std::cerr << "kantilo: diese Fassung enthält keinen Editor; zum Umwandeln dient -o.\n"
              << "Mehr mit: kantilo --help\n";
    return CExitCode::kUsage;
}
#endif

int main(int argc, char** argv) {
    CCommandLine cmd = CCommandLine::Parse(argc, argv);
    switch (cmd.m_action) {
        case CCommandLine::Action::usageError:
            std::cerr << "kantilo: " << cmd.m_strError << "\nMehr mit: kantilo --help\n";
            return CExitCode::kUsage;
        case CCommandLine::Action::help:
            std::cout << CCommandLine::Usage();
            return CExitCode::kOk;
        case CCommandLine::Action::version:
            std::cout << CCommandLine::Version() << '\n';
            return CExitCode::kOk;
        case CCommandLine::Action::convert:
            CBatchConverter::EndOnInterrupt();
            if (const auto kind = CExchangeFormat::FromPath(cmd.m_strOutput);
                kind == CExchangeFormat::Kind::pdf || kind == CExchangeFormat::Kind::svg ||
                kind == CExchangeFormat::Kind::png) {
                return ConvertToPages(argc, argv, cmd, kind);
            }
            return CBatchConverter::Run(cmd, std::cerr);
        case CCommandLine::Action::editor:
            break;
    }
    return RunEditor(argc, argv, cmd);
}
