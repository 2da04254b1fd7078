#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include "CEditorFixture.h"
#include "CNote.h"
#include "CProgressRecorder.h"
#include "CSamplerDlg.h"
#include "CSamplerPaths.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerSettingsDlg.h"

namespace {

const QStringList kStages = {
    QStringLiteral("Instrument wird geladen"), QStringLiteral("Lied wird gesampelt, bitte warten"),
    QStringLiteral("Lied wird gefiltert, bitte warten"), QStringLiteral("Lied wird gespeichert")};

template <typename T>
T* Child(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 16-bit mono WAV file with a rising saw tone, as an instrument recording.
void WriteInstrument(const QString& path) {
    const quint32 rate = 11025;
    const quint32 samples = 2000;
    QByteArray data;
    for (quint32 i = 0; i < samples; ++i) {
        const qint16 value = static_cast<qint16>((i % 50) * 600 - 15000);
        data.append(static_cast<char>(value & 0xff)).append(static_cast<char>((value >> 8) & 0xff));
    }
    QByteArray wav;
    auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wav.append(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto u16 = [&](quint16 v) {
        wav.append(static_cast<char>(v & 0xff)).append(static_cast<char>(v >> 8));
    };
    wav.append("RIFF");
    u32(36 + data.size());
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    wav.append("data");
    u32(data.size());
    wav.append(data);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(wav);
}

QString KantiloBinary() {
    const QString dir = qEnvironmentVariable("KANTILO_BINARY_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../kantilo")
                         : dir + QStringLiteral("/kantilo");
}

}  // namespace

class TestSamplerCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshRunDisablesPlayOnly();
    void menuOpeningRefreshesPlay();
    void cancelGeneratesNothing();
    void settingsOkAndCancel();
    void settingsSurviveNewAndOpen();
    void clickedSongMatchesCommandLine();
    void chosenInstrumentMatchesCommandLine();
    void defaultSongGoesToWorkingDir();
    void missingInstrumentKeepsPlayDisabled();
    void unwritableSongStillEnablesPlay();
    void newAndOpenDisablePlay();
    void playMissingSongBeeps();

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
    QVERIFY(QApplication::topLevelWidgets().size() <= 1 ||
            std::none_of(QApplication::topLevelWidgets().begin(),
                         QApplication::topLevelWidgets().end(),
                         [](QWidget* w) { return qobject_cast<CSamplerProgressDlg*>(w); }));
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

// A few notes and rests entered with the mouse, across more than one bar.
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
    const QString kt = m_dir->filePath(QStringLiteral("lied.kt"));
    const QString out = m_dir->filePath(QStringLiteral("cli.wav"));
    QFile::remove(out);
    const CKantiloDoc::CResult saved = m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString());
    if (!saved.Ok()) {
        qWarning("save failed: %s", saved.message.c_str());
        return QString();
    }
    QProcess cli;
    cli.start(KantiloBinary(), QStringList{kt, QStringLiteral("-o"), out} + extra);
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
        qWarning() << "kantilo failed:" << cli.errorString() << cli.readAllStandardError();
        return QString();
    }
    return out;
}

void TestSamplerCommands::freshRunDisablesPlayOnly() {
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->Action(ID_LIED_STOPPEN)->isEnabled());
    QVERIFY(m_f->Action(ID_LIED_GENERIEREN)->isEnabled());
    QVERIFY(m_f->Action(ID_EINSTELLUNGEN)->isEnabled());
    QWidget* playButton = m_f->frame.ToolBar()->widgetForAction(m_f->Action(ID_LIED_SPIELEN));
    QVERIFY(playButton && !playButton->isEnabled());
    QVERIFY(m_f->frame.ToolBar()->widgetForAction(m_f->Action(ID_LIED_STOPPEN))->isEnabled());
    // Settings start empty.
    const bool seen = CEditorFixture::OnModal<CSamplerSettingsDlg>(
        [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
        [&](CSamplerSettingsDlg& dlg) {
            QVERIFY(Child<QLineEdit>(dlg, "songDir")->text().isEmpty());
            QVERIFY(Child<QLineEdit>(dlg, "instrumentDir")->text().isEmpty());
            Click(dlg, "cancel");
        });
    QVERIFY(seen);
}

void TestSamplerCommands::menuOpeningRefreshesPlay() {
    m_f->Action(ID_LIED_SPIELEN)->setEnabled(true);
    QMenu* samplerMenu = nullptr;
    for (QObject* object : m_f->Action(ID_LIED_SPIELEN)->associatedObjects()) {
        samplerMenu = samplerMenu ? samplerMenu : qobject_cast<QMenu*>(object);
    }
    QVERIFY(samplerMenu);
    emit samplerMenu->aboutToShow();
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
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
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("Test.wav"))));
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->SongFileName().isEmpty());
    QVERIFY(m_f->prompts.messages.isEmpty());
}

