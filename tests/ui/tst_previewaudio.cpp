// The preview and "kantilo --play", heard through a private sound server's null sink
// (PrivateSoundServer.h) by a recorder of its monitor, and compared with the song files
// generation writes.
#include <QElapsedTimer>
#include <QProcess>
#include <QVector>
#include <QtEndian>

#include <algorithm>
#include <cmath>

#include "CShippedInstruments.h"
#include "CSilentProgressSink.h"
#include "CWaveFile.h"
#include "PrivateSoundServer.h"
#include "UiTestKit.h"

namespace {

constexpr int kRate = 44100;  // the null sink's own rate

// Records the null sink's monitor, mono 16-bit at the sink's rate, from Start until Samples.
class CMonitorRecorder {
public:
    bool Start() {
        m_process.start(u"parecord"_s,
                        {u"--device=kantilo_null.monitor"_s, u"--raw"_s, u"--rate=%1"_s.arg(kRate),
                         u"--channels=1"_s, u"--format=s16le"_s, u"--latency-msec=20"_s});
        return m_process.waitForStarted(10000) &&
               QTest::qWaitFor([this] { return m_process.bytesAvailable() > 0; }, 10000);
    }
    QVector<double> Samples() {
        m_process.terminate();
        m_process.waitForFinished(10000);
        const QByteArray data = m_process.readAllStandardOutput();
        QVector<qint16> raw(data.size() / 2);
        qFromLittleEndian<qint16>(data.constData(), raw.size(), raw.data());
        return QVector<double>(raw.begin(), raw.end());
    }

private:
    QProcess m_process;
};

// The mono 16-bit samples of a song file.
QVector<double> SongSamples(const QString& path) {
    CWaveFile wave(QFile::encodeName(path).toStdString());
    wave.ReadHeader();
    wave.ReadData();
    return QVector<double>(wave.Samples(), wave.Samples() + wave.GetSize());
}

// The first and one past the last sample above the threshold; (0, 0) for none.
std::pair<qsizetype, qsizetype> LoudSpan(const QVector<double>& s, double threshold) {
    const auto loud = [threshold](double v) { return std::abs(v) > threshold; };
    const auto first = std::find_if(s.begin(), s.end(), loud);
    if (first == s.end()) {
        return {0, 0};
    }
    const auto last = std::find_if(s.rbegin(), s.rend(), loud);
    return {first - s.begin(), s.rend() - last};
}

// "" when the recording is the song: its sound as long within 50 ms, and correlated by at
// least 0.99 at the best lag within 200 samples of where their loud parts begin; otherwise
// what differs.
QString SoundsUnlike(const QVector<double>& heard, const QVector<double>& song) {
    const auto [heardFirst, heardEnd] = LoudSpan(heard, 300);
    const auto [songFirst, songEnd] = LoudSpan(song, 300);
    if (std::abs((heardEnd - heardFirst) - (songEnd - songFirst)) >= kRate / 20) {
        return u"heard %1 samples, the song has %2"_s.arg(heardEnd - heardFirst)
            .arg(songEnd - songFirst);
    }
    double best = -1;
    for (qsizetype lag = heardFirst - songFirst - 200; lag <= heardFirst - songFirst + 200; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (qsizetype i = 0; i < song.size(); ++i) {
            const qsizetype j = i + lag;
            const double x = j >= 0 && j < heard.size() ? heard[j] : 0.0;
            xy += x * song[i];
            xx += x * x;
            yy += song[i] * song[i];
        }
        if (xx > 0 && yy > 0) {
            best = std::max(best, xy / std::sqrt(xx * yy));
        }
    }
    return best >= 0.99 ? QString() : u"correlation %1"_s.arg(best);
}

}  // namespace

class TestPreviewAudio : public QObject {
    Q_OBJECT

    CPrivateSoundServer m_server;

private slots:
    void initTestCase() {
        CSongPlayer::SelectMediaBackend();  // as main does
        if (!m_server.Start()) {
            QSKIP("no sound server can be started here (it needs pulseaudio and its tools)");
        }
    }

    void cleanupTestCase() { QVERIFY(m_server.Stop()); }

