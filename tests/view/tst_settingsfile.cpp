// The editor's settings file as the user's configuration folder holds it: a regular file is
// read and written, anything else (a FIFO) is taken as empty and never written through.

#include <sys/stat.h>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "CSettingsFile.h"

using namespace Qt::StringLiterals;

namespace {

const QString kOrganization = u"Local AppWizard-Generated Applications"_s;
const QString kApplication = u"Kantilo"_s;

}  // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(m_dir.filePath(kOrganization)));
        m_file = m_dir.filePath(kOrganization + u'/' + kApplication + u".conf"_s);
    }

    // Reading the FIFO would wait for a writer forever; saving would replace it by a file.
    // Either the application's file or the organization's may be the FIFO. A regular file:
    // what is set is there the next time.
    void onlyARegularFileIsReadAndWritten() {
        const QString organizationFile = m_dir.filePath(kOrganization + u".conf"_s);
        for (const QString& fifo : {m_file, organizationFile}) {
            QVERIFY(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
            const auto pSettings = CSettingsFile::Open(kOrganization, kApplication);
            QVERIFY(pSettings->allKeys().isEmpty());
            pSettings->setValue(u"Recent File List/File1"_s, u"/tmp/b.kt"_s);
            pSettings->sync();
            QCOMPARE(pSettings->value(u"Recent File List/File1"_s).toString(), u"/tmp/b.kt"_s);
            struct stat st {};
            QVERIFY(lstat(fifo.toLocal8Bit().constData(), &st) == 0 && S_ISFIFO(st.st_mode));
            QVERIFY(QFile::remove(fifo));
        }
        QCOMPARE(QDir(m_dir.filePath(kOrganization))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        {
            const auto pSettings = CSettingsFile::Open(kOrganization, kApplication);
            pSettings->setValue(u"Recent File List/File1"_s, u"/tmp/a.kt"_s);
            pSettings->sync();
            QCOMPARE(pSettings->status(), QSettings::NoError);
        }
        QVERIFY(QFileInfo(m_file).isFile());
        QCOMPARE(CSettingsFile::Open(kOrganization, kApplication)
                     ->value(u"Recent File List/File1"_s)
                     .toString(),
                 u"/tmp/a.kt"_s);
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