void TestSamplerCommands::settingsOkAndCancel() {
    SetDirs(QStringLiteral("/lieder/"), QStringLiteral("/inst"));
    QCOMPARE(m_f->View().SongDir(), QStringLiteral("/lieder/"));
    QCOMPARE(m_f->View().InstrumentDir(), QStringLiteral("/inst"));
    const bool seen = CEditorFixture::OnModal<CSamplerSettingsDlg>(
        [&] { m_f->Action(ID_EINSTELLUNGEN)->trigger(); },
        [&](CSamplerSettingsDlg& dlg) {
            QCOMPARE(Child<QLineEdit>(dlg, "songDir")->text(), QStringLiteral("/lieder/"));
            QCOMPARE(Child<QLineEdit>(dlg, "instrumentDir")->text(), QStringLiteral("/inst"));
            Child<QLineEdit>(dlg, "songDir")->setText(QStringLiteral("/anders"));
            Click(dlg, "cancel");
        });
    QVERIFY(seen);
    QCOMPARE(m_f->View().SongDir(), QStringLiteral("/lieder/"));
    QCOMPARE(m_f->View().InstrumentDir(), QStringLiteral("/inst"));
    // The sampler dialog starts from the settings: the song directory joins literally.
    const bool sampler =
        CEditorFixture::OnModal<CSamplerDlg>([&] { m_f->Action(ID_LIED_GENERIEREN)->trigger(); },
                                             [&](CSamplerDlg& dlg) {
                                                 Click(dlg, "browse");
                                                 Click(dlg, "cancel");
                                             });
    QVERIFY(sampler);
    QCOMPARE(m_f->prompts.chooserDirs, QStringList{QStringLiteral("/lieder/")});
}

void TestSamplerCommands::settingsSurviveNewAndOpen() {
    EnterSong();
    const QString kt = m_dir->filePath(QStringLiteral("alt.kt"));
    QVERIFY(m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok());
    SetDirs(QStringLiteral("/a/lieder"), QStringLiteral("/a/inst"));
    m_f->Action(ID_FILE_NEW)->trigger();
    QVERIFY(m_f->doc.GetFirstNote() == nullptr);
    QCOMPARE(m_f->View().SongDir(), QStringLiteral("/a/lieder"));
    m_f->dialogs.openPath = kt;
    m_f->Action(ID_FILE_OPEN)->trigger();
    QCOMPARE(QString::fromStdString(m_f->doc.GetPathName()), kt);
    QCOMPARE(m_f->View().SongDir(), QStringLiteral("/a/lieder"));
    QCOMPARE(m_f->View().InstrumentDir(), QStringLiteral("/a/inst"));
}

// What the dialog showed during a run through all stages: the stage texts in order, each
// bar stepping one by one during its own stage, the dialog visible and centred over the view.
void TestSamplerCommands::CheckProgressShown(const CProgressRecorder& recorder) {
    QCOMPARE(recorder.Texts(), kStages);
    QVERIFY(!recorder.paintedWhileHidden);
    const int samplerSteps = recorder.Steps('S');
    const int filterSteps = recorder.Steps('F');
    QVERIFY2(samplerSteps >= 90 && samplerSteps <= 110, qPrintable(QString::number(samplerSteps)));
    QVERIFY2(filterSteps >= 90 && filterSteps <= 110, qPrintable(QString::number(filterSteps)));
    QVERIFY(recorder.TextAt(1) < recorder.First('S') && recorder.Last('S') < recorder.TextAt(2));
    QVERIFY(recorder.TextAt(2) < recorder.First('F') && recorder.Last('F') < recorder.TextAt(3));
    const QRect view(m_f->View().mapToGlobal(QPoint(0, 0)), m_f->View().size());
    for (const QRect& dlg : recorder.dialogGeometries) {
        QCOMPARE(dlg.topLeft(), CSamplerProgressSink::CenteredTopLeft(view, dlg));
    }
}

void TestSamplerCommands::clickedSongMatchesCommandLine() {
    SetDirs(m_dir->path(), m_dir->path());
    EnterSong();
    CProgressRecorder recorder;
    Generate();
    const QString song = m_dir->filePath(QStringLiteral("Test.wav"));
    QVERIFY(QFile::exists(song));
    QCOMPARE(m_f->SongFileName(), song);
    QVERIFY(m_f->prompts.messages.isEmpty());
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());

    CheckProgressShown(recorder);
    const QString cli = RenderWithCommandLine({});
    QVERIFY(!cli.isEmpty());
    QCOMPARE(ReadAll(song), ReadAll(cli));
    QVERIFY(ReadAll(song).size() > 44);
}

