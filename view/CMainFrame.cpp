#include "CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <array>

#include "CAboutDlg.h"
#include "CCommandStrings.h"
#include "CDocumentFlow.h"
#include "CGlyphLibrary.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CLockKeyPanes.h"
#include "CRecentFileList.h"
#include "CommandIds.h"

namespace {
struct ToolCommand {
    int id;
    ETool tool;
};

constexpr std::array<ToolCommand, 8> kTools{{{ID_ACHTELNOTE, ETool::eighth},
                                             {ID_VIERTELNOTE, ETool::quarter},
                                             {ID_HALBE_NOTE, ETool::half},
                                             {ID_GANZE_NOTE, ETool::whole},
                                             {ID_ACHTELPAUSE, ETool::eighthRest},
                                             {ID_VIERTELPAUSE, ETool::quarterRest},
                                             {ID_HALBE_PAUSE, ETool::halfRest},
                                             {ID_GANZE_PAUSE, ETool::wholeRest}}};

// Toolbar buttons from left to right; 0 is a separator.
constexpr std::array<int, 20> kToolBarLayout{ID_FILE_NEW,
                                             ID_FILE_OPEN,
                                             ID_FILE_SAVE,
                                             0,
                                             ID_ACHTELNOTE,
                                             ID_VIERTELNOTE,
                                             ID_HALBE_NOTE,
                                             ID_GANZE_NOTE,
                                             0,
                                             ID_ACHTELPAUSE,
                                             ID_VIERTELPAUSE,
                                             ID_HALBE_PAUSE,
                                             ID_GANZE_PAUSE,
                                             0,
                                             ID_LOESCHEN,
                                             0,
                                             ID_LIED_GENERIEREN,
                                             ID_LIED_SPIELEN,
                                             ID_LIED_STOPPEN,
                                             ID_LIED_VORHOEREN};
}  // namespace

