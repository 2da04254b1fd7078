// "Datei → Aus Aufnahme übernehmen...": a recording chosen in the editor becomes a new,
// modified song titled after the file, its notices in one box; a recording without a melody, or
// "Abbrechen" in the progress dialog, leaves the song as it was.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "CController.h"
#include "CQtUserDialogs.h"
#include "CRecordingFileDialog.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "CTempoBox.h"
#include "SheetProbe.h"
#include "ViewTestKit.h"

class TestTranscribe : public QObject {
    Q_OBJECT

    std::unique_ptr<CFrameFixture> m_f;

    // The song's sounds, to compare with those entered.
    static std::vector<CScoreNotes::SSound> Sounds(const CNotenblatt& sheet) {
        return CScoreNotes(sheet).Sounds();
    }
    // The progress dialog over the window while a recording is written down.
    QProgressDialog* Progress() const {
        return m_f->frame.findChild<QProgressDialog*>(u"transcriptionProgress"_s);
    }
    QString Render(const std::string& strEntries, const QString& name) {
        CController controller;
        Enter(controller, strEntries);
        CSilentProgressSink sink;
        controller.Generate(sink, "Standard", m_f->Path(name).toStdString(), 10, 264);
        return sink.Warning().empty() ? m_f->Path(name) : QString();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { m_f = std::make_unique<CFrameFixture>(); }
    void cleanup() { m_f.reset(); }

    // Asked first whether to save the song; silence is refused in words naming the file, and
    // "Abbrechen" while the work runs says nothing: the song, its title and its modified flag
    // stay, and the command reports that it did nothing.
    void silenceAndCancellingLeaveTheSong() {
        const std::string strTune = "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/8 ";
        const QString silence = Render("C4/18 C4/18", u"Stille.wav"_s);
        const QString recording = Render(strTune + strTune + strTune + strTune, u"Lang.wav"_s);
        Click(m_f->doc, 264, 2);
        Click(m_f->doc, 330, 4);
        const std::vector<CScoreNotes::SSound> before = Sounds(m_f->doc.GetSheet());
        const std::string strTitle = m_f->doc.GetTitle();
        m_f->dialogs.answer = IUserDialogs::Answer::No;  // the song is not saved first
        m_f->dialogs.recordingPath = silence;
        QVERIFY(!m_f->frame.Flow().FileTranscribe());
        QCOMPARE(m_f->dialogs.questions.size(), 1);
        QCOMPARE(
            m_f->dialogs.messages,
            QStringList{u"In der Aufnahme „"_s + silence +
                        u"“ ist keine Melodie zu hören (nur Stille, Rauschen oder Akkorde)."_s});
        m_f->dialogs.messages.clear();
        m_f->dialogs.recordingPath = recording;
        bool bShown = false;
        QTimer::singleShot(0, &m_f->frame, [&] {
            QProgressDialog* pDialog = Progress();
            bShown = pDialog != nullptr;
            if (bShown) {
                pDialog->findChild<QPushButton*>()->click();
            }
        });
        QVERIFY(!m_f->frame.Flow().FileTranscribe());
        QVERIFY(bShown);
        QVERIFY(Sounds(m_f->doc.GetSheet()) == before);
        QCOMPARE(m_f->doc.GetTitle(), strTitle);
        QVERIFY(m_f->doc.IsModified());
        QVERIFY(m_f->dialogs.messages.isEmpty());
        QCOMPARE(m_f->frame.windowTitle(), QString::fromStdString(strTitle) + u" - Kantilo"_s);
        // A cancelled run leaves nothing behind that would stop the next one, which makes the
        // recording a new, modified song titled after the file, its notice told.
        QVERIFY(m_f->frame.Flow().FileTranscribe());
        QCOMPARE(m_f->frame.windowTitle(), u"Lang - Kantilo"_s);
        QVERIFY(m_f->doc.IsModified() && m_f->doc.GetPathName().empty());
        QCOMPARE(m_f->dialogs.messages.size(), 1);
        QCOMPARE(Progress(), nullptr);
    }

    // The tempo given in the chooser is the one the recording is read at, and no tempo is
    // then told as found: a tune played at 120 quarters per minute, read at 60, comes in with
    // every length halved; left "automatisch", as played.
    void givenTempoReadsTheRecordingAtIt() {
        const QString recording = Render("C4/2 E4/2 G4/4 E4/2 C4/2 G4/4", u"Melodie.wav"_s);
        CController halved;
        Enter(halved, "C4/1 E4/1 G4/2 E4/1 C4/1 G4/2");
        CController played;
        Enter(played, "C4/2 E4/2 G4/4 E4/2 C4/2 G4/4");
        m_f->dialogs.recordingPath = recording;
        m_f->dialogs.recordingQuarters = 60;
        QVERIFY(m_f->frame.Flow().FileTranscribe());
        QVERIFY(Sounds(m_f->doc.GetSheet()) == Sounds(halved.GetSheet()));
        QVERIFY(m_f->dialogs.messages.isEmpty());
        m_f->dialogs.recordingQuarters.reset();
        m_f->dialogs.answer = IUserDialogs::Answer::No;  // the melody read before is not saved
        QVERIFY(m_f->frame.Flow().FileTranscribe());
        QVERIFY(Sounds(m_f->doc.GetSheet()) == Sounds(played.GetSheet()));
        QCOMPARE(m_f->dialogs.messages, QStringList{u"Tempo 120 Schläge pro Minute erkannt."_s});
    }

    // The chooser the editor shows starts at "automatisch", one step below the least tempo the
    // command line takes too, and tells the file and tempo chosen once accepted; cancelled, it
    // tells nothing.
    void chooserTakesTheTempo() {
        const QString recording = Render("C4/2 E4/2", u"Kurz.wav"_s);
        CQtUserDialogs dialogs;
        dialogs.SetParent(&m_f->frame);
        bool bChecked = false;
        QTimer::singleShot(0, &m_f->frame, [&] {
            auto* pDialog = qobject_cast<CRecordingFileDialog*>(QApplication::activeModalWidget());
            auto* pTempo = pDialog != nullptr ? pDialog->findChild<CTempoBox*>() : nullptr;
            if (pTempo == nullptr) {
                return;
            }
            bChecked = pTempo->text() == u"automatisch"_s && !pTempo->Quarters();
            pTempo->setValue(301);
            bChecked = bChecked && pTempo->text() == u"300 Viertel pro Minute"_s;
            pTempo->setValue(40);
            pTempo->stepDown();
            bChecked = bChecked && !pTempo->Quarters();
            pTempo->selectAll();
            QTest::keyClicks(pTempo, u"96"_s);
            pTempo->interpretText();
            pDialog->selectFile(recording);
            static_cast<QDialog*>(pDialog)->accept();
        });
        const IUserDialogs::SRecordingChoice choice = dialogs.ChooseRecording();
        QVERIFY(bChecked);
        QCOMPARE(QFileInfo(choice.path), QFileInfo(recording));
        QCOMPARE(choice.quarters, std::optional<double>(96));
        QTimer::singleShot(0, &m_f->frame, [] {
            if (QWidget* pDialog = QApplication::activeModalWidget()) {
                static_cast<QDialog*>(pDialog)->reject();
            }
        });
        const IUserDialogs::SRecordingChoice cancelled = dialogs.ChooseRecording();
        QVERIFY(cancelled.path.isEmpty() && !cancelled.quarters);
    }
};

QTEST_MAIN(TestTranscribe)
#include "tst_transcribe.moc"
