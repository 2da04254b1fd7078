#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "CController.h"
#include "CDocumentFlow.h"
#include "CMainFrame.h"
#include "CMusicXmlReader.h"
#include "CMusicXmlWriter.h"
#include "CQtUserDialogs.h"
#include "CRecentFileList.h"
#include "CScorePages.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

// Export from the "Datei" menu, and MusicXML scores opened as new songs.
class TestExchange : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CKantiloDoc> m_doc;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    CDocumentFlow& Flow() { return m_frame->Flow(); }

    // A score of n quarter notes at A4 written at path.
    QString WriteScore(const QString& name, int n) {
        CKantiloDoc song;
        Enter(song, n);
        const QString path = Path(name);
        const std::string text = CMusicXmlWriter::ToText(song.GetSheet(), "x", "2026-01-01");
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
                       file.write(text.data(), qint64(text.size())) == qint64(text.size())
                   ? path
                   : QString();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(Path(u"K.conf"_s), QSettings::IniFormat);
        m_recent = std::make_unique<CRecentFileList>(*m_settings);
        m_doc = std::make_unique<CKantiloDoc>();
        m_frame = std::make_unique<CMainFrame>(*m_doc, m_dialogs, *m_recent);
    }
    void cleanup() {
        m_frame.reset();
        m_doc.reset();
        m_recent.reset();
        m_settings.reset();
    }

    void exportComesAfterSaveAs() {
        const QList<QAction*> file = m_frame->menuBar()->actions().first()->menu()->actions();
        QCOMPARE(file.at(3), m_frame->Action(ID_FILE_SAVE_AS));
        QAction* exportAction = file.at(4);
        QCOMPARE(exportAction, m_frame->Action(ID_FILE_EXPORT));
        QCOMPARE(exportAction->text(), u"&Exportieren..."_s);
        QCOMPARE(exportAction->statusTip(),
                 u"Exportiert das Lied als MusicXML, MIDI, PDF, SVG oder PNG."_s);
        QVERIFY(exportAction->shortcut().isEmpty());
    }

    // The export writes the file the name's extension asks for and leaves the document alone.
    void exportKeepsTheDocument() {
        const QString song = SaveSong(Path(u"lied.kt"_s), 3);
        QVERIFY(Flow().OpenDocumentFile(song));
        Enter(*m_doc, 1);
        m_dialogs.exportPath = Path(u"aus.musicxml"_s);
        m_frame->Action(ID_FILE_EXPORT)->trigger();
        m_dialogs.exportPath = Path(u"aus.mid"_s);
        QVERIFY(Flow().FileExport());
        QCOMPARE(m_dialogs.exportSuggestions, QStringList(2, u"lied"_s));
        QCOMPARE(m_dialogs.messages, QStringList());
        QVERIFY(m_doc->IsModified());
        QCOMPARE(QString::fromStdString(m_doc->GetPathName()), song);
        QCOMPARE(m_frame->windowTitle(), u"lied.kt - Kantilo"_s);
        const CMusicXmlReader::SResult back =
            CMusicXmlReader::Load(Path(u"aus.musicxml"_s).toStdString());
        QVERIFY(back.pController != nullptr);
        QCOMPARE(QString::fromUtf8(FileBytes(Path(u"aus.musicxml"_s)))
                     .contains(u"<work-title>lied</work-title>"_s),
                 true);
        QVERIFY(FileBytes(Path(u"aus.mid"_s)).startsWith("MThd"));
        // Pages are drawn with the document's title, as the command line draws them.
        m_dialogs.exportPath = Path(u"aus.svg"_s);
        QVERIFY(Flow().FileExport());
        QVERIFY(CScorePages::Save(m_doc->GetSheet(), "lied.kt", Path(u"ref.svg"_s).toStdString(),
                                  CScorePages::Format::svg)
                    .empty());
        QCOMPARE(FileBytes(Path(u"aus.svg"_s)), FileBytes(Path(u"ref.svg"_s)));
        m_dialogs.exportPath = Path(u"aus.png"_s);
        QVERIFY(Flow().FileExport());
        QVERIFY(FileBytes(Path(u"aus.png"_s)).startsWith("\x89PNG"));
        // Cancelled: nothing; unwritable: the reason, and still the same document.
        m_dialogs.exportPath.clear();
        QVERIFY(!Flow().FileExport());
        m_dialogs.exportPath = Path(u"fehlt/aus.mid"_s);
        QVERIFY(!Flow().FileExport());
        QCOMPARE(m_dialogs.messages,
                 QStringList{m_dialogs.exportPath + u" enthält eine ungültige Pfadangabe."_s});
        QVERIFY(m_doc->IsModified());
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
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied"_s, u"PDF-Dokumente (*.pdf)"_s),
                 u"/a/lied.pdf"_s);
        QCOMPARE(CQtUserDialogs::WithFilterExtension(u"/a/lied.mid"_s,
                                                     u"MusicXML-Dateien (*.musicxml)"_s),
                 u"/a/lied.mid.musicxml"_s);
    }

    // A score opens as a new, modified song named after its file; saving asks for a .kt name
    // and the score stays as it was.
    void openingAScoreImportsIt() {
        const QString score = WriteScore(u"Melodie.XML"_s, 5);
        const QByteArray before = FileBytes(score);
        QVERIFY(Flow().OpenDocumentFile(score));
        QCOMPARE(m_frame->windowTitle(), u"Melodie - Kantilo"_s);
        QCOMPARE(Notes(*m_doc), u"440/2 440/2 440/2 440/2 440/2"_s);
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_doc->GetPathName().empty());
        QCOMPARE(m_recent->Files(), QStringList{score});
        m_dialogs.answer = IUserDialogs::Answer::Yes;
        QVERIFY(!Flow().FileNew());  // "Ja", but the save dialog is cancelled
        QCOMPARE(m_dialogs.questions, QStringList{u"Änderungen in Melodie speichern?"_s});
        QCOMPARE(m_dialogs.saveSuggestions, QStringList{u"Melodie.kt"_s});
        m_dialogs.savePath = Path(u"Melodie.kt"_s);
        QVERIFY(Flow().FileSave());
        QCOMPARE(FileBytes(score), before);
        QCOMPARE(m_frame->windowTitle(), u"Melodie.kt - Kantilo"_s);
        // Again from the recent files.
        QVERIFY(Flow().OpenRecentFile(1));
        QCOMPARE(m_frame->windowTitle(), u"Melodie - Kantilo"_s);
    }

    void refusedScoreKeepsTheSong() {
        Enter(*m_doc, 2);
        const QString score = Path(u"fis.musicxml"_s);
        QFile file(score);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "<score-partwise><part><measure><note><pitch><step>F</step><alter>1</alter>"
            "<octave>4</octave></pitch><duration>1</duration></note></measure></part>"
            "</score-partwise>");
        file.close();
        m_dialogs.answer = IUserDialogs::Answer::No;
        m_dialogs.openPath = score;
        QVERIFY(!Flow().FileOpen());
        QCOMPARE(m_dialogs.messages,
                 QStringList{u"Takt 1: Die Tonhöhe Fis4 gibt es in Kantilo nicht."_s});
        QCOMPARE(Notes(*m_doc), u"440/2 440/2"_s);
        QCOMPARE(m_frame->windowTitle(), u"Unbenannt - Kantilo"_s);
        QCOMPARE(m_recent->Files(), QStringList());
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