    // What the preview plays is the generated song, sample for sample, a song longer than the
    // quick start too: its beginning first, the rest seamlessly after.
    void previewSoundsAsGenerated() {
        CPreviewFixture f;
        f.preview->ChooseInstrument(u"Klavier"_s);
        f.EnterSong();
        QTest::qWait(700);  // the last click's note has sounded
        for (int i = 0; i < 32; ++i) {
            f.doc.AddNote({0, 6 + (i * 5) % 45}, ETool::eighth, false);
        }
        QVERIFY(f.doc.GetSheet().GetLength() > CPreviewCommands::kQuickEighths);
        const QString generated = f.Path(u"generiert.wav"_s);  // as "Lied generieren" writes it
        CSilentProgressSink sink;
        f.doc.Generate(sink, CShippedInstruments::PathOf("Klavier", CShippedInstruments::Folder()),
                       QFile::encodeName(generated).toStdString(), 10, 264);
        QVERIFY(sink.Warning().empty());
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        f.Action(ID_LIED_VORHOEREN)->trigger();
        QVERIFY(f.preview->Player().IsPlaying());
        QVERIFY(QTest::qWaitFor([&] { return !f.preview->Player().IsPlaying(); }, 60000));
        QCOMPARE(f.View().PlayingNote(), -1);  // the highlight goes at the end
        QCOMPARE(SoundsUnlike(recorder.Samples(), SongSamples(generated)), QString());
    }

    // Stop silences the preview within a tenth of a second; deleting, generating and a new song
    // stop it too.
    void stopSilencesAtOnce() {
        CPreviewFixture f;  // the built-in tone
        f.EnterSong();
        QTest::qWait(700);
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        QElapsedTimer clock;
        f.Action(ID_LIED_VORHOEREN)->trigger();
        clock.start();
        QTest::qWait(1500);
        f.Action(ID_LIED_STOPPEN)->trigger();
        const qint64 played = clock.elapsed();
        QVERIFY(!f.preview->Player().IsPlaying());
        QCOMPARE(f.View().PlayingNote(), -1);
        QTest::qWait(800);
        const QVector<double> heard = recorder.Samples();
        const auto [first, end] = LoudSpan(heard, 1000);  // the sine peaks at 10000
        const qint64 heardMs = (end - first) * 1000 / kRate;
        // The start waits for the stream as long as the end waits for the flush, at most.
        QVERIFY2(heardMs < played + 100 && heardMs > played - 300,
                 qPrintable(u"%1 ms heard, %2 ms played"_s.arg(heardMs).arg(played)));

        // Anything that changes the song stops the preview first: the cursor never walks
        // notes that are gone.
        f.Action(ID_LIED_VORHOEREN)->trigger();
        QVERIFY(f.preview->Player().IsPlaying());
        f.Action(ID_LOESCHEN)->trigger();
        QVERIFY(!f.preview->Player().IsPlaying());
        f.Action(ID_LIED_VORHOEREN)->trigger();
        bool bSilentInDialog = false;
        QVERIFY(f.Generate(
            [&](CSamplerDlg&) { bSilentInDialog = !f.preview->Player().IsPlaying(); }, "cancel"));
        QVERIFY(bSilentInDialog);  // generating stops the preview before its dialog opens
        f.Action(ID_LIED_VORHOEREN)->trigger();
        f.Action(ID_FILE_NEW)->trigger();
        QVERIFY(!f.preview->Player().IsPlaying());
    }

    // "kantilo --play" sounds until Ctrl+C, then exits with 130 at once. (That it plays what
    // generation writes is the preview's check above: the same renderer and player.)
    void playOnTheCommandLineStopsOnCtrlC() {
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        QProcess play;
        play.start(KantiloProgram(), {ExampleSong(), u"--play"_s});
        QTest::qWait(1500);
        ::kill(pid_t(play.processId()), SIGINT);
        QVERIFY(play.waitForFinished(5000));
        QCOMPARE(play.exitStatus(), QProcess::NormalExit);
        QCOMPARE(play.exitCode(), 130);
        QTest::qWait(500);
        const QVector<double> heard = recorder.Samples();
        const auto [first, end] = LoudSpan(heard, 1000);
        QVERIFY2(end > first && heard.size() - end > kRate * 4 / 10,
                 qPrintable(u"%1 to %2"_s.arg(first).arg(end)));
    }
};

QTEST_MAIN(TestPreviewAudio)
#include "tst_previewaudio.moc"
