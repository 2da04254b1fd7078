#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QToolBar>

#include "CController.h"
#include "CSamplerPaths.h"
#include "CWaveFile.h"
#include "UiTestKit.h"

// The commands that play the song at once, without a sound server: the menu, the remembered
// choices, the samples they would play, the cursor, and what happens with no audio output.
class TestPreview : public QObject {
    Q_OBJECT

    static QStringList Texts(const QList<QAction*>& actions) {
        QStringList texts;
        for (const QAction* action : actions) {
            texts.append(action->isSeparator() ? u"-"_s : action->text());
        }
        return texts;
    }

    static std::vector<int16_t> Slots(const CWaveFile& wave) {
        return {wave.Samples(), wave.Samples() + wave.GetSize()};
    }
    // A written song's rate and samples.
    static std::pair<uint32_t, std::vector<int16_t>> Written(const QString& path) {
        CWaveFile wave(QFile::encodeName(path).toStdString());
        wave.ReadHeader();
        wave.ReadData();
        return {wave.GetSampleRate(), Slots(wave)};
    }

private slots:
    // No sound server can be reached: every sound fails with the message.
    void initTestCase() { qputenv("PULSE_SERVER", "unix:/nonexistent/kantilo-no-server"); }

    // The preview's entries come after the sampler's first four, each text once; its button
    // after the toolbar's first fifteen.
    void menuAndToolbar() {
        CPreviewFixture f;
        const QList<QAction*> menus = f.frame.menuBar()->actions();
        QCOMPARE(menus.at(1)->text(), u"&Sampler"_s);
        const QStringList sampler = Texts(menus.at(1)->menu()->actions());
        QCOMPARE(sampler,
                 (QStringList{u"&Lied generieren"_s, u"Lied &spielen"_s, u"Lied s&toppen"_s,
                              u"&Einstellungen"_s, u"-"_s, u"Lied &vorhören"_s,
                              u"Vorhör-&Instrument"_s, u"Noten beim Setzen &anhören"_s,
                              u"&Mitgelieferte Instrumente verwenden"_s}));
        QStringList instruments = Texts(f.Action(ID_VORHOER_INSTRUMENT)->menu()->actions());
        QCOMPARE(instruments.first(), u"Standard"_s);
        QCOMPARE(instruments.last(), u"Andere Datei..."_s);
        QVERIFY(instruments.size() >= 8 + 3);
        for (const char* name : {"Klavier", "Orgel", "Flöte", "Violine"}) {
            QCOMPARE(instruments.count(QString::fromUtf8(name)), 1);
        }
        const QList<QAction*> buttons = f.frame.ToolBar()->actions();
        QAction* preview = f.Action(ID_LIED_VORHOEREN);
        QCOMPARE(buttons.last(), preview);
        QCOMPARE(buttons.count(preview), 1);
        QCOMPARE(preview->toolTip(), u"Vorhören"_s);
        QCOMPARE(preview->statusTip(),
                 u"Spielt das Lied sofort vor, ohne eine Datei zu schreiben"_s);
        QVERIFY(!preview->icon().isNull());
        QVERIFY(preview->icon().pixmap(16, 15).toImage() !=
                f.Action(ID_LIED_SPIELEN)->icon().pixmap(16, 15).toImage());
        QVERIFY(f.Action(ID_NOTEN_ANHOEREN)->isCheckable());
    }

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
        // A file that has gone since is still the choice; playing it says why it fails.
        settings.setValue(CPreviewCommands::kInstrumentKey, dir.filePath(u"weg.wav"_s));
        CEditorFixture g;
        CPreviewCommands gone(g.frame, settings);
        QVERIFY(g.Action(ID_VORHOER_INSTRUMENT)->menu()->actions().last()->isChecked());
        g.EnterSong();
        g.Action(ID_LIED_VORHOEREN)->trigger();
        QCOMPARE(g.Status(), u"Die angegebene Datei konnte nicht geöffnet werden!"_s);
    }

    // The preview renders the song exactly as generation writes it, for the built-in tone and
    // a shipped instrument; a clicked note as generation renders a song of that note alone.
    void samplesAreTheGeneratedOnes() {
        for (const char* name : {"Standard", "Trompete"}) {
            CPreviewFixture f;
            f.preview->ChooseInstrument(QString::fromUtf8(name));
            f.EnterSong();
            const std::string path = f.preview->Renderer().InstrumentPath();
            const QString generated = f.Generated(path);
            QVERIFY(!generated.isEmpty());
            CLied song;
            QCOMPARE(f.preview->Renderer().RenderSheet(f.doc.GetSheet(), song), std::string());
            const auto [rate, all] = Written(generated);
            QCOMPARE(song.GetSampleRate(), rate);
            QVERIFY(Slots(song) == all);
            // The beginning a long song starts with: the same samples as far as it goes.
            CLied beginning;
            QCOMPARE(f.preview->Renderer().RenderSheet(f.doc.GetSheet(), beginning, 5),
                     std::string());
            QCOMPARE(beginning.GetSize(), uint32_t(5 * song.GetSampleRate() / 4));
            QVERIFY(Slots(beginning) ==
                    std::vector<int16_t>(all.begin(), all.begin() + beginning.GetSize()));

            // A dotted rhythm across a bar line: the note is split, both parts sound as one.
            f.Action(ID_FILE_NEW)->trigger();
            f.View().SetTool(ETool::half);
            f.Click(80, 25);
            f.Click(110, 25);
            f.View().SetTool(ETool::quarter);
            f.Click(140, 25);
            QVERIFY(!CPreviewCommands::AppendedNote(f.doc.GetSheet(), 3));  // nothing new
            f.View().SetTool(ETool::half);
            f.Click(170, 10);  // crosses the bar: a quarter, tied to a quarter
            const std::optional<SNoteInfo> split =
                CPreviewCommands::AppendedNote(f.doc.GetSheet(), 3);
            QVERIFY(split.has_value());
            QCOMPARE(std::pair(split->nPitch, split->nDuration), std::pair(uint16_t(792), 4));
            f.View().SetTool(ETool::eighthRest);
            f.Click(200, 10);
            QVERIFY(!CPreviewCommands::AppendedNote(f.doc.GetSheet(), 5));  // a rest is silent
            CSilentProgressSink sink;
            CController alone;
            alone.AddNote({80, 10}, ETool::half, false);
            alone.Generate(sink, path, QFile::encodeName(generated).toStdString(), 10, 264);
            CLied note;
            QCOMPARE(f.preview->Renderer().RenderNote(792, 4, note), std::string());
            QVERIFY(Slots(note) == Written(generated).second);
        }
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

    // "kantilo --play" without an audio output: the message and exit 1; an instrument that
    // is neither a file nor shipped: the engine's text; an empty song plays nothing.
    void playWithoutAudioOutput() {
        const QString example = ExampleSong();
        QTemporaryDir dir;
        const QString empty = dir.filePath(u"leer.kt"_s);
        QVERIFY(WriteFile(empty, QByteArray()));
        const std::tuple<QStringList, int, QString> cases[] = {
            {{example, u"--play"_s}, 1, u"kantilo: Keine Audioausgabe gefunden.\n"_s},
            {{example, u"--play"_s, u"--instrument"_s, u"Tuba"_s},
             1,
             u"Die angegebene Datei konnte nicht geöffnet werden!\n"_s},
            {{empty, u"--play"_s}, 0, QString()},
        };
        for (const auto& [args, code, message] : cases) {
            QProcess play;
            play.start(KantiloProgram(), args);
            QVERIFY(play.waitForFinished(30000));
            QCOMPARE(play.exitCode(), code);
            QCOMPARE(QString::fromUtf8(play.readAllStandardError()), message);
        }
    }

    // The cursor's note is scrolled wholly into view on a long song (its colour on screen, and
    // its going at the stop, are checked in the real editor by preview_xvfb.sh).
    void cursorMarksAndScrolls() {
        CPreviewFixture f;
        f.frame.resize(800, 300);
        f.View().SetTool(ETool::eighth);
        for (int i = 0; i < 200; ++i) {
            f.doc.AddNote({80, 10 + (i % 7) * 5}, ETool::eighth, false);
        }
        f.View().OnUpdate();
        const CScoreLayout layout(f.doc);
        const CScoreLayout::CGlyph* last = layout.NoteGlyph(199);
        QVERIFY(last != nullptr && layout.NoteGlyph(200) == nullptr);
        QCOMPARE(f.View().ScrollPosition(), QPoint(0, 0));
        f.View().SetPlayingNote(199);
        const QPoint origin = f.View().ScrollPosition();
        QVERIFY(origin.y() > 0);
        const QRect shown(origin, f.View().viewport()->size());
        QVERIFY(shown.contains(QRect(last->x, last->y, last->width, CScoreLayout::kGlyphHeight)));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
