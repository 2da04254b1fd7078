#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <signal.h>

#include <cmath>
#include <numeric>

#include "CSamplerDlg.h"
#include "CWaveFile.h"
#include "UiTestKit.h"

namespace {

using Samples = QVector<double>;

// First and one past the last sample louder than threshold; (0, 0) for silence.
std::pair<int, int> SoundingRange(const Samples& samples, double threshold) {
    const auto loud = [threshold](double s) { return std::abs(s) > threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::pair{int(first - samples.begin()), int(last - samples.begin())}
                        : std::pair{0, 0};
}

bool HasNullSink() {
    QProcess pactl;
    pactl.start(u"pactl"_s, {u"list"_s, u"short"_s, u"sinks"_s});
    return pactl.waitForFinished(10000) && pactl.readAllStandardOutput().contains("kantilo_null");
}

}  // namespace

// Plays a generated song with the editor's play and stop commands into a sound server's null
// sink and listens to what came out.
class TestRealAudio : public QObject {
    Q_OBJECT

    pid_t m_nServerPid = 0;  // a private server this test started

private slots:
    void initTestCase() {
        CSongPlayer::SelectMediaBackend();  // as main does
        if (QStandardPaths::findExecutable(u"parecord"_s).isEmpty()) {
            QSKIP("parecord is not installed: no sound can be recorded here");
        }
        if (!HasNullSink()) {  // a private server from tools/start-pulse.sh
            const QString root = qEnvironmentVariable(
                "KANTILO_SOURCE_DIR", QFileInfo(__FILE__).absolutePath() + "/../..");
            QProcess start;
            start.start(u"bash"_s, {root + u"/tools/start-pulse.sh"_s});
            start.waitForFinished(30000);
            for (const QByteArray& line : start.readAllStandardOutput().split('\n')) {
                const qsizetype equals = line.indexOf('=');
                if (line.startsWith("export ") && equals > 7) {
                    qputenv(line.mid(7, equals - 7).constData(), line.mid(equals + 1));
                }
            }
            m_nServerPid = qEnvironmentVariableIntValue("KANTILO_PULSE_PID");
        }
        if (!HasNullSink()) {
            QSKIP("no sound server with a null sink can be reached");
        }
    }

    void cleanupTestCase() {
        if (m_nServerPid > 0) {
            ::kill(m_nServerPid, SIGTERM);
            QVERIFY(QTest::qWaitFor([this] { return ::kill(m_nServerPid, 0) != 0; }, 5000));
            QDir(qEnvironmentVariable("KANTILO_PULSE_DIR")).removeRecursively();
        }
    }

    // What comes out is the song's beginning, and Stop silences it at once.
    void playSoundsLikeTheSongUntilStopped() {
        CEditorFixture f;
        f.View().SetSongDir(f.dir.path());
        const int heights[] = {49, 42, 35, 31, 45};  // five half notes, five seconds
        for (int i = 0; i < 5; ++i) {
            f.ClickNote(80 + 40 * i, heights[i]);
        }
        QVERIFY(
            CEditorFixture::OnModal<CSamplerDlg>([&] { f.Action(ID_LIED_GENERIEREN)->trigger(); },
                                                 [](CSamplerDlg& dlg) { Click(dlg, "ok"); }));
        CWaveFile wave(f.Path(u"Test.wav"_s).toStdString());
        wave.ReadHeader();
        wave.ReadData();
        QVERIFY(!wave.IsStereo() && wave.GetBitsPerSample() == 16);
        const int rate = int(wave.GetSampleRate());
        const Samples song(wave.Samples(), wave.Samples() + wave.GetSize());
        QVERIFY(song.size() >= rate * 5);
        const double threshold = std::accumulate(  // a twentieth of the loudest sample
            song.begin(), song.end(), 0.0,
            [](double m, double s) { return std::max(m, std::abs(s) / 20); });
        f.commands->Player().SetBeep([] { QFAIL("the song did not play"); });

        QProcess recorder;
        recorder.start(u"parecord"_s,
                       {u"--device=kantilo_null.monitor"_s, u"--raw"_s, u"--rate=%1"_s.arg(rate),
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
        QVector<qint16> raw(data.size() / 2);
        qFromLittleEndian<qint16>(data.constData(), raw.size(), raw.data());
        const Samples rec(raw.begin(), raw.end());
        const auto [first, last] = SoundingRange(rec, threshold);
        const int heard = int((last - first) * 1000LL / rate);
        QVERIFY2(heard > 900 && heard < 2300, qPrintable(QString::number(heard)));
        QVERIFY(rec.size() - last > rate);  // silence after the stop
        // The song's first 0.8 s where it fits best near where the recording begins to sound.
        const auto ref = song.begin() + SoundingRange(song, threshold).first;
        const auto end = ref + rate * 4 / 5;
        const double refEnergy = std::inner_product(ref, end, ref, 0.0);
        double best = -1;
        for (int lag = std::max(0, first - 128); lag <= first + 128; ++lag) {
            const auto at = rec.begin() + lag;
            const double norm =
                std::sqrt(refEnergy * std::inner_product(at, at + (end - ref), at, 0.0));
            best = std::max(best, norm > 0 ? std::inner_product(ref, end, at, 0.0) / norm : 0);
        }
        QVERIFY2(best > 0.9, qPrintable(QString::number(best)));
    }
};

QTEST_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