CMainFrame::CMainFrame(CKantiloDoc& doc, IUserDialogs& dialogs, CRecentFileList& recent,
                       QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_recent(recent) {
    setWindowIcon(CGlyphLibrary::ApplicationIcon());
    // The toolbar is the only thing to dock; its context menu would let it be hidden for good.
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_pFlow = new CDocumentFlow(doc, dialogs, recent, this);
    m_pView = new CKantiloView(doc, this);
    setCentralWidget(m_pView);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    setAcceptDrops(true);
    connect(m_pFlow, &CDocumentFlow::DocumentReplaced, this, &CMainFrame::OnDocumentReplaced);
    connect(m_pFlow, &CDocumentFlow::TitleChanged, this, &CMainFrame::UpdateTitle);
    connect(m_pFlow, &CDocumentFlow::RecentFilesChanged, this, &CMainFrame::RefillRecentFiles);
    connect(m_pFlow, &CDocumentFlow::Exported, this, [this](const QString& fileName) {
        constexpr int kExportedShownMs = 5000;
        statusBar()->showMessage(QStringLiteral("Exportiert: %1").arg(fileName), kExportedShownMs);
    });
    // A song read from disk replaces the one on screen.
    m_doc.SetUpdateHandler([this] { m_pView->OnUpdate(); });
    UpdateTitle();
}

CMainFrame::~CMainFrame() {
    m_doc.SetUpdateHandler(nullptr);
}

QAction* CMainFrame::Action(int commandId) const {
    return m_actions.value(commandId, nullptr);
}

QAction* CMainFrame::AddAction(int commandId, QAction* action) {
    if (action == nullptr) {
        action = new QAction(CCommandStrings::MenuText(commandId), this);
    }
    action->setStatusTip(CCommandStrings::Prompt(commandId));
    action->setToolTip(CCommandStrings::ToolTip(commandId));
    action->setIcon(CGlyphLibrary::ToolbarIcon(commandId));
    action->setIconVisibleInMenu(false);
    action->setMenuRole(QAction::NoRole);
    action->setData(commandId);
    m_actions.insert(commandId, action);
    return action;
}

void CMainFrame::CreateActions() {
    connect(AddAction(ID_FILE_NEW), &QAction::triggered, m_pFlow, &CDocumentFlow::FileNew);
    connect(AddAction(ID_FILE_OPEN), &QAction::triggered, m_pFlow, &CDocumentFlow::FileOpen);
    connect(AddAction(ID_FILE_SAVE), &QAction::triggered, m_pFlow, &CDocumentFlow::FileSave);
    connect(AddAction(ID_FILE_SAVE_AS), &QAction::triggered, m_pFlow, &CDocumentFlow::FileSaveAs);
    connect(AddAction(ID_FILE_EXPORT), &QAction::triggered, m_pFlow, &CDocumentFlow::FileExport);
    connect(AddAction(ID_FILE_TRANSCRIBE), &QAction::triggered, m_pFlow,
            &CDocumentFlow::FileTranscribe);
    // Recording needs the sound input, which the editor's sound commands attach.
    AddAction(ID_FILE_SING);
    connect(AddAction(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    connect(AddAction(ID_APP_ABOUT), &QAction::triggered, this, &CMainFrame::OnAppAbout);
    // The only keys with commands of their own.
    Action(ID_FILE_NEW)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Action(ID_FILE_OPEN)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Action(ID_FILE_SAVE)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

    AddAction(ID_LIED_GENERIEREN);
    AddAction(ID_LIED_SPIELEN)->setEnabled(false);
    AddAction(ID_LIED_STOPPEN);
    AddAction(ID_EINSTELLUNGEN);
    AddAction(ID_LIED_VORHOEREN);
    AddAction(ID_VORHOER_INSTRUMENT)->setMenu(new QMenu(this));
    AddAction(ID_NOTEN_ANHOEREN)->setCheckable(true);
    Action(ID_NOTEN_ANHOEREN)->setChecked(true);
    AddAction(ID_MITGELIEFERTE_INSTRUMENTE);

    AddAction(ID_FILE_MRU_FILE1)->setEnabled(false);
    CreateToolActions();
}

void CMainFrame::CreateToolActions() {
    m_pToolGroup = new QActionGroup(this);
    m_pToolGroup->setExclusive(true);
    for (const ToolCommand& command : kTools) {
        QAction* action = AddAction(command.id, new QAction(this));
        action->setText(CCommandStrings::ToolTip(command.id));
        action->setCheckable(true);
        action->setChecked(m_pView->Tool() == command.tool);
        m_pToolGroup->addAction(action);
        const ETool tool = command.tool;
        connect(action, &QAction::triggered, m_pView, [this, tool] { m_pView->SetTool(tool); });
    }
    QAction* erase = AddAction(ID_LOESCHEN, new QAction(this));
    erase->setText(CCommandStrings::ToolTip(ID_LOESCHEN));
    connect(erase, &QAction::triggered, m_pView, &CKantiloView::OnLoeschen);
}

void CMainFrame::CreateMenus() {
    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&Datei"));
    m_pFileMenu->addAction(Action(ID_FILE_NEW));
    m_pFileMenu->addAction(Action(ID_FILE_OPEN));
    m_pFileMenu->addAction(Action(ID_FILE_SAVE));
    m_pFileMenu->addAction(Action(ID_FILE_SAVE_AS));
    m_pFileMenu->addAction(Action(ID_FILE_EXPORT));
    m_pFileMenu->addAction(Action(ID_FILE_TRANSCRIBE));
    m_pFileMenu->addAction(Action(ID_FILE_SING));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_FILE_MRU_FILE1));
    m_pRecentSeparator = m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(ID_APP_EXIT));

    QMenu* sampler = menuBar()->addMenu(QStringLiteral("&Sampler"));
    sampler->addAction(Action(ID_LIED_GENERIEREN));
    sampler->addAction(Action(ID_LIED_SPIELEN));
    sampler->addAction(Action(ID_LIED_STOPPEN));
    sampler->addAction(Action(ID_EINSTELLUNGEN));
    sampler->addSeparator();
    for (int id : {ID_LIED_VORHOEREN, ID_VORHOER_INSTRUMENT, ID_NOTEN_ANHOEREN,
                   ID_MITGELIEFERTE_INSTRUMENTE}) {
        sampler->addAction(Action(id));
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    help->addAction(Action(ID_APP_ABOUT));
    for (QMenu* menu : {m_pFileMenu, sampler, help}) {
        menu->installEventFilter(this);
    }
    RefillRecentFiles();
}

// A menu never makes a greyed entry its current one, so Qt shows no prompt for it; the prompt
// says what the command would do all the same.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu != nullptr && event->type() == QEvent::MouseMove) {
        const QAction* action =
            menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (action != nullptr && !action->isEnabled() && !action->statusTip().isEmpty()) {
            statusBar()->showMessage(action->statusTip());
        } else if (action == nullptr || action->isSeparator()) {
            statusBar()->clearMessage();
        }
    }
    if (menu != nullptr && event->type() == QEvent::Hide) {
        statusBar()->clearMessage();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = new QToolBar(QStringLiteral("Standard"), this);
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolBarLayout) {
        if (id == 0) {
            m_pToolBar->addSeparator();
        } else {
            m_pToolBar->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::CreateStatusBar() {
    // The idle text ("Bereit") and the lock-key panes; the status bar owns both.
    statusBar()->addWidget(new QLabel(QStringLiteral("Bereit"), this), 1);
    new CLockKeyPanes(statusBar());
}

void CMainFrame::RefillRecentFiles() {
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        // The entry may be the one whose command is running right now.
        action->deleteLater();
    }
    m_recentActions.clear();
    const int count = m_recent.Count();
    Action(ID_FILE_MRU_FILE1)->setVisible(count == 0);
    for (int i = 0; i < count; ++i) {
        auto* action = new QAction(m_recent.MenuText(i), this);
        action->setStatusTip(CCommandStrings::Prompt(ID_FILE_MRU_FILE1));
        action->setData(ID_FILE_MRU_FILE1 + i);
        connect(action, &QAction::triggered, m_pFlow, [this, i] { m_pFlow->OpenRecentFile(i); });
        m_pFileMenu->insertAction(m_pRecentSeparator, action);
        m_recentActions.append(action);
    }
}

void CMainFrame::OnDocumentReplaced() {
    m_pView->OnInitialUpdate();
    UpdateTitle();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(m_pFlow->WindowTitle());
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_pFlow->SaveModified()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.constFirst().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile()) {
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    // Opened once the drop has finished, so a question box does not wait inside the drag.
    const QString path = urls.constFirst().toLocalFile();
    QTimer::singleShot(0, m_pFlow, [this, path] { m_pFlow->OpenDocumentFile(path); });
}
