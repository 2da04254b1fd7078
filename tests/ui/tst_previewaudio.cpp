#include <QElapsedTimer>

#include "AudioTestKit.h"
#include "CShippedInstruments.h"
#include "CSilentProgressSink.h"
#include "UiTestKit.h"

// The editor's play and stop, the preview and "kantilo --play", heard through a sound server's
// null sink and compared with the song files generation writes.
class TestPreviewAudio : public QObject {
    Q_OBJECT

    CPrivateSoundServer m_server;

private slots:
    void initTestCase() {
        CSongPlayer::SelectMediaBackend();  // as main does
        if (!m_server.Start()) {
            QSKIP("no sound server can be started here (it needs pulseaudio and its tools)");
        }
    }

    void cleanupTestCase() { QVERIFY(m_server.Stop()); }

    // A generated song sounds from Play until Stop, and not a moment longer.
    void playSoundsUntilStopped() {
        CEditorFixture f;
        f.View().SetSongDir(f.dir.path());
        f.EnterSong();
        QVERIFY(f.Generate());
        f.commands->Player().SetBeep([] { QFAIL("the song did not play"); });
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        f.Action(ID_LIED_SPIELEN)->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.commands->Player().IsPlaying(); }, 5000));
        QTest::qWait(1500);
        f.Action(ID_LIED_STOPPEN)->trigger();
        QVERIFY(!f.commands->Player().IsPlaying());
        QTest::qWait(1500);
        const QVector<double> rec = recorder.Samples();
        const auto [first, last] = LoudSpan(rec, 1000);  // the song peaks at 10000
        const qsizetype heard = (last - first) * 1000 / kRate;
        QVERIFY2(heard > 900 && heard < 2300, qPrintable(QString::number(heard)));
        QVERIFY(rec.size() - last > kRate);  // silence after the stop
    }

    // What the preview plays is the generated song, sample for sample, a song longer than the
    // quick start too: its beginning first, the rest seamlessly after. The cursor marks the note
    // the device's clock says is sounding.
    void previewSoundsAsGeneratedWithCursor() {
        CPreviewFixture f;
        f.preview->ChooseInstrument(u"Klavier"_s);
        f.EnterSong();
        QTest::qWait(700);  // the last click's note has sounded
        for (int i = 0; i < 32; ++i) {
            f.doc.AddNote({0, 6 + (i * 5) % 45}, ETool::eighth, false);
        }
        QVERIFY(f.doc.GetSheet().GetLength() > CPreviewCommands::kQuickEighths);
        const QString generated = f.Path(u"generiert.wav"_s);  // as "Lied generieren" writes it
        CSilentProgressSink sink;
        f.doc.Generate(sink, CShippedInstruments::PathOf("Klavier", CShippedInstruments::Folder()),
                       QFile::encodeName(generated).toStdString(), 10, 264);
        QVERIFY(sink.Warning().empty());
        const std::vector<uint64_t> starts = CPreviewRenderer::NoteStarts(f.doc.GetSheet(), kRate);
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        f.Action(ID_LIED_VORHOEREN)->trigger();
        QVERIFY(f.preview->Player().IsPlaying());
        int checked = 0;
        while (f.preview->Player().IsPlaying()) {
            QTest::qWait(170);
            const qint64 now = f.preview->Player().PlayedUSecs();
            const int shown = f.View().PlayingNote();
            if (!f.preview->Player().IsPlaying() || shown < 0) {
                continue;
            }
            // The cursor was set at most one tick before: it shows the note sounding then or now.
            const auto noteAt = [&](qint64 usecs) {
                const uint64_t frame = uint64_t(std::max<qint64>(usecs, 0)) * kRate / 1000000;
                return int(std::upper_bound(starts.begin(), starts.end(), frame) - starts.begin()) -
                       1;
            };
            QVERIFY2(shown == noteAt(now) || shown == noteAt(now - 40000),
                     qPrintable(u"%1 at %2 us"_s.arg(shown).arg(now)));
            ++checked;
        }
        QCOMPARE(f.View().PlayingNote(), -1);  // the highlight goes at the end
        QVERIFY(checked >= 20);
        QCOMPARE(SoundsUnlike(recorder.Samples(), SongSamples(generated)), QString());
    }

    // Stop silences the preview within a tenth of a second; deleting, generating and a new song
    // stop it too.
    void stopSilencesAtOnce() {
        CPreviewFixture f;  // the built-in tone
        f.EnterSong();
        QTest::qWait(700);
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        QElapsedTimer clock;
        f.Action(ID_LIED_VORHOEREN)->trigger();
        clock.start();
        QTest::qWait(1500);
        f.Action(ID_LIED_STOPPEN)->trigger();
        const qint64 played = clock.elapsed();
        QVERIFY(!f.preview->Player().IsPlaying());
        QCOMPARE(f.View().PlayingNote(), -1);
        QTest::qWait(800);
        const QVector<double> heard = recorder.Samples();
        const auto [first, end] = LoudSpan(heard, 1000);  // the sine peaks at 10000
        const qint64 heardMs = (end - first) * 1000 / kRate;
        // The start waits for the stream as long as the end waits for the flush, at most.
        QVERIFY2(heardMs < played + 100 && heardMs > played - 300,
                 qPrintable(u"%1 ms heard, %2 ms played"_s.arg(heardMs).arg(played)));

        // Anything that changes the song stops the preview first: the cursor never walks
        // notes that are gone.
        f.Action(ID_LIED_VORHOEREN)->trigger();
        QVERIFY(f.preview->Player().IsPlaying());
        f.Action(ID_LOESCHEN)->trigger();
        QVERIFY(!f.preview->Player().IsPlaying());
        f.Action(ID_LIED_VORHOEREN)->trigger();
        bool bSilentInDialog = false;
        QVERIFY(f.Generate(
            [&](CSamplerDlg&) { bSilentInDialog = !f.preview->Player().IsPlaying(); }, "cancel"));
        QVERIFY(bSilentInDialog);  // generating stops the preview before its dialog opens
        f.Action(ID_LIED_VORHOEREN)->trigger();
        f.Action(ID_FILE_NEW)->trigger();
        QVERIFY(!f.preview->Player().IsPlaying());
    }

    // "kantilo --play" sounds until Ctrl+C, then exits with 130 at once. (That it plays what
    // generation writes is the preview's check above: the same renderer and player.)
    void playOnTheCommandLineStopsOnCtrlC() {
        CMonitorRecorder recorder;
        QVERIFY(recorder.Start());
        QProcess play;
        play.start(KantiloProgram(), {ExampleSong(), u"--play"_s});
        QTest::qWait(1500);
        ::kill(pid_t(play.processId()), SIGINT);
        QVERIFY(play.waitForFinished(5000));
        QCOMPARE(play.exitStatus(), QProcess::NormalExit);
        QCOMPARE(play.exitCode(), 130);
        QTest::qWait(500);
        const QVector<double> heard = recorder.Samples();
        const auto [first, end] = LoudSpan(heard, 1000);
        QVERIFY2(end > first && heard.size() - end > kRate * 4 / 10,
                 qPrintable(u"%1 to %2"_s.arg(first).arg(end)));
    }
};

QTEST_MAIN(TestPreviewAudio)
#include "tst_previewaudio.moc"
