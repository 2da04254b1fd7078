#include <sys/resource.h>

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QtTest>
#include <csignal>
#include <memory>

#include "CMusicXmlWriter.h"
#include "CQtUserDialogs.h"
#include "CScorePages.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

// The file commands of the main window: open, save, export, recent files, MusicXML scores
// and the question before a modified song is dropped.
class TestMainFrame : public QObject {
    Q_OBJECT

    std::unique_ptr<CFrameFixture> m_f;
    const QString kUntitled = u"Unbenannt - Kantilo"_s;

    QString Path(const QString& name) const { return m_f->Path(name); }
    CDocumentFlow& Flow() { return m_f->Flow(); }
    CFakeDialogs& Dialogs() { return m_f->dialogs; }
    QList<QAction*> FileMenu() { return m_f->frame.menuBar()->actions()[0]->menu()->actions(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_f = std::make_unique<CFrameFixture>();
        m_f->frame.show();
    }
    void cleanup() { m_f.reset(); }

    // Greyed entries tell on hover what they would do, as the others do.
    void greyedMenuEntriesShowTheirPrompt() {
        const QList<QAction*> menus = m_f->frame.menuBar()->actions();
        for (const auto& [menuIndex, commandId] :
             {std::pair{0, ID_FILE_MRU_FILE1}, {1, ID_LIED_SPIELEN}}) {
            QMenu* menu = menus[menuIndex]->menu();
            QAction* action = m_f->frame.Action(commandId);
            QVERIFY(!action->isEnabled() && !action->statusTip().isEmpty());
            menu->popup(m_f->frame.mapToGlobal(QPoint(0, 0)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            m_f->frame.statusBar()->clearMessage();
            QTest::mouseMove(menu, menu->actionGeometry(action).center());
            QTRY_COMPARE(m_f->frame.statusBar()->currentMessage(), action->statusTip());
            menu->hide();
            QCOMPARE(m_f->frame.statusBar()->currentMessage(), QString());
        }
    }

    void exportComesAfterSaveAs() {
        QAction* exportAction = m_f->frame.Action(ID_FILE_EXPORT);
        QCOMPARE(FileMenu().mid(3, 2),
                 (QList<QAction*>{m_f->frame.Action(ID_FILE_SAVE_AS), exportAction}));
        QCOMPARE(exportAction->text(), u"&Exportieren..."_s);
        QCOMPARE(exportAction->statusTip(),
                 u"Exportiert das Lied als MusicXML, MIDI, PDF, SVG oder PNG."_s);
        QVERIFY(exportAction->shortcut().isEmpty());
    }

    // Entries are cut to 30 characters at a folder boundary, and an '&' shows as itself.
    void recentFileMenuTexts() {
        const std::pair<QString, QString> kCases[] = {
            {u"/home/anna/Lieder/sommer123.kt"_s, u"&1 /home/anna/Lieder/sommer123.kt"_s},
            {u"/home/anna/Musik/Lieder/2026/sommer.kt"_s, u"&1 /.../Lieder/2026/sommer.kt"_s},
            {u"/tmp/ein_sehr_langer_liedname_x.kt"_s, u"&1 ein_sehr_langer_liedname_x.kt"_s},
        };
        for (const auto& [path, text] : kCases) {
            m_f->recent.Add(path);
            QCOMPARE(m_f->recent.MenuText(0), text);
        }
        QVERIFY(Flow().OpenDocumentFile(SaveSong(Path(u"A&B.kt"_s), 1)));
        QVERIFY(std::any_of(FileMenu().begin(), FileMenu().end(), [](QAction* action) {
            return action->text().startsWith(u"&1 "_s) && action->text().endsWith(u"A&&B.kt"_s);
        }));
    }

    // A file dropped on the window opens once the drop is over; other drops are refused.
    void droppedFileOpens() {
        const QString path = SaveSong(Path(u"abgelegt.kt"_s), 3);
        for (const QUrl& url : {QUrl(u"https://example.org/x.kt"_s), QUrl::fromLocalFile(path)}) {
            QMimeData data;
            data.setUrls({url});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&m_f->frame, &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&m_f->frame, &drop);
            QCOMPARE(drop.isAccepted(), url.isLocalFile());
            QCOMPARE(enter.isAccepted(), url.isLocalFile());
        }
        QCOMPARE(m_f->doc.GetPathName(), std::string());  // not inside the drop
        QTRY_COMPARE(QString::fromStdString(m_f->doc.GetPathName()), path);
        QCOMPARE(m_f->Title(), u"abgelegt.kt - Kantilo"_s);
        QCOMPARE(Notes(m_f->doc), u"440/2 440/2 440/2"_s);
    }

    void recentFilesKeepLastFourNewestFirst() {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.append(SaveSong(Path(u"lied%1.kt"_s.arg(i)), i));
            QVERIFY(Flow().OpenDocumentFile(paths.last()));
        }
        QSettings stored(m_f->settings.fileName(), QSettings::IniFormat);
        stored.beginGroup(u"Recent File List"_s);
        QCOMPARE(stored.childKeys(), QStringList({"File1", "File2", "File3", "File4"}));
        QCOMPARE(stored.value(u"File1"_s).toString(), paths[4]);
        QCOMPARE(stored.value(u"File4"_s).toString(), paths[1]);
        QVERIFY(Flow().OpenRecentFile(2));  // lied3 moves to the top
        QCOMPARE(m_f->Title(), u"lied3.kt - Kantilo"_s);
        QCOMPARE(m_f->recent.Files(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
        // A vanished file leaves the list when chosen.
        QVERIFY(QFile::remove(paths[4]));
        QVERIFY(!Flow().OpenRecentFile(1));
        QCOMPARE(Dialogs().messages, QStringList{paths[4] + u" wurde nicht gefunden."_s});
        QCOMPARE(m_f->recent.Files(), QStringList({paths[2], paths[3], paths[1]}));
        QVERIFY(!Flow().OpenRecentFile(5));
    }

    // A save that fails part-way leaves the old file as it was, the song modified, no other file.
    void failedSaveKeepsOldFile() {
        Dialogs().savePath = Path(u"alt.kt"_s);
        Enter(m_f->doc, 1);
        QVERIFY(Flow().FileSave());
        const QByteArray before = FileBytes(Dialogs().savePath);
        Enter(m_f->doc, 60);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tight{256, old.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool saved = Flow().FileSave();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved && m_f->doc.IsModified());
        QCOMPARE(Dialogs().icons, QList<IUserDialogs::Icon>{IUserDialogs::Icon::Warning});
        QCOMPARE(FileBytes(Dialogs().savePath), before);
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"alt.kt", "K.conf"}));
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
        Enter(m_f->doc, 2);
        Dialogs().answer = IUserDialogs::Answer::No;
        Dialogs().openPath = path;
        QCOMPARE(Flow().FileOpen(), size == 0);
        QCOMPARE(Dialogs().messages.join(""), message.replace(u"PATH"_s, path));
        QCOMPARE(m_f->Title(), title);
        QCOMPARE(Notes(m_f->doc), notes);
        QCOMPARE(m_f->doc.IsModified(), size < 0);
        QCOMPARE(m_f->recent.Files(), size == 0 ? QStringList{path} : QStringList());
    }

