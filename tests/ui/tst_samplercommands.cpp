#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QSlider>

#include "CSamplerDlg.h"
#include "CSamplerPaths.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerSettingsDlg.h"
#include "CSongFileDialog.h"
#include "UiTestKit.h"

namespace {

// What the progress dialog paints: the status texts in order and, per bar ('S' sampler,
// 'F' filter), every new value with the number of the status text shown then.
class CProgressRecorder : public QObject {
public:
    CProgressRecorder() { qApp->installEventFilter(this); }
    ~CProgressRecorder() override { qApp->removeEventFilter(this); }

    QStringList texts;
    QMap<char, QList<std::pair<int, int>>> bars;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* label = qobject_cast<QLabel*>(object);
        if (event->type() != QEvent::Paint) {
            return false;
        }
        if (auto* bar = qobject_cast<QProgressBar*>(object)) {
            auto& values = bars[bar->objectName() == u"samplerProgress"_s ? 'S' : 'F'];
            if (bar->value() != (values.isEmpty() ? 0 : values.last().first)) {
                values.append({bar->value(), int(texts.size()) - 1});
            }
        } else if (label && label->objectName() == u"status"_s &&
                   label->text() != texts.value(texts.size() - 1)) {
            texts.append(label->text());
        }
        return false;
    }
};

}  // namespace

