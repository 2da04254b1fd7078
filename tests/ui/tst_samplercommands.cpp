#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QSlider>
#include <QToolBar>

#include "CSamplerDlg.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerSettingsDlg.h"
#include "CWaveFile.h"
#include "UiTestKit.h"

namespace {

const QStringList kStages = {u"Instrument wird geladen"_s, u"Lied wird gesampelt, bitte warten"_s,
                             u"Lied wird gefiltert, bitte warten"_s, u"Lied wird gespeichert"_s};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A saw tone, as an instrument recording.
void WriteInstrument(const QString& path) {
    CWaveFile wave(path.toStdString());
    wave.SetSampleRate(11025);
    wave.SetBitsPerSample(16);
    QVERIFY(wave.Allocate(2000));
    for (uint32_t i = 0; i < 2000; ++i) {
        wave.SetSample(i, int(i % 50) * 600 - 15000);
    }
    wave.Write();
}

// What the progress dialog paints during a run: the status texts in order and, for each bar
// ('S' sampler, 'F' filter), every new value with the number of the status text shown then.
class CProgressRecorder : public QObject {
public:
    CProgressRecorder() { qApp->installEventFilter(this); }
    ~CProgressRecorder() override { qApp->removeEventFilter(this); }

    QStringList texts;
    QList<QRect> dialogGeometries;  // at each status change
    QMap<char, QList<std::pair<int, int>>> bars;
    bool paintedWhileHidden = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        auto* dlg = widget ? qobject_cast<CSamplerProgressDlg*>(widget->window()) : nullptr;
        if (event->type() != QEvent::Paint || !dlg) {
            return false;
        }
        paintedWhileHidden = paintedWhileHidden || !dlg->isVisible();
        auto* label = qobject_cast<QLabel*>(object);
        if (auto* bar = qobject_cast<QProgressBar*>(object)) {
            auto& values = bars[bar->objectName() == u"samplerProgress"_s ? 'S' : 'F'];
            if (bar->value() != (values.isEmpty() ? 0 : values.last().first)) {
                values.append({bar->value(), static_cast<int>(texts.size()) - 1});
            }
        } else if (label && label->objectName() == u"status"_s &&
                   label->text() != texts.value(texts.size() - 1)) {
            texts.append(label->text());
            dialogGeometries.append(dlg->frameGeometry());
        }
        return false;
    }
};

}  // namespace

