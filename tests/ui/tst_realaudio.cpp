#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <signal.h>

#include <cmath>

#include "CSamplerDlg.h"
#include "CWaveFile.h"
#include "UiTestKit.h"

namespace {

using Samples = QVector<qint16>;

struct CAlignment {
    int lag = 0;             // recording index of the song's first sample
    double correlation = 0;  // normalised, -1 to 1
};

CAlignment BestLag(const QVector<double>& rec, const QVector<double>& ref, int from, int to) {
    CAlignment best{0, -2};
    double refEnergy = 0;
    for (const double v : ref) {
        refEnergy += v * v;
    }
    for (int lag = from; lag <= to; ++lag) {
        double dot = 0;
        double recEnergy = 0;
        for (int i = 0; i < ref.size(); ++i) {
            dot += rec[lag + i] * ref[i];
            recEnergy += rec[lag + i] * rec[lag + i];
        }
        const double norm = std::sqrt(refEnergy * recEnergy);
        const double correlation = norm > 0 ? dot / norm : 0;
        if (correlation > best.correlation) {
            best = {lag, correlation};
        }
    }
    return best;
}

QVector<double> Envelope(const Samples& samples, int block) {
    QVector<double> envelope(samples.size() / block);
    for (int i = 0; i < envelope.size() * block; ++i) {
        envelope[i / block] += std::abs(double(samples[i]));
    }
    return envelope;
}

// Where the song fits the recording best: first by the loudness envelopes, then sample by
// sample around that.
CAlignment Align(const Samples& recording, const Samples& song) {
    constexpr int kBlock = 64;
    const QVector<double> envRec = Envelope(recording, kBlock);
    const QVector<double> envSong = Envelope(song, kBlock);
    const int coarse = BestLag(envRec, envSong, 0, envRec.size() - envSong.size()).lag * kBlock;
    const QVector<double> rec(recording.begin(), recording.end());
    const QVector<double> ref(song.begin(), song.end());
    return BestLag(rec, ref, std::max(0, coarse - 2 * kBlock),
                   std::min(static_cast<int>(rec.size() - ref.size()), coarse + 2 * kBlock));
}

// First and one past the last sample louder than threshold; (0, 0) for silence.
std::pair<int, int> SoundingRange(const Samples& samples, int threshold) {
    int first = -1;
    int last = -1;
    for (int i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > threshold) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    return first < 0 ? std::make_pair(0, 0) : std::make_pair(first, last + 1);
}

bool HasNullSink() {
    QProcess pactl;
    pactl.start(u"pactl"_s, {u"list"_s, u"short"_s, u"sinks"_s});
    return pactl.waitForFinished(10000) && pactl.exitCode() == 0 &&
           pactl.readAllStandardOutput().contains("kantilo_null");
}

// Records what the null sink plays, as 16-bit mono samples.
class CSinkRecorder {
public:
    explicit CSinkRecorder(int rate) {
        m_process.start(u"parecord"_s,
                        {u"--device=kantilo_null.monitor"_s, u"--raw"_s, u"--rate=%1"_s.arg(rate),
                         u"--channels=1"_s, u"--format=s16le"_s, u"--latency-msec=20"_s});
    }

    // Recording has begun once the first silence arrives.
    bool Started() {
        return m_process.waitForStarted(10000) &&
               QTest::qWaitFor([this] { return m_process.bytesAvailable() > 0; }, 10000);
    }

    // Stops recording; the samples since it started.
    Samples Finish() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(10000);
        }
        const QByteArray data = m_process.readAllStandardOutput();
        Samples samples(data.size() / 2);
        qFromLittleEndian<qint16>(data.constData(), samples.size(), samples.data());
        return samples;
    }

private:
    QProcess m_process;
};

}  // namespace

// Plays a generated song through the editor's own play and stop commands into a sound
// server's null sink and listens to what came out.
class TestRealAudio : public QObject {
    Q_OBJECT

private:
    // The null sink of the server PULSE_SERVER names, otherwise of a private one from
    // tools/start-pulse.sh; an empty string, or why there is none.
    QString StartServer() {
        if (HasNullSink()) {
            return {};
        }
        const QString root = qEnvironmentVariable("KANTILO_SOURCE_DIR",
                                                  QFileInfo(__FILE__).absolutePath() + "/../..");
        QProcess start;
        start.start(u"bash"_s, {root + u"/tools/start-pulse.sh"_s});
        if (!start.waitForFinished(30000) || start.exitCode() != 0) {
            return u"tools/start-pulse.sh failed: "_s + start.readAllStandardError() +
                   start.errorString();
        }
        for (const QByteArray& line : start.readAllStandardOutput().split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (line.startsWith("export ") && equals > 7) {
                qputenv(line.mid(7, equals - 7).constData(), line.mid(equals + 1));
            }
        }
        m_nServerPid = qEnvironmentVariableIntValue("KANTILO_PULSE_PID");
        m_strServerDir = qEnvironmentVariable("KANTILO_PULSE_DIR");
        return HasNullSink() ? QString() : u"the private sound server does not answer"_s;
    }

    // Milliseconds of sound in a recording, from its first to its last loud sample.
    int SoundingMs(const Samples& samples) const {
        const auto [first, last] = SoundingRange(samples, m_nThreshold);
        return static_cast<int>((last - first) * 1000LL / m_nRate);
    }

    // "Lied spielen", and the wait until the player has started; false when it does not.
    bool Play() {
        m_f->Action(ID_LIED_SPIELEN)->trigger();
        return QTest::qWaitFor([this] { return m_f->commands->Player().IsPlaying(); }, 5000);
    }

