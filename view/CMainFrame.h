#pragma once

#include <QMainWindow>
#include <QMap>

class CDocumentFlow;
class CKantiloDoc;
class CKantiloView;
class CRecentFileList;
class IUserDialogs;
class QAction;
class QActionGroup;
class QMenu;
class QToolBar;

// The main window: menus, toolbar, status bar and the score view in the middle. Every command
// is a QAction found by its command number through Action(); the sampler commands
// (ID_LIED_GENERIEREN, ID_LIED_SPIELEN, ID_LIED_STOPPEN, ID_EINSTELLUNGEN) are created here
// without handlers, for the sampler commands to connect to. Play starts disabled.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CKantiloDoc& doc, IUserDialogs& dialogs, CRecentFileList& recent,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command number (CommandIds.h), or null for an unknown number.
    QAction* Action(int commandId) const;
    CKantiloView* View() const { return m_pView; }
    CKantiloDoc& Document() const { return m_doc; }
    CDocumentFlow& Flow() const { return *m_pFlow; }
    QToolBar* ToolBar() const { return m_pToolBar; }

    void OnAppAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(int commandId, QAction* action = nullptr);
    void CreateActions();
    void CreateToolActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RefillRecentFiles();
    void OnDocumentReplaced();
    void UpdateTitle();

    CKantiloDoc& m_doc;
    CRecentFileList& m_recent;
    CDocumentFlow* m_pFlow = nullptr;
    CKantiloView* m_pView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    QActionGroup* m_pToolGroup = nullptr;
    QMap<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
};
