#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "CDialogUnits.h"
#include "CFakePrompts.h"
#include "CSamplerDlg.h"
#include "CSongFileDialog.h"

namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) {
        qFatal("no child %s", name);
    }
    return child;
}

QList<QLabel*> LabelsWithText(QWidget& parent, const QString& text) {
    QList<QLabel*> found;
    for (QLabel* label : parent.findChildren<QLabel*>()) {
        if (label->text() == text) {
            found.append(label);
        }
    }
    return found;
}

void Click(QWidget& parent, const char* name) {
    QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

}  // namespace

class TestSamplerDlg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void defaults();
    void layoutFollowsDialogUnits();
    void tabOrder();
    void confirmAtOnce();
    void choicesReachResults();
    void cancelEndsWithoutMessage();
    void emptySongFieldKeepsDialogOpen();
    void browseCancelledKeepsEverything();
    void browseChosenFileIsUsedAsChosen();
    void enterConfirms();
    void songFileDialogIsConfigured();
    void songFileDialogAppendsSuffix();
    void songFileDialogAsksBeforeOverwriting();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_instruments;
    QString m_songs;
};

void TestSamplerDlg::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_instruments = m_dir->filePath(QStringLiteral("inst"));
    m_songs = m_dir->filePath(QStringLiteral("lieder"));
    QVERIFY(QDir().mkpath(m_instruments));
    QVERIFY(QDir().mkpath(m_songs));
    for (const char* name : {"Orgel.wav", "geige.WAV", "Zither.wav", "liesmich.txt"}) {
        QFile file(m_instruments + QLatin1Char('/') + QString::fromLatin1(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestSamplerDlg::defaults() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Sampler"));
    auto* list = Child<QComboBox>(dlg, "instrumentList");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries.append(list->itemText(i));
    }
    QCOMPARE(entries, (QStringList{"geige.WAV", "Orgel.wav", "Standard", "Zither.wav"}));
    QCOMPARE(list->currentText(), QStringLiteral("Standard"));
    QVERIFY(!list->isEditable());
    auto* song = Child<QLineEdit>(dlg, "songFile");
    QCOMPARE(song->text(), QStringLiteral("Test"));
    QVERIFY(song->isReadOnly());
    auto* filter = Child<QSlider>(dlg, "filterSlider");
    QCOMPARE(filter->minimum(), 5);
    QCOMPARE(filter->maximum(), 50);
    QCOMPARE(filter->tickInterval(), 5);
    QCOMPARE(filter->value(), 10);
    QCOMPARE(filter->orientation(), Qt::Horizontal);
    QVERIFY(filter->tickPosition() != QSlider::NoTicks);
    auto* pitch = Child<QSlider>(dlg, "pitchSlider");
    QCOMPARE(pitch->minimum(), 0);
    QCOMPARE(pitch->maximum(), 12);
    QCOMPARE(pitch->tickInterval(), 1);
    QCOMPARE(pitch->value(), 6);
    QCOMPARE(Child<QPushButton>(dlg, "ok")->text(), QStringLiteral("OK"));
    QVERIFY(Child<QPushButton>(dlg, "ok")->isDefault());
    QCOMPARE(Child<QPushButton>(dlg, "cancel")->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(Child<QPushButton>(dlg, "browse")->text(), QStringLiteral("&Browse"));
    for (const char* text :
         {"Instrument:", "Liedpfad:", "Filterqualität:", "Tonhöhe des Instrumentes:"}) {
        QCOMPARE(LabelsWithText(dlg, QString::fromUtf8(text)).size(), 1);
    }
    QCOMPARE(LabelsWithText(dlg, QStringLiteral("tief")).size(), 2);
    QCOMPARE(LabelsWithText(dlg, QStringLiteral("hoch")).size(), 2);
}

void TestSamplerDlg::layoutFollowsDialogUnits() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    const CDialogUnits dlu(dlg.font());
    QCOMPARE(dlg.size(), dlu.Size(241, 215));
    QCOMPARE(Child<QPushButton>(dlg, "ok")->geometry(), dlu.Rect(184, 194, 50, 14));
    QCOMPARE(Child<QPushButton>(dlg, "cancel")->geometry(), dlu.Rect(7, 194, 50, 14));
    QCOMPARE(Child<QLineEdit>(dlg, "songFile")->geometry(), dlu.Rect(52, 56, 127, 12));
    QCOMPARE(Child<QPushButton>(dlg, "browse")->geometry(), dlu.Rect(189, 56, 37, 12));
    // "tief" and "hoch" stand under the two ends of each slider.
    const QList<QLabel*> low = LabelsWithText(dlg, QStringLiteral("tief"));
    const QList<QLabel*> high = LabelsWithText(dlg, QStringLiteral("hoch"));
    for (const char* name : {"filterSlider", "pitchSlider"}) {
        const QRect slider = Child<QSlider>(dlg, name)->geometry();
        const bool lowFound = std::any_of(low.begin(), low.end(), [&](QLabel* l) {
            return l->x() == slider.left() && l->y() > slider.bottom();
        });
        const bool highFound = std::any_of(high.begin(), high.end(), [&](QLabel* l) {
            return l->x() > slider.center().x() && l->x() < slider.right() &&
                   l->geometry().right() >= slider.right() && l->y() > slider.bottom();
        });
        QVERIFY2(lowFound && highFound, name);
    }
    QVERIFY(Child<QSlider>(dlg, "filterSlider")->y() < Child<QSlider>(dlg, "pitchSlider")->y());
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    }
}