    // Waits until the song has played to its end and a little longer, then stops recording.
    Samples FinishAfterSong(CSinkRecorder& recorder) {
        const bool ended =
            QTest::qWaitFor([this] { return !m_f->commands->Player().IsPlaying(); }, 15000);
        QTest::qWait(500);
        return ended ? recorder.Finish() : Samples();
    }

    pid_t m_nServerPid = 0;  // a private server this test started
    QString m_strServerDir;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CEditorFixture> m_f;
    Samples m_song;
    int m_nRate = 0;
    int m_nThreshold = 0;
    int m_nBeeps = 0;

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"parecord"_s).isEmpty()) {
            QSKIP("parecord is not installed: no sound can be recorded here");
        }
        const QString error = StartServer();
        if (!error.isEmpty()) {
            QSKIP(qPrintable(u"no sound server can be reached: "_s + error));
        }
    }

    void cleanupTestCase() {
        if (m_nServerPid > 0) {
            ::kill(m_nServerPid, SIGTERM);
            if (!QTest::qWaitFor([this] { return ::kill(m_nServerPid, 0) != 0; }, 5000)) {
                qWarning("the sound server %d did not stop", int(m_nServerPid));
            }
            QDir(m_strServerDir).removeRecursively();
        }
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_f = std::make_unique<CEditorFixture>();
        m_f->View().SetSongDir(m_dir->path());
        // Five half notes up and down the staff (C4 E4 G4 A4 D4), five seconds.
        const int heights[] = {49, 42, 35, 31, 45};
        for (int i = 0; i < 5; ++i) {
            m_f->ClickNote(80 + 40 * i, heights[i]);
        }
        QVERIFY(CEditorFixture::OnModal<CSamplerDlg>(
            [&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
            [](CSamplerDlg& dlg) { Click(dlg, "ok"); }));
        QVERIFY(m_f->prompts.messages.isEmpty());
        CWaveFile wave(m_dir->filePath(u"Test.wav"_s).toStdString());
        wave.ReadHeader();
        wave.ReadData();
        QVERIFY(!wave.IsStereo() && wave.GetBitsPerSample() == 16);
        m_nRate = static_cast<int>(wave.GetSampleRate());
        m_song = Samples(wave.Samples(), wave.Samples() + wave.GetSize());
        QVERIFY(m_song.size() >= m_nRate * 5);
        m_nThreshold = 0;
        for (const qint16 s : m_song) {
            m_nThreshold = std::max(m_nThreshold, std::abs(int(s)) / 20);
        }
        QVERIFY(m_nThreshold > 0);
        m_nBeeps = 0;
        m_f->commands->Player().SetBeep([this] { ++m_nBeeps; });
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    }

    void cleanup() { m_f.reset(); }

    void playSoundsLikeTheSong() {
        CSinkRecorder recorder(m_nRate);
        QVERIFY(recorder.Started());
        QVERIFY(Play());
        const Samples recording = FinishAfterSong(recorder);
        QCOMPARE(m_nBeeps, 0);
        QVERIFY(recording.size() > m_song.size());
        const CAlignment match = Align(recording, m_song);
        QVERIFY2(match.correlation > 0.9, qPrintable(QString::number(match.correlation)));
        // All of the song was heard, its end too, and nothing else.
        const int heard = SoundingMs(recording);
        const int song = SoundingMs(m_song);
        qInfo("correlation %.4f at lag %d; %d ms heard, %d ms in the song", match.correlation,
              match.lag, heard, song);
        QVERIFY2(std::abs(heard - song) <= 50,
                 qPrintable(u"%1 ms heard, %2 ms song"_s.arg(heard).arg(song)));
    }

    void stopEndsPlayingEarly() {
        CSinkRecorder recorder(m_nRate);
        QVERIFY(recorder.Started());
        QVERIFY(Play());
        QTest::qWait(800);
        m_f->Action(ID_LIED_STOPPEN)->trigger();
        QVERIFY(!m_f->commands->Player().IsPlaying());
        QTest::qWait(1500);
        const Samples recording = recorder.Finish();
        QCOMPARE(m_nBeeps, 0);
        const int heard = SoundingMs(recording);
        QVERIFY2(heard > 300 && heard < 1500, qPrintable(QString::number(heard)));
        QVERIFY(heard < SoundingMs(m_song) - 1500);
        // Silence after the stop, to the end of the recording.
        const auto [first, last] = SoundingRange(recording, m_nThreshold);
        QVERIFY(first < last);
        QVERIFY(recording.size() - last > m_nRate);
    }

    void playAgainStartsFromTheBeginning() {
        CSinkRecorder recorder(m_nRate);
        QVERIFY(recorder.Started());
        QVERIFY(Play());
        QTest::qWait(1000);
        QVERIFY(Play());
        const Samples recording = FinishAfterSong(recorder);
        QCOMPARE(m_nBeeps, 0);
        // The whole song follows the first second: the second play starts it afresh.
        const auto [first, last] = SoundingRange(recording, m_nThreshold);
        const CAlignment match = Align(recording.mid(last - m_song.size() - m_nRate / 2), m_song);
        QVERIFY2(match.correlation > 0.9, qPrintable(QString::number(match.correlation)));
        const int heard = SoundingMs(recording);
        const int song = SoundingMs(m_song);
        QVERIFY2(heard > song + 700 && heard < song + 1600, qPrintable(QString::number(heard)));
    }
};

QTEST_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
