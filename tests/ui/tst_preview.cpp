#include <QMenu>

#include "CSamplerPaths.h"
#include "UiTestKit.h"

// The commands that play the song at once, without a sound server: the remembered choices and
// what happens with no audio output.
class TestPreview : public QObject {
    Q_OBJECT

private slots:
    // No sound server can be reached: every sound fails with the message.
    void initTestCase() { qputenv("PULSE_SERVER", "unix:/nonexistent/kantilo-no-server"); }

    // The instrument and the audition switch survive a restart in their own keys; the
    // sampler's directories, set from the shipped instruments, do not.
    void choicesSurviveRestart() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"K.conf"_s);
        {
            CEditorFixture f;
            QSettings settings(file, QSettings::IniFormat);
            CPreviewCommands preview(f.frame, settings);
            QCOMPARE(preview.Instrument(), u"Standard"_s);  // the defaults
            QVERIFY(f.Action(ID_NOTEN_ANHOEREN)->isChecked());
            for (QAction* entry : f.Action(ID_VORHOER_INSTRUMENT)->menu()->actions()) {
                entry->text() == u"Orgel"_s ? entry->trigger() : void();
            }
            f.Action(ID_NOTEN_ANHOEREN)->trigger();
            f.Action(ID_MITGELIEFERTE_INSTRUMENTE)->trigger();
            QVERIFY(CSamplerPaths::InstrumentNames(f.View().InstrumentDir())
                        .contains(u"Klavier.wav"_s));
        }
        CEditorFixture f;
        QSettings settings(file, QSettings::IniFormat);
        CPreviewCommands preview(f.frame, settings);
        QCOMPARE(preview.Instrument(), u"Orgel"_s);
        QVERIFY(preview.Renderer().InstrumentPath().ends_with("/Orgel.wav"));
        QVERIFY(!f.Action(ID_NOTEN_ANHOEREN)->isChecked());
        QCOMPARE(f.View().InstrumentDir(), QString());
        QCOMPARE(settings.allKeys(),
                 (QStringList{CPreviewCommands::kInstrumentKey, CPreviewCommands::kAuditionKey}));
    }

    // Without an audio output the commands say so in the status bar; the editor goes on.
    void noAudioOutput() {
        CPreviewFixture f;
        f.Action(ID_LIED_VORHOEREN)->trigger();  // an empty song: nothing, not even a message
        QCOMPARE(f.Status(), QString());
        f.Click(80, 25);
        QCOMPARE(f.Status(), CPreviewPlayer::kNoDevice);
        QVERIFY(f.doc.IsModified());
        f.frame.statusBar()->clearMessage();
        f.View().SetTool(ETool::quarterRest);
        f.Click(120, 25);  // a rest is silent: no attempt, no message
        QCOMPARE(f.Status(), QString());
        f.Action(ID_NOTEN_ANHOEREN)->setChecked(false);
        f.View().SetTool(ETool::quarter);
        f.Click(150, 25);  // audition off
        QCOMPARE(f.Status(), QString());
        f.Action(ID_LIED_VORHOEREN)->trigger();
        QCOMPARE(f.Status(), CPreviewPlayer::kNoDevice);
        QVERIFY(!f.preview->Player().IsPlaying());
        QCOMPARE(f.View().PlayingNote(), -1);
        f.Click(190, 25);
        QCOMPARE(f.doc.GetSheet().GetLength(), 10);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
