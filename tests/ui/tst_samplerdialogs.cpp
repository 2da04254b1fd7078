#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>

#include "CDialogUnits.h"
#include "CSamplerDlg.h"
#include "CSamplerPaths.h"
#include "CSamplerProgressDlg.h"
#include "CSongFileDialog.h"
#include "UiTestKit.h"

namespace {

// True when every label of dlg shows all of its text.
bool NothingCutOff(QWidget& dlg) {
    const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
    return std::all_of(labels.begin(), labels.end(),
                       [](QLabel* label) { return label->width() >= label->sizeHint().width(); });
}

// The instruments of every test: visible files ending in ".wav" in any case, and the built-in one.
const QStringList kInstruments = {"geige.WAV",    "link.wav",     "Orgel.wav", "Standard",
                                  "Standard.wav", "standard.wav", "zither.Wav"};

}  // namespace

// The sampler's dialogs and the path rules behind them: choices for a run, the song file
// chooser, the progress dialog.
class TestSamplerDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_instruments;
    QString m_songs;
    CFakePrompts m_prompts;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompts = CFakePrompts();
        m_instruments = m_dir->filePath(u"inst"_s);
        m_songs = m_dir->filePath(u"lieder"_s);
        QVERIFY(QDir().mkpath(m_instruments + u"/ordner.wav"_s) && QDir().mkpath(m_songs));
        for (const char* name :
             {"Orgel.wav", "geige.WAV", "zither.Wav", "Standard.wav", "standard.wav",
              "liesmich.txt", "wav", "alt.wav.bak", ".alt.wav"}) {
            QFile file(m_instruments + '/' + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(m_instruments + u"/Orgel.wav"_s, m_instruments + u"/link.wav"_s));
        QVERIFY(QFile::link(m_instruments + u"/ordner.wav"_s, m_instruments + u"/dir.wav"_s));
    }

    void samplerDlgDefaults() {
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        QStringList entries;
        for (int i = 0; i < list->count(); ++i) {
            entries.append(list->itemText(i));
        }
        QCOMPARE(entries, kInstruments);
        QCOMPARE(list->currentText(), u"Standard"_s);
        QCOMPARE(Child<QLineEdit>(dlg, "songFile")->text(), u"Test"_s);
        QVERIFY(Child<QLineEdit>(dlg, "songFile")->isReadOnly());
        const auto* f = Child<QSlider>(dlg, "filterSlider");
        const auto* p = Child<QSlider>(dlg, "pitchSlider");
        QCOMPARE(QList<int>({f->minimum(), f->value(), f->maximum(), p->minimum(), p->value(),
                             p->maximum()}),
                 QList<int>({5, 10, 50, 0, 6, 12}));
        QVERIFY(NothingCutOff(dlg));
    }

    void samplerDlgResults_data() {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("instrument");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("hertz");
        QTest::addColumn<bool>("enter");
        QTest::newRow("untouched, Return") << u""_s << u"Standard"_s << 6 << 10 << 264 << true;
        QTest::newRow("lowest, trailing /") << u"/"_s << u"geige.WAV"_s << 0 << 5 << 149 << false;
        QTest::newRow("highest") << u""_s << u"zither.Wav"_s << 12 << 50 << 495 << false;
    }
    void samplerDlgResults() {
        QFETCH(QString, separator);
        QFETCH(QString, instrument);
        QFETCH(int, pitch);
        QFETCH(int, quality);
        QFETCH(int, hertz);
        QFETCH(bool, enter);
        CSamplerDlg dlg(m_songs + separator, m_instruments + separator, m_prompts);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        ChooseInstrument(dlg, instrument);
        Child<QSlider>(dlg, "pitchSlider")->setValue(pitch);
        Child<QSlider>(dlg, "filterSlider")->setValue(quality);
        enter ? QTest::keyClick(&dlg, Qt::Key_Return) : Click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.GetBaseFrequency(), hertz);
        QCOMPARE(dlg.GetFilterQuality(), quality);
        QCOMPARE(dlg.GetInstrumentFilePath(), instrument == u"Standard"_s
                                                  ? instrument
                                                  : m_instruments + separator + '/' + instrument);
        const QString song = m_songs + separator + u"/Test.wav"_s;
        QCOMPARE(dlg.GetSongFilePath(), song);
        QCOMPARE(dlg.GetSongFilePath(), song);  // resolved once: no second suffix
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void emptySongFieldKeepsDialogOpenUntilCancel() {
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        dlg.show();
        Child<QLineEdit>(dlg, "songFile")->clear();
        ChooseInstrument(dlg, u"zither.Wav"_s);
        Child<QSlider>(dlg, "pitchSlider")->setValue(2);
        Click(dlg, "ok");
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].title, u"Kantilo"_s);
        QCOMPARE(m_prompts.messages[0].text, u"Es wurde keine Lieddatei angegeben!"_s);
        QCOMPARE(m_prompts.messages[0].icon, QMessageBox::NoIcon);
        QCOMPARE(m_prompts.messages[0].owner, &dlg);
        QVERIFY(dlg.isVisible());
        QCOMPARE(Child<QComboBox>(dlg, "instrumentList")->currentText(), u"zither.Wav"_s);
        QCOMPARE(Child<QSlider>(dlg, "pitchSlider")->value(), 2);
        Click(dlg, "cancel");
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(m_prompts.messages.size(), 1);
    }

    void browse_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled") << QString();
        QTest::newRow("chosen, upper-case suffix") << "anderswo/Test.WAV";
    }
    void browse() {
        QFETCH(QString, answer);
        m_prompts.songFileAnswer = answer.isEmpty() ? answer : m_dir->filePath(answer);
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        dlg.show();
        ChooseInstrument(dlg, u"Orgel.wav"_s);
        Click(dlg, "browse");
        QCOMPARE(m_prompts.chooserDirs, QStringList{m_songs});
        QCOMPARE(m_prompts.chooserOwners.value(0), &dlg);
        QCOMPARE(Child<QLineEdit>(dlg, "songFile")->text(),
                 answer.isEmpty() ? u"Test"_s : m_prompts.songFileAnswer);
        QVERIFY(dlg.isVisible());
        Click(dlg, "ok");
        QCOMPARE(dlg.GetInstrumentFilePath(), m_instruments + u"/Orgel.wav"_s);
        QCOMPARE(dlg.GetSongFilePath(),
                 answer.isEmpty() ? m_songs + u"/Test.wav"_s : m_prompts.songFileAnswer + ".wav");
    }

    void songFileChooser() {
        const QString existing = m_songs + u"/alt.wav"_s;
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        // A bare name gets the suffix; an existing file is replaced only when the user agrees.
        const QList<std::pair<QString, QMessageBox::StandardButton>> cases = {
            {m_songs + u"/neu"_s, QMessageBox::NoButton},
            {existing, QMessageBox::No},
            {existing, QMessageBox::Yes}};
        for (const auto& [path, answer] : cases) {
            CSongFileDialog chooser(nullptr, m_songs);
            chooser.show();
            chooser.selectFile(path);
            bool asked = false;
            QTimer::singleShot(0, &chooser, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box != nullptr;
                if (box) {
                    box->button(answer == QMessageBox::Yes ? answer : QMessageBox::No)->click();
                }
            });
            QMetaObject::invokeMethod(&chooser, "accept", Qt::DirectConnection);
            QCOMPARE(asked, answer != QMessageBox::NoButton);
            QCOMPARE(chooser.ChosenPath(), answer == QMessageBox::No ? QString()
                                           : path == existing        ? existing
                                                                     : path + ".wav");
        }
    }

    void dialogUnits() {
        // 6 pixels wide on average and 13 high: 4 units across are 6 pixels, 8 down 13.
        const CDialogUnits dlu(6, 13);
        QCOMPARE(dlu.X(7), 11);     // 10.5 rounds up
        QCOMPARE(dlu.Y(194), 315);  // 315.25 rounds down
        QCOMPARE(dlu.Size(241, 215), QSize(362, 349));
        QCOMPARE(dlu.Rect(184, 194, 50, 14), QRect(QPoint(276, 315), QPoint(350, 337)));
        // Neighbours meet without a gap or an overlap.
        QCOMPARE(dlu.Rect(20, 12, 5, 5).left(), dlu.Rect(7, 3, 13, 9).right() + 1);
        QCOMPARE(dlu.Rect(20, 12, 5, 5).top(), dlu.Rect(7, 3, 13, 9).bottom() + 1);
        // Labels grow to their text; a right-aligned one keeps its right edge.
        QLabel wide(u"Ein recht langer Text"_s);
        dlu.PlaceLabel(wide, 10, 10, 4, 8);
        QCOMPARE(wide.geometry().topLeft(), dlu.Rect(10, 10, 4, 8).topLeft());
        QCOMPARE(wide.width(), wide.sizeHint().width());
        QLabel right(u"Rechts bleibt rechts"_s);
        right.setAlignment(Qt::AlignRight);
        dlu.PlaceLabel(right, 100, 10, 4, 8);
        QCOMPARE(right.geometry().right(), dlu.Rect(100, 10, 4, 8).right());
        QCOMPARE(right.width(), right.sizeHint().width());
        QLabel narrow(u"a"_s);
        dlu.PlaceLabel(narrow, 10, 30, 40, 8);
        QCOMPARE(narrow.width(), dlu.Rect(10, 30, 40, 8).width());
    }

    void progressBarsWrapAfterHundredSteps() {
        CSamplerProgressDlg dlg;
        for (int i = 1; i <= 100; ++i) {
            dlg.StepSampler();
            QCOMPARE(dlg.SamplerPosition(), i);
        }
        dlg.StepSampler();
        QCOMPARE(dlg.SamplerPosition(), 0);
        dlg.StepSampler();
        for (int i = 0; i < 101; ++i) {
            dlg.StepFilter();
        }
        QCOMPARE(dlg.FilterPosition(), 0);
        QCOMPARE(dlg.SamplerPosition(), 1);
        dlg.SetStatus(u"Lied wird gefiltert, bitte warten"_s);
        QVERIFY(NothingCutOff(dlg));
    }

    void progressCentring() {
        // Over a narrow view the dialog overhangs both sides; halves truncate toward zero.
        QCOMPARE(CSamplerProgressSink::CenteredTopLeft({100, 20, 300, 200}, {0, 0, 400, 100}),
                 QPoint(50, 70));
        QCOMPARE(CSamplerProgressSink::CenteredTopLeft({10, 10, 97, 50}, {0, 0, 100, 53}),
                 QPoint(9, 9));  // (97 - 100) / 2 is -1
        QCOMPARE(CSamplerProgressSink::CenteredTopLeft({-200, 0, 641, 481}, {5, 5, 200, 100}),
                 QPoint(20, 190));
    }

    void progressSinkLifecycle() {
        QWidget view;
        CSamplerProgressSink sink(view, m_prompts);
        // Without a dialog the reports go nowhere.
        sink.SetProgressStatus("Instrument wird geladen");
        sink.StepSamplerProgress();
        sink.CenterProgressDlg();
        QVERIFY(!sink.ProgressDlg());
        for (int run = 0; run < 2; ++run) {  // every run starts afresh
            sink.CreateProgressDlg();
            CSamplerProgressDlg* dlg = sink.ProgressDlg();
            QVERIFY(dlg->parentWidget() == &view && !dlg->isVisible());
            QVERIFY(dlg->SamplerPosition() == 0 && dlg->FilterPosition() == 0);
            QCOMPARE(dlg->Status(), QString());
            sink.StepSamplerProgress();
            sink.StepSamplerProgress();
            sink.StepFilterProgress();
            sink.SetProgressStatus("Größe");  // UTF-8 from the engine
            QCOMPARE(dlg->Status(), u"Größe"_s);
            QVERIFY(dlg->SamplerPosition() == 2 && dlg->FilterPosition() == 1);
            sink.DestroyProgressDlg();
            QVERIFY(!sink.ProgressDlg() && view.findChildren<QDialog*>().isEmpty());
        }
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void filePath_data() {
        QTest::addColumn<bool>("song");  // otherwise an instrument
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default song")
            << true << u"Test"_s << u"/a/Lieder"_s << u"/a/Lieder/Test.wav"_s;
        QTest::newRow("song dir /") << true << u"Test"_s << u"/a/"_s << u"/a//Test.wav"_s;
        QTest::newRow("exact Test.wav") << true << u"Test.wav"_s << u"/srv"_s << u"/srv/Test.wav"_s;
        QTest::newRow("chosen Test.wav")
            << true << u"/m/Test.wav"_s << u"/srv"_s << u"/m/Test.wav"_s;
        QTest::newRow("lower-case test") << true << u"test"_s << u"/srv"_s << u"test.wav"_s;
        QTest::newRow("upper-case suffix")
            << true << u"/m/lied.WAV"_s << u"/srv"_s << u"/m/lied.WAV.wav"_s;
        QTest::newRow("no suffix") << true << u"/m/lied"_s << u"/srv"_s << u"/m/lied.wav"_s;
        QTest::newRow("shorter than suffix") << true << u"wav"_s << u"/srv"_s << u"wav.wav"_s;
        QTest::newRow("suffix only") << true << u".wav"_s << u"/srv"_s << u".wav"_s;
        QTest::newRow("Standard") << false << u"Standard"_s << u"/i"_s << u"Standard"_s;
        QTest::newRow("Standard.wav")
            << false << u"Standard.wav"_s << u"/i"_s << u"/i/Standard.wav"_s;
        QTest::newRow("standard") << false << u"standard"_s << u"/i"_s << u"/i/standard"_s;
        QTest::newRow("instrument dir /") << false << u"G.wav"_s << u"/i/"_s << u"/i//G.wav"_s;
        QTest::newRow("relative dir") << false << u"G.wav"_s << u"inst"_s << u"inst/G.wav"_s;
    }
    void filePath() {
        QFETCH(bool, song);
        QFETCH(QString, name);
        QFETCH(QString, dir);
        QFETCH(QString, expected);
        QCOMPARE(song ? CSamplerPaths::SongFilePath(name, dir)
                      : CSamplerPaths::InstrumentFilePath(name, dir),
                 expected);
    }

    void instrumentNamesAndEmptyDirs() {
        const QString before = QDir::currentPath();
        QCOMPARE(CSamplerPaths::InstrumentNames(m_instruments + u"//"_s), kInstruments);
        QCOMPARE(QDir::currentPath(), before);
        QCOMPARE(CSamplerPaths::InstrumentNames(m_instruments + u"/fehlt"_s),
                 QStringList{u"Standard"_s});
        // An empty directory is the working directory.
        QVERIFY(QDir::setCurrent(m_instruments));
        const QStringList names = CSamplerPaths::InstrumentNames(QString());
        const QString orgel = CSamplerPaths::InstrumentFilePath(u"Orgel.wav"_s, "");
        const QString song = CSamplerPaths::SongFilePath(u"Test"_s, QString());
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(names, kInstruments);
        QCOMPARE(QFileInfo(orgel).canonicalFilePath(),
                 QFileInfo(m_instruments + u"/Orgel.wav"_s).canonicalFilePath());
        QCOMPARE(song, cwd + u"/Test.wav"_s);
        QVERIFY(QDir::isAbsolutePath(orgel) && QDir::isAbsolutePath(song));
    }
};

QTEST_MAIN(TestSamplerDialogs)
#include "tst_samplerdialogs.moc"