    void modifiedSongIsAskedForBeforeItIsDropped() {
        Enter(m_f->doc, 1);
        // Cancel keeps the song and the window.
        QVERIFY(!Flow().FileOpen());
        QVERIFY(!m_f->frame.close());
        QCOMPARE(Dialogs().openDialogs, 0);
        QCOMPARE(Notes(m_f->doc), u"440/2"_s);
        QCOMPARE(Dialogs().questions, QStringList(2, u"Änderungen in Unbenannt speichern?"_s));
        // Yes saves first; while the save dialog is cancelled the window stays.
        Dialogs().answer = IUserDialogs::Answer::Yes;
        QVERIFY(!m_f->frame.close());
        Dialogs().savePath = Path(u"gesichert.kt"_s);
        QVERIFY(m_f->frame.close());
        const QByteArray saved = FileBytes(Dialogs().savePath);
        QVERIFY(!saved.isEmpty());
        // No drops the song unsaved.
        m_f->frame.show();
        Enter(m_f->doc, 1);
        Dialogs().answer = IUserDialogs::Answer::No;
        m_f->frame.Action(ID_APP_EXIT)->trigger();
        QVERIFY(!m_f->frame.isVisible());
        QCOMPARE(Dialogs().questions.last(), u"Änderungen in gesichert.kt speichern?"_s);
        QCOMPARE(FileBytes(Dialogs().savePath), saved);
    }

    // The export writes the kind of file its name asks for and leaves the document alone;
    // pages carry the document's title, as the command line draws them.
    void exportKeepsTheDocument() {
        const QString song = SaveSong(Path(u"lied.kt"_s), 3);
        QVERIFY(Flow().OpenDocumentFile(song));
        Enter(m_f->doc, 1);
        const auto exported = [this](const QString& name) {
            Dialogs().exportPath = Path(name);
            return Flow().FileExport() ? FileBytes(Dialogs().exportPath) : QByteArray();
        };
        Dialogs().exportPath = Path(u"aus.musicxml"_s);
        m_f->frame.Action(ID_FILE_EXPORT)->trigger();
        QVERIFY(FileBytes(Dialogs().exportPath).contains("<work-title>lied</work-title>"));
        QVERIFY(exported(u"aus.mid"_s).startsWith("MThd"));
        for (const auto& [format, name] : {std::pair{CScorePages::Format::svg, u"aus.svg"_s},
                                           {CScorePages::Format::png, u"aus.png"_s}}) {
            const std::string reference = Path(u"ref-"_s + name).toStdString();
            QVERIFY(CScorePages::Save(m_f->doc.GetSheet(), "lied.kt", reference, format).empty());
            QCOMPARE(exported(name), FileBytes(QString::fromStdString(reference)));
        }
        QCOMPARE(Dialogs().exportSuggestions, QStringList(4, u"lied"_s));
        QCOMPARE(Dialogs().messages, QStringList());
        QCOMPARE(QString::fromStdString(m_f->doc.GetPathName()), song);
        QCOMPARE(m_f->Title(), u"lied.kt - Kantilo"_s);
        // Cancelled: nothing; unwritable: the reason, and still the same document.
        Dialogs().exportPath.clear();
        QVERIFY(!Flow().FileExport());
        QVERIFY(exported(u"fehlt/aus.mid"_s).isEmpty());
        QCOMPARE(Dialogs().messages,
                 QStringList{Dialogs().exportPath + u" enthält eine ungültige Pfadangabe."_s});
        QVERIFY(m_f->doc.IsModified());
    }

