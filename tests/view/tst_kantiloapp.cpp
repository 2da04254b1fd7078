#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "CCommandLine.h"
#include "CFakeDialogs.h"
#include "CKantiloApp.h"
#include "CKantiloDoc.h"
#include "CKantiloView.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "CommandIds.h"

class TestKantiloApp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    CFakeDialogs m_dialogs;
    std::unique_ptr<CKantiloApp> m_app;
    QString m_song;

    bool Start(const std::vector<std::string>& args, int& exitCode) {
        const CCommandLine commandLine = CCommandLine::Parse(args);
        if (commandLine.m_action != CCommandLine::Action::editor) {
            qWarning("not an editor command line: %s", commandLine.m_strError.c_str());
            return false;
        }
        return m_app->InitInstance(commandLine, exitCode);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        CKantiloDoc doc;
        doc.AddNote(CPoint{0, 31}, 2, 0);
        m_song = m_dir.filePath(QStringLiteral("lied.kt"));
        QVERIFY(doc.OnSaveDocument(m_song.toStdString()).Ok());
    }
    void init() {
        m_dialogs = CFakeDialogs();
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("Kantilo.conf")),
                                                 QSettings::IniFormat);
        m_settings->setValue(QStringLiteral("Recent File List/File1"), m_song);
        m_settings->sync();
        m_app = std::make_unique<CKantiloApp>(m_dialogs, *m_settings);
    }
    void cleanup() {
        m_app.reset();
        m_settings.reset();
    }

    void noArgumentShowsNewSong() {
        int exitCode = -1;
        QVERIFY(Start({}, exitCode));
        CMainFrame* frame = m_app->MainFrame();
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->windowTitle(), QStringLiteral("Unbenannt - Kantilo"));
        QVERIFY(frame->Action(ID_HALBE_NOTE)->isChecked());
        QVERIFY(m_app->Document().GetFirstNote() == nullptr);
        QCOMPARE(m_app->RecentFiles().Files(), QStringList{m_song});
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    void pathOpensDocument() {
        int exitCode = -1;
        QVERIFY(Start({m_song.toStdString()}, exitCode));
        QCOMPARE(m_app->MainFrame()->windowTitle(), QStringLiteral("lied.kt - Kantilo"));
        QVERIFY(m_app->Document().GetFirstNote() != nullptr);
        QVERIFY(!m_app->Document().IsModified());
    }

    void unopenablePathEndsAfterMessage() {
        const QString missing = m_dir.filePath(QStringLiteral("fehlt.kt"));
        int exitCode = 0;
        QVERIFY(!Start({missing.toStdString()}, exitCode));
        QCOMPARE(exitCode, 1);
        QCOMPARE(m_dialogs.messages,
                 QStringList{missing + QStringLiteral(" wurde nicht gefunden.")});
        QVERIFY(!m_app->MainFrame()->isVisible());
    }

    void slashArgumentsOtherThanSwitchesArePaths() {
        int exitCode = 0;
        QVERIFY(!Start({"/P"}, exitCode));
        QCOMPARE(m_dialogs.messages, QStringList{"/P wurde nicht gefunden."});
    }

    void printOpensAndEnds_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("-p") << QStringList{"-p", "SONG"};
        QTest::newRow("/p after the path") << QStringList{"SONG", "/p"};
        QTest::newRow("/pt") << QStringList{"/pt", "SONG", "Drucker", "Treiber", "LPT1"};
    }
    void printOpensAndEnds() {
        QFETCH(QStringList, args);
        std::vector<std::string> argv;
        for (const QString& arg : args) {
            argv.push_back(arg == QStringLiteral("SONG") ? m_song.toStdString()
                                                         : arg.toStdString());
        }
        int exitCode = -1;
        QVERIFY(!Start(argv, exitCode));
        QCOMPARE(exitCode, 0);
        QVERIFY(!m_app->MainFrame()->isVisible());
        QCOMPARE(QString::fromStdString(m_app->Document().GetTitle()), QStringLiteral("lied.kt"));
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    void acceptedSwitchesChangeNothing_data() {
        QTest::addColumn<QString>("option");
        for (const char* option :
             {"-dde", "/dde", "-Embedding", "/embedding", "-Automation", "/AUTOMATION"}) {
            QTest::newRow(option) << QString::fromLatin1(option);
        }
    }
    void acceptedSwitchesChangeNothing() {
        QFETCH(QString, option);
        int exitCode = -1;
        QVERIFY(Start({option.toStdString(), m_song.toStdString()}, exitCode));
        QVERIFY(m_app->MainFrame()->isVisible());
        QCOMPARE(m_app->MainFrame()->windowTitle(), QStringLiteral("lied.kt - Kantilo"));
    }

    void unregisterRemovesSettings_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("embedding");
        QTest::newRow("-Unregister") << QStringLiteral("-Unregister") << false;
        QTest::newRow("/unregserver") << QStringLiteral("/unregserver") << false;
        QTest::newRow("/UNREGISTER -Embedding") << QStringLiteral("/UNREGISTER") << true;
    }
    void unregisterRemovesSettings() {
        QFETCH(QString, option);
        QFETCH(bool, embedding);
        const QString file = m_settings->fileName();
        QVERIFY(QFileInfo::exists(file));
        std::vector<std::string> args{option.toStdString()};
        if (embedding) {
            args.push_back("-Embedding");
        }
        int exitCode = -1;
        QVERIFY(!Start(args, exitCode));
        QCOMPARE(exitCode, 0);
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(m_app->MainFrame() == nullptr);
        const QStringList expected =
            embedding ? QStringList()
                      : QStringList{
                            "Einträge in der Systemregistrierung wurden entfernt, und die "
                            "INI-Datai (falls vorhanden) wurde gelöscht."};
        QCOMPARE(m_dialogs.messages, expected);
        m_settings.reset();  // nothing is written back at exit either
        QVERIFY(!QFileInfo::exists(file));
    }

    void frameHooksSeeTheWindowBeforeItShows() {
        // Hooks stay registered for the rest of the run, so they must not point into this stack.
        static int calls = 0;
        static bool visibleInHook = true;
        CKantiloApp::AddFrameHook([](CMainFrame& frame) {
            ++calls;
            visibleInHook = frame.isVisible();
            QVERIFY(frame.Action(ID_LIED_GENERIEREN) != nullptr);
        });
        int exitCode = -1;
        QVERIFY(Start({}, exitCode));
        QCOMPARE(calls, 1);
        QVERIFY(!visibleInHook);
    }

    void displayIsRequired() {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const QByteArray display = qgetenv("DISPLAY");
        const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        const bool without = CKantiloApp::HasDisplay();
        char name[] = "kantilo";
        char* argv[] = {name, nullptr};
        const int exitCode = CKantiloApp::Run(1, argv, CCommandLine::Parse(1, argv));
        qputenv("DISPLAY", ":99");
        const bool withX = CKantiloApp::HasDisplay();
        qputenv("QT_QPA_PLATFORM", platform);
        display.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
        if (!wayland.isEmpty()) {
            qputenv("WAYLAND_DISPLAY", wayland);
        }
        QVERIFY(!without);
        QCOMPARE(exitCode, 1);
        QVERIFY(withX);
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
