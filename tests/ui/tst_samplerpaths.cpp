#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "CSamplerPaths.h"

namespace {

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write("RIFF");
}

}  // namespace

class TestSamplerPaths : public QObject {
    Q_OBJECT

private slots:
    void baseFrequencyTable();
    void songFilePath_data();
    void songFilePath();
    void defaultSongInEmptyDirIsInWorkingDir();
    void instrumentFilePath_data();
    void instrumentFilePath();
    void instrumentNamesListsWavFilesOnly();
    void instrumentNamesKeepStandardBesideStandardWav();
    void instrumentNamesOfMissingDir();
    void instrumentNamesOfEmptyDirIsWorkingDir();
};

void TestSamplerPaths::baseFrequencyTable() {
    const int expected[] = {149, 165, 176, 198, 220, 248, 264, 297, 330, 352, 396, 440, 495};
    for (int position = 0; position < 13; ++position) {
        QCOMPARE(CSamplerPaths::BaseFrequency(position), expected[position]);
    }
    QCOMPARE(CSamplerPaths::BaseFrequency(CSamplerPaths::kDefaultPitchPosition), 264);
    QCOMPARE(CSamplerPaths::BaseFrequency(-1), 149);
    QCOMPARE(CSamplerPaths::BaseFrequency(13), 495);
}

void TestSamplerPaths::songFilePath_data() {
    QTest::addColumn<QString>("songFile");
    QTest::addColumn<QString>("songDir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default") << "Test"
                             << "/home/a/Lieder"
                             << "/home/a/Lieder/Test.wav";
    QTest::newRow("default trailing separator") << "Test"
                                                << "/home/a/Lieder/"
                                                << "/home/a/Lieder//Test.wav";
    QTest::newRow("exact Test.wav") << "Test.wav"
                                    << "/srv/x"
                                    << "/srv/x/Test.wav";
    QTest::newRow("upper-case suffix gets one more") << "/musik/lied.WAV"
                                                     << "/srv/x"
                                                     << "/musik/lied.WAV.wav";
    QTest::newRow("chosen Test.wav keeps its dir") << "/musik/Test.wav"
                                                   << "/srv/x"
                                                   << "/musik/Test.wav";
    QTest::newRow("chosen without suffix") << "/musik/lied"
                                           << "/srv/x"
                                           << "/musik/lied.wav";
    QTest::newRow("relative name stays relative") << "lied"
                                                  << "/srv/x"
                                                  << "lied.wav";
    QTest::newRow("test lower case is not the default") << "test"
                                                        << "/srv/x"
                                                        << "test.wav";
    QTest::newRow("shorter than suffix") << "wav"
                                         << "/srv/x"
                                         << "wav.wav";
    QTest::newRow("suffix only") << ".wav"
                                 << "/srv/x"
                                 << ".wav";
}

void TestSamplerPaths::songFilePath() {
    QFETCH(QString, songFile);
    QFETCH(QString, songDir);
    QFETCH(QString, expected);
    QCOMPARE(CSamplerPaths::SongFilePath(songFile, songDir), expected);
}

void TestSamplerPaths::defaultSongInEmptyDirIsInWorkingDir() {
    QCOMPARE(CSamplerPaths::SongFilePath(QStringLiteral("Test"), QString()),
             QDir::currentPath() + QStringLiteral("/Test.wav"));
    QVERIFY(QDir::isAbsolutePath(CSamplerPaths::SongFilePath(QStringLiteral("Test"), QString())));
}

void TestSamplerPaths::instrumentFilePath_data() {
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("standard") << "Standard"
                              << "/inst"
                              << "Standard";
    QTest::newRow("standard ignores dir") << "Standard"
                                          << ""
                                          << "Standard";
    QTest::newRow("Standard.wav is a file") << "Standard.wav"
                                            << "/inst"
                                            << "/inst/Standard.wav";
    QTest::newRow("lower-case standard is a file") << "standard"
                                                   << "/inst"
                                                   << "/inst/standard";
    QTest::newRow("plain") << "Geige.wav"
                           << "/inst"
                           << "/inst/Geige.wav";
    QTest::newRow("trailing separator doubles") << "Geige.wav"
                                                << "/inst/"
                                                << "/inst//Geige.wav";
    QTest::newRow("relative dir") << "Orgel.wav"
                                  << "inst"
                                  << "inst/Orgel.wav";
}

void TestSamplerPaths::instrumentFilePath() {
    QFETCH(QString, instrument);
    QFETCH(QString, dir);
    QFETCH(QString, expected);
    QCOMPARE(CSamplerPaths::InstrumentFilePath(instrument, dir), expected);
}

void TestSamplerPaths::instrumentNamesListsWavFilesOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"orgel.wav", "Geige.WAV", "zither.Wav", "Bass.wav", "notes.txt", "wav",
                             "trompete.wav.bak", ".versteckt.wav"}) {
        Touch(dir.filePath(QString::fromLatin1(name)));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ordner.wav")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("Bass.wav")),
                        dir.filePath(QStringLiteral("link.wav"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("ordner.wav")),
                        dir.filePath(QStringLiteral("dirlink.wav"))));
    const QString before = QDir::currentPath();
    const QStringList expected = {"Bass.wav",  "Geige.WAV", "link.wav",
                                  "orgel.wav", "Standard",  "zither.Wav"};
    QCOMPARE(CSamplerPaths::InstrumentNames(dir.path()), expected);
    // Trailing separators do not change the listing.
    QCOMPARE(CSamplerPaths::InstrumentNames(dir.path() + QStringLiteral("//")), expected);
    QCOMPARE(QDir::currentPath(), before);
}

void TestSamplerPaths::instrumentNamesKeepStandardBesideStandardWav() {
    QTemporaryDir dir;
    Touch(dir.filePath(QStringLiteral("Standard.wav")));
    Touch(dir.filePath(QStringLiteral("standard.wav")));
    Touch(dir.filePath(QStringLiteral("Alt.wav")));
    const QStringList names = CSamplerPaths::InstrumentNames(dir.path());
    QCOMPARE(names, (QStringList{"Alt.wav", "Standard", "Standard.wav", "standard.wav"}));
}

void TestSamplerPaths::instrumentNamesOfMissingDir() {
    QTemporaryDir dir;
    QCOMPARE(CSamplerPaths::InstrumentNames(dir.filePath(QStringLiteral("fehlt"))),
             QStringList{CSamplerPaths::kStandard});
}

void TestSamplerPaths::instrumentNamesOfEmptyDirIsWorkingDir() {
    QTemporaryDir dir;
    Touch(dir.filePath(QStringLiteral("Orgel.wav")));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QStringList names = CSamplerPaths::InstrumentNames(QString());
    const QString orgel = CSamplerPaths::InstrumentFilePath(QStringLiteral("Orgel.wav"), QString());
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(names, (QStringList{"Orgel.wav", "Standard"}));
    QCOMPARE(QFileInfo(orgel).canonicalFilePath(),
             QFileInfo(dir.filePath(QStringLiteral("Orgel.wav"))).canonicalFilePath());
    QVERIFY(QDir::isAbsolutePath(orgel));
}

QTEST_GUILESS_MAIN(TestSamplerPaths)
#include "tst_samplerpaths.moc"
