#include "CKantiloApp.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "CCommandLine.h"
#include "CDocumentFlow.h"
#include "CKantiloDoc.h"
#include "CMainFrame.h"
#include "CQtUserDialogs.h"
#include "CRecentFileList.h"

namespace {
std::vector<CKantiloApp::FrameHook>& FrameHooks() {
    static std::vector<CKantiloApp::FrameHook> hooks;
    return hooks;
}

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

constexpr int kFailureExitCode = 1;
}  // namespace

void CKantiloApp::AddFrameHook(FrameHook hook) {
    FrameHooks().push_back(std::move(hook));
}

bool CKantiloApp::HasDisplay() {
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY") ||
           EnvironmentSet("QT_QPA_PLATFORM");
}

void CKantiloApp::InstallGermanTranslation() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto* translator = new QTranslator(qApp);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_de"), dir) ||
        translator->load(QStringLiteral("qtbase_de"),
                         QStringLiteral("/usr/share/qt6/translations"))) {
        QCoreApplication::installTranslator(translator);
    }
}

int CKantiloApp::Run(int argc, char** argv, const CCommandLine& commandLine) {
    if (!HasDisplay()) {
        std::cerr << "kantilo: Keine grafische Anzeige gefunden (weder DISPLAY noch "
                     "WAYLAND_DISPLAY ist gesetzt).\n"
                     "Ohne Anzeige wandelt \"kantilo DOKUMENT.kt -o AUSGABE\" um.\n";
        return kFailureExitCode;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(kOrganization));
    QApplication::setApplicationName(QString::fromLatin1(kApplication));
    InstallGermanTranslation();
    QSettings settings(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
    CQtUserDialogs dialogs;
    CKantiloApp app(dialogs, settings);
    int exitCode = 0;
    if (!app.InitInstance(commandLine, exitCode)) {
        return exitCode;
    }
    dialogs.SetParent(app.MainFrame());
    return QApplication::exec();
}

CKantiloApp::CKantiloApp(IUserDialogs& dialogs, QSettings& settings)
    : m_dialogs(dialogs), m_settings(settings) {}

CKantiloApp::~CKantiloApp() = default;

bool CKantiloApp::InitInstance(const CCommandLine& commandLine, int& exitCode) {
    exitCode = 0;
    if (commandLine.m_shellCommand == CCommandLine::ShellCommand::unregister) {
        if (!Unregister(commandLine)) {
            exitCode = kFailureExitCode;
        }
        return false;
    }
    m_pRecent = std::make_unique<CRecentFileList>(m_settings);
    m_pDoc = std::make_unique<CKantiloDoc>();
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, m_dialogs, *m_pRecent);
    for (const FrameHook& hook : FrameHooks()) {
        hook(*m_pFrame);
    }
    if (!ProcessShellCommand(commandLine, exitCode)) {
        return false;
    }
    m_pFrame->resize(m_pFrame->sizeHint());
    m_pFrame->show();
    return true;
}

bool CKantiloApp::ProcessShellCommand(const CCommandLine& commandLine, int& exitCode) {
    const bool print = commandLine.m_shellCommand == CCommandLine::ShellCommand::print ||
                       commandLine.m_shellCommand == CCommandLine::ShellCommand::printTo;
    if (!commandLine.m_strDocument.empty()) {
        const QString path = QString::fromStdString(commandLine.m_strDocument);
        if (!m_pFrame->Flow().OpenDocumentFile(path)) {
            exitCode = kFailureExitCode;
            return false;
        }
    }
    // There is no printing: the document was opened, and that is all a print request does.
    return !print;
}

bool CKantiloApp::Unregister(const CCommandLine& commandLine) {
    // There is no shell registration to undo: the program writes none. What is left is the
    // settings file with the recent-file list.
    const QString fileName = m_settings.fileName();
    m_settings.clear();
    m_settings.sync();
    const bool removed = !QFile::exists(fileName) || QFile::remove(fileName);
    if (!commandLine.m_bEmbedding) {
        m_dialogs.ShowMessage(
            removed ? QStringLiteral("Einträge in der Systemregistrierung wurden entfernt, und "
                                     "die INI-Datai (falls vorhanden) wurde gelöscht.")
                    : QStringLiteral("Es wurde nicht jeder Eintrag in der Systemregistrierung "
                                     "(oder die ganze INI-Datei) entfernt."),
            IUserDialogs::Icon::Information);
    }
    return removed;
}