class TestSamplerCommands : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CEditorFixture> m_f;
    std::unique_ptr<QTemporaryDir> m_dir;

    // Opens the settings, enters both directories and closes with button; what the fields
    // showed at first, as "song|instrument".
    QString SetDirs(const QString& songDir, const QString& instrumentDir, const char* ok = "ok") {
        QString shown = u"no dialog"_s;
        CEditorFixture::OnModal<CSamplerSettingsDlg>(
            [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
            [&](CSamplerSettingsDlg& dlg) {
                shown = Child<QLineEdit>(dlg, "songDir")->text() + '|' +
                        Child<QLineEdit>(dlg, "instrumentDir")->text();
                Child<QLineEdit>(dlg, "songDir")->setText(songDir);
                Child<QLineEdit>(dlg, "instrumentDir")->setText(instrumentDir);
                Click(dlg, ok);
            });
        return shown;
    }

    // Opens the sampler dialog, lets setup adjust it and ends it with button; a generate run
    // follows OK.
    void Generate(const std::function<void(CSamplerDlg&)>& setup = {}, const char* button = "ok") {
        QVERIFY(CEditorFixture::OnModal<CSamplerDlg>(
            [&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
            [&](CSamplerDlg& dlg) {
                if (setup) {
                    setup(dlg);
                }
                Click(dlg, button);
            }));
    }

    // Notes and rests entered with the mouse, across more than one bar.
    void EnterSong() {
        const int heights[] = {31, 10, 45, 48, 20, 7, 14, 38};
        for (int i = 0; i < 8; ++i) {
            m_f->ClickNote(80 + 40 * i, heights[i]);
        }
        m_f->View().SetTool(2);
        m_f->ClickNote(400, 50);
        m_f->View().SetTool(11);
        m_f->ClickNote(440, 50);
    }

    QByteArray RenderWithCommandLine(const QStringList& extra) {
        const QString kt = m_dir->filePath(u"lied.kt"_s);
        const QString out = m_dir->filePath(u"cli.wav"_s);
        QFile::remove(out);
        if (!m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok()) {
            return "save failed";
        }
        QProcess cli;
        const QString binDir = QCoreApplication::applicationDirPath() + u"/.."_s;
        cli.start(qEnvironmentVariable("KANTILO_BINARY_DIR", binDir) + u"/kantilo"_s,
                  QStringList{kt, u"-o"_s, out} + extra);
        if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
            return "kantilo failed: " + cli.errorString().toUtf8() + cli.readAllStandardError();
        }
        return ReadAll(out);
    }

    // A run through all stages: the texts in order, each bar stepping one by one during its own
    // stage, the dialog visible and centred over the view at every stage.
    void CheckProgressShown(const CProgressRecorder& recorder) {
        QCOMPARE(recorder.texts, kStages);
        QVERIFY(!recorder.paintedWhileHidden);
        for (const char bar : {'S', 'F'}) {
            const QList<std::pair<int, int>> values = recorder.bars.value(bar);
            QVERIFY(values.size() >= 90 && values.size() <= 110);
            int last = 0;
            for (const auto& [value, stage] : values) {
                QVERIFY(value == last + 1 || (last == 100 && value == 0));
                QCOMPARE(stage, bar == 'S' ? 1 : 2);
                last = value;
            }
        }
        const QRect view(m_f->View().mapToGlobal(QPoint(0, 0)), m_f->View().size());
        for (const QRect& dlg : recorder.dialogGeometries) {
            QCOMPARE(dlg.topLeft(), CSamplerProgressSink::CenteredTopLeft(view, dlg));
        }
    }

    void CheckWarning(const QString& text) {
        QCOMPARE(m_f->prompts.messages.size(), 1);
        QCOMPARE(m_f->prompts.messages[0].title, u"Warnung!"_s);
        QCOMPARE(m_f->prompts.messages[0].text, text);
        QCOMPARE(m_f->prompts.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(m_f->prompts.messages[0].owner, &m_f->View());
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_f = std::make_unique<CEditorFixture>();
        QVERIFY(QTest::qWaitForWindowExposed(&m_f->frame));
    }

    void cleanup() {
        m_f.reset();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            QVERIFY(!qobject_cast<CSamplerProgressDlg*>(widget));
        }
    }

    void freshEditorDisablesPlayOnly() {
        QAction* play = m_f->Action(ID_LIED_SPIELEN);
        QVERIFY(!play->isEnabled());
        QVERIFY(m_f->Action(ID_LIED_STOPPEN)->isEnabled());
        // Opening the menu checks play afresh.
        play->setEnabled(true);
        for (QObject* object : play->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(object)) {
                emit menu->aboutToShow();
            }
        }
        QVERIFY(!play->isEnabled());
    }

    void settingsOkAndCancelThenSamplerCancel() {
        QCOMPARE(SetDirs(u"/lieder/"_s, u"/inst"_s), u"|"_s);  // empty at first
        QCOMPARE(SetDirs(u"/anders"_s, u"/x"_s, "cancel"), u"/lieder/|/inst"_s);
        QCOMPARE(m_f->View().SongDir(), u"/lieder/"_s);
        QCOMPARE(m_f->View().InstrumentDir(), u"/inst"_s);
        // The sampler dialog starts from the settings: the song directory joins literally.
        EnterSong();
        bool progressHidden = false;
        Generate(
            [&](CSamplerDlg& dlg) {
                Click(dlg, "browse");
                // The progress dialog exists already, hidden, while the user chooses.
                CSamplerProgressDlg* progress = m_f->commands->ProgressSink().ProgressDlg();
                progressHidden = progress && !progress->isVisible();
            },
            "cancel");
        QCOMPARE(m_f->prompts.chooserDirs, QStringList{u"/lieder/"_s});
        // Cancel generates nothing.
        QVERIFY(progressHidden);
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
        QVERIFY(m_f->View().findChildren<CSamplerProgressDlg*>().isEmpty());
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_f->SongFileName().isEmpty());
        QVERIFY(m_f->prompts.messages.isEmpty());
    }

    void settingsAndPlayAcrossNewAndOpen() {
        QCOMPARE(SetDirs(m_dir->path(), u"/a/inst"_s), u"|"_s);
        EnterSong();
        const QString kt = m_dir->filePath(u"lied.kt"_s);
        QVERIFY(m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok());
        Generate();
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(!m_f->doc.IsModified());  // generating leaves the song itself untouched
        m_f->Action(ID_FILE_NEW)->trigger();
        QVERIFY(m_f->doc.GetFirstNote() == nullptr);
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        Generate();
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        m_f->dialogs.openPath = kt;
        m_f->Action(ID_FILE_OPEN)->trigger();
        QVERIFY(m_f->doc.GetFirstNote() != nullptr);
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(!m_f->frame.ToolBar()->widgetForAction(m_f->Action(ID_LIED_SPIELEN))->isEnabled());
        QCOMPARE(m_f->View().SongDir(), m_dir->path());
        QCOMPARE(m_f->View().InstrumentDir(), u"/a/inst"_s);
    }

    void songMatchesCommandLine_data() {
        QTest::addColumn<bool>("chosen");
        QTest::newRow("defaults") << false;
        QTest::newRow("own instrument, pitch 0, filter 5, browsed file") << true;
    }
    // The whole road from clicks to the song file: byte for byte what the command line makes.
    void songMatchesCommandLine() {
        QFETCH(bool, chosen);
        const QString instDir = m_dir->filePath(u"inst/"_s);
        QVERIFY(QDir().mkpath(instDir));
        WriteInstrument(instDir + u"Saege.wav"_s);
        QCOMPARE(SetDirs(m_dir->path(), instDir), u"|"_s);
        EnterSong();
        m_f->prompts.songFileAnswer = m_dir->filePath(u"eigen"_s);
        CProgressRecorder recorder;
        Generate([&](CSamplerDlg& dlg) {
            if (chosen) {
                ChooseInstrument(dlg, u"Saege.wav"_s);
                Child<QSlider>(dlg, "pitchSlider")->setValue(0);
                Child<QSlider>(dlg, "filterSlider")->setValue(5);
                Click(dlg, "browse");
            }
        });
        const QString song = m_dir->filePath(chosen ? u"eigen.wav"_s : u"Test.wav"_s);
        QCOMPARE(m_f->SongFileName(), song);
        QVERIFY(m_f->prompts.messages.isEmpty());
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
        CheckProgressShown(recorder);
        const QStringList extra = {u"--instrument"_s, instDir + u"/Saege.wav"_s,
                                   u"--base"_s,       u"149"_s,
                                   u"--quality"_s,    u"5"_s};
        const QByteArray generated = ReadAll(song);
        QVERIFY(generated.size() > 44);
        QCOMPARE(generated, RenderWithCommandLine(chosen ? extra : QStringList()));
        // The choices made a difference.
        QVERIFY(generated != RenderWithCommandLine(chosen ? QStringList() : extra));
    }

    void missingInstrumentKeepsPlayDisabled() {
        const QString instDir = m_dir->filePath(u"inst"_s);
        QVERIFY(QDir().mkpath(instDir));
        WriteInstrument(instDir + u"/Weg.wav"_s);
        QCOMPARE(SetDirs(m_dir->path(), instDir), u"|"_s);
        EnterSong();
        QString statusAtWarning;
        m_f->prompts.onMessage = [&] {
            CSamplerProgressDlg* dlg = m_f->commands->ProgressSink().ProgressDlg();
            statusAtWarning = dlg && dlg->isVisible() ? dlg->Status() : u"hidden"_s;
        };
        Generate([&](CSamplerDlg& dlg) {
            ChooseInstrument(dlg, u"Weg.wav"_s);
            QVERIFY(QFile::remove(instDir + u"/Weg.wav"_s));
        });
        CheckWarning(u"Die angegebene Datei konnte nicht geöffnet werden!"_s);
        QCOMPARE(statusAtWarning, kStages[0]);
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_f->SongFileName().isEmpty());
        QVERIFY(!QFile::exists(m_dir->filePath(u"Test.wav"_s)));
    }

    void unwritableSongStillEnablesPlay() {
        EnterSong();
        const QString target = m_dir->filePath(u"fehlt/lied.wav"_s);
        m_f->prompts.songFileAnswer = target;
        CProgressRecorder recorder;
        Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); });
        CheckWarning(u"Die angegebene Zieldatei konnte nicht geöffnet werden!"_s);
        CheckProgressShown(recorder);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(m_f->SongFileName(), target);
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    }

    // Files that cannot be played give a beep and no message. Real sound: tst_realaudio.
    void unplayableSongsBeep() {
        // Chosen when the program was loaded, before any media object existed.
        QCOMPARE(qgetenv("QT_MEDIA_BACKEND"), QByteArray("gstreamer"));
        QCOMPARE(SetDirs(m_dir->path(), QString()), u"|"_s);
        EnterSong();
        Generate();
        int beeps = 0;
        CSongPlayer& player = m_f->commands->Player();
        player.SetBeep([&] { ++beeps; });
        QVERIFY(QFile::remove(m_dir->filePath(u"Test.wav"_s)));
        m_f->Action(ID_LIED_SPIELEN)->trigger();
        QCOMPARE(beeps, 1);
        m_f->Action(ID_LIED_STOPPEN)->trigger();
        QCOMPARE(beeps, 1);
        player.Play(QString());
        player.Play(m_dir->path());
        QCOMPARE(beeps, 3);
        // A file that turns out broken only while it plays beeps once, later.
        QFile broken(m_dir->filePath(u"kaputt.wav"_s));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(4096, '\x5a'));
        broken.close();
        player.Play(broken.fileName());
        QTRY_COMPARE_WITH_TIMEOUT(beeps, 4, 10000);
        QTest::qWait(300);
        QCOMPARE(beeps, 4);
        QVERIFY(!player.IsPlaying());
        QVERIFY(m_f->prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestSamplerCommands)
#include "tst_samplercommands.moc"
