#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QSlider>
#include <QToolBar>

#include "CNote.h"
#include "CSamplerDlg.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerSettingsDlg.h"
#include "UiTestKit.h"

namespace {

const QStringList kStages = {u"Instrument wird geladen"_s, u"Lied wird gesampelt, bitte warten"_s,
                             u"Lied wird gefiltert, bitte warten"_s, u"Lied wird gespeichert"_s};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 16-bit mono WAV file with a saw tone, as an instrument recording.
void WriteInstrument(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 rate = 11025;
    const int samples = 2000;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + 2 * samples);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(2 * samples);
    for (int i = 0; i < samples; ++i) {
        out << qint16((i % 50) * 600 - 15000);
    }
}

void ChooseInstrument(CSamplerDlg& dlg, const QString& name) {
    auto* list = Child<QComboBox>(dlg, "instrumentList");
    list->setCurrentIndex(list->findText(name));
}

// Every bar value and status text the progress dialog paints during a run, in painting order:
// 'S' sampler bar, 'F' filter bar, 'T' status text.
class CProgressRecorder : public QObject {
public:
    struct CEntry {
        char kind;
        int value;
        QString text;
    };

    CProgressRecorder() { qApp->installEventFilter(this); }
    ~CProgressRecorder() override { qApp->removeEventFilter(this); }

    QList<int> Indices(char kind) const {
        QList<int> found;
        for (int i = 0; i < log.size(); ++i) {
            if (log[i].kind == kind) {
                found.append(i);
            }
        }
        return found;
    }
    // Single steps of one bar (100 wraps to 0); -1 when it ever moved otherwise.
    int Steps(char kind) const {
        int last = 0;
        for (const int i : Indices(kind)) {
            if (log[i].value != last + 1 && !(last == 100 && log[i].value == 0)) {
                return -1;
            }
            last = log[i].value;
        }
        return static_cast<int>(Indices(kind).size());
    }

    QList<CEntry> log;
    QList<QRect> dialogGeometries;  // frame of the dialog at each status change
    bool paintedWhileHidden = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        auto* dlg = widget ? qobject_cast<CSamplerProgressDlg*>(widget->window()) : nullptr;
        if (event->type() != QEvent::Paint || !dlg) {
            return false;
        }
        paintedWhileHidden = paintedWhileHidden || !dlg->isVisible();
        if (auto* bar = qobject_cast<QProgressBar*>(object)) {
            const char kind = bar->objectName() == u"samplerProgress"_s ? 'S' : 'F';
            int& last = kind == 'S' ? m_nLastSampler : m_nLastFilter;
            if (bar->value() != last) {
                last = bar->value();
                log.append({kind, last, QString()});
            }
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            if (label->objectName() == u"status"_s && label->text() != m_strLast) {
                m_strLast = label->text();
                log.append({'T', 0, m_strLast});
                dialogGeometries.append(dlg->frameGeometry());
            }
        }
        return false;
    }

private:
    int m_nLastSampler = 0;
    int m_nLastFilter = 0;
    QString m_strLast;
};

QString KantiloBinary() {
    const QString dir = qEnvironmentVariable("KANTILO_BINARY_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() + u"/../kantilo"_s
                         : dir + u"/kantilo"_s;
}

}  // namespace

class TestSamplerCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshEditorDisablesPlayOnly();
    void cancelGeneratesNothing();
    void settingsOkAndCancel();
    void settingsAndPlayAcrossNewAndOpen();
    void songMatchesCommandLine_data();
    void songMatchesCommandLine();
    void missingInstrumentKeepsPlayDisabled();
    void unwritableSongStillEnablesPlay();
    void unplayableSongsBeep();