    // The open dialog lists scores under its MusicXML filter, whose patterns are separated
    // by ";".
    void openDialogListsScores() {
        CQtUserDialogs dialogs;
        QStringList filters, shown;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QComboBox* types = dialog ? dialog->findChild<QComboBox*>(u"fileTypeCombo"_s) : nullptr;
            if (types != nullptr) {
                filters = dialog->nameFilters();
                types->setCurrentIndex(2);
                emit types->activated(2);
                emit types->textActivated(types->currentText());
                shown = dialog->findChild<QFileSystemModel*>()->nameFilters();
            }
            QApplication::activeModalWidget()->close();
        });
        QCOMPARE(dialogs.GetOpenFileName(), QString());
        QCOMPARE(filters, QStringList({u"Dateityp Kantil (*.kt)"_s, u"Alle Dateien (*.*)"_s,
                                       u"MusicXML-Dateien (*.musicxml;*.xml)"_s}));
        QCOMPARE(shown, QStringList({u"*.musicxml"_s, u"*.xml"_s}));
    }

    void chosenFilterSetsTheExtension() {
        const QString midi = u"MIDI-Dateien (*.mid)"_s;
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied"_s, midi), u"/a/lied.mid"_s);
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied.MID"_s, midi), u"/a/lied.MID"_s);
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied.mid"_s,
                                                     u"MusicXML-Dateien (*.musicxml)"_s),
                 u"/a/lied.mid.musicxml"_s);
    }

    // A score opens as a new, modified song named after its file; saving asks for a .kt name
    // and the score stays as it was.
    void openingAScoreImportsIt() {
        CKantiloDoc song;
        Enter(song, 5);
        const QString score = Path(u"Melodie.XML"_s);
        const std::string text = CMusicXmlWriter::ToText(song.GetSheet(), "x", "2026-01-01");
        QVERIFY(WriteFile(score, QByteArray::fromStdString(text)));
        QVERIFY(Flow().OpenDocumentFile(score));
        QCOMPARE(m_f->Title(), u"Melodie - Kantilo"_s);
        QCOMPARE(Notes(m_f->doc), u"440/2 440/2 440/2 440/2 440/2"_s);
        QVERIFY(m_f->doc.IsModified() && m_f->doc.GetPathName().empty());
        QCOMPARE(m_f->recent.Files(), QStringList{score});
        Dialogs().answer = IUserDialogs::Answer::Yes;
        QVERIFY(!Flow().FileNew());  // "Ja", but the save dialog is cancelled
        QCOMPARE(Dialogs().questions, QStringList{u"Änderungen in Melodie speichern?"_s});
        QCOMPARE(Dialogs().saveSuggestions, QStringList{u"Melodie.kt"_s});
        Dialogs().savePath = Path(u"Melodie.kt"_s);
        QVERIFY(Flow().FileSave());
        QCOMPARE(FileBytes(score), QByteArray::fromStdString(text));
        QCOMPARE(m_f->Title(), u"Melodie.kt - Kantilo"_s);
        // Again from the recent files.
        QVERIFY(Flow().OpenRecentFile(1));
        QCOMPARE(m_f->Title(), u"Melodie - Kantilo"_s);
    }

    void refusedScoreKeepsTheSong() {
        Enter(m_f->doc, 2);
        Dialogs().answer = IUserDialogs::Answer::No;
        Dialogs().openPath = Path(u"fis.musicxml"_s);
        QVERIFY(WriteFile(Dialogs().openPath,
                          "<score-partwise><part><measure><note><pitch><step>F</step><alter>1"
                          "</alter><octave>4</octave></pitch><duration>1</duration></note>"
                          "</measure></part></score-partwise>"));
        QVERIFY(!Flow().FileOpen());
        QCOMPARE(Dialogs().messages,
                 QStringList{u"Takt 1: Die Tonhöhe Fis4 gibt es in Kantilo nicht."_s});
        QCOMPARE(Notes(m_f->doc), u"440/2 440/2"_s);
        QCOMPARE(m_f->Title(), kUntitled);
        QCOMPARE(m_f->recent.Files(), QStringList());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
