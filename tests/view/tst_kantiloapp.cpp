#include <QMimeDatabase>
#include <QtTest>
#include <memory>

#include "CKantiloApp.h"
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

    void startup_data() {
        QTest::addColumn<QString>("document");  // SONG: a saved song, MISSING: no file
        QTest::addColumn<int>("request");       // SStartup::Request
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<int>("exitCode");  // -1: the editor runs
        QTest::addColumn<QString>("message");
        const QString unregistered =
            u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai (falls "
            "vorhanden) wurde gelöscht."_s;
        const int open = int(SStartup::Request::open);
        const int print = int(SStartup::Request::print);
        const int unregister = int(SStartup::Request::unregister);
        QTest::newRow("none") << QString() << open << false << -1 << QString();
        QTest::newRow("path") << u"SONG"_s << open << false << -1 << QString();
        QTest::newRow("missing") << u"MISSING"_s << open << false << 1
                                 << u"MISSING wurde nicht gefunden."_s;
        QTest::newRow("print") << u"SONG"_s << print << false << 0 << QString();
        QTest::newRow("print missing")
            << u"MISSING"_s << print << false << 1 << u"MISSING wurde nicht gefunden."_s;
        QTest::newRow("unregister") << QString() << unregister << false << 0 << unregistered;
        QTest::newRow("unregister quietly") << QString() << unregister << true << 0 << QString();
    }
    void startup() {
        QFETCH(QString, document);
        QFETCH(int, request);
        QFETCH(bool, quiet);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString missing = m_dir.filePath(u"fehlt.kt"_s);
        const bool song = document == u"SONG"_s;
        SStartup startup;
        startup.request = SStartup::Request(request);
        startup.bQuiet = quiet;
        startup.strDocument = (song                       ? m_song
                               : document == u"MISSING"_s ? missing
                                                          : QString())
                                  .toStdString();
        int code = -1;
        QCOMPARE(m_app->InitInstance(startup, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QCOMPARE(m_dialogs.messages, message.isEmpty()
                                         ? QStringList()
                                         : QStringList{message.replace("MISSING", missing)});
        const bool unregister = startup.request == SStartup::Request::unregister;
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
            QVERIFY(WriteFile(data.filePath(u"song.bin"_s), content + QByteArray(40, 0)));
            QCOMPARE(QMimeDatabase().mimeTypeForFile(data.filePath(u"song.bin"_s)).name() ==
                         u"application/x-kantilo"_s,
                     content == start);
        }
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
