// kantilo-editor: the editor, and the score's pages and pictures drawn with its painter. The
// command line program hands these requests over with its own arguments.
#include <QApplication>
#include <QSettings>
#include <iostream>
#include <optional>

#include "CCommandLine.h"
#include "CDisplayCheck.h"
#include "CExchangeFormat.h"
#include "CExitCode.h"
#include "CFrontEnd.h"
#include "CKantiloApp.h"
#include "CMainFrame.h"
#include "CPageConverter.h"
#include "CPlayConverter.h"
#include "CPreviewCommands.h"
#include "CQtUserDialogs.h"
#include "CSamplerCommands.h"
#include "CSettingsFile.h"
#include "CSingCommand.h"
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
    if (const std::string strProblem = CDisplayCheck::Problem(); !strProblem.empty()) {
        std::cerr << strProblem;
        return CExitCode::kFailure;
    }
    CSongPlayer::SelectMediaBackend();
    CDisplayCheck::Starting();
    QApplication application(argc, argv);
    CDisplayCheck::Started();
    QApplication::setOrganizationName(QString::fromLatin1(CKantiloApp::kOrganization));
    QApplication::setApplicationName(QString::fromLatin1(CKantiloApp::kApplication));
    CKantiloApp::InstallGermanTranslation();
    const std::unique_ptr<QSettings> pSettings =
        CSettingsFile::Open(QString::fromLatin1(CKantiloApp::kOrganization),
                            QString::fromLatin1(CKantiloApp::kApplication));
    CQtUserDialogs dialogs;
    CKantiloApp app(dialogs, *pSettings);
    int exitCode = 0;
    if (!app.InitInstance(StartupOf(cmd), exitCode)) {
        return exitCode;
    }
    CSamplerCommands* sampler = CSamplerCommands::Attach(*app.MainFrame(), dialogs);
    CPreviewCommands::Attach(*app.MainFrame(), *sampler, *pSettings);
    CSingCommand::Attach(*app.MainFrame(), dialogs);
    dialogs.SetParent(app.MainFrame());
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const CCommandLine cmd = CCommandLine::Parse(argc, argv);
    if (const std::optional<int> exitCode = CFrontEnd::Run(cmd)) {
        return *exitCode;
    }
    if (cmd.m_action == CCommandLine::Action::play) {
        return CPlayConverter::Run(argc, argv, cmd, std::cerr);
    }
    if (CFrontEnd::WantsPages(cmd)) {
        return CPageConverter::Run(argc, argv, cmd, CExchangeFormat::FromPath(cmd.m_strOutput),
                                   std::cerr);
    }
    return RunEditor(argc, argv, cmd);
}
