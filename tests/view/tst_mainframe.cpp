#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "CKantiloApp.h"
#include "CMusicXmlWriter.h"
#include "CQtUserDialogs.h"
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
        QMenu* menu = m_f->frame.menuBar()->actions()[1]->menu();
        QAction* action = m_f->frame.Action(ID_LIED_SPIELEN);
        QVERIFY(!action->isEnabled() && !action->statusTip().isEmpty());
        menu->popup(m_f->frame.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        m_f->frame.statusBar()->clearMessage();
        QTest::mouseMove(menu, menu->actionGeometry(action).center());
        QTRY_COMPARE(m_f->frame.statusBar()->currentMessage(), action->statusTip());
    }

    // The export follows Save As, the two recording entries follow it; recent entries are cut
    // to 30 characters at a folder boundary, and an '&' shows as itself.
    void fileMenuTexts() {
        QAction* exportAction = m_f->frame.Action(ID_FILE_EXPORT);
        QCOMPARE(FileMenu().mid(3, 4),
                 (QList<QAction*>{m_f->frame.Action(ID_FILE_SAVE_AS), exportAction,
                                  m_f->frame.Action(ID_FILE_TRANSCRIBE),
                                  m_f->frame.Action(ID_FILE_SING)}));
        QCOMPARE(exportAction->text(), u"&Exportieren..."_s);
        QCOMPARE(m_f->frame.Action(ID_FILE_TRANSCRIBE)->text(), u"Aus &Aufnahme übernehmen..."_s);
        QCOMPARE(m_f->frame.Action(ID_FILE_SING)->text(), u"Melodie &einsingen..."_s);
        QCOMPARE(exportAction->statusTip(),
                 u"Exportiert das Lied als MusicXML, MIDI, PDF, SVG oder PNG."_s);
        const std::pair<QString, QString> kCases[] = {
            {u"/home/anna/Musik/Lieder/2026/sommer.kt"_s, u"&1 /.../Lieder/2026/sommer.kt"_s},
            {u"/tmp/ein_sehr_langer_liedname_x.kt"_s, u"&1 ein_sehr_langer_liedname_x.kt"_s},
        };
        for (const auto& [path, text] : kCases) {
            m_f->recent.Add(path);
            QCOMPARE(m_f->recent.MenuText(0), text);
        }
        QVERIFY(Flow().OpenDocumentFile(SaveSong(Path(u"A&B.kt"_s), 1)));
        const QList<QAction*> menu = FileMenu();  // one list: its begin and end must match
        QVERIFY(std::any_of(menu.begin(), menu.end(), [](QAction* action) {
            return action->text().startsWith(u"&1 "_s) && action->text().endsWith(u"A&&B.kt"_s);
        }));
    }

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
        QCOMPARE(m_f->Title(), title);
        QCOMPARE(Notes(m_f->doc), notes);
        QCOMPARE(m_f->doc.IsModified(), size < 0);
        QCOMPARE(m_f->recent.Files(), size == 0 ? QStringList{path} : QStringList());
    }

    // The export writes the kind of file its name asks for and leaves the document alone;
    // pages carry the document's title, as the command line draws them. Save As into a
    // missing folder says why, like the export.
    void exportKeepsTheDocument() {
        QVERIFY(Flow().OpenDocumentFile(SaveSong(Path(u"lied.kt"_s), 3)));
        Enter(m_f->doc, 1);
        const QString reference = Path(u"ref.svg"_s);
        QCOMPARE(CScorePages::Save(m_f->doc.GetSheet(), "lied", reference.toStdString(),
                                   CScorePages::Format::svg),
                 std::string());
        for (const QString& name :
             {u"aus.musicxml"_s, u"aus.svg"_s, u"fehlt/aus.mid"_s, QString()}) {
            Dialogs().exportPath = name.isEmpty() ? name : Path(name);  // empty: cancelled
            m_f->frame.statusBar()->clearMessage();
            m_f->frame.Action(ID_FILE_EXPORT)->trigger();
            const bool written = name == u"aus.musicxml"_s || name == u"aus.svg"_s;
            QCOMPARE(m_f->frame.statusBar()->currentMessage(),
                     written ? u"Exportiert: "_s + name : QString());
        }
        QVERIFY(FileBytes(Path(u"aus.musicxml"_s)).contains("<work-title>lied</work-title>"));
        QCOMPARE(FileBytes(Path(u"aus.svg"_s)), FileBytes(reference));
        QCOMPARE(Dialogs().exportSuggestions, QStringList(4, u"lied"_s));
        Dialogs().savePath = Path(u"fehlt/lied.kt"_s);
        QVERIFY(!Flow().FileSaveAs());
        QCOMPARE(Dialogs().messages,
                 QStringList({Path(u"fehlt/aus.mid"_s) + u" enthält eine ungültige Pfadangabe."_s,
                              Dialogs().savePath + u" enthält eine ungültige Pfadangabe."_s}));
        QCOMPARE(m_f->Title(), u"lied.kt - Kantilo"_s);
        QVERIFY(m_f->doc.IsModified());
    }

    // The open dialog lists scores under its MusicXML filter, whose patterns are separated
    // by ";".
    void openDialogListsScores() {
        QStringList filters, shown;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
            filters = dialog->nameFilters();
            types->setCurrentIndex(2);  // as a user's choice: both signals
            emit types->activated(2);
            emit types->textActivated(types->currentText());
            shown = dialog->findChild<QFileSystemModel*>()->nameFilters();
            dialog->close();
        });
        QCOMPARE(CQtUserDialogs().GetOpenFileName(), QString());
        QCOMPARE(filters, QStringList({u"Dateityp Kantil (*.kt)"_s, u"Alle Dateien (*.*)"_s,
                                       u"MusicXML-Dateien (*.musicxml;*.xml;*.mxl)"_s}));
        QCOMPARE(shown, QStringList({u"*.musicxml"_s, u"*.xml"_s, u"*.mxl"_s}));
    }

    // A score dropped opens, once the drop is over, as a new, modified song named after its
    // title; Cancel keeps it and the window; saving asks for a .kt name and leaves the score
    // alone. Other drops are refused.
    void droppedScoreImportsIt() {
        CKantiloDoc song;
        Enter(song, 2);
        const QString score = Path(u"Melodie.XML"_s);
        const QByteArray text = QByteArray::fromStdString(
            CMusicXmlWriter::ToText(song.GetSheet(), "Abendlied", "2026-01-01"));
        QVERIFY(WriteFile(score, text));
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
        Dialogs().savePath = Path(u"Melodie.kt"_s);
        QVERIFY(Flow().FileSave());
        QCOMPARE(FileBytes(score), text);
        QCOMPARE(m_f->Title(), u"Melodie.kt - Kantilo"_s);
    }

    // The program over settings that list a saved song.
    void startup_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<SStartup::Request>("request");
        QTest::addColumn<int>("exitCode");     // -1: the editor runs
        QTest::addColumn<QString>("message");  // %1: the document's path
        using R = SStartup::Request;
        QTest::newRow("path") << u"lied.kt"_s << R::open << -1 << QString();
        QTest::newRow("missing") << u"fehlt.kt"_s << R::open << 1 << u"%1 wurde nicht gefunden."_s;
        QTest::newRow("print") << u"lied.kt"_s << R::print << 0 << QString();
        QTest::newRow("unregister")
            << QString() << R::unregister << 0
            << u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai "
               "(falls vorhanden) wurde gelöscht."_s;
    }
    void startup() {
        QFETCH(QString, document);
        QFETCH(SStartup::Request, request);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString song = SaveSong(Path(u"lied.kt"_s), 1);
        m_f->settings.setValue(u"Recent File List/File1"_s, song);
        m_f->settings.sync();
        CKantiloApp app(Dialogs(), m_f->settings);
        const QString path = document.isEmpty() ? document : Path(document);
        int code = -1;
        QCOMPARE(app.InitInstance({request, path.toStdString(), false}, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QCOMPARE(Dialogs().messages.join(""), message.replace(u"%1"_s, path));
        const bool unregister = request == SStartup::Request::unregister;
        QCOMPARE(QFileInfo::exists(m_f->settings.fileName()), !unregister);
        if (unregister) {
            return;
        }
        QCOMPARE(app.MainFrame()->isVisible() ? app.MainFrame()->windowTitle() : QString(),
                 exitCode == -1 ? u"lied.kt - Kantilo"_s : QString());
        QCOMPARE(app.RecentFiles().Files().last(), song);
        QCOMPARE(Notes(app.Document()), path == song ? u"440/2"_s : QString());
    }

    // What an import changed shows in one information box once the song does, and saving
    // proposes the score's title; a score with a split bar needs no change and shows no box.
    void noticesFollowTheShownScore() {
        int shownBefore = -1;
        connect(&Flow(), &CDocumentFlow::DocumentReplaced, this,
                [&] { shownBefore = static_cast<int>(Dialogs().messages.size()); });
        QVERIFY(Flow().OpenDocumentFile(Corpus(u"dreiviertel-g-dur.musicxml"_s)));
        QCOMPARE(shownBefore, 0);
        QCOMPARE(Dialogs().messages,
                 QStringList{u"Die Taktart 3/4 wurde in 4/4-Takte umgeschrieben; die Melodie "
                             "klingt gleich.\nDie Melodie wurde von G-Dur nach C-Dur übertragen "
                             "(eine Quarte höher)."_s});
        QCOMPARE(Dialogs().icons, QList{IUserDialogs::Icon::Information});
        QCOMPARE(m_f->frame.windowTitle(), u"Abendwalzer - Kantilo"_s);
        QVERIFY(m_f->doc.IsModified() && m_f->doc.GetPathName().empty());
        QVERIFY(!Flow().FileSave());  // the save dialog is cancelled
        QCOMPARE(Dialogs().saveSuggestions, QStringList{u"Abendwalzer.kt"_s});
        Dialogs().answer = IUserDialogs::Answer::No;
        QVERIFY(Flow().OpenDocumentFile(Corpus(u"kurzer-takt.musicxml"_s)));
        QCOMPARE(Dialogs().messages.size(), 1);
    }

    // A title is proposed as a file name: no folder or line break comes with it; a score
    // without one is named after its file.
    void theTitleIsAFileName() {
        const QString score = Path(u"lied.xml"_s);
        const QByteArray body =
            "<part><measure><note><pitch><step>C</step><octave>4</octave></pitch>"
            "<duration>1</duration></note></measure></part></score-partwise>";
        QVERIFY(WriteFile(score,
                          "<score-partwise><movement-title>Nord/S\xc3\xbc"
                          "d\nWest"
                          "</movement-title>" +
                              body));
        QVERIFY(Flow().OpenDocumentFile(score));
        QVERIFY(!Flow().FileSave());  // the save dialog is cancelled
        QVERIFY(WriteFile(score, "<score-partwise>" + body));
        Dialogs().answer = IUserDialogs::Answer::No;
        QVERIFY(Flow().OpenDocumentFile(score));
        QVERIFY(!Flow().FileSave());
        QCOMPARE(Dialogs().saveSuggestions, QStringList({u"Nord-Süd West.kt"_s, u"lied.kt"_s}));
        QVERIFY(Dialogs().messages.isEmpty());
    }

    // A refusal with several reasons is one warning listing them all.
    void aRefusalListsEveryReason() {
        QVERIFY(!Flow().OpenDocumentFile(Corpus(u"sechzehntel-und-umfang-ms.mxl"_s)));
        QCOMPARE(Dialogs().messages.size(), 1);
        QCOMPARE(Dialogs().messages.front().count(u'\n'), 4);
        QCOMPARE(Dialogs().icons, QList{IUserDialogs::Icon::Warning});
    }

    // The box itself: captioned "Kantilo", with the information icon and the notices' text.
    void theBoxIsAnInformation() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        });
        CQtUserDialogs().ShowMessage(u"Wiederholungen wurden ausgeschrieben."_s,
                                     IUserDialogs::Icon::Information);
        QCOMPARE(caption, u"Kantilo"_s);
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(text, u"Wiederholungen wurden ausgeschrieben."_s);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
