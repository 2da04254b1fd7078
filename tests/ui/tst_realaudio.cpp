#include "AudioTestKit.h"
#include "UiTestKit.h"

// Plays a generated song with the editor's play and stop commands into a sound server's null
// sink and listens to what came out.
class TestRealAudio : public QObject {
    Q_OBJECT

    CPrivateSoundServer m_server;

private slots:
    // A private sound server from tools/start-pulse.sh, whose default sink is a null sink.
    void initTestCase() {
        CSongPlayer::SelectMediaBackend();  // as main does
        if (!m_server.Start()) {
            QSKIP("no sound server can be started here (it needs pulseaudio and its tools)");
        }
    }

    void cleanupTestCase() { QVERIFY(m_server.Stop()); }

    // The song sounds from Play until Stop, and not a moment longer.
    void playSoundsUntilStopped() {
        CEditorFixture f;
        f.View().SetSongDir(f.dir.path());
        f.EnterSong();
        QVERIFY(f.Generate());
        f.commands->Player().SetBeep([] { QFAIL("the song did not play"); });
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        f.Action(ID_LIED_SPIELEN)->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.commands->Player().IsPlaying(); }, 5000));
        QTest::qWait(1500);
        f.Action(ID_LIED_STOPPEN)->trigger();
        QVERIFY(!f.commands->Player().IsPlaying());
        QTest::qWait(1500);
        const QVector<double> rec = recorder.Samples();
        const auto [first, last] = LoudSpan(rec, 1000);  // the song peaks at 10000
        const qsizetype heard = (last - first) * 1000 / kRate;
        QVERIFY2(heard > 900 && heard < 2300, qPrintable(QString::number(heard)));
        QVERIFY(rec.size() - last > kRate);  // silence after the stop
    }
};

QTEST_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
