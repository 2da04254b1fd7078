#include <QLineEdit>
#include <QProcess>
#include <QSlider>

#include "CSamplerSettingsDlg.h"
#include "UiTestKit.h"

// The sampler's commands in the editor and its dialogs.
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

private slots:
    void initTestCase() { CSongPlayer::SelectMediaBackend(); }  // as main does
    void init() {
        m_f = std::make_unique<CEditorFixture>();
        QVERIFY(QTest::qWaitForWindowExposed(&m_f->frame));
    }
    void cleanup() { m_f.reset(); }

    // From the settings and clicks to the song file, byte for byte what the command line makes;
    // Open disables play again, the settings stay.
    void songMatchesCommandLine() {
        QCOMPARE(SetDirs(m_f->dir.path(), u"/a/inst"_s), u"|"_s);
        QCOMPARE(SetDirs(u"/anders"_s, u"/x"_s, "cancel"), m_f->dir.path() + u"|/a/inst"_s);
        m_f->EnterSong();
        QVERIFY(m_f->Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); }, "cancel"));
        QCOMPARE(m_f->dialogs.chooserDirs, QStringList{m_f->dir.path()});
        QVERIFY(m_f->SongFileName().isEmpty() && !m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QVERIFY(m_f->Generate());
        const QString song = m_f->Path(u"Test.wav"_s);
        QCOMPARE(m_f->SongFileName(), song);
        QVERIFY(m_f->dialogs.messages.isEmpty() && m_f->Action(ID_LIED_SPIELEN)->isEnabled());

        const QString kt = m_f->Path(u"lied.kt"_s), cli = m_f->Path(u"cli.wav"_s);
        QVERIFY(m_f->doc.OnSaveDocument(QFile::encodeName(kt).toStdString()).Ok());
        QProcess kantilo;
        kantilo.start(KantiloProgram(), {kt, u"-o"_s, cli});
        QVERIFY(kantilo.waitForFinished(60000) && kantilo.exitCode() == 0);
        QCOMPARE(FileBytes(song), FileBytes(cli));

        m_f->dialogs.openPath = kt;
        m_f->Action(ID_FILE_OPEN)->trigger();
        QVERIFY(!m_f->Action(ID_LIED_SPIELEN)->isEnabled());
        QCOMPARE(m_f->View().SongDir() + '|' + m_f->View().InstrumentDir(),
                 m_f->dir.path() + u"|/a/inst"_s);
    }

    // A song that cannot be written is warned of over the view, and is still the one to play.
    void unwritableSongWarnsOverTheView() {
        m_f->EnterSong();
        m_f->dialogs.songFileAnswer = m_f->Path(u"fehlt/lied.wav"_s);
        QVERIFY(m_f->Generate([](CSamplerDlg& dlg) { Click(dlg, "browse"); }));
        QCOMPARE(m_f->dialogs.messages,
                 QStringList{u"Die angegebene Zieldatei konnte nicht geöffnet werden!"_s});
        QVERIFY(m_f->dialogs.OneBox(&m_f->View(), u"Warnung!"_s, QMessageBox::Warning));
        QVERIFY(!m_f->commands->ProgressSink().ProgressDlg());  // none left over
        QCOMPARE(m_f->SongFileName(), m_f->dialogs.songFileAnswer);
        QVERIFY(m_f->Action(ID_LIED_SPIELEN)->isEnabled());
    }

    // The recordings listed, pitch and filter as chosen; an empty song field keeps it open.
    void samplerDlgResultsAndEmptySongField() {
        for (const char* name : {"Orgel.wav", "geige.WAV", "liesmich.txt", ".alt.wav"}) {
            QVERIFY(WriteFile(m_f->Path(QLatin1String(name)), {}));
        }
        CSamplerDlg dlg(m_f->dir.path(), m_f->dir.path(), m_f->dialogs);
        auto* list = Child<QComboBox>(dlg, "instrumentList");
        QCOMPARE(list->count(), 3);  // the sounds sorted, then the built-in one, chosen
        QCOMPARE(list->itemText(0) + list->itemText(1), u"geige.WAVOrgel.wav"_s);
        QCOMPARE(list->currentText(), u"Standard"_s);
        dlg.show();
        list->setCurrentIndex(list->findText(u"geige.WAV"_s));
        Child<QSlider>(dlg, "pitchSlider")->setValue(0);
        Child<QSlider>(dlg, "filterSlider")->setValue(50);
        Child<QLineEdit>(dlg, "songFile")->clear();
        Click(dlg, "ok");
        QCOMPARE(m_f->dialogs.messages, QStringList{u"Es wurde keine Lieddatei angegeben!"_s});
        QVERIFY(m_f->dialogs.OneBox(&dlg, u"Kantilo"_s, QMessageBox::NoIcon) && dlg.isVisible());
        Child<QLineEdit>(dlg, "songFile")->setText(u"Test"_s);
        Click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(std::pair(dlg.GetBaseFrequency(), dlg.GetFilterQuality()), std::pair(149, 50));
        QCOMPARE(dlg.GetInstrumentFilePath(), m_f->Path(u"geige.WAV"_s));
        QCOMPARE(dlg.GetSongFilePath(), m_f->Path(u"Test.wav"_s));
    }
};

QTEST_MAIN(TestSamplerCommands)
#include "tst_samplercommands.moc"
