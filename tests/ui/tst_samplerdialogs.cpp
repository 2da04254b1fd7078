#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSlider>

#include "CDialogUnits.h"
#include "CSamplerDlg.h"
#include "CSamplerProgressDlg.h"
#include "CSamplerSettingsDlg.h"
#include "CSongFileDialog.h"
#include "UiTestKit.h"

namespace {

// The texts of a dialog's labels and buttons, sorted; every label must show all of its text.
QStringList Texts(QWidget& dlg) {
    QStringList texts;
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        texts.append(label->text());
        if (label->width() < label->sizeHint().width()) {
            texts.append(u"cut off: "_s + label->text());
        }
    }
    for (QPushButton* button : dlg.findChildren<QPushButton*>()) {
        texts.append(button->text());
    }
    texts.sort();
    return texts;
}

void ChooseInstrument(CSamplerDlg& dlg, const QString& name) {
    auto* list = Child<QComboBox>(dlg, "instrumentList");
    list->setCurrentIndex(list->findText(name));
}

}  // namespace

// The sampler's dialogs: choices for a run, the song file chooser, the settings and progress.
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
        QVERIFY(QDir().mkpath(m_instruments) && QDir().mkpath(m_songs));
        for (const char* name : {"Orgel.wav", "geige.WAV", "Zither.wav", "liesmich.txt"}) {
            QFile file(m_instruments + QLatin1Char('/') + QString::fromLatin1(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void samplerDlgDefaults() {
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        QCOMPARE(dlg.windowTitle(), u"Sampler"_s);
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        QStringList entries;
        for (int i = 0; i < list->count(); ++i) {
            entries.append(list->itemText(i));
        }
        QCOMPARE(entries, (QStringList{"geige.WAV", "Orgel.wav", "Standard", "Zither.wav"}));
        QCOMPARE(list->currentText(), u"Standard"_s);
        QCOMPARE(Child<QLineEdit>(dlg, "songFile")->text(), u"Test"_s);
        QVERIFY(Child<QLineEdit>(dlg, "songFile")->isReadOnly());
        auto* filter = Child<QSlider>(dlg, "filterSlider");
        auto* pitch = Child<QSlider>(dlg, "pitchSlider");
        QCOMPARE(QList<int>({filter->minimum(), filter->value(), filter->maximum()}),
                 QList<int>({5, 10, 50}));
        QCOMPARE(QList<int>({pitch->minimum(), pitch->value(), pitch->maximum()}),
                 QList<int>({0, 6, 12}));
        QVERIFY(Child<QPushButton>(dlg, "ok")->isDefault());
        QCOMPARE(Texts(dlg), (QStringList{"&Browse", "Abbrechen", "Filterqualität:", "hoch", "hoch",
                                          "Instrument:", "Liedpfad:", "OK", "tief", "tief",
                                          "Tonhöhe des Instrumentes:"}));
        QList<QWidget*> chain;
        for (QWidget* w = Child<QPushButton>(dlg, "ok"); chain.size() < 7;
             w = w->nextInFocusChain()) {
            if (w->focusPolicy() != Qt::NoFocus) {
                chain.append(w);
            }
        }
        QCOMPARE(chain,
                 (QList<QWidget*>{Child<QPushButton>(dlg, "ok"), Child<QPushButton>(dlg, "cancel"),
                                  list, Child<QLineEdit>(dlg, "songFile"),
                                  Child<QPushButton>(dlg, "browse"), filter, pitch}));
    }

    void samplerDlgResults_data() {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("instrument");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("hertz");
        QTest::addColumn<bool>("enter");
        QTest::newRow("untouched, Return") << ""
                                           << "Standard" << 6 << 10 << 264 << true;
        QTest::newRow("lowest, trailing separators") << "/"
                                                     << "geige.WAV" << 0 << 5 << 149 << false;
        QTest::newRow("highest") << ""
                                 << "Zither.wav" << 12 << 50 << 495 << false;
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

    void samplerDlgCancel() {
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        dlg.show();
        Click(dlg, "cancel");
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QVERIFY(m_prompts.messages.isEmpty() && m_prompts.chooserDirs.isEmpty());
    }

    void emptySongFieldKeepsDialogOpen() {
        CSamplerDlg dlg(m_songs, m_instruments, m_prompts);
        dlg.show();
        QSignalSpy accepted(&dlg, &QDialog::accepted);
        Child<QLineEdit>(dlg, "songFile")->clear();
        ChooseInstrument(dlg, u"Zither.wav"_s);
        Child<QSlider>(dlg, "pitchSlider")->setValue(2);
        Click(dlg, "ok");
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].title, u"Kantilo"_s);
        QCOMPARE(m_prompts.messages[0].text, u"Es wurde keine Lieddatei angegeben!"_s);
        QCOMPARE(m_prompts.messages[0].icon, QMessageBox::NoIcon);
        QCOMPARE(m_prompts.messages[0].owner, &dlg);
        QVERIFY(dlg.isVisible());
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(Child<QComboBox>(dlg, "instrumentList")->currentText(), u"Zither.wav"_s);
        QCOMPARE(Child<QSlider>(dlg, "pitchSlider")->value(), 2);
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
            QCOMPARE(chooser.nameFilters(),
                     (QStringList{"Wavefile (*.wav)", "Alle Dateien (*.*)"}));
            chooser.show();
            chooser.selectFile(path);
            bool asked = false;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box != nullptr;
                if (box) {
                    box->button(answer)->click();
                }
            });
            QMetaObject::invokeMethod(&chooser, "accept", Qt::DirectConnection);
            QCOMPARE(asked, answer != QMessageBox::NoButton);
            QCOMPARE(chooser.ChosenPath(), answer == QMessageBox::No ? QString()
                                           : path == existing        ? existing
                                                                     : path + ".wav");
        }
    }

    void settingsDlgShowsSongDirSecond() {
        // The commands pass the song directory first; the dialog shows it below.
        CSamplerSettingsDlg dlg(u"/lieder"_s, u"/inst/"_s);
        QCOMPARE(dlg.windowTitle(), u"Sampler-Einstellungen"_s);
        QCOMPARE(Child<QLineEdit>(dlg, "instrumentDir")->text(), u"/inst/"_s);
        QCOMPARE(Child<QLineEdit>(dlg, "songDir")->text(), u"/lieder"_s);
        QVERIFY(Child<QLineEdit>(dlg, "instrumentDir")->y() <
                Child<QLineEdit>(dlg, "songDir")->y());
        QCOMPARE(Texts(dlg),
                 (QStringList{"Cancel", "Defaultpfad, in dem die Lieder gespeichert werden sollen:",
                              "OK", "Pfad, in dem die Instrumente abgespeichert sind:"}));
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
        QFont small;
        small.setPixelSize(10);
        QFont large;
        large.setPixelSize(20);
        QVERIFY(CDialogUnits(large).Size(100, 100).width() >
                CDialogUnits(small).Size(100, 100).width() * 3 / 2);
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
        QCOMPARE(dlg.findChild<QProgressBar*>(u"filterProgress"_s)->value(), 0);
        QCOMPARE(dlg.SamplerPosition(), 1);
        dlg.SetStatus(u"Lied wird gefiltert, bitte warten"_s);
        QVERIFY(!Texts(dlg).join('|').contains(u"cut off"_s));
    }

    void progressCentring_data() {
        QTest::addColumn<QRect>("view");
        QTest::addColumn<QRect>("dialog");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("overhangs a narrow view")
            << QRect(100, 20, 300, 200) << QRect(0, 0, 400, 100) << QPoint(50, 70);
        QTest::newRow("-3 / 2 truncates to -1")
            << QRect(10, 10, 97, 50) << QRect(0, 0, 100, 53) << QPoint(9, 9);
        QTest::newRow("odd sizes")
            << QRect(-200, 0, 641, 481) << QRect(5, 5, 200, 100) << QPoint(20, 190);
    }
    void progressCentring() {
        QFETCH(QRect, view);
        QFETCH(QRect, dialog);
        QFETCH(QPoint, topLeft);
        QCOMPARE(CSamplerProgressSink::CenteredTopLeft(view, dialog), topLeft);
    }

    void progressSinkLifecycle() {
        QWidget view;
        CSamplerProgressSink sink(view, m_prompts);
        // Without a dialog the reports go nowhere.
        sink.SetProgressStatus("Instrument wird geladen");
        sink.StepSamplerProgress();
        sink.StepFilterProgress();
        sink.CenterProgressDlg();
        QVERIFY(!sink.ProgressDlg());
        QVERIFY(view.findChildren<QDialog*>().isEmpty());
        for (int run = 0; run < 2; ++run) {
            sink.CreateProgressDlg();
            CSamplerProgressDlg* dlg = sink.ProgressDlg();
            QCOMPARE(dlg->parentWidget(), &view);
            QVERIFY(!dlg->isVisible());
            QCOMPARE(dlg->SamplerPosition() + dlg->FilterPosition(), 0);
            QCOMPARE(dlg->Status(), QString());
            sink.StepSamplerProgress();
            sink.StepSamplerProgress();
            sink.StepFilterProgress();
            sink.SetProgressStatus(
                "Gr\xc3\xb6\xc3\x9f"
                "e");
            QCOMPARE(dlg->Status(), u"Größe"_s);
            QCOMPARE(dlg->SamplerPosition(), 2);
            QCOMPARE(dlg->FilterPosition(), 1);
            sink.DestroyProgressDlg();
            QVERIFY(!sink.ProgressDlg());
            QVERIFY(view.findChildren<QDialog*>().isEmpty());
        }
        QVERIFY(m_prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestSamplerDialogs)
#include "tst_samplerdialogs.moc"
