#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "CKantiloApp.h"
#include "CMusicXmlWriter.h"
#include "CScorePages.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

// The file commands of the main window: open, save, export, recent files, MusicXML scores
// and the question before a modified song is dropped; start-up from the command line. Scores
// from other programs: what the import changed is told in one information box once the song
// shows, and saving proposes the score's title.
class TestMainFrame : public QObject {
    Q_OBJECT

    std::unique_ptr<CFrameFixture> m_f;
    const QString kUntitled = u"Unbenannt - Kantilo"_s;

    QString Path(const QString& name) const { return m_f->Path(name); }
    CDocumentFlow& Flow() { return m_f->frame.Flow(); }
    CFakeDialogs& Dialogs() { return m_f->dialogs; }
    static QString Corpus(const QString& name) {
        return qEnvironmentVariable("KANTILO_SOURCE_DIR") + u"/tests/data/import/"_s + name;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_f = std::make_unique<CFrameFixture>();
        m_f->frame.show();
    }
    void cleanup() { m_f.reset(); }

    // A broken song is replaced by a new one, an empty file opens as an empty song, a refused
    // score leaves the song as it was.
    void openingBrokenFiles_data() {
        QTest::addColumn<int>("size");  // of a saved song cut short; -1: a broken score
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("notes");
        QTest::newRow("truncated") << 150 << kUntitled << QString();
        QTest::newRow("zero length") << 0 << u"lied.kt - Kantilo"_s << QString();
        QTest::newRow("refused score") << -1 << kUntitled << u"440/2 440/2"_s;
    }
    void openingBrokenFiles() {
        QFETCH(int, size);
        QFETCH(QString, title);
        QFETCH(QString, notes);
        const QString path = size < 0 ? Path(u"lied.musicxml"_s) : SaveSong(Path(u"lied.kt"_s), 3);
        QVERIFY(size < 0 ? WriteFile(path, "<score-partwise>") : QFile(path).resize(size));
        Enter(m_f->doc, 2);
        Dialogs().answer = IUserDialogs::Answer::No;
        Dialogs().openPath = path;
        QCOMPARE(Flow().FileOpen(), size == 0);
        QCOMPARE(Dialogs().messages.join(""), size == 0 ? "" : u"Unerwartetes Dateiformat."_s);
        QCOMPARE(Dialogs().icons,
                 size == 0 ? QList<IUserDialogs::Icon>() : QList{IUserDialogs::Icon::Warning});
        QCOMPARE(m_f->Title(), title);
        QCOMPARE(Notes(m_f->doc), notes);
        QCOMPARE(m_f->doc.IsModified(), size < 0);
        QCOMPARE(m_f->recent.Files(), size == 0 ? QStringList{path} : QStringList());
    }

    // The export writes the kind of file its name asks for and leaves the document alone;
    // pages carry the document's title, as the command line draws them.
    void exportKeepsTheDocument() {
        QVERIFY(Flow().OpenDocumentFile(SaveSong(Path(u"lied.kt"_s), 3)));
        Enter(m_f->doc, 1);
        const QString reference = Path(u"ref.svg"_s);
        QCOMPARE(CScorePages::Save(m_f->doc.GetSheet(), "lied", reference.toStdString(),
                                   CScorePages::Format::svg),
                 std::string());
        for (const QString& name : {u"aus.musicxml"_s, u"aus.svg"_s, QString()}) {
            Dialogs().exportPath = name.isEmpty() ? name : Path(name);  // empty: cancelled
            m_f->frame.statusBar()->clearMessage();
            m_f->frame.Action(ID_FILE_EXPORT)->trigger();
            QCOMPARE(m_f->frame.statusBar()->currentMessage(),
                     name.isEmpty() ? QString() : u"Exportiert: "_s + name);
        }
        QVERIFY(FileBytes(Path(u"aus.musicxml"_s)).contains("<work-title>lied</work-title>"));
        QCOMPARE(FileBytes(Path(u"aus.svg"_s)), FileBytes(reference));
        QCOMPARE(Dialogs().exportSuggestions, QStringList(3, u"lied"_s));
        QVERIFY(Dialogs().messages.isEmpty());
        QCOMPARE(m_f->Title(), u"lied.kt - Kantilo"_s);
        QVERIFY(m_f->doc.IsModified());
    }

