#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "CCommandLine.h"
#include "CKantiloApp.h"
#include "CMainFrame.h"
#include "CQtUserDialogs.h"
#include "CRecentFileList.h"
#include "CommandIds.h"
#include "ViewTestKit.h"

namespace {
// Runs check on the modal box that opens next, while it is open.
template <typename Box>
void OnNextModal(const std::function<void(Box&)>& check) {
    QTimer::singleShot(0, [check] {
        auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        check(*box);
    });
}
}  // namespace

// Start-up from the command line, and the real boxes and file dialogs in German.
class TestKantiloApp : public QObject {
    Q_OBJECT

private:
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
        m_settings =
            std::make_unique<QSettings>(m_dir.filePath(u"Kantilo.conf"_s), QSettings::IniFormat);
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
        QTest::addColumn<QString>("title");     // of the shown window
        QTest::addColumn<QString>("message");
        const QString unregistered =
            u"Einträge in der Systemregistrierung wurden entfernt, und die INI-Datai (falls "
            "vorhanden) wurde gelöscht."_s;
        QTest::newRow("none") << QStringList() << -1 << u"Unbenannt - Kantilo"_s << QString();
        QTest::newRow("path") << QStringList{"SONG"} << -1 << u"lied.kt - Kantilo"_s << QString();
        QTest::newRow("missing") << QStringList{"MISSING"} << 1 << QString()
                                 << u"MISSING wurde nicht gefunden."_s;
        QTest::newRow("/P is a path")
            << QStringList{"/P"} << 1 << QString() << u"/P wurde nicht gefunden."_s;
        QTest::newRow("-p") << QStringList{"-p", "SONG"} << 0 << QString() << QString();
        QTest::newRow("/p after") << QStringList{"SONG", "/p"} << 0 << QString() << QString();
        QTest::newRow("/pt") << QStringList{"/pt", "SONG", "Drucker", "Treiber", "LPT1"} << 0
                             << QString() << QString();
        for (const char* option :
             {"-dde", "/dde", "-Embedding", "/embedding", "-Automation", "/AUTOMATION"}) {
            QTest::newRow(option) << QStringList{option, "SONG"} << -1 << u"lied.kt - Kantilo"_s
                                  << QString();
        }
        QTest::newRow("-Unregister")
            << QStringList{"-Unregister"} << 0 << QString() << unregistered;
        QTest::newRow("/unregserver")
            << QStringList{"/unregserver"} << 0 << QString() << unregistered;
        QTest::newRow("/UNREGISTER -Embedding")
            << QStringList{"/UNREGISTER", "-Embedding"} << 0 << QString() << QString();
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, title);
        QFETCH(QString, message);
        const QString missing = m_dir.filePath(u"fehlt.kt"_s);
        const bool song = args.contains(u"SONG"_s);
        std::vector<std::string> argv;
        for (const QString& arg :
             args.replaceInStrings(u"SONG"_s, m_song).replaceInStrings(u"MISSING"_s, missing)) {
            argv.push_back(arg.toStdString());
        }
        const CCommandLine commandLine = CCommandLine::Parse(argv);
        QCOMPARE(int(commandLine.m_action), int(CCommandLine::Action::editor));
        int code = -1;
        QCOMPARE(m_app->InitInstance(commandLine, code), exitCode == -1);
        QCOMPARE(exitCode == -1 ? -1 : code, exitCode);  // set only when the program ends
        QCOMPARE(m_dialogs.messages, message.isEmpty()
                                         ? QStringList()
                                         : QStringList{message.replace("MISSING", missing)});
        const bool unregister = args.value(0).contains(u"unreg"_s, Qt::CaseInsensitive);
        QCOMPARE(QFileInfo::exists(m_settings->fileName()), !unregister);
        if (unregister) {
            QVERIFY(m_app->MainFrame() == nullptr);
            m_settings.reset();  // nothing is written back at exit either
            QVERIFY(!QFileInfo::exists(m_dir.filePath(u"Kantilo.conf"_s)));
            return;
        }
        QCOMPARE(m_app->MainFrame()->isVisible() ? m_app->MainFrame()->windowTitle() : QString(),
                 title);
        QCOMPARE(m_app->RecentFiles().Files().last(), m_song);
        QVERIFY(!m_app->Document().IsModified());
        QCOMPARE(Notes(m_app->Document()), song ? u"440/2"_s : QString());
        QVERIFY(!song || m_app->Document().GetTitle() == "lied.kt");
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
        QVERIFY(m_app->InitInstance(CCommandLine::Parse(std::vector<std::string>{}), exitCode));
        QCOMPARE(calls, 1);
        QVERIFY(!visibleInHook);
        QVERIFY(m_app->MainFrame()->Action(ID_HALBE_NOTE)->isChecked());
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

    void realBoxesAndFileDialogs() {
        // Yes, No, and closing the box for Cancel; the buttons speak German.
        CQtUserDialogs dialogs;
        QStringList buttons;
        for (const auto answer :
             {IUserDialogs::Answer::Yes, IUserDialogs::Answer::No, IUserDialogs::Answer::Cancel}) {
            OnNextModal<QMessageBox>([&buttons, answer](QMessageBox& box) {
                buttons.clear();
                for (const auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
                    buttons.append(box.button(button)->text().remove('&'));
                }
                const auto click =
                    answer == IUserDialogs::Answer::Yes ? QMessageBox::Yes : QMessageBox::No;
                answer == IUserDialogs::Answer::Cancel ? void(box.close())
                                                       : box.button(click)->click();
            });
            QCOMPARE(dialogs.AskYesNoCancel(u"Änderungen speichern?"_s), answer);
        }
        QCOMPARE(buttons, QStringList({"Ja", "Nein", "Abbrechen"}));
        // The save dialog starts with the suggested name and adds ".kt".
        OnNextModal<QFileDialog>([this](QFileDialog& dialog) {
            dialog.setDirectory(m_dir.path());
            auto* name = dialog.findChild<QLineEdit*>(u"fileNameEdit"_s);
            QCOMPARE(name->text(), u"Unbenannt.kt"_s);
            name->setText(u"neu"_s);
            static_cast<QDialog&>(dialog).accept();
        });
        QCOMPARE(dialogs.GetSaveFileName(u"Unbenannt.kt"_s), m_dir.filePath(u"neu.kt"_s));
    }
};

QTEST_MAIN(TestKantiloApp)
#include "tst_kantiloapp.moc"
