#include <QtTest>
#include <memory>

#include "CKantiloApp.h"
#include "ViewTestKit.h"

// Start-up from the command line.
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
        QTest::addColumn<int>("exitCode");  // -1: the editor runs
        using R = SStartup::Request;
        QTest::newRow("path") << u"SONG"_s << R::open << -1;
        QTest::newRow("missing") << u"MISSING"_s << R::open << 1;
        QTest::newRow("print") << u"SONG"_s << R::print << 0;
        QTest::newRow("unregister") << QString() << R::unregister << 0;
    }
    void startup() {
        QFETCH(QString, document);
        QFETCH(SStartup::Request, request);
        QFETCH(int, exitCode);
        const QString missing = m_dir.filePath(u"fehlt.kt"_s);
        const bool song = document == u"SONG"_s;
        const bool unregister = request == SStartup::Request::unregister;
        const QString path = song ? m_song : document.isEmpty() ? QString() : missing;
        const SStartup startup{request, path.toStdString(), false};
        int code = -1;
        QCOMPARE(m_app->InitInstance(startup, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QStringList messages;
        if (document == u"MISSING"_s) {
            messages << missing + u" wurde nicht gefunden."_s;
        } else if (unregister) {
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
        QCOMPARE(m_app->MainFrame()->isVisible() ? m_app->MainFrame()->windowTitle() : QString(),
                 exitCode == -1 ? u"lied.kt - Kantilo"_s : QString());
        QCOMPARE(m_app->RecentFiles().Files().last(), m_song);
        QCOMPARE(Notes(m_app->Document()), song ? u"440/2"_s : QString());
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
