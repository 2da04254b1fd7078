#include <sys/resource.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

#include "CDocumentFlow.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

// The file commands of the main window: open, save, recent files and the question before a
// modified song is dropped.
class TestMainFrame : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CKantiloDoc> m_doc;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    CDocumentFlow& Flow() { return m_frame->Flow(); }
    QString Title() const { return m_frame->windowTitle(); }
    const QString kUntitled = u"Unbenannt - Kantilo"_s;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(Path(u"K.conf"_s), QSettings::IniFormat);
        m_recent = std::make_unique<CRecentFileList>(*m_settings);
        m_doc = std::make_unique<CKantiloDoc>();
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_dialogs, *m_recent);
        m_frame->show();
    }
    void cleanup() {
        m_frame.reset();
        m_doc.reset();
        m_recent.reset();
        m_settings.reset();
    }

    // Greyed entries tell on hover what they would do, as the others do.
    void greyedMenuEntriesShowTheirPrompt() {
        const QList<QAction*> menus = m_frame->menuBar()->actions();
        const std::pair<int, int> kEntries[] = {{0, ID_FILE_MRU_FILE1}, {1, ID_LIED_SPIELEN}};
        for (const auto& [menuIndex, commandId] : kEntries) {
            QMenu* menu = menus[menuIndex]->menu();
            QAction* action = m_frame->Action(commandId);
            QVERIFY(!action->isEnabled());
            menu->popup(m_frame->mapToGlobal(QPoint(0, 0)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            m_frame->statusBar()->clearMessage();
            QTest::mouseMove(menu, menu->actionGeometry(action).center());
            QTRY_COMPARE(m_frame->statusBar()->currentMessage(), action->statusTip());
            QVERIFY(!action->statusTip().isEmpty());
            menu->hide();
            QCOMPARE(m_frame->statusBar()->currentMessage(), QString());
        }
    }

    // Entries are cut to 30 characters at a folder boundary, and an '&' shows as itself.
    void recentFileMenuTexts() {
        const std::pair<QString, QString> kCases[] = {
            {u"/home/anna/Lieder/sommer123.kt"_s, u"&1 /home/anna/Lieder/sommer123.kt"_s},
            {u"/home/anna/Musik/Lieder/2026/sommer.kt"_s, u"&1 /.../Lieder/2026/sommer.kt"_s},
            {u"/tmp/ein_sehr_langer_liedname_x.kt"_s, u"&1 ein_sehr_langer_liedname_x.kt"_s},
            {u"/tmp/Tom & Jerry.kt"_s, u"&1 /tmp/Tom && Jerry.kt"_s},
        };
        for (const auto& [path, text] : kCases) {
            m_recent->Add(path);
            QCOMPARE(m_recent->MenuText(0), text);
        }
        const QString path = SaveSong(Path(u"A&B.kt"_s), 1);
        QVERIFY(Flow().OpenDocumentFile(path));
        QAction* entry = nullptr;
        for (QAction* action : m_frame->menuBar()->actions()[0]->menu()->actions()) {
            entry = action->text().startsWith(u"&1 "_s) ? action : entry;
        }
        QVERIFY(entry != nullptr && entry->text().endsWith(u"A&&B.kt"_s));
    }

    // A file dropped on the window opens once the drop is over; other drops are refused.
    void droppedFileOpens() {
        const QString path = SaveSong(Path(u"abgelegt.kt"_s), 3);
        for (const QList<QUrl>& urls : {QList<QUrl>{QUrl(u"https://example.org/x.kt"_s)},
                                        QList<QUrl>{QUrl::fromLocalFile(path)}}) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(m_frame.get(), &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(m_frame.get(), &drop);
            QCOMPARE(drop.isAccepted(), urls.constFirst().isLocalFile());
            QCOMPARE(enter.isAccepted(), urls.constFirst().isLocalFile());
        }
        QCOMPARE(m_doc->GetPathName(), std::string());  // not inside the drop
        QTRY_COMPARE(QString::fromStdString(m_doc->GetPathName()), path);
        QCOMPARE(Title(), u"abgelegt.kt - Kantilo"_s);
        QCOMPARE(Notes(*m_doc), u"440/2 440/2 440/2"_s);
    }

    void recentFilesKeepLastFourNewestFirst() {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.append(SaveSong(Path(u"lied%1.kt"_s.arg(i)), i));
            QVERIFY(Flow().OpenDocumentFile(paths.last()));
        }
        QSettings stored(m_settings->fileName(), QSettings::IniFormat);
        stored.beginGroup(u"Recent File List"_s);
        QCOMPARE(stored.childKeys(), QStringList({"File1", "File2", "File3", "File4"}));
        QCOMPARE(stored.value(u"File1"_s).toString(), paths[4]);
        QCOMPARE(stored.value(u"File4"_s).toString(), paths[1]);
        QVERIFY(Flow().OpenRecentFile(2));  // lied3 moves to the top
        QCOMPARE(Title(), u"lied3.kt - Kantilo"_s);
        QCOMPARE(m_recent->Files(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
        // A vanished file leaves the list when chosen.
        QVERIFY(QFile::remove(paths[4]));
        QVERIFY(!Flow().OpenRecentFile(1));
        QCOMPARE(m_dialogs.messages, QStringList{paths[4] + u" wurde nicht gefunden."_s});
        QCOMPARE(m_recent->Files(), QStringList({paths[2], paths[3], paths[1]}));
        QVERIFY(!Flow().OpenRecentFile(5));
    }

    // A save that fails part-way leaves the old file as it was, the song modified, no other file.
    void failedSaveKeepsOldFile() {
        const QString path = Path(u"alt.kt"_s);
        m_dialogs.savePath = path;
        Enter(*m_doc, 1);
        QVERIFY(Flow().FileSave());
        const QByteArray before = FileBytes(path);
        Enter(*m_doc, 60);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tight{256, old.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool saved = Flow().FileSave();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(m_dialogs.icons, QList<IUserDialogs::Icon>{IUserDialogs::Icon::Warning});
        QVERIFY(m_doc->IsModified());
        QCOMPARE(FileBytes(path), before);
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(u"K.conf"_s);
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
        m_dialogs.answer = IUserDialogs::Answer::No;
        m_dialogs.openPath = path;
        QCOMPARE(Flow().FileOpen(), size == 0);
        QCOMPARE(m_dialogs.messages.join(""), message.replace(u"PATH"_s, path));
        QCOMPARE(Title(), title);
        QCOMPARE(Notes(*m_doc), notes);
        QCOMPARE(m_doc->IsModified(), size < 0);
        QCOMPARE(m_recent->Files(), size == 0 ? QStringList{path} : QStringList());
    }

    void modifiedSongIsAskedForBeforeItIsDropped() {
        Enter(*m_doc, 1);
        // Cancel keeps the song and the window.
        QVERIFY(!Flow().FileOpen());
        QVERIFY(!m_frame->close());
        QCOMPARE(m_dialogs.openDialogs, 0);
        QCOMPARE(Notes(*m_doc), u"440/2"_s);
        QCOMPARE(m_dialogs.questions, QStringList(2, u"Änderungen in Unbenannt speichern?"_s));
        // Yes saves first; while the save dialog is cancelled the window stays.
        m_dialogs.answer = IUserDialogs::Answer::Yes;
        QVERIFY(!m_frame->close());
        m_dialogs.savePath = Path(u"gesichert.kt"_s);
        QVERIFY(m_frame->close());
        const QByteArray saved = FileBytes(m_dialogs.savePath);
        QVERIFY(!saved.isEmpty());
        // No drops the song unsaved.
        m_frame->show();
        Enter(*m_doc, 1);
        m_dialogs.answer = IUserDialogs::Answer::No;
        m_frame->Action(ID_APP_EXIT)->trigger();
        QVERIFY(!m_frame->isVisible());
        QCOMPARE(m_dialogs.questions.last(), u"Änderungen in gesichert.kt speichern?"_s);
        QCOMPARE(FileBytes(m_dialogs.savePath), saved);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
