#include <sys/resource.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <csignal>
#include <memory>

#include "CDocumentFlow.h"
#include "CKantiloView.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

// The main window and the file commands behind it: new, open, save, save as, recent files and
// the question before a modified song is dropped.
class TestMainFrame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CKantiloDoc> m_doc;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    CDocumentFlow& Flow() { return m_frame->Flow(); }
    QString Title() const { return m_frame->windowTitle(); }
    void AskBeforeDropping() { m_dialogs.answer = IUserDialogs::Answer::No; }
    const QString kUntitled = u"Unbenannt - Kantilo"_s;
    const QString kAskUntitled = u"Änderungen in Unbenannt speichern?"_s;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(Path(u"Kantilo.conf"_s), QSettings::IniFormat);
        m_recent = std::make_unique<CRecentFileList>(*m_settings);
        m_doc = std::make_unique<CKantiloDoc>();
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_dialogs, *m_recent);
        m_frame->resize(m_frame->sizeHint());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void cleanup() {
        m_frame.reset();
        m_doc.reset();
        m_recent.reset();
        m_settings.reset();
    }

    void startsUntitledWithCtrlNOSAsOnlyShortcuts() {
        QCOMPARE(Title(), kUntitled);
        QCOMPARE(m_frame->MessagePane()->text(), u"Bereit"_s);
        QVERIFY(m_frame->Action(ID_HALBE_NOTE)->isChecked());
        QVERIFY(!m_frame->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_frame->Action(12345) == nullptr);
        m_frame->Action(ID_FILE_OPEN)->showStatusText(m_frame.get());
        QCOMPARE(m_frame->statusBar()->currentMessage(), u"Öffnet ein bestehendes Dokument."_s);
        QStringList shortcuts;
        for (QAction* action : m_frame->findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts()) {
                shortcuts.append(key.toString(QKeySequence::PortableText));
            }
        }
        shortcuts.sort();
        QCOMPARE(shortcuts, QStringList({"Ctrl+N", "Ctrl+O", "Ctrl+S"}));
        QVERIFY(m_frame->findChildren<QShortcut*>().isEmpty());
        Enter(*m_doc, 1);
        for (const QKeyCombination key :
             {Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Q,
              QKeyCombination(Qt::Key_F6), QKeyCombination(Qt::Key_Delete)}) {
            QTest::keyClick(m_frame.get(), key.key(), key.keyboardModifiers());
        }
        QVERIFY(m_frame->isVisible());
        QCOMPARE(Notes(*m_doc), u"440/2"_s);
        QVERIFY(m_dialogs.questions.isEmpty() && m_dialogs.openDialogs == 0);
        AskBeforeDropping();
        QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_dialogs.questions, QStringList{kAskUntitled});
        QCOMPARE(Notes(*m_doc), QString());
        QTest::keyClick(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_dialogs.openDialogs, 1);
        QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.saveSuggestions, QStringList{"Unbenannt.kt"});
    }

    void toolsFormOneExclusiveGroup() {
        const QList<QPair<int, int>> tools = {{ID_ACHTELNOTE, 1},   {ID_VIERTELNOTE, 2},
                                              {ID_HALBE_NOTE, 4},   {ID_GANZE_NOTE, 8},
                                              {ID_ACHTELPAUSE, 11}, {ID_VIERTELPAUSE, 12},
                                              {ID_HALBE_PAUSE, 14}, {ID_GANZE_PAUSE, 18}};
        for (const auto& [id, tool] : tools) {
            m_frame->Action(id)->trigger();
            QCOMPARE(m_frame->View()->Tool(), tool);
            for (const auto& other : tools) {
                QCOMPARE(m_frame->Action(other.first)->isChecked(), other.first == id);
            }
        }
        QVERIFY(!m_doc->IsModified());
        // The tool outlives a new song; delete is always there and marks the song modified.
        m_frame->Action(ID_GANZE_NOTE)->trigger();
        m_frame->Action(ID_FILE_NEW)->trigger();
        QCOMPARE(m_frame->View()->Tool(), 8);
        m_frame->Action(ID_LOESCHEN)->trigger();
        QVERIFY(m_doc->IsModified());
    }

    void recentFilesKeepLastFourNewestFirst() {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.append(SaveSong(Path(u"lied%1.kt"_s.arg(i)), i));
            QVERIFY(Flow().OpenDocumentFile(paths.last()));
        }
        QCOMPARE(Title(), u"lied5.kt - Kantilo"_s);
        QSettings stored(m_settings->fileName(), QSettings::IniFormat);
        stored.beginGroup(u"Recent File List"_s);
        QCOMPARE(stored.childKeys(), QStringList({"File1", "File2", "File3", "File4"}));
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(stored.value(u"File%1"_s.arg(i)).toString(), paths[5 - i]);
        }
        QList<QAction*> entries;  // 4 commands, separator, 4 files, separator, exit
        for (QAction* action : m_frame->RecentFilesMenu()->actions()) {
            entries += action->isVisible() ? QList<QAction*>{action} : QList<QAction*>();
        }
        QCOMPARE(entries.size(), 11);
        QCOMPARE(entries[5]->text(), u"&1 "_s + CRecentFileList::Abbreviate(paths[4]));
        QCOMPARE(entries[8]->text(), u"&4 "_s + CRecentFileList::Abbreviate(paths[1]));
        QVERIFY(entries[7]->text().startsWith(u"&3 "_s));
        entries[7]->trigger();  // lied3 moves to the top
        QCOMPARE(Title(), u"lied3.kt - Kantilo"_s);
        QCOMPARE(m_recent->Files(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
        // A vanished file leaves the list when chosen.
        QVERIFY(QFile::remove(paths[4]));
        QSignalSpy changed(&Flow(), &CDocumentFlow::RecentFilesChanged);
        QVERIFY(!Flow().OpenRecentFile(1));
        QCOMPARE(m_dialogs.messages, QStringList{paths[4] + u" wurde nicht gefunden."_s});
        QCOMPARE(m_recent->Files(), QStringList({paths[2], paths[3], paths[1]}));
        QCOMPARE(changed.count(), 1);
        QVERIFY(!Flow().OpenRecentFile(5));
        // Long paths are shortened for the menu, and "&" is doubled there.
        QCOMPARE(CRecentFileList::Abbreviate(u"/home/anna/lied.kt"_s), u"/home/anna/lied.kt"_s);
        QCOMPARE(CRecentFileList::Abbreviate(u"/home/anna/Musik/Kantilo/Volkslieder/lied.kt"_s),
                 u"/.../Volkslieder/lied.kt"_s);
        const QString longName = u"ein-sehr-langer-liedname-mit-mehr-als-dreissig-zeichen.kt"_s;
        QCOMPARE(CRecentFileList::Abbreviate(u"/a/"_s + longName), longName);
        QVERIFY(CRecentFileList::Abbreviate(u"/x/yy/zzz/abcdefghijklmnopqrst.kt"_s).size() <= 30);
        m_recent->Add(u"/lieder/c&d.kt"_s);
        QCOMPARE(m_recent->MenuText(0), u"&1 /lieder/c&&d.kt"_s);
    }

    void droppedFileOpens() {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(SaveSong(Path(u"gezogen.kt"_s), 3))});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(m_frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(m_frame.get(), &drop);
        QTRY_COMPARE(Title(), u"gezogen.kt - Kantilo"_s);
        QCOMPARE(Notes(*m_doc), u"440/2 440/2 440/2"_s);
    }

    void saveAsksForNameOnceThenSaveAsCopies() {
        Enter(*m_doc, 3);
        QVERIFY(!Flow().FileSaveAs());  // cancelled: nothing changes
        QVERIFY(m_doc->IsModified());
        QCOMPARE(Title(), kUntitled);
        m_dialogs.savePath = Path(u"melodie.kt"_s);
        QSignalSpy titles(&Flow(), &CDocumentFlow::TitleChanged);
        QVERIFY(Flow().FileSave());
        QCOMPARE(m_dialogs.saveSuggestions, QStringList({"Unbenannt.kt", "Unbenannt.kt"}));
        QCOMPARE(Title(), u"melodie.kt - Kantilo"_s);
        QCOMPARE(titles.count(), 1);
        QVERIFY(!m_doc->IsModified());
        QCOMPARE(m_recent->Files(), QStringList{m_dialogs.savePath});
        Enter(*m_doc, 1);
        QVERIFY(Flow().FileSave());  // has a path now: no dialog
        QCOMPARE(m_dialogs.saveSuggestions.size(), 2);
        // Save As offers the current name and keeps the old file.
        m_dialogs.savePath = Path(u"kopie.kt"_s);
        QVERIFY(Flow().FileSaveAs());
        QCOMPARE(m_dialogs.saveSuggestions.last(), u"melodie.kt"_s);
        QCOMPARE(FileBytes(Path(u"kopie.kt"_s)), FileBytes(Path(u"melodie.kt"_s)));
        QCOMPARE(m_recent->Files().first(), m_dialogs.savePath);
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    void failedSavesKeepSongAndOldFile() {
        Enter(*m_doc, 1);
        m_dialogs.savePath = Path(u"fehlt/lied.kt"_s);
        QVERIFY(!Flow().FileSave());
        QVERIFY2(m_dialogs.messages.join("").contains(m_dialogs.savePath), "names the file");
        QCOMPARE(Title(), kUntitled);
        QVERIFY(m_recent->Files().isEmpty());
        // A save that fails part-way leaves the old file as it was, and no other file.
        const QString path = Path(u"alt.kt"_s);
        m_dialogs.savePath = path;
        QVERIFY(Flow().FileSave());
        const QByteArray before = FileBytes(path);
        Enter(*m_doc, 60);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 256;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool saved = Flow().FileSave();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(m_dialogs.icons, QList<IUserDialogs::Icon>(2, IUserDialogs::Icon::Warning));
        QVERIFY(m_doc->IsModified());
        QCOMPARE(FileBytes(path), before);
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(u"Kantilo.conf"_s);
        QCOMPARE(left, QStringList{"alt.kt"});
    }

    void openingBrokenFiles_data() {
        QTest::addColumn<int>("size");  // -1: no file
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("notes");
        QTest::newRow("missing: the song stays")
            << -1 << u"PATH wurde nicht gefunden."_s << kUntitled << u"440/2 440/2"_s;
        QTest::newRow("truncated: a new song")
            << 150 << u"Unerwartetes Dateiformat."_s << kUntitled << QString();
        QTest::newRow("zero length: an empty song, named")
            << 0 << QString() << u"lied.kt - Kantilo"_s << QString();
    }
    void openingBrokenFiles() {
        QFETCH(int, size);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QString, notes);
        const QString path = SaveSong(Path(u"lied.kt"_s), 3);
        QVERIFY(size < 0 ? QFile::remove(path) : QFile(path).resize(size));
        Enter(*m_doc, 2);
        AskBeforeDropping();
        m_dialogs.openPath = path;
        QSignalSpy replaced(&Flow(), &CDocumentFlow::DocumentReplaced);
        QCOMPARE(Flow().FileOpen(), size == 0);
        QCOMPARE(m_dialogs.messages.join(""), message.replace(u"PATH"_s, path));
        QCOMPARE(Title(), title);
        QCOMPARE(Notes(*m_doc), notes);
        QCOMPARE(m_doc->IsModified(), size < 0);
        QCOMPARE(replaced.count(), size < 0 ? 0 : 1);
        QCOMPARE(m_recent->Files(), size == 0 ? QStringList{path} : QStringList());
    }

    void modifiedSongIsAskedForBeforeItIsDropped() {
        Enter(*m_doc, 1);
        // Cancel keeps the song: no new song, no open dialog, the window stays.
        QVERIFY(!Flow().FileNew());
        QVERIFY(!Flow().FileOpen());
        QVERIFY(!m_frame->close());
        QVERIFY(m_frame->isVisible());
        QCOMPARE(m_dialogs.openDialogs, 0);
        QCOMPARE(Notes(*m_doc), u"440/2"_s);
        QCOMPARE(m_dialogs.questions, QStringList(3, kAskUntitled));
        // Yes saves first; while the save dialog is cancelled the window stays.
        m_dialogs.answer = IUserDialogs::Answer::Yes;
        QVERIFY(!m_frame->close());
        m_dialogs.savePath = Path(u"gesichert.kt"_s);
        QVERIFY(m_frame->close());
        const QByteArray saved = FileBytes(m_dialogs.savePath);
        QVERIFY(!saved.isEmpty());
        m_frame->show();
        QVERIFY(Flow().FileNew());  // unmodified now: no question
        QCOMPARE(m_dialogs.questions.size(), 5);
        QCOMPARE(Title(), kUntitled);
        // No drops the song unsaved, on the way out too.
        QVERIFY(Flow().OpenDocumentFile(m_dialogs.savePath));
        Enter(*m_doc, 1);
        AskBeforeDropping();
        m_frame->Action(ID_APP_EXIT)->trigger();
        QVERIFY(!m_frame->isVisible());
        QCOMPARE(m_dialogs.questions.last(), u"Änderungen in gesichert.kt speichern?"_s);
        QCOMPARE(FileBytes(m_dialogs.savePath), saved);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
