#include "CKantiloApp.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>
#include <cstdlib>

#include "CDocumentFlow.h"
#include "CExitCode.h"
#include "CKantiloDoc.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "IUserDialogs.h"

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

CKantiloApp::CKantiloApp(IUserDialogs& dialogs, QSettings& settings)
    : m_dialogs(dialogs), m_settings(settings) {}

CKantiloApp::~CKantiloApp() = default;

bool CKantiloApp::InitInstance(const SStartup& startup, int& exitCode) {
    exitCode = CExitCode::kOk;
    if (startup.request == SStartup::Request::unregister) {
        if (!Unregister(startup)) {
            exitCode = CExitCode::kFailure;
        }
        return false;
    }
    m_pRecent = std::make_unique<CRecentFileList>(m_settings);
    m_pDoc = std::make_unique<CKantiloDoc>();
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, m_dialogs, *m_pRecent);
    if (!ProcessShellCommand(startup, exitCode)) {
        return false;
    }
    m_pFrame->resize(m_pFrame->sizeHint());
    m_pFrame->show();
    return true;
}

bool CKantiloApp::ProcessShellCommand(const SStartup& startup, int& exitCode) {
    if (!startup.strDocument.empty()) {
        const QString path = QString::fromStdString(startup.strDocument);
        if (!m_pFrame->Flow().OpenDocumentFile(path)) {
            exitCode = CExitCode::kFailure;
            return false;
        }
    }
    // There is no printing: the document was opened, and that is all a print request does.
    return startup.request != SStartup::Request::print;
}

bool CKantiloApp::Unregister(const SStartup& startup) {
    // There is no shell registration to undo: the program writes none. What is left is the
    // settings file with the recent-file list.
    const QString fileName = m_settings.fileName();
    m_settings.clear();
    m_settings.sync();
    const bool removed = !QFile::exists(fileName) || QFile::remove(fileName);
    if (!startup.bQuiet) {
        m_dialogs.ShowMessage(
            removed ? QStringLiteral("Einträge in der Systemregistrierung wurden entfernt, und "
                                     "die INI-Datai (falls vorhanden) wurde gelöscht.")
                    : QStringLiteral("Es wurde nicht jeder Eintrag in der Systemregistrierung "
                                     "(oder die ganze INI-Datei) entfernt."),
            IUserDialogs::Icon::Information);
    }
    return removed;
}