private:
    // Sets both directories through the settings dialog.
    void SetDirs(const QString& songDir, const QString& instrumentDir);
    // Opens the sampler dialog, lets setup adjust it and confirms it; the generate run follows.
    void Generate(const std::function<void(CSamplerDlg&)>& setup = {});
    void EnterSong();
    void CheckProgressShown(const CProgressRecorder& recorder);
    QString RenderWithCommandLine(const QStringList& extra);

    std::unique_ptr<CEditorFixture> m_f;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSamplerCommands::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_f = std::make_unique<CEditorFixture>();
    QVERIFY(QTest::qWaitForWindowExposed(&m_f->frame));
}

void TestSamplerCommands::cleanup() {
    m_f.reset();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY(!qobject_cast<CSamplerProgressDlg*>(widget));
    }
}

void TestSamplerCommands::SetDirs(const QString& songDir, const QString& instrumentDir) {
    const bool seen = CEditorFixture::OnModal<CSamplerSettingsDlg>(
        [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
        [&](CSamplerSettingsDlg& dlg) {
            Child<QLineEdit>(dlg, "songDir")->setText(songDir);
            Child<QLineEdit>(dlg, "instrumentDir")->setText(instrumentDir);
            Click(dlg, "ok");
        });
    QVERIFY(seen);
}

void TestSamplerCommands::Generate(const std::function<void(CSamplerDlg&)>& setup) {
    const bool seen =
        CEditorFixture::OnModal<CSamplerDlg>([&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
                                             [&](CSamplerDlg& dlg) {
                                                 if (setup) {
                                                     setup(dlg);
                                                 }
                                                 Click(dlg, "ok");
                                             });
    QVERIFY(seen);
}

// Notes and rests entered with the mouse, across more than one bar.
void TestSamplerCommands::EnterSong() {
    const int heights[] = {31, 10, 45, 48, 20, 7, 14, 38};
    int x = 80;
    for (const int y : heights) {
        m_f->ClickNote(x, y);
        x += 40;
    }
    m_f->View().SetTool(2);
    m_f->ClickNote(x, 50);
    m_f->View().SetTool(11);
    m_f->ClickNote(x + 40, 50);
    int notes = 0;
    int32_t bNewBar = 0;
    for (CNote* note = m_f->doc.GetFirstNote(); note; note = m_f->doc.GetNextNote(bNewBar)) {
        ++notes;
    }
    QCOMPARE(notes, 10);
}

QString TestSamplerCommands::RenderWithCommandLine(const QStringList& extra) {
    const QString kt = m_dir->filePath(u"lied.kt"_s);
    const QString out = m_dir->filePath(u"cli.wav"_s);
    QFile::remove(out);
    const CKantiloDoc::CResult saved = m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString());
    if (!saved.Ok()) {
        qWarning("save failed: %s", saved.message.c_str());
        return QString();
    }
    QProcess cli;
    cli.start(KantiloBinary(), QStringList{kt, u"-o"_s, out} + extra);
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
        qWarning() << "kantilo failed:" << cli.errorString() << cli.readAllStandardError();
        return QString();
    }
    return out;
}

// A run through all stages: the stage texts in order, each bar stepping one by one during its
// own stage, the dialog visible and centred over the view at every stage.
void TestSamplerCommands::CheckProgressShown(const CProgressRecorder& recorder) {
    const QList<int> texts = recorder.Indices('T');
    QStringList shown;
    for (const int i : texts) {
        shown.append(recorder.log[i].text);
    }
    QCOMPARE(shown, kStages);
    QVERIFY(!recorder.paintedWhileHidden);
    for (const char bar : {'S', 'F'}) {
        const int steps = recorder.Steps(bar);
        QVERIFY2(steps >= 90 && steps <= 110, qPrintable(QString::number(steps)));
        const int stage = bar == 'S' ? 1 : 2;
        QVERIFY(texts[stage] < recorder.Indices(bar).first());
        QVERIFY(recorder.Indices(bar).last() < texts[stage + 1]);
    }
    const QRect view(m_f->View().mapToGlobal(QPoint(0, 0)), m_f->View().size());
    for (const QRect& dlg : recorder.dialogGeometries) {
        QCOMPARE(dlg.topLeft(), CSamplerProgressSink::CenteredTopLeft(view, dlg));
    }
}