// The sampler's commands in the editor, its dialogs and the path rules behind them.
class TestSamplerCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<CEditorFixture> m_f;

    // Enters both directories in the settings and closes with button; what the fields showed
    // at first, as "song|instrument".
    QString SetDirs(const QString& songDir, const QString& instrumentDir, const char* ok = "ok") {
        QString shown = u"no dialog"_s;
        CEditorFixture::OnModal<CSamplerSettingsDlg>(
            [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
            [&](CSamplerSettingsDlg& dlg) {
                auto* song = Child<QLineEdit>(dlg, "songDir");
                auto* instrument = Child<QLineEdit>(dlg, "instrumentDir");
                shown = song->text() + '|' + instrument->text();
                song->setText(songDir);
                instrument->setText(instrumentDir);
                Click(dlg, ok);
            });
        return shown;
    }

    // Opens the sampler dialog, lets setup adjust it and ends it with button.
    void Generate(const std::function<void(CSamplerDlg&)>& setup = {}, const char* button = "ok") {
        QVERIFY(CEditorFixture::OnModal<CSamplerDlg>(
            [&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
            [&](CSamplerDlg& dlg) {
                setup ? setup(dlg) : void();
                Click(dlg, button);
            }));
    }

    // Notes and rests entered with the mouse, across more than one bar.
    void EnterSong() {
        const int heights[] = {31, 10, 45, 48, 20, 7, 14, 38};
        for (int i = 0; i < 8; ++i) {
            m_f->ClickNote(80 + 40 * i, heights[i]);
        }
        m_f->View().SetTool(ETool::eighthRest);
        m_f->ClickNote(400, 50);
    }

    QByteArray RenderWithCommandLine(const QStringList& extra) {
        const QString kt = m_f->Path(u"lied.kt"_s);
        const QString out = m_f->Path(u"cli.wav"_s);
        QFile::remove(out);
        if (!m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok()) {
            return "save failed";
        }
        QProcess cli;
        cli.start(qEnvironmentVariable("KANTILO_BINARY_DIR") + u"/kantilo"_s,
                  QStringList{kt, u"-o"_s, out} + extra);
        if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
            return "kantilo failed: " + cli.errorString().toUtf8() + cli.readAllStandardError();
        }
        return FileBytes(out);
    }

    void CheckWarning(const QString& text) {
        QCOMPARE(m_f->dialogs.messages, QStringList{text});
        QVERIFY(m_f->dialogs.OneBox(&m_f->View(), u"Warnung!"_s, QMessageBox::Warning));
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
    }

private slots:
    void initTestCase() { CSongPlayer::SelectMediaBackend(); }  // as main does
    void init() {
        m_f = std::make_unique<CEditorFixture>();
        QVERIFY(QTest::qWaitForWindowExposed(&m_f->frame));
    }
    void cleanup() { m_f.reset(); }

    // The settings feed the sampler dialog and survive New and Open, which disable play.
    void settingsCancelAndPlayAcrossNewAndOpen() {
        QCOMPARE(SetDirs(m_f->dir.path(), u"/a/inst"_s), u"|"_s);
        QCOMPARE(SetDirs(u"/anders"_s, u"/x"_s, "cancel"), m_f->dir.path() + u"|/a/inst"_s);
        EnterSong();
        Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); }, "cancel");
        QCOMPARE(m_f->dialogs.chooserDirs, QStringList{m_f->dir.path()});
        // Cancel generates nothing.
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_f->SongFileName().isEmpty() && m_f->dialogs.messages.isEmpty());
        const QString kt = m_f->Path(u"lied.kt"_s);
        QVERIFY(m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok());
        Generate();
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        m_f->Action(ID_FILE_NEW)->trigger();
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        Generate();
        m_f->dialogs.openPath = kt;
        m_f->Action(ID_FILE_OPEN)->trigger();
        QVERIFY(m_f->doc.GetFirstNote() != nullptr);
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QCOMPARE(m_f->View().SongDir(), m_f->dir.path());
        QCOMPARE(m_f->View().InstrumentDir(), u"/a/inst"_s);
    }

    // The whole road from clicks to the song file: byte for byte what the command line makes.
    void songMatchesCommandLine() {
        QCOMPARE(SetDirs(m_f->dir.path(), QString()), u"|"_s);
        EnterSong();
        CProgressRecorder recorder;
        Generate();
        const QString song = m_f->Path(u"Test.wav"_s);
        QCOMPARE(m_f->SongFileName(), song);
        QVERIFY(m_f->dialogs.messages.isEmpty());
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        // All stages in order, each bar stepping one by one (100 wraps to 0) in its own stage.
        QCOMPARE(recorder.texts,
                 QStringList({u"Instrument wird geladen"_s, u"Lied wird gesampelt, bitte warten"_s,
                              u"Lied wird gefiltert, bitte warten"_s, u"Lied wird gespeichert"_s}));
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
        const QByteArray generated = FileBytes(song);
        QCOMPARE(generated, RenderWithCommandLine({}));
        QVERIFY(generated != RenderWithCommandLine({u"--quality"_s, u"5"_s}));  // it can differ
    }

    void missingInstrumentKeepsPlayDisabled() {
        const QString instDir = m_f->dir.path();
        QFile instrument(instDir + u"/Weg.wav"_s);
        QVERIFY(instrument.open(QIODevice::WriteOnly));
        QCOMPARE(SetDirs(instDir, instDir), u"|"_s);
        EnterSong();
        QString statusAtWarning;
        m_f->dialogs.onMessage = [&] {
            CSamplerProgressDlg* dlg = m_f->commands->ProgressSink().ProgressDlg();
            statusAtWarning = dlg && dlg->isVisible() ? dlg->Status() : u"hidden"_s;
        };
        Generate([&](CSamplerDlg& dlg) {
            ChooseInstrument(dlg, u"Weg.wav"_s);
            QVERIFY(QFile::remove(instDir + u"/Weg.wav"_s));
        });
        CheckWarning(u"Die angegebene Datei konnte nicht geöffnet werden!"_s);
        QCOMPARE(statusAtWarning, u"Instrument wird geladen"_s);
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_f->SongFileName().isEmpty());
        QVERIFY(!QFile::exists(m_f->Path(u"Test.wav"_s)));
    }

    void unwritableSongStillEnablesPlay() {
        EnterSong();
        const QString target = m_f->Path(u"fehlt/lied.wav"_s);
        m_f->dialogs.songFileAnswer = target;
        Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); });
        CheckWarning(u"Die angegebene Zieldatei konnte nicht geöffnet werden!"_s);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(m_f->SongFileName(), target);
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    }

    // The default names are matched by case, and so is the suffix.
    void filePaths() {
        QCOMPARE(CSamplerPaths::SongFilePath(u"test"_s, u"/s"_s), u"test.wav"_s);
        QCOMPARE(CSamplerPaths::SongFilePath(u"/m/l.WAV"_s, u"/s"_s), u"/m/l.WAV.wav"_s);
        QCOMPARE(CSamplerPaths::InstrumentFilePath(u"Standard"_s, u"/i"_s), u"Standard"_s);
        QCOMPARE(CSamplerPaths::InstrumentFilePath(u"standard"_s, u"/i"_s), u"/i/standard"_s);
    }

    // "&Browse" opens on the song folder with "*.wav" in the name field.
    void songChooserStartsWithThePattern() {
        CSongFileDialog dialog(nullptr, m_f->dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();
        QCOMPARE(dialog.findChild<QLineEdit*>(u"fileNameEdit"_s)->text(), u"*.wav"_s);
        QCOMPARE(QDir(dialog.directory()), QDir(m_f->dir.path()));
    }

    // Pitch and filter as chosen; a song field left empty keeps the dialog open.
    void samplerDlgResultsAndEmptySongField() {
        const QString inst = m_f->Path(u"inst"_s);
        QVERIFY(QDir().mkpath(inst));
        for (const char* name : {"Orgel.wav", "geige.WAV", "liesmich.txt", ".alt.wav"}) {
            QVERIFY(WriteFile(inst + '/' + QLatin1String(name), {}));
        }
        CSamplerDlg dlg(m_f->dir.path(), inst, m_f->dialogs);
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        QCOMPARE(list->count(), 3);  // the sounds sorted, then the built-in one, chosen
        QCOMPARE(list->itemText(0) + list->itemText(1), u"geige.WAVOrgel.wav"_s);
        QCOMPARE(list->currentText(), u"Standard"_s);
        dlg.show();
        ChooseInstrument(dlg, u"geige.WAV"_s);
        Child<QSlider>(dlg, "pitchSlider")->setValue(0);
        Child<QSlider>(dlg, "filterSlider")->setValue(50);
        Child<QLineEdit>(dlg, "songFile")->clear();
        Click(dlg, "ok");
        QCOMPARE(m_f->dialogs.messages, QStringList{u"Es wurde keine Lieddatei angegeben!"_s});
        QVERIFY(m_f->dialogs.OneBox(&dlg, u"Kantilo"_s, QMessageBox::NoIcon));
        QVERIFY(dlg.isVisible());
        Child<QLineEdit>(dlg, "songFile")->setText(u"Test"_s);
        Click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetBaseFrequency(), 149);
        QCOMPARE(dlg.GetFilterQuality(), 50);
        QCOMPARE(dlg.GetInstrumentFilePath(), inst + u"/geige.WAV"_s);
        QCOMPARE(dlg.GetSongFilePath(), m_f->Path(u"Test.wav"_s));
    }
};

QTEST_MAIN(TestSamplerCommands)
#include "tst_samplercommands.moc"
