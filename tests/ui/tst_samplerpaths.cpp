#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "CSamplerPaths.h"

using namespace Qt::StringLiterals;

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
    void baseFrequency() {
        QCOMPARE(CSamplerPaths::BaseFrequency(0), 149);
        QCOMPARE(CSamplerPaths::BaseFrequency(CSamplerPaths::kDefaultPitchPosition), 264);
        QCOMPARE(CSamplerPaths::BaseFrequency(12), 495);
        QCOMPARE(CSamplerPaths::BaseFrequency(-1), 149);
        QCOMPARE(CSamplerPaths::BaseFrequency(13), 495);
    }

    void filePath_data() {
        QTest::addColumn<bool>("song");  // otherwise an instrument
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default song")
            << true << u"Test"_s << u"/a/Lieder"_s << u"/a/Lieder/Test.wav"_s;
        QTest::newRow("song dir /") << true << u"Test"_s << u"/a/"_s << u"/a//Test.wav"_s;
        QTest::newRow("exact Test.wav") << true << u"Test.wav"_s << u"/srv"_s << u"/srv/Test.wav"_s;
        QTest::newRow("chosen Test.wav")
            << true << u"/m/Test.wav"_s << u"/srv"_s << u"/m/Test.wav"_s;
        QTest::newRow("lower-case test") << true << u"test"_s << u"/srv"_s << u"test.wav"_s;
        QTest::newRow("upper-case suffix")
            << true << u"/m/lied.WAV"_s << u"/srv"_s << u"/m/lied.WAV.wav"_s;
        QTest::newRow("no suffix") << true << u"/m/lied"_s << u"/srv"_s << u"/m/lied.wav"_s;
        QTest::newRow("relative") << true << u"lied"_s << u"/srv"_s << u"lied.wav"_s;
        QTest::newRow("shorter than suffix") << true << u"wav"_s << u"/srv"_s << u"wav.wav"_s;
        QTest::newRow("suffix only") << true << u".wav"_s << u"/srv"_s << u".wav"_s;
        QTest::newRow("Standard") << false << u"Standard"_s << u"/i"_s << u"Standard"_s;
        QTest::newRow("Standard, no dir") << false << u"Standard"_s << u""_s << u"Standard"_s;
        QTest::newRow("Standard.wav")
            << false << u"Standard.wav"_s << u"/i"_s << u"/i/Standard.wav"_s;
        QTest::newRow("standard") << false << u"standard"_s << u"/i"_s << u"/i/standard"_s;
        QTest::newRow("instrument dir /") << false << u"G.wav"_s << u"/i/"_s << u"/i//G.wav"_s;
        QTest::newRow("relative dir") << false << u"G.wav"_s << u"inst"_s << u"inst/G.wav"_s;
    }
    void filePath() {
        QFETCH(bool, song);
        QFETCH(QString, name);
        QFETCH(QString, dir);
        QFETCH(QString, expected);
        QCOMPARE(song ? CSamplerPaths::SongFilePath(name, dir)
                      : CSamplerPaths::InstrumentFilePath(name, dir),
                 expected);
    }

    void instrumentNamesListsWavFilesOnly() {
        QTemporaryDir dir;
        for (const char* name :
             {"orgel.wav", "Geige.WAV", "zither.Wav", "Bass.wav", "notes.txt", "wav",
              "trompete.wav.bak", ".versteckt.wav", "Standard.wav", "standard.wav"}) {
            Touch(dir.filePath(QString::fromLatin1(name)));
        }
        QVERIFY(QDir(dir.path()).mkdir(u"ordner.wav"_s));
        QVERIFY(QFile::link(dir.filePath("Bass.wav"), dir.filePath("link.wav")));
        QVERIFY(QFile::link(dir.filePath("ordner.wav"), dir.filePath("dirlink.wav")));
        const QString before = QDir::currentPath();
        const QStringList expected = {"Bass.wav", "Geige.WAV",    "link.wav",     "orgel.wav",
                                      "Standard", "Standard.wav", "standard.wav", "zither.Wav"};
        QCOMPARE(CSamplerPaths::InstrumentNames(dir.path()), expected);
        QCOMPARE(CSamplerPaths::InstrumentNames(dir.path() + u"//"_s), expected);
        QCOMPARE(QDir::currentPath(), before);
        QCOMPARE(CSamplerPaths::InstrumentNames(dir.filePath(u"fehlt"_s)),
                 QStringList{u"Standard"_s});
    }

    void emptyDirIsWorkingDir() {
        QTemporaryDir dir;
        Touch(dir.filePath(u"Orgel.wav"_s));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList names = CSamplerPaths::InstrumentNames(QString());
        const QString orgel = CSamplerPaths::InstrumentFilePath(u"Orgel.wav"_s, "");
        const QString song = CSamplerPaths::SongFilePath(u"Test"_s, QString());
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(names, (QStringList{"Orgel.wav", "Standard"}));
        QCOMPARE(QFileInfo(orgel).canonicalFilePath(),
                 QFileInfo(dir.filePath(u"Orgel.wav"_s)).canonicalFilePath());
        QVERIFY(QDir::isAbsolutePath(orgel));
        QCOMPARE(song, cwd + u"/Test.wav"_s);
        QVERIFY(QDir::isAbsolutePath(song));
    }
};

QTEST_GUILESS_MAIN(TestSamplerPaths)
#include "tst_samplerpaths.moc"