void TestSamplerCommands::freshEditorDisablesPlayOnly() {
    QAction* play = m_f->Action(ID_LIED_SPIELEN);
    QVERIFY(!play->isEnabled());
    QVERIFY(!m_f->frame.ToolBar()->widgetForAction(play)->isEnabled());
    for (const int id : {ID_LIED_STOPPEN, ID_LIED_GENERIEREN, ID_EINSTELLUNGEN}) {
        QVERIFY(m_f->Action(id)->isEnabled());
    }
    // Opening the menu checks play afresh.
    play->setEnabled(true);
    for (QObject* object : play->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object)) {
            emit menu->aboutToShow();
        }
    }
    QVERIFY(!play->isEnabled());
    const bool seen = CEditorFixture::OnModal<CSamplerSettingsDlg>(
        [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
        [&](CSamplerSettingsDlg& dlg) {
            QVERIFY(Child<QLineEdit>(dlg, "songDir")->text().isEmpty());
            QVERIFY(Child<QLineEdit>(dlg, "instrumentDir")->text().isEmpty());
            Click(dlg, "cancel");
        });
    QVERIFY(seen);
}

void TestSamplerCommands::cancelGeneratesNothing() {
    SetDirs(m_dir->path(), m_dir->path());
    EnterSong();
    bool progressHidden = false;
    const bool seen = CEditorFixture::OnModal<CSamplerDlg>(
        [&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
        [&](CSamplerDlg& dlg) {
            // The progress dialog exists already, hidden, while the user chooses.
            CSamplerProgressDlg* progress = m_f->commands->ProgressSink().ProgressDlg();
            progressHidden = progress && !progress->isVisible();
            Click(dlg, "cancel");
        });
    QVERIFY(seen);
    QVERIFY(progressHidden);
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
    QVERIFY(m_f->View().findChildren<CSamplerProgressDlg*>().isEmpty());
    QVERIFY(!QFile::exists(m_dir->filePath(u"Test.wav"_s)));
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->SongFileName().isEmpty());
    QVERIFY(m_f->prompts.messages.isEmpty());
}