    // A score dropped opens, once the drop is over, as a new, modified song named after its
    // title; Cancel keeps it and the window. Other drops are refused.
    void droppedScoreImportsIt() {
        CKantiloDoc song;
        Enter(song, 2);
        const QString score = Path(u"Melodie.XML"_s);
        QVERIFY(WriteFile(score, QByteArray::fromStdString(CMusicXmlWriter::ToText(
                                     song.GetSheet(), "Abendlied", "2026-01-01"))));
        for (const QUrl& url : {QUrl(u"https://example.org/x.kt"_s), QUrl::fromLocalFile(score)}) {
            QMimeData data;
            data.setUrls({url});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&m_f->frame, &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&m_f->frame, &drop);
            QCOMPARE(drop.isAccepted(), url.isLocalFile());
            QCOMPARE(enter.isAccepted(), url.isLocalFile());
        }
        QCOMPARE(m_f->Title(), kUntitled);
        QTRY_COMPARE(m_f->Title(), u"Abendlied - Kantilo"_s);
        QCOMPARE(m_f->recent.Files(), QStringList{score});
        Dialogs().openPath = score;  // opened only if Cancel were not heeded
        QVERIFY(!Flow().FileOpen() && !m_f->frame.close());
        Dialogs().answer = IUserDialogs::Answer::Yes;
        QVERIFY(!Flow().FileNew());  // "Ja", but the save dialog is cancelled
        QCOMPARE(Dialogs().questions, QStringList(3, u"Änderungen in Abendlied speichern?"_s));
        QCOMPARE(Notes(m_f->doc), u"440/2 440/2"_s);
    }

    // The program over settings that list a saved song: opened from the command line, the song
    // shows in the window; asked to unregister, the settings go, it says so and ends with 0.
    void startup_data() {
        QTest::addColumn<SStartup::Request>("request");
        QTest::newRow("open") << SStartup::Request::open;
        QTest::newRow("unregister") << SStartup::Request::unregister;
    }
    void startup() {
        QFETCH(SStartup::Request, request);
        const QString song = SaveSong(Path(u"lied.kt"_s), 1);
        m_f->settings.setValue(u"Recent File List/File1"_s, song);
        m_f->settings.sync();
        CKantiloApp app(Dialogs(), m_f->settings);
        const bool open = request == SStartup::Request::open;
        int code = -1;
        QCOMPARE(app.InitInstance({request, open ? song.toStdString() : "", false}, code), open);
        QCOMPARE(QFileInfo::exists(m_f->settings.fileName()), open);
        if (!open) {
            QCOMPARE(code, 0);
            QCOMPARE(Dialogs().messages,
                     QStringList{u"Einträge in der Systemregistrierung wurden entfernt, und die "
                                 "INI-Datai (falls vorhanden) wurde gelöscht."_s});
            return;
        }
        QVERIFY(Dialogs().messages.isEmpty() && app.MainFrame()->isVisible());
        QCOMPARE(app.MainFrame()->windowTitle(), u"lied.kt - Kantilo"_s);
        QCOMPARE(app.RecentFiles().Files().last(), song);
        QCOMPARE(Notes(app.Document()), u"440/2"_s);
    }

    // What an import changed shows in one information box once the song does (its words are
    // KantiloProgramTest's); saving proposes the score's title as a file name, without folder
    // or line break, or the file's name for a score without one. A score that needs no change,
    // as one with a split bar, shows no box.
    void importedScoresTellAndProposeTheTitle() {
        int shownBefore = -1;
        connect(&Flow(), &CDocumentFlow::DocumentReplaced, this,
                [&] { shownBefore = static_cast<int>(Dialogs().messages.size()); });
        QVERIFY(Flow().OpenDocumentFile(Corpus(u"dreiviertel-g-dur.musicxml"_s)));
        QCOMPARE(shownBefore, 0);
        QCOMPARE(Dialogs().messages.size(), 1);
        QCOMPARE(Dialogs().icons, QList{IUserDialogs::Icon::Information});
        QCOMPARE(m_f->frame.windowTitle(), u"Abendwalzer - Kantilo"_s);
        Dialogs().answer = IUserDialogs::Answer::No;
        const QString score = Path(u"lied.xml"_s);
        const QByteArray body =
            "<part><measure><note><pitch><step>C</step><octave>4</octave></pitch>"
            "<duration>1</duration></note></measure></part></score-partwise>";
        for (const QByteArray& head : {QByteArray(), QByteArray("<movement-title>Nord/S\xc3\xbc"
                                                                "d\nWest</movement-title>")}) {
            QVERIFY(!Flow().FileSave());  // the save dialog is cancelled
            QVERIFY(WriteFile(score, "<score-partwise>" + head + body));
            QVERIFY(Flow().OpenDocumentFile(score));
        }
        QVERIFY(!Flow().FileSave());
        QCOMPARE(Dialogs().saveSuggestions,
                 QStringList({u"Abendwalzer.kt"_s, u"lied.kt"_s, u"Nord-Süd West.kt"_s}));
        QVERIFY(Flow().OpenDocumentFile(Corpus(u"kurzer-takt.musicxml"_s)));
        QCOMPARE(Dialogs().messages.size(), 1);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
