// MuseScore 3 reads our MusicXML and our MIDI and hears what the sampler plays; its own
// MusicXML of our songs comes back in. One MuseScore run converts everything.
#include <gtest/gtest.h>

#include "ExchangeTestKit.h"

TEST(MuseScorePeer, HearsAndWritesOurSongsAsTheSamplerPlaysThem) {
    if (!Runs("command -v mscore3") || !Runs(kPython + " -c 'import mido'")) {
        GTEST_SKIP() << "needs mscore3 (Debian musescore3) and mido (Debian python3-mido)";
    }
    // The job: each score to MIDI and to MuseScore's MusicXML, each MIDI file to MIDI.
    ScratchDir dir;
    std::string strJob = "[";
    for (const TestSong& song : TestSongs()) {
        const std::string strBase = dir.File(song.strName);
        EXPECT_TRUE(
            CMusicXmlWriter::Save(*SheetOf(song), song.strName, strBase + ".musicxml").Ok());
        EXPECT_TRUE(CMidiWriter::Save(*SheetOf(song), song.strName, strBase + ".mid").Ok());
        strJob += "{\"in\": \"" + strBase + ".musicxml\", \"out\": [\"" + strBase +
                  "-xml.mid\", \"" + strBase + "-ms.musicxml\"]},";
        strJob += "{\"in\": \"" + strBase + ".mid\", \"out\": \"" + strBase + "-mid.mid\"},";
    }
    strJob.back() = ']';
    std::ofstream(dir.File("job.json")) << strJob;
    ASSERT_EQ(std::system(("QT_QPA_PLATFORM=offscreen timeout 240 mscore3 -j " +
                           dir.File("job.json") + " >/dev/null 2>" + dir.File("mscore.log"))
                              .c_str()),
              0);
    // Every score names its instrument, so MuseScore finds one for the part.
    const Bytes log = ReadBytes(dir.File("mscore.log"));
    EXPECT_EQ(std::string(log.begin(), log.end()).find("no instrument found"), std::string::npos);
    for (const TestSong& song : TestSongs()) {
        SCOPED_TRACE(song.strName);
        const std::string strBase = dir.File(song.strName);
        EXPECT_EQ(ReadMidi(strBase + "-xml.mid").sounds, song.sounds);
        // MuseScore's MIDI import lets a song's final note ring on to the next beat.
        std::vector<Sound> fromMidi = ReadMidi(strBase + "-mid.mid").sounds;
        ASSERT_EQ(fromMidi.size(), song.sounds.size());
        Sound& last = fromMidi.back();
        const int64_t nEnd = song.sounds.back().nOnset + song.sounds.back().nLength;
        if (last.nOnset + last.nLength == (nEnd + 1) / 2 * 2) {
            last.nLength = song.sounds.back().nLength;
        }
        EXPECT_EQ(fromMidi, song.sounds);
        // MuseScore's score comes back as the song those entries make; one whose note is tied
        // to a rest only sounds the same, since the rest comes back as the note.
        const CMusicXmlReader::SResult back = CMusicXmlReader::Load(strBase + "-ms.musicxml");
        ASSERT_NE(back.pController, nullptr) << back.strMessage;
        CController entered;
        Enter(entered, song.strEntries);
        EXPECT_EQ(CScoreNotes(back.pController->GetSheet()).Sounds(),
                  CScoreNotes(entered.GetSheet()).Sounds());
        EXPECT_TRUE(song.bTiedToRest ||
                    CDocumentFile::Store(*back.pController) == CDocumentFile::Store(entered));
    }
}
