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
    CDocumentFlow& Flow() { return m_f->frame.Flow(); }
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
        QMenu* menu = m_f->frame.menuBar()->actions()[1]->menu();
        QAction* action = m_f->frame.Action(ID_LIED_SPIELEN);
        QVERIFY(!action->isEnabled() && !action->statusTip().isEmpty());
        menu->popup(m_f->frame.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        m_f->frame.statusBar()->clearMessage();
        QTest::mouseMove(menu, menu->actionGeometry(action).center());
        QTRY_COMPARE(m_f->frame.statusBar()->currentMessage(), action->statusTip());
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

    void openingBrokenFiles_data() {
        QTest::addColumn<int>("size");  // of a saved song cut short; -1: a score with F sharp
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("notes");
        QTest::newRow("truncated: a new song")
            << 150 << u"Unerwartetes Dateiformat."_s << kUntitled << QString();
        QTest::newRow("zero length: an empty song, named")
            << 0 << QString() << u"lied.kt - Kantilo"_s << QString();
        QTest::newRow("refused score: the song stays")
            << -1 << u"Takt 1: Die Tonhöhe Fis4 gibt es in Kantilo nicht."_s << kUntitled
            << u"440/2 440/2"_s;
    }
    void openingBrokenFiles() {
        QFETCH(int, size);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QString, notes);
        const QString path = size < 0 ? Path(u"fis.musicxml"_s) : SaveSong(Path(u"lied.kt"_s), 3);
        QVERIFY(size < 0 ? WriteFile(path,
                                     "<score-partwise><part><measure><note><pitch><step>F"
                                     "</step><alter>1</alter><octave>4</octave></pitch>"
                                     "<duration>1</duration></note></measure></part>"
                                     "</score-partwise>")
                         : QFile(path).resize(size));
        Enter(m_f->doc, 2);
        Dialogs().answer = IUserDialogs::Answer::No;
        Dialogs().openPath = path;
        QCOMPARE(Flow().FileOpen(), size == 0);
        QCOMPARE(Dialogs().messages.join(""), message);
        QCOMPARE(m_f->Title(), title);
        QCOMPARE(Notes(m_f->doc), notes);
        QCOMPARE(m_f->doc.IsModified(), size < 0);
        QCOMPARE(m_f->recent.Files(), size == 0 ? QStringList{path} : QStringList());
    }

    void cancelKeepsAModifiedSong() {
        Enter(m_f->doc, 1);
        QVERIFY(!Flow().FileOpen());  // cancelled: the song and the window stay
        QVERIFY(!m_f->frame.close());
        QCOMPARE(Dialogs().openDialogs, 0);
        QCOMPARE(Notes(m_f->doc), u"440/2"_s);
        QCOMPARE(Dialogs().questions, QStringList(2, u"Änderungen in Unbenannt speichern?"_s));
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
        const QString reference = Path(u"ref.svg"_s);
        QVERIFY(CScorePages::Save(m_f->doc.GetSheet(), "lied.kt", reference.toStdString(),
                                  CScorePages::Format::svg)
                    .empty());
        QCOMPARE(exported(u"aus.svg"_s), FileBytes(reference));
        QCOMPARE(Dialogs().exportSuggestions, QStringList(3, u"lied"_s));
        QCOMPARE(Dialogs().messages, QStringList());
        QCOMPARE(QString::fromStdString(m_f->doc.GetPathName()), song);
        QCOMPARE(m_f->Title(), u"lied.kt - Kantilo"_s);
        // Cancelled: nothing; unwritable: the reason, and still the same document.
        Dialogs().exportPath.clear();
        QVERIFY(!Flow().FileExport());
        QVERIFY(exported(u"fehlt/aus.mid"_s).isEmpty());
        QCOMPARE(Dialogs().messages,
                 QStringList{Dialogs().exportPath + u" enthält eine ungültige Pfadangabe."_s});
        // Save As into a missing folder says why, like the export.
        Dialogs().savePath = Path(u"fehlt/lied.kt"_s);
        QVERIFY(!Flow().FileSaveAs());
        QCOMPARE(Dialogs().messages.last(),
                 Dialogs().savePath + u" enthält eine ungültige Pfadangabe."_s);
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
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied.mid"_s,
                                                     u"MusicXML-Dateien (*.musicxml)"_s),
                 u"/a/lied.mid.musicxml"_s);
    }

    // A score dropped, chosen in the open dialog or from the recent files opens as a new,
    // modified song named after its file; saving asks for a .kt name and leaves the score alone.
    // Drops open once the drop is over; other drops are refused.
    void openingAScoreImportsIt() {
        CKantiloDoc song;
        Enter(song, 5);
        const QString score = Path(u"Melodie.XML"_s);
        const std::string text = CMusicXmlWriter::ToText(song.GetSheet(), "x", "2026-01-01");
        QVERIFY(WriteFile(score, QByteArray::fromStdString(text)));
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
        QTRY_COMPARE(m_f->Title(), u"Melodie - Kantilo"_s);
        const QString notes = Notes(m_f->doc);
        QCOMPARE(notes, u"440/2 440/2 440/2 440/2 440/2"_s);
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
        Enter(m_f->doc, 1);
        Dialogs().answer = IUserDialogs::Answer::No;
        Dialogs().openPath = score;
        QVERIFY(Flow().FileOpen());
        QCOMPARE(m_f->Title(), u"Melodie - Kantilo"_s);
        QCOMPARE(Notes(m_f->doc), notes);
        QVERIFY(Flow().OpenDocumentFile(Path(u"Melodie.kt"_s)));
        QVERIFY(Flow().OpenRecentFile(1));
        QCOMPARE(m_f->Title(), u"Melodie - Kantilo"_s);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
