#include <QMimeDatabase>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "CCommandLine.h"
#include "CKantiloApp.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "ViewTestKit.h"

// Start-up from the command line, and the document type installed for the desktop.
class TestKantiloApp : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CKantiloApp> m_app;
    QString m_song;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        CKantiloApp::InstallGermanTranslation();
        m_song = SaveSong(m_dir.filePath(u"lied.kt"_s), 1);
    }
    void init() {
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(m_dir.filePath(u"K.conf"_s), QSettings::IniFormat);
        m_settings->setValue(u"Recent File List/File1"_s, m_song);
        m_settings->sync();
        m_app = std::make_unique<CKantiloApp>(m_dialogs, *m_settings);
    }
    void cleanup() {
        m_app.reset();
        m_settings.reset();
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");  // SONG: a saved song, MISSING: no file
        QTest::addColumn<int>("exitCode");      // -1: the editor runs
        QTest::addColumn<QString>("message");
        const QString unregistered =
            u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai (falls "
            "vorhanden) wurde gelöscht."_s;
        QTest::newRow("none") << QStringList() << -1 << QString();
        QTest::newRow("path") << QStringList{"SONG"} << -1 << QString();
        QTest::newRow("missing") << QStringList{"MISSING"} << 1
                                 << u"MISSING wurde nicht gefunden."_s;
        QTest::newRow("/P is a path") << QStringList{"/P"} << 1 << u"/P wurde nicht gefunden."_s;
        QTest::newRow("/p after") << QStringList{"SONG", "/p"} << 0 << QString();
        QTest::newRow("/pt") << QStringList{"/pt", "SONG", "D", "T", "LPT1"} << 0 << QString();
        QTest::newRow("/embedding") << QStringList{"/embedding", "SONG"} << -1 << QString();
        QTest::newRow("-Unregister") << QStringList{"-Unregister"} << 0 << unregistered;
        QTest::newRow("/UNREGISTER -Embedding")
            << QStringList{"/UNREGISTER", "-Embedding"} << 0 << QString();
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString missing = m_dir.filePath(u"fehlt.kt"_s);
        const bool song = args.contains(u"SONG"_s);
        std::vector<std::string> argv;
        for (const QString& arg :
             args.replaceInStrings(u"SONG"_s, m_song).replaceInStrings(u"MISSING"_s, missing)) {
            argv.push_back(arg.toStdString());
        }
        int code = -1;
        QCOMPARE(m_app->InitInstance(CCommandLine::Parse(argv), code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QCOMPARE(m_dialogs.messages, message.isEmpty()
                                         ? QStringList()
                                         : QStringList{message.replace("MISSING", missing)});
        const bool unregister = args.value(0).contains(u"unreg"_s, Qt::CaseInsensitive);
        QCOMPARE(QFileInfo::exists(m_settings->fileName()), !unregister);
        if (unregister) {
            m_settings.reset();  // nothing is written back at exit either
            QVERIFY(m_app->MainFrame() == nullptr && !QFileInfo::exists(m_dir.filePath("K.conf")));
            return;
        }
        const QString title = song ? u"lied.kt - Kantilo"_s : u"Unbenannt - Kantilo"_s;
        QCOMPARE(m_app->MainFrame()->isVisible() ? m_app->MainFrame()->windowTitle() : QString(),
                 exitCode == -1 ? title : QString());
        QCOMPARE(m_app->RecentFiles().Files().last(), m_song);
        QCOMPARE(Notes(m_app->Document()), song ? u"440/2"_s : QString());
    }

    // The installed type knows a renamed song by its first bytes: new-class tag, schema 1,
    // name length 11, the name.
    void documentsAreRecognisedByContent() {
        const QString update = QStandardPaths::findExecutable(u"update-mime-database"_s);
        if (update.isEmpty()) {
            QSKIP("update-mime-database (shared-mime-info) is not installed");
        }
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath(u"mime/packages"_s)));
        QVERIFY(QFile::copy(
            qEnvironmentVariable("KANTILO_SOURCE_DIR") + u"/resources/kantilo-mime.xml"_s,
            data.filePath(u"mime/packages/kantilo.xml"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath(u"home"_s)));
        QProcess process;
        process.start(update, {data.filePath(u"mime"_s)});
        QVERIFY(process.waitForFinished(30000) && process.exitCode() == 0);
        const QByteArray start = QByteArray::fromHex("ffff01000b00") + "CController";
        for (const QByteArray& content : {start, start.chopped(1) + 'x'}) {
            QFile file(data.filePath(u"song.bin"_s));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content + QByteArray(40, 0)) > 0);
            file.close();
            QCOMPARE(QMimeDatabase().mimeTypeForFile(file.fileName()).name() ==
                         u"application/x-kantilo"_s,
                     content == start);
        }
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
