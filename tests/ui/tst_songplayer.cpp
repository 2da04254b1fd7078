#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "CSongPlayer.h"

// What the player does with files it cannot play. Real sound is checked by tst_realaudio.
class TestSongPlayer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void selectsGstreamerBackend();
    void missingFileBeeps();
    void directoryBeeps();
    void brokenFileBeepsOnce();
    void stopWhileSilentDoesNothing();

private:
    std::unique_ptr<CSongPlayer> m_player;
    int m_nBeeps = 0;
    QTemporaryDir m_dir;
};

void TestSongPlayer::init() {
    m_player = std::make_unique<CSongPlayer>();
    m_nBeeps = 0;
    m_player->SetBeep([this] { ++m_nBeeps; });
}

void TestSongPlayer::selectsGstreamerBackend() {
    // Set when the program was loaded, before any media object existed.
    QCOMPARE(qgetenv("QT_MEDIA_BACKEND"), QByteArray("gstreamer"));
}

void TestSongPlayer::missingFileBeeps() {
    m_player->Play(m_dir.filePath(QStringLiteral("fehlt.wav")));
    QCOMPARE(m_nBeeps, 1);
    QVERIFY(!m_player->IsPlaying());
    m_player->Play(QString());
    QCOMPARE(m_nBeeps, 2);
    QTest::qWait(200);
    QCOMPARE(m_nBeeps, 2);
}

void TestSongPlayer::directoryBeeps() {
    m_player->Play(m_dir.path());
    QCOMPARE(m_nBeeps, 1);
    QVERIFY(!m_player->IsPlaying());
}

void TestSongPlayer::brokenFileBeepsOnce() {
    const QString path = m_dir.filePath(QStringLiteral("kaputt.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    m_player->Play(path);
    QTRY_COMPARE_WITH_TIMEOUT(m_nBeeps, 1, 10000);
    QTest::qWait(300);
    QCOMPARE(m_nBeeps, 1);
    QVERIFY(!m_player->IsPlaying());
}

void TestSongPlayer::stopWhileSilentDoesNothing() {
    m_player->Stop();
    m_player->Stop();
    QVERIFY(!m_player->IsPlaying());
    QCOMPARE(m_nBeeps, 0);
}

QTEST_MAIN(TestSongPlayer)
#include "tst_songplayer.moc"
