#pragma once

#include <memory>

#include "SStartup.h"

class CKantiloDoc;
class CMainFrame;
class CRecentFileList;
class IUserDialogs;
class QSettings;

// The editor program: start-up in a fixed order (settings and recent files, document, main
// window, command line, show) and the event loop.
class CKantiloApp {
public:
    static constexpr const char* kOrganization = "Local AppWizard-Generated Applications";
    static constexpr const char* kApplication = "Kantilo";

    // Loads Qt's German texts and makes German the default locale.
    static void InstallGermanTranslation();

    // Needs a QApplication. dialogs and settings must outlive the object.
    CKantiloApp(IUserDialogs& dialogs, QSettings& settings);
    ~CKantiloApp();

    // Runs start-up. False means the program ends now with exitCode (the command line asked
    // for it, or the document it named could not be opened).
    bool InitInstance(const SStartup& startup, int& exitCode);
    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    CKantiloDoc& Document() const { return *m_pDoc; }
    CRecentFileList& RecentFiles() const { return *m_pRecent; }

private:
    bool Unregister(const SStartup& startup);
    bool ProcessShellCommand(const SStartup& startup, int& exitCode);

    IUserDialogs& m_dialogs;
    QSettings& m_settings;
    std::unique_ptr<CKantiloDoc> m_pDoc;
    std::unique_ptr<CRecentFileList> m_pRecent;
    std::unique_ptr<CMainFrame> m_pFrame;
};
