#include <QDir>
#include <QPushButton>
#include <QStandardPaths>

#include "CAudioMatch.h"
#include "CEditorFixture.h"
#include "CPulseServer.h"
#include "CSamplerDlg.h"
#include "CSinkRecorder.h"

// Plays a generated song through the editor's own play and stop commands into a sound
// server's null sink and listens to what came out.
class TestRealAudio : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void playSoundsLikeTheSong();
    void stopEndsPlayingEarly();
    void playAgainStartsFromTheBeginning();

private:
    // Milliseconds of sound in a recording, from its first to its last loud sample.
    int SoundingMs(const QVector<qint16>& samples) const;
    // "Lied spielen", and the wait until the player has started; false when it does not.
    bool Play();
    // Waits until the song has played to its end and a little longer, then stops recording.
    QVector<qint16> FinishAfterSong(CSinkRecorder& recorder);

    CPulseServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CEditorFixture> m_f;
    QVector<qint16> m_song;
    int m_nRate = 0;
    int m_nThreshold = 0;
    int m_nBeeps = 0;
};

void TestRealAudio::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("parecord")).isEmpty()) {
        QSKIP("parecord is not installed: no sound can be recorded here");
    }
    if (!m_server.Start()) {
        QSKIP(qPrintable(QStringLiteral("no sound server can be reached: ") + m_server.Error()));
    }
}

void TestRealAudio::cleanupTestCase() {
    m_server.Stop();
}

void TestRealAudio::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_f = std::make_unique<CEditorFixture>();
    m_f->View().SetSongDir(m_dir->path());
    // Five half notes up and down the staff (C4 E4 G4 A4 D4), five seconds.
    const int heights[] = {49, 42, 35, 31, 45};
    int x = 80;
    for (const int y : heights) {
        m_f->ClickNote(x, y);
        x += 40;
    }
    const bool seen = CEditorFixture::OnModal<CSamplerDlg>(
        [&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
        [](CSamplerDlg& dlg) {
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        });
    QVERIFY(seen);
    QVERIFY(m_f->prompts.messages.isEmpty());
    m_song = CAudioMatch::ReadWav(m_dir->filePath(QStringLiteral("Test.wav")), m_nRate);
    QVERIFY(m_song.size() >= m_nRate * 5);
    m_nThreshold = CAudioMatch::Peak(m_song) / 20;
    QVERIFY(m_nThreshold > 0);
    m_nBeeps = 0;
    m_f->commands->Player().SetBeep([this] { ++m_nBeeps; });
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
}

void TestRealAudio::cleanup() {
    m_f.reset();
}

int TestRealAudio::SoundingMs(const QVector<qint16>& samples) const {
    const auto [first, last] = CAudioMatch::SoundingRange(samples, m_nThreshold);
    return static_cast<int>((last - first) * 1000LL / m_nRate);
}

bool TestRealAudio::Play() {
    m_f->Action(ID_LIED_SPIELEN)->trigger();
    return QTest::qWaitFor([this] { return m_f->commands->Player().IsPlaying(); }, 5000);
}

QVector<qint16> TestRealAudio::FinishAfterSong(CSinkRecorder& recorder) {
    const bool ended =
        QTest::qWaitFor([this] { return !m_f->commands->Player().IsPlaying(); }, 15000);
    QTest::qWait(500);
    return ended ? recorder.Finish() : QVector<qint16>();
}

void TestRealAudio::playSoundsLikeTheSong() {
    CSinkRecorder recorder(m_nRate);
    QVERIFY(recorder.Start());
    QVERIFY(Play());
    const QVector<qint16> recording = FinishAfterSong(recorder);
    QCOMPARE(m_nBeeps, 0);
    QVERIFY(recording.size() > m_song.size());
    const CAudioMatch::CAlignment match = CAudioMatch::Align(recording, m_song);
    QVERIFY2(match.correlation > 0.9, qPrintable(QString::number(match.correlation)));
    // All of the song was heard, its end too, and nothing else.
    const int heard = SoundingMs(recording);
    const int song = SoundingMs(m_song);
    qInfo("correlation %.4f at lag %d; %d ms heard, %d ms in the song", match.correlation,
          match.lag, heard, song);
    QVERIFY2(std::abs(heard - song) <= 50,
             qPrintable(QStringLiteral("%1 ms heard, %2 ms song").arg(heard).arg(song)));
}

void TestRealAudio::stopEndsPlayingEarly() {
    CSinkRecorder recorder(m_nRate);
    QVERIFY(recorder.Start());
    QVERIFY(Play());
    QTest::qWait(800);
    m_f->Action(ID_LIED_STOPPEN)->trigger();
    QVERIFY(!m_f->commands->Player().IsPlaying());
    QTest::qWait(1500);
    const QVector<qint16> recording = recorder.Finish();
    QCOMPARE(m_nBeeps, 0);
    const int heard = SoundingMs(recording);
    QVERIFY2(heard > 300 && heard < 1500, qPrintable(QString::number(heard)));
    QVERIFY(heard < SoundingMs(m_song) - 1500);
    // Silence after the stop, to the end of the recording.
    const auto [first, last] = CAudioMatch::SoundingRange(recording, m_nThreshold);
    QVERIFY(first < last);
    QVERIFY(recording.size() - last > m_nRate);
}

void TestRealAudio::playAgainStartsFromTheBeginning() {
    CSinkRecorder recorder(m_nRate);
    QVERIFY(recorder.Start());
    m_f->Action(ID_LIED_SPIELEN)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(m_f->commands->Player().IsPlaying(), 5000);
    QTest::qWait(1000);
    QVERIFY(Play());
    const QVector<qint16> recording = FinishAfterSong(recorder);
    QCOMPARE(m_nBeeps, 0);
    // The whole song follows the first second: the second play starts it afresh.
    const auto [first, last] = CAudioMatch::SoundingRange(recording, m_nThreshold);
    const QVector<qint16> tail = recording.mid(last - m_song.size() - m_nRate / 2);
    const CAudioMatch::CAlignment match = CAudioMatch::Align(tail, m_song);
    QVERIFY2(match.correlation > 0.9, qPrintable(QString::number(match.correlation)));
    const int heard = SoundingMs(recording);
    const int song = SoundingMs(m_song);
    QVERIFY2(heard > song + 700 && heard < song + 1600, qPrintable(QString::number(heard)));
}

QTEST_MAIN(TestRealAudio)
#include "tst_realaudio.moc"
