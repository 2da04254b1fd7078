// The "Exportieren" chooser driven as a user drives it: a filter picked in the list, a name
// typed, the question before a file is replaced answered.

#include <QtTest>
#include <QtWidgets>

#include "CExportFileDialog.h"
#include "ViewTestKit.h"

class TestExportDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Types name under the filter at index, presses Enter; the question shown, if any, is
    // answered with answer. The path chosen, or "" when the dialog stayed open; question
    // receives the text asked.
    QString Choose(int filter, const QString& name, QMessageBox::StandardButton answer,
                   QString& question) {
        CExportFileDialog dialog(nullptr, u"lied"_s);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(m_dir.path());
        dialog.show();
        auto* types = dialog.findChild<QComboBox*>(u"fileTypeCombo"_s);
        types->setCurrentIndex(filter);  // as a user's choice: both signals
        emit types->activated(filter);
        emit types->textActivated(types->currentText());
        dialog.findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(name);
        question.clear();
        QTimer::singleShot(0, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->text();
                box->button(answer)->click();
            }
        });
        dialog.accept();
        QCoreApplication::processEvents();
        return dialog.ChosenPath();
    }

private slots:
    void initTestCase() {
        for (const char* name : {"lied.pdf", "lied.v2.pdf", "alt.musicxml"}) {
            QVERIFY(WriteFile(m_dir.filePath(QLatin1String(name)), "alt"));
        }
    }

    // A bare name gets the filter's extension before the dialog looks for an existing file,
    // so replacing lied.pdf is asked about; "Nein" keeps the dialog open, "Ja" chooses it.
    // A name with a dot of its own that names no format is treated alike.
    void asksBeforeReplacingTheNameWithExtension() {
        QString question;
        for (const QString& typed : {u"lied"_s, u"lied.v2"_s}) {
            const QString target = m_dir.filePath(typed + u".pdf"_s);
            QCOMPARE(Choose(2, typed, QMessageBox::No, question), QString());
            QVERIFY2(question.contains(QFileInfo(target).fileName()), qPrintable(question));
            QCOMPARE(Choose(2, typed, QMessageBox::Yes, question), target);
            QVERIFY(!question.isEmpty());
            QCOMPARE(FileBytes(target), QByteArray("alt"));
        }
        QCOMPARE(Choose(0, u"alt"_s, QMessageBox::No, question), QString());
        QVERIFY(question.contains(u"alt.musicxml"_s));
    }

    // A typed extension of a format the program writes chooses that format whatever filter
    // is selected, in any case; a new file is chosen without a question.
    void typedExtensionChoosesTheFormat() {
        QString question;
        for (const auto& [filter, typed] : {std::pair(0, u"noten.svg"_s),
                                            {3, u"noten.MID"_s},
                                            {1, u"noten.xml"_s},
                                            {4, u"noten.pdf"_s}}) {
            QCOMPARE(Choose(filter, typed, QMessageBox::No, question), m_dir.filePath(typed));
            QCOMPARE(question, QString());
        }
        QCOMPARE(Choose(1, u"noten"_s, QMessageBox::No, question), m_dir.filePath(u"noten.mid"_s));
    }

    void extensionRule() {
        const QString midi = u"MIDI-Dateien (*.mid)"_s;
        QCOMPARE(CExportFileDialog::WithFilterExtension(u"/a/lied"_s, midi), u"/a/lied.mid"_s);
        QCOMPARE(CExportFileDialog::WithFilterExtension(u"/a/lied.png"_s, midi), u"/a/lied.png"_s);
        QCOMPARE(CExportFileDialog::WithFilterExtension(u"/a/lied.kt"_s, midi),
                 u"/a/lied.kt.mid"_s);
        QCOMPARE(CExportFileDialog::WithFilterExtension(u"/a/lied"_s, u"?"_s), u"/a/lied"_s);
    }
};

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
