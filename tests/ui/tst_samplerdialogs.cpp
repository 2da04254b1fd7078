#include <QDir>
#include <QLineEdit>
#include <QSlider>

#include "CSamplerDlg.h"
#include "CSamplerPaths.h"
#include "CSamplerProgressDlg.h"
#include "CSongFileDialog.h"
#include "UiTestKit.h"

// The sampler's dialogs and the path rules behind them.
class TestSamplerDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CFakeDialogs m_dialogs;

private slots:
    void filePath_data() {
        QTest::addColumn<bool>("song");  // otherwise an instrument
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default song") << true << u"Test"_s << u"/a/"_s << u"/a//Test.wav"_s;
        QTest::newRow("chosen Test.wav") << true << u"/m/Test.wav"_s << u"/s"_s << u"/m/Test.wav"_s;
        QTest::newRow("lower-case test") << true << u"test"_s << u"/s"_s << u"test.wav"_s;
        QTest::newRow("upper-case suffix") << true << u"/m/l.WAV"_s << u"/s"_s << u"/m/l.WAV.wav"_s;
        QTest::newRow("suffix only") << true << u".wav"_s << u"/s"_s << u".wav"_s;
        QTest::newRow("Standard") << false << u"Standard"_s << u"/i"_s << u"Standard"_s;
        QTest::newRow("Standard.wav")
            << false << u"Standard.wav"_s << u"/i/"_s << u"/i//Standard.wav"_s;
        QTest::newRow("standard") << false << u"standard"_s << u"/i"_s << u"/i/standard"_s;
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

    // "&Browse" opens on the song folder with "*.wav" in the name field.
    void songChooserStartsWithThePattern() {
        CSongFileDialog dialog(nullptr, m_dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();
        QCOMPARE(dialog.findChild<QLineEdit*>(u"fileNameEdit"_s)->text(), u"*.wav"_s);
        QCOMPARE(QDir(dialog.directory()), QDir(m_dir.path()));
        dialog.reject();
        QCOMPARE(dialog.ChosenPath(), QString());
    }

    // Pitch and filter as chosen; a song field left empty keeps the dialog open until Cancel.
    void samplerDlgResultsAndEmptySongField() {
        const QString inst = m_dir.filePath(u"inst"_s);
        QVERIFY(QDir().mkpath(inst));
        for (const char* name : {"Orgel.wav", "geige.WAV", "liesmich.txt", ".alt.wav"}) {
            QVERIFY(WriteFile(inst + '/' + QLatin1String(name), {}));
        }
        CSamplerDlg dlg(m_dir.path(), inst, m_dialogs);
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        QStringList names;
        for (int i = 0; i < list->count(); ++i) {
            names.append(list->itemText(i));
        }
        QCOMPARE(names, QStringList({"geige.WAV", "Orgel.wav", "Standard"}));
        QCOMPARE(list->currentText(), u"Standard"_s);
        dlg.show();
        ChooseInstrument(dlg, u"geige.WAV"_s);
        Child<QSlider>(dlg, "pitchSlider")->setValue(0);
        Child<QSlider>(dlg, "filterSlider")->setValue(50);
        Child<QLineEdit>(dlg, "songFile")->clear();
        Click(dlg, "ok");
        QCOMPARE(m_dialogs.messages, QStringList{u"Es wurde keine Lieddatei angegeben!"_s});
        QVERIFY(m_dialogs.OneBox(&dlg, u"Kantilo"_s, QMessageBox::NoIcon));
        QVERIFY(dlg.isVisible());
        Child<QLineEdit>(dlg, "songFile")->setText(u"Test"_s);
        Click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetBaseFrequency(), 149);
        QCOMPARE(dlg.GetFilterQuality(), 50);
        QCOMPARE(dlg.GetInstrumentFilePath(), inst + u"/geige.WAV"_s);
        QCOMPARE(dlg.GetSongFilePath(), m_dir.filePath(u"Test.wav"_s));
        QCOMPARE(dlg.GetSongFilePath(), m_dir.filePath(u"Test.wav"_s));  // no second suffix
        dlg.show();
        Click(dlg, "cancel");
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(m_dialogs.messages.size(), 1);
    }

    // The bars start again after a full round.
    void progressWraps() {
        CSamplerProgressDlg dlg;
        for (int i = 0; i < 101; ++i) {
            QCOMPARE(dlg.SamplerPosition(), i);
            dlg.StepSampler();
            dlg.StepFilter();
        }
        QCOMPARE(std::pair(dlg.SamplerPosition(), dlg.FilterPosition()), std::pair(0, 0));
    }
};

QTEST_MAIN(TestSamplerDialogs)
#include "tst_samplerdialogs.moc"