void TestSamplerDlg::tabOrder() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    QList<QWidget*> chain;
    QWidget* widget = Child<QPushButton>(dlg, "ok");
    for (int i = 0; i < 7; ++i) {
        chain.append(widget);
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus) {
            widget = widget->nextInFocusChain();
        }
    }
    const QList<QWidget*> expected = {
        Child<QPushButton>(dlg, "ok"),           Child<QPushButton>(dlg, "cancel"),
        Child<QComboBox>(dlg, "instrumentList"), Child<QLineEdit>(dlg, "songFile"),
        Child<QPushButton>(dlg, "browse"),       Child<QSlider>(dlg, "filterSlider"),
        Child<QSlider>(dlg, "pitchSlider")};
    QCOMPARE(chain, expected);
}

void TestSamplerDlg::confirmAtOnce() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    Click(dlg, "ok");
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.GetSongFilePath(), m_songs + QStringLiteral("/Test.wav"));
    // The resolved path is kept: asking again does not append a second suffix.
    QCOMPARE(dlg.GetSongFilePath(), m_songs + QStringLiteral("/Test.wav"));
    QCOMPARE(dlg.GetInstrumentFilePath(), QStringLiteral("Standard"));
    QCOMPARE(dlg.GetFilterQuality(), 10);
    QCOMPARE(dlg.GetBaseFrequency(), 264);
    QVERIFY(prompts.messages.isEmpty());
}

void TestSamplerDlg::choicesReachResults() {
    const int positions[][3] = {{0, 5, 149}, {12, 50, 495}, {4, 23, 220}};
    for (const auto& [pitch, quality, hertz] : positions) {
        CFakePrompts prompts;
        CSamplerDlg dlg(m_songs + QLatin1Char('/'), m_instruments + QLatin1Char('/'), prompts);
        dlg.show();
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        list->setCurrentIndex(list->findText(QStringLiteral("geige.WAV")));
        Child<QSlider>(dlg, "pitchSlider")->setValue(pitch);
        Child<QSlider>(dlg, "filterSlider")->setValue(quality);
        Click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetBaseFrequency(), hertz);
        QCOMPARE(dlg.GetFilterQuality(), quality);
        QCOMPARE(dlg.GetInstrumentFilePath(), m_instruments + QStringLiteral("//geige.WAV"));
        QCOMPARE(dlg.GetSongFilePath(), m_songs + QStringLiteral("//Test.wav"));
    }
}

void TestSamplerDlg::cancelEndsWithoutMessage() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    Click(dlg, "cancel");
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(prompts.chooserDirs.isEmpty());
}

