#include <QProcess>
#include <QtEndian>

#include "PrivateSoundServer.h"
#include "UiTestKit.h"

constexpr int kRate = 44100;  // the null sink's own rate

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
        QProcess recorder;
        recorder.start(u"parecord"_s,
                       {u"--device=kantilo_null.monitor"_s, u"--raw"_s, u"--rate=%1"_s.arg(kRate),
                        u"--channels=1"_s, u"--format=s16le"_s, u"--latency-msec=20"_s});
        QVERIFY(recorder.waitForStarted(10000));
        QVERIFY(QTest::qWaitFor([&] { return recorder.bytesAvailable() > 0; }, 10000));
        f.Action(ID_LIED_SPIELEN)->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.commands->Player().IsPlaying(); }, 5000));
        QTest::qWait(1500);
        f.Action(ID_LIED_STOPPEN)->trigger();
        QVERIFY(!f.commands->Player().IsPlaying());
        QTest::qWait(1500);
        recorder.terminate();
        recorder.waitForFinished(10000);
        const QByteArray data = recorder.readAllStandardOutput();
        QVector<qint16> rec(data.size() / 2);
        qFromLittleEndian<qint16>(data.constData(), rec.size(), rec.data());
        const auto loud = [](qint16 s) { return std::abs(s) > 1000; };  // the song peaks at 10000
        const qsizetype first = std::find_if(rec.begin(), rec.end(), loud) - rec.begin();
        const qsizetype last = rec.rend() - std::find_if(rec.rbegin(), rec.rend(), loud);
        const qsizetype heard = (last - first) * 1000 / kRate;
        QVERIFY2(heard > 900 && heard < 2300, qPrintable(QString::number(heard)));
        QVERIFY(rec.size() - last > kRate);  // silence after the stop
    }
};

QTEST_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