void TestSamplerCommands::chosenInstrumentMatchesCommandLine() {
    const QString instDir = m_dir->filePath(QStringLiteral("inst/"));
    QVERIFY(QDir().mkpath(instDir));
    WriteInstrument(instDir + QStringLiteral("Saege.wav"));
    SetDirs(m_dir->path(), instDir);
    EnterSong();
    m_f->prompts.songFileAnswer = m_dir->filePath(QStringLiteral("eigen"));
    Generate([](CSamplerDlg& dlg) {
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        list->setCurrentIndex(list->findText(QStringLiteral("Saege.wav")));
        Child<QSlider>(dlg, "pitchSlider")->setValue(0);
        Child<QSlider>(dlg, "filterSlider")->setValue(5);
        Click(dlg, "browse");
    });
    QVERIFY(m_f->prompts.messages.isEmpty());
    const QString song = m_dir->filePath(QStringLiteral("eigen.wav"));
    QCOMPARE(m_f->SongFileName(), song);
    const QString cli = RenderWithCommandLine({QStringLiteral("--instrument"),
                                               instDir + QStringLiteral("/Saege.wav"),
                                               QStringLiteral("--base"), QStringLiteral("149"),
                                               QStringLiteral("--quality"), QStringLiteral("5")});
    QVERIFY(!cli.isEmpty());
    QCOMPARE(ReadAll(song), ReadAll(cli));
    // A different instrument, pitch and filter give a different song.
    const QString standard = RenderWithCommandLine({});
    QVERIFY(ReadAll(song) != ReadAll(standard));
}

void TestSamplerCommands::defaultSongGoesToWorkingDir() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    EnterSong();
    Generate();
    QVERIFY(QDir::setCurrent(before));
    const QString song = QDir(m_dir->path()).canonicalPath() + QStringLiteral("/Test.wav");
    QVERIFY(QFile::exists(song));
    QCOMPARE(QFileInfo(m_f->SongFileName()).canonicalFilePath(), song);
    QVERIFY(QDir::isAbsolutePath(m_f->SongFileName()));
}

void TestSamplerCommands::missingInstrumentKeepsPlayDisabled() {
    const QString instDir = m_dir->filePath(QStringLiteral("inst"));
    QVERIFY(QDir().mkpath(instDir));
    WriteInstrument(instDir + QStringLiteral("/Weg.wav"));
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
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        list->setCurrentIndex(list->findText(QStringLiteral("Weg.wav")));
        QVERIFY(QFile::remove(instDir + QStringLiteral("/Weg.wav")));
    });
    QCOMPARE(m_f->prompts.messages.size(), 1);
    QCOMPARE(m_f->prompts.messages[0].title, QStringLiteral("Warnung!"));
    QCOMPARE(m_f->prompts.messages[0].text,
             QStringLiteral("Die angegebene Datei konnte nicht geöffnet werden!"));
    QCOMPARE(m_f->prompts.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(m_f->prompts.messages[0].owner, &m_f->View());
    QVERIFY(progressShownAtWarning);
    QCOMPARE(statusAtWarning, kStages[0]);
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->SongFileName().isEmpty());
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("Test.wav"))));
}

void TestSamplerCommands::unwritableSongStillEnablesPlay() {
    EnterSong();
    const QString target = m_dir->filePath(QStringLiteral("fehlt/lied.wav"));
    m_f->prompts.songFileAnswer = target;
    CProgressRecorder recorder;
    Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); });
    QCOMPARE(m_f->prompts.messages.size(), 1);
    QCOMPARE(m_f->prompts.messages[0].title, QStringLiteral("Warnung!"));
    QCOMPARE(m_f->prompts.messages[0].text,
             QStringLiteral("Die angegebene Zieldatei konnte nicht geöffnet werden!"));
    CheckProgressShown(recorder);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(m_f->SongFileName(), target);
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());
}

void TestSamplerCommands::newAndOpenDisablePlay() {
    SetDirs(m_dir->path(), QString());
    EnterSong();
    const QString kt = m_dir->filePath(QStringLiteral("lied.kt"));
    QVERIFY(m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok());
    Generate();
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    // Generating leaves the song itself untouched.
    QVERIFY(!m_f->doc.IsModified());
    m_f->Action(ID_FILE_NEW)->trigger();
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    Generate();
    QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    m_f->dialogs.openPath = kt;
    m_f->Action(ID_FILE_OPEN)->trigger();
    QVERIFY(m_f->doc.GetFirstNote() != nullptr);
    QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    QVERIFY(m_f->frame.ToolBar()->widgetForAction(m_f->Action(ID_LIED_SPIELEN)) &&
            !m_f->frame.ToolBar()->widgetForAction(m_f->Action(ID_LIED_SPIELEN))->isEnabled());
}

void TestSamplerCommands::playMissingSongBeeps() {
    SetDirs(m_dir->path(), QString());
    EnterSong();
    Generate();
    int beeps = 0;
    m_f->commands->Player().SetBeep([&] { ++beeps; });
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("Test.wav"))));
    m_f->Action(ID_LIED_SPIELEN)->trigger();
    QCOMPARE(beeps, 1);
    QVERIFY(m_f->prompts.messages.isEmpty());
    m_f->Action(ID_LIED_STOPPEN)->trigger();
    QCOMPARE(beeps, 1);
}

QTEST_MAIN(TestSamplerCommands)
#include "tst_samplercommands.moc"