void TestSamplerDlg::emptySongFieldKeepsDialogOpen() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    QSignalSpy accepted(&dlg, &QDialog::accepted);
    Child<QLineEdit>(dlg, "songFile")->clear();
    auto* list = Child<QComboBox>(dlg, "instrumentList");
    list->setCurrentIndex(list->findText(QStringLiteral("Zither.wav")));
    Child<QSlider>(dlg, "pitchSlider")->setValue(2);
    Click(dlg, "ok");
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Kantilo"));
    QCOMPARE(prompts.messages[0].text, QStringLiteral("Es wurde keine Lieddatei angegeben!"));
    QCOMPARE(prompts.messages[0].icon, QMessageBox::NoIcon);
    QCOMPARE(prompts.messages[0].owner, &dlg);
    QVERIFY(dlg.isVisible());
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(list->currentText(), QStringLiteral("Zither.wav"));
    QCOMPARE(Child<QSlider>(dlg, "pitchSlider")->value(), 2);
}

void TestSamplerDlg::browseCancelledKeepsEverything() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    auto* list = Child<QComboBox>(dlg, "instrumentList");
    list->setCurrentIndex(list->findText(QStringLiteral("Orgel.wav")));
    Click(dlg, "browse");
    QCOMPARE(prompts.chooserDirs, QStringList{m_songs});
    QCOMPARE(prompts.chooserOwners.value(0), &dlg);
    QCOMPARE(Child<QLineEdit>(dlg, "songFile")->text(), QStringLiteral("Test"));
    QCOMPARE(list->currentText(), QStringLiteral("Orgel.wav"));
    QVERIFY(dlg.isVisible());
    Click(dlg, "ok");
    QCOMPARE(dlg.GetInstrumentFilePath(), m_instruments + QStringLiteral("/Orgel.wav"));
}

void TestSamplerDlg::browseChosenFileIsUsedAsChosen() {
    CFakePrompts prompts;
    prompts.songFileAnswer = m_dir->filePath(QStringLiteral("anderswo/Test.WAV"));
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    Click(dlg, "browse");
    QCOMPARE(Child<QLineEdit>(dlg, "songFile")->text(), prompts.songFileAnswer);
    Click(dlg, "ok");
    QCOMPARE(dlg.GetSongFilePath(), prompts.songFileAnswer + QStringLiteral(".wav"));
}

void TestSamplerDlg::enterConfirms() {
    CFakePrompts prompts;
    CSamplerDlg dlg(m_songs, m_instruments, prompts);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void TestSamplerDlg::songFileDialogIsConfigured() {
    CSongFileDialog chooser(nullptr, m_songs);
    QCOMPARE(chooser.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(chooser.defaultSuffix(), QStringLiteral("wav"));
    QCOMPARE(chooser.nameFilters(), (QStringList{"Wavefile (*.wav)", "Alle Dateien (*.*)"}));
    QVERIFY(!chooser.testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(chooser.directory().absolutePath(), QDir(m_songs).absolutePath());
    QCOMPARE(chooser.ChosenPath(), QString());
}

void TestSamplerDlg::songFileDialogAppendsSuffix() {
    CSongFileDialog chooser(nullptr, m_songs);
    chooser.show();
    chooser.selectFile(m_songs + QStringLiteral("/neu"));
    QMetaObject::invokeMethod(&chooser, "accept", Qt::DirectConnection);
    QCOMPARE(chooser.result(), int(QDialog::Accepted));
    QCOMPARE(chooser.ChosenPath(), m_songs + QStringLiteral("/neu.wav"));
}

void TestSamplerDlg::songFileDialogAsksBeforeOverwriting() {
    const QString existing = m_songs + QStringLiteral("/alt.wav");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        CSongFileDialog chooser(nullptr, m_songs);
        chooser.show();
        chooser.selectFile(existing);
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            asked = box != nullptr;
            if (box) {
                box->button(answer)->click();
            }
        });
        QMetaObject::invokeMethod(&chooser, "accept", Qt::DirectConnection);
        QVERIFY(asked);
        QCOMPARE(chooser.ChosenPath(), answer == QMessageBox::Yes ? existing : QString());
    }
}

QTEST_MAIN(TestSamplerDlg)
#include "tst_samplerdlg.moc"
