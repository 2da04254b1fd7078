// "Melodie einsingen": a song played into a private sound server's null sink is recorded from
// its monitor as the default input, and transcribed to the notes it was rendered from.
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "CController.h"
#include "CRecording.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "CSingDlg.h"
#include "CTempoBox.h"
#include "CTranscriber.h"
#include "PrivateSoundServer.h"
#include "SheetProbe.h"

using namespace Qt::StringLiterals;

class TestSing : public QObject {
    Q_OBJECT

    CPrivateSoundServer m_server;
    QTemporaryDir m_dir;

    // The sounds with onsets from the first one: a recording starts whenever it starts.
    static std::vector<CScoreNotes::SSound> FromFirst(const CNotenblatt& sheet) {
        std::vector<CScoreNotes::SSound> sounds = CScoreNotes(sheet).Sounds();
        for (CScoreNotes::SSound& sound : sounds) {
            sound.nOnset -= sounds.empty() ? 0 : CScoreNotes(sheet).Sounds().front().nOnset;
        }
        return sounds;
    }

private slots:
    // The server's null sink monitor becomes the default input, for Qt and for libpulse.
    void initTestCase() {
        if (!m_server.Start()) {
            QSKIP("no sound server can be started here (it needs pulseaudio and its tools)");
        }
        // Qt lists no monitor sources as inputs: a plain source stands on the monitor.
        qputenv("PULSE_SOURCE", "kantilo_null.monitor");
        QCOMPARE(QProcess::execute(u"pactl"_s, {u"load-module"_s, u"module-remap-source"_s,
                                                u"master=kantilo_null.monitor"_s,
                                                u"source_name=kantilo_mikrofon"_s}),
                 0);
        QCOMPARE(QProcess::execute(u"pactl"_s, {u"set-default-source"_s, u"kantilo_mikrofon"_s}),
                 0);
    }

    void cleanupTestCase() { QVERIFY(m_server.Stop()); }

    void sungMelodyComesBack() {
        const std::string strEntries = "C4/2 C4/2 G4/1 A4/1 G4/4 E4/12 D4/2 C4/4 C4/4";
        CController song;
        Enter(song, strEntries);
        CSilentProgressSink sink;
        const QString wave = m_dir.filePath(u"lied.wav"_s);
        song.Generate(sink, "Standard", wave.toStdString(), 10, 264);
        QVERIFY(sink.Warning().empty());

        CSingDlg dlg;
        QVERIFY(dlg.Start());
        dlg.show();
        QTest::qWait(500);
        // Enter or the space bar ends the recording, as before there was a tempo to set.
        auto* focused = qobject_cast<QPushButton*>(dlg.focusWidget());
        QVERIFY(focused != nullptr && focused->text() == u"Fertig"_s && focused->isDefault());
        QProcess player;
        player.start(u"paplay"_s, {u"--device=kantilo_null"_s, wave});
        QVERIFY(QTest::qWaitFor([&] { return player.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(player.exitCode(), 0);
        QTest::qWait(800);
        QVERIFY2(dlg.Seconds() > 4, qPrintable(QString::number(dlg.Seconds())));
        // The singer may say the tempo sung at; the melody then comes back at it, untold.
        QVERIFY(!dlg.Quarters());
        dlg.findChild<CTempoBox*>()->setValue(120);
        dlg.accept();
        const std::unique_ptr<CRecording> pRecording = dlg.TakeRecording();
        QVERIFY(pRecording != nullptr);
        for (const std::optional<double> quarters : {std::optional<double>(), dlg.Quarters()}) {
            CTranscriber::SOptions options;
            options.quarters = quarters;
            const CTranscriber::SResult result =
                CTranscriber::Transcribe(*pRecording, options, "Gesang");
            QVERIFY2(result.pController != nullptr, result.strMessage.c_str());
            QVERIFY(FromFirst(result.pController->GetSheet()) == FromFirst(song.GetSheet()));
            QCOMPARE(result.notices.size(), quarters ? 0U : 1U);
        }
    }
};

QTEST_MAIN(TestSing)
#include "tst_sing.moc"
