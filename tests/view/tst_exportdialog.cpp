// The "Exportieren" chooser driven as a user drives it: a filter picked in the list, a name
// typed, the question before a file is replaced answered.

#include <QtTest>
#include <QtWidgets>

#include "CExportFileDialog.h"
#include "CScorePages.h"
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
        for (const char* name : {"lied.pdf", "lied.v2.pdf"}) {
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
    }

    // A picture of several pages goes to numbered files: the export asks before replacing
    // any of them, writes nothing on "Nein" and every page on "Ja".
    void asksBeforeReplacingNumberedPictures() {
        CFrameFixture f;
        while (CScorePages::PageCount(f.doc.GetSheet()) < 3) {
            Enter(f.doc, 8);
        }
        QVERIFY(WriteFile(f.Path(u"lied-2.png"_s), "alt"));
        f.dialogs.exportPath = f.Path(u"lied.png"_s);
        f.dialogs.answer = IUserDialogs::Answer::No;
        QVERIFY(!f.frame.Flow().FileExport());
        QCOMPARE(f.dialogs.questions, QStringList{u"Die Bilder lied-2.png sind schon vorhanden.\n"
                                                  "Sollen sie ersetzt werden?"_s});
        QCOMPARE(QDir(f.dir.path()).entryList({u"lied*"_s}), QStringList{u"lied-2.png"_s});
        QCOMPARE(FileBytes(f.Path(u"lied-2.png"_s)), QByteArray("alt"));
        f.dialogs.answer = IUserDialogs::Answer::Yes;
        QVERIFY(f.frame.Flow().FileExport());
        QCOMPARE(QDir(f.dir.path()).entryList({u"lied*"_s}),
                 QStringList({u"lied-1.png"_s, u"lied-2.png"_s, u"lied-3.png"_s}));
        QVERIFY(FileBytes(f.Path(u"lied-2.png"_s)).startsWith("\x89PNG"));
        QCOMPARE(f.frame.statusBar()->currentMessage(), u"Exportiert: lied-1.png … lied-3.png"_s);
        f.dialogs.questions.clear();
        QVERIFY(f.frame.Flow().FileExport());
        QCOMPARE(f.dialogs.questions.join(""),
                 u"Die Bilder lied-1.png, lied-2.png, lied-3.png sind schon vorhanden.\n"
                 "Sollen sie ersetzt werden?"_s);
    }
};

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
