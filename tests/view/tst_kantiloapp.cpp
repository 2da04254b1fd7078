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
        QTest::addColumn<SStartup::Request>("request");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<int>("exitCode");  // -1: the editor runs
        using R = SStartup::Request;
        QTest::newRow("none") << QString() << R::open << false << -1;
        QTest::newRow("path") << u"SONG"_s << R::open << false << -1;
        QTest::newRow("missing") << u"MISSING"_s << R::open << false << 1;
        QTest::newRow("print") << u"SONG"_s << R::print << false << 0;
        QTest::newRow("print missing") << u"MISSING"_s << R::print << false << 1;
        QTest::newRow("unregister") << QString() << R::unregister << false << 0;
        QTest::newRow("unregister quietly") << QString() << R::unregister << true << 0;
    }
    void startup() {
        QFETCH(QString, document);
        QFETCH(SStartup::Request, request);
        QFETCH(bool, quiet);
        QFETCH(int, exitCode);
        const QString missing = m_dir.filePath(u"fehlt.kt"_s);
        const bool song = document == u"SONG"_s;
        const bool unregister = request == SStartup::Request::unregister;
        const QString path = song ? m_song : document.isEmpty() ? QString() : missing;
        const SStartup startup{request, path.toStdString(), quiet};
        int code = -1;
        QCOMPARE(m_app->InitInstance(startup, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QStringList messages;
        if (document == u"MISSING"_s) {
            messages << missing + u" wurde nicht gefunden."_s;
        } else if (unregister && !quiet) {
            messages << u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai "
                        "(falls vorhanden) wurde gelöscht."_s;
        }
        QCOMPARE(m_dialogs.messages, messages);
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
