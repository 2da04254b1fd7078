#include <iostream>

#ifdef KANTILO_EDITOR_PROGRAM
#include <unistd.h>

#include <filesystem>
#include <system_error>
#endif

#include "CBatchConverter.h"
#include "CCommandLine.h"

#ifdef KANTILO_WITH_GUI
#include <QApplication>
#include <QSettings>

#include "CKantiloApp.h"
#include "CMainFrame.h"
#include "CQtUserDialogs.h"
#include "CSamplerCommands.h"
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
        return CBatchConverter::kExitFailure;
    }
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
    CSamplerCommands::Attach(*app.MainFrame());
    dialogs.SetParent(app.MainFrame());
    return QApplication::exec();
}

}  // namespace
#elif defined(KANTILO_EDITOR_PROGRAM)
// The editor is a program of its own beside this one: a conversion then never loads the
// window system's libraries, which would take more memory than the engine needs besides the
// song itself.
static int RunEditor(int, char** argv, const CCommandLine&) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path editor =
        (error ? std::filesystem::path(argv[0]) : self).parent_path() / KANTILO_EDITOR_PROGRAM;
    ::execv(editor.c_str(), argv);
    std::cerr << "kantilo: der Editor " << editor << " lässt sich nicht starten.\n";
    return CBatchConverter::kExitFailure;
}
#else
static int RunEditor(int, char**, const CCommandLine&) {
    std::cerr << "kantilo: diese Fassung enthält keinen Editor; zum Umwandeln dient -o.\n"
              << "Mehr mit: kantilo --help\n";
    return CCommandLine::kUsageExitCode;
}
#endif

int main(int argc, char** argv) {
    CCommandLine cmd = CCommandLine::Parse(argc, argv);
    switch (cmd.m_action) {
        case CCommandLine::Action::usageError:
            std::cerr << "kantilo: " << cmd.m_strError << "\nMehr mit: kantilo --help\n";
            return CCommandLine::kUsageExitCode;
        case CCommandLine::Action::help:
            std::cout << CCommandLine::Usage();
            return 0;
        case CCommandLine::Action::version:
            std::cout << CCommandLine::Version() << '\n';
            return 0;
        case CCommandLine::Action::convert:
            return CBatchConverter::Run(cmd, std::cerr);
        case CCommandLine::Action::editor:
            break;
    }
    return RunEditor(argc, argv, cmd);
}
