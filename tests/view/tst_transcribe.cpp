// "Datei → Aus Aufnahme übernehmen...": a recording chosen in the editor becomes a new,
// modified song titled after the file, its notices in one box; a recording without a melody
// leaves the song as it was and says why.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "CController.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "CommandIds.h"
#include "SheetProbe.h"
#include "ViewTestKit.h"

class TestTranscribe : public QObject {
    Q_OBJECT

    std::unique_ptr<CFrameFixture> m_f;

    // The song's sounds, to compare with those entered.
    static std::vector<CScoreNotes::SSound> Sounds(const CNotenblatt& sheet) {
        return CScoreNotes(sheet).Sounds();
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

    // The two entries follow "Exportieren..." in the file menu.
    void menuEntries() {
        const QList<QAction*> menu = m_f->frame.menuBar()->actions()[0]->menu()->actions();
        const qsizetype at = menu.indexOf(m_f->frame.Action(ID_FILE_EXPORT));
        QCOMPARE(menu.mid(at + 1, 2), (QList<QAction*>{m_f->frame.Action(ID_FILE_TRANSCRIBE),
                                                       m_f->frame.Action(ID_FILE_SING)}));
        QCOMPARE(m_f->frame.Action(ID_FILE_TRANSCRIBE)->text(), u"Aus &Aufnahme übernehmen..."_s);
        QCOMPARE(m_f->frame.Action(ID_FILE_SING)->text(), u"Melodie &einsingen..."_s);
    }

    void recordingBecomesANewSong() {
        const std::string strEntries = "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/8";
        m_f->dialogs.recordingPath = Render(strEntries, u"Kuckuck.wav"_s);
        QVERIFY(!m_f->dialogs.recordingPath.isEmpty());
        m_f->frame.Action(ID_FILE_TRANSCRIBE)->trigger();
        QCOMPARE(m_f->doc.GetTitle(), std::string("Kuckuck"));
        QVERIFY(m_f->doc.IsModified() && m_f->doc.GetPathName().empty());
        CController entered;
        Enter(entered, strEntries);
        QVERIFY(Sounds(m_f->doc.GetSheet()) == Sounds(entered.GetSheet()));
        QCOMPARE(m_f->dialogs.messages, QStringList{u"Tempo 120 Schläge pro Minute erkannt."_s});
        QCOMPARE(m_f->frame.windowTitle(), u"Kuckuck - Kantilo"_s);
    }

    void silenceLeavesTheSong() {
        m_f->dialogs.recordingPath = Render("C4/18 C4/18", u"Stille.wav"_s);
        Click(m_f->doc, 264, 2);
        m_f->frame.Action(ID_FILE_TRANSCRIBE)->trigger();  // asks to save first: "Abbrechen"
        QCOMPARE(m_f->dialogs.questions.size(), 1);
        QCOMPARE(Sounds(m_f->doc.GetSheet()).size(), size_t(1));
        m_f->dialogs.answer = IUserDialogs::Answer::No;
        m_f->frame.Action(ID_FILE_TRANSCRIBE)->trigger();
        QCOMPARE(Sounds(m_f->doc.GetSheet()).size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages,
                 QStringList{u"In der Aufnahme „"_s + m_f->dialogs.recordingPath +
                             u"“ ist keine Melodie zu hören (nur Stille, Rauschen oder Akkorde)."_s});
    }
};

QTEST_MAIN(TestTranscribe)
#include "tst_transcribe.moc"