void TestSamplerCommands::settingsOkAndCancel() {
    SetDirs(u"/lieder/"_s, u"/inst"_s);
    QCOMPARE(m_f->View().SongDir(), u"/lieder/"_s);
    QCOMPARE(m_f->View().InstrumentDir(), u"/inst"_s);
    const bool seen = CEditorFixture::OnModal<CSamplerSettingsDlg>(
        [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
        [&](CSamplerSettingsDlg& dlg) {
            QCOMPARE(Child<QLineEdit>(dlg, "songDir")->text(), u"/lieder/"_s);
            QCOMPARE(Child<QLineEdit>(dlg, "instrumentDir")->text(), u"/inst"_s);
            Child<QLineEdit>(dlg, "songDir")->setText(u"/anders"_s);
            Click(dlg, "cancel");
        });
    QVERIFY(seen);
    QCOMPARE(m_f->View().SongDir(), u"/lieder/"_s);
    QCOMPARE(m_f->View().InstrumentDir(), u"/inst"_s);
    // The sampler dialog starts from the settings: the song directory joins literally.
    const bool sampler =
        CEditorFixture::OnModal<CSamplerDlg>([&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
                                             [&](CSamplerDlg& dlg) {
                                                 Click(dlg, "browse");
                                                 Click(dlg, "cancel");
                                             });
    QVERIFY(sampler);
    QCOMPARE(m_f->prompts.chooserDirs, QStringList{u"/lieder/"_s});
}

void TestSamplerCommands::settingsAndPlayAcrossNewAndOpen() {
    SetDirs(m_dir->path(), u"/a/inst"_s);
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

void TestSamplerCommands::songMatchesCommandLine_data() {
    QTest::addColumn<bool>("chosen");
    QTest::newRow("defaults") << false;
    QTest::newRow("own instrument, pitch 0, filter 5, browsed file") << true;
}

// The whole road from clicks to the song file: byte for byte what the command line makes.
void TestSamplerCommands::songMatchesCommandLine() {
    QFETCH(bool, chosen);
    const QString instDir = m_dir->filePath(u"inst/"_s);
    QVERIFY(QDir().mkpath(instDir));
    WriteInstrument(instDir + u"Saege.wav"_s);
    SetDirs(m_dir->path(), instDir);
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
    QCOMPARE(generated, ReadAll(RenderWithCommandLine(chosen ? extra : QStringList())));
    // The choices made a difference.
    QVERIFY(generated != ReadAll(RenderWithCommandLine(chosen ? QStringList() : extra)));
}

void TestSamplerCommands::missingInstrumentKeepsPlayDisabled() {
    const QString instDir = m_dir->filePath(u"inst"_s);
    QVERIFY(QDir().mkpath(instDir));
    WriteInstrument(instDir + u"/Weg.wav"_s);
    SetDirs(m_dir->path(), instDir);
    EnterSong();
    QString statusAtWarning;
    bool progressShownAtWarning = false;
    m_f->prompts.onMessage = [&] {
        CSamplerProgressDlg* dlg = m_f->commands->ProgressSink().ProgressDlg();
        progressShownAtWarning = dlg && dlg->isVisible();
        statusAtWarning = dlg ? dlg->Status() : QString();
    };
    Generate([&](CSamplerDlg& dlg) {
        ChooseInstrument(dlg, u"Weg.wav"_s);
        QVERIFY(QFile::remove(instDir + u"/Weg.wav"_s));
    });
    QCOMPARE(m_f->prompts.messages.size(), 1);
    QCOMPARE(m_f->prompts.messages[0].title, u"Warnung!"_s);
    QCOMPARE(m_f->prompts.messages[0].text,
             u"Die angegebene Datei konnte nicht geöffnet werden!"_s);
    QCOMPARE(m_f->prompts.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(m_f->prompts.messages[0].owner, &m_f->View());
    QVERIFY(progressShownAtWarning);
    QCOMPARE(statusAtWarning, kStages[0]);
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->SongFileName().isEmpty());
    QVERIFY(!QFile::exists(m_dir->filePath(u"Test.wav"_s)));
}

void TestSamplerCommands::unwritableSongStillEnablesPlay() {
    EnterSong();
    const QString target = m_dir->filePath(u"fehlt/lied.wav"_s);
    m_f->prompts.songFileAnswer = target;
    CProgressRecorder recorder;
    Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); });
    QCOMPARE(m_f->prompts.messages.size(), 1);
    QCOMPARE(m_f->prompts.messages[0].title, u"Warnung!"_s);
    QCOMPARE(m_f->prompts.messages[0].text,
             u"Die angegebene Zieldatei konnte nicht geöffnet werden!"_s);
    CheckProgressShown(recorder);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(m_f->SongFileName(), target);
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
}

// Files that cannot be played give a beep and no message. Real sound: tst_realaudio.
void TestSamplerCommands::unplayableSongsBeep() {
    // Chosen when the program was loaded, before any media object existed.
    QCOMPARE(qgetenv("QT_MEDIA_BACKEND"), QByteArray("gstreamer"));
    SetDirs(m_dir->path(), QString());
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
    const QString broken = m_dir->filePath(u"kaputt.wav"_s);
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    player.Play(broken);
    QTRY_COMPARE_WITH_TIMEOUT(beeps, 4, 10000);
    QTest::qWait(300);
    QCOMPARE(beeps, 4);
    QVERIFY(!player.IsPlaying());
    QVERIFY(m_f->prompts.messages.isEmpty());
}

QTEST_MAIN(TestSamplerCommands)
#include "tst_samplercommands.moc"
