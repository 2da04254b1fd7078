#include <QtTest>

#include "CKantiloApp.h"
#include "ViewTestKit.h"

// Start-up from the command line, over settings that list a saved song.
class TestKantiloApp : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        CKantiloApp::InstallGermanTranslation();
    }

    void startup_data() {
        QTest::addColumn<QString>("document");
        QTest::addColumn<SStartup::Request>("request");
        QTest::addColumn<int>("exitCode");  // -1: the editor runs
        QTest::addColumn<QString>("message");
        using R = SStartup::Request;
        QTest::newRow("path") << u"lied.kt"_s << R::open << -1 << QString();
        QTest::newRow("missing") << u"fehlt.kt"_s << R::open << 1
                                 << m_dir.filePath(u"fehlt.kt"_s) + u" wurde nicht gefunden."_s;
        QTest::newRow("print") << u"lied.kt"_s << R::print << 0 << QString();
        QTest::newRow("unregister")
            << QString() << R::unregister << 0
            << u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai "
               "(falls vorhanden) wurde gelöscht."_s;
    }
    void startup() {
        QFETCH(QString, document);
        QFETCH(SStartup::Request, request);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString song = SaveSong(m_dir.filePath(u"lied.kt"_s), 1);
        QSettings settings(m_dir.filePath(u"K.conf"_s), QSettings::IniFormat);
        settings.setValue(u"Recent File List/File1"_s, song);
        settings.sync();
        CFakeDialogs dialogs;
        CKantiloApp app(dialogs, settings);
        const QString path = document.isEmpty() ? document : m_dir.filePath(document);
        int code = -1;
        QCOMPARE(app.InitInstance({request, path.toStdString(), false}, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);
        QCOMPARE(dialogs.messages.join(""), message);
        const bool unregister = request == SStartup::Request::unregister;
        QCOMPARE(QFileInfo::exists(settings.fileName()), !unregister);
        if (unregister) {
            return;
        }
        QCOMPARE(app.MainFrame()->isVisible() ? app.MainFrame()->windowTitle() : QString(),
                 exitCode == -1 ? u"lied.kt - Kantilo"_s : QString());
        QCOMPARE(app.RecentFiles().Files().last(), song);
        QCOMPARE(Notes(app.Document()), path == song ? u"440/2"_s : QString());
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
