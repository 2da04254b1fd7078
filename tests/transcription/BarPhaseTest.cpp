// The bar lines of a transcribed melody go where the melody sounds metrical, whatever silence
// the recording begins with: songs entered in Kantilo, their onsets moved by every number of
// eighths, keep their bar lines. A recording that begins on a grid line keeps its own bar
// lines even for songs written against the beat.
#include <gtest/gtest.h>

#include <span>

#include "CBarPhase.h"
#include "CScalePitch.h"
#include "TranscriptionTestKit.h"

namespace {

using BarSong = STestSong;

// Folk songs in 4/4 as they are entered (a length of 10 more is a rest), with and without a
// pickup, and ones that keep to quarters throughout.
const BarSong kBarSongs[] = {
    {"Alle meine Entchen",
     "C4/1 D4/1 E4/1 F4/1 G4/2 G4/2 A4/1 A4/1 A4/1 A4/1 G4/4 A4/1 A4/1 "
     "A4/1 A4/1 G4/4 F4/1 F4/1 F4/1 F4/1 E4/2 E4/2 D4/1 D4/1 D4/1 D4/1 C4/4"},
    {"Hänschen klein", "G4/2 E4/2 E4/4 F4/2 D4/2 D4/4 C4/2 D4/2 E4/2 F4/2 G4/2 G4/2 G4/4"},
    {"Freude",
     "E4/2 E4/2 F4/2 G4/2 G4/2 F4/2 E4/2 D4/2 C4/2 C4/2 D4/2 E4/2 E4/3 D4/1 D4/4 "
     "E4/2 E4/2 F4/2 G4/2 G4/2 F4/2 E4/2 D4/2 C4/2 C4/2 D4/2 E4/2 D4/3 C4/1 C4/4"},
    {"Morgen kommt", "C4/2 C4/2 G4/2 G4/2 A4/2 A4/2 G4/4 F4/2 F4/2 E4/2 E4/2 D4/2 D4/2 C4/4"},
    // A pickup of three quarters.
    {"Saints",
     "C4/12 C4/2 E4/2 F4/2 G4/8 C4/12 C4/2 E4/2 F4/2 G4/8 C4/12 C4/2 E4/2 F4/2 G4/4 "
     "E4/4 C4/4 E4/4 D4/8"},
    // A pickup of a half note: the melody begins on the third beat.
    {"dritter Schlag", "C4/14 G4/2 G4/2 C5/4 G4/4 E5/4 C5/2 A4/2 G4/8"},
    // A pickup of one eighth.
    {"Achtel", "C4/14 C4/12 C4/11 G4/1 C5/4 C5/2 B4/1 A4/1 G4/4 E4/2 C4/2 D4/4 F4/2 D4/2 C4/8"},
};

std::vector<CNoteDecoder::SNote> NotesOf(const char* pEntries) {
    CController controller;
    Enter(controller, pEntries);
    std::vector<CNoteDecoder::SNote> notes;
    for (const CScoreNotes::SSound& sound : CScoreNotes(controller.GetSheet()).Sounds()) {
        notes.push_back({sound.nOnset, sound.nLength, CScalePitch::FromHz(sound.nHz)->MidiKey()});
    }
    return notes;
}

// Notes as a transcription finds them, nSilence eighths after the start.
std::vector<CNoteDecoder::SNote> Delayed(std::vector<CNoteDecoder::SNote> notes, int64_t nSilence) {
    for (CNoteDecoder::SNote& note : notes) {
        note.nOnset += nSilence;
    }
    return notes;
}

}  // namespace

TEST(TranscriptionBarPhase, SongsKeepTheirBarLinesWhateverTheSilenceBefore) {
    for (const std::span<const BarSong> songs :
         {std::span<const BarSong>(kBarSongs), std::span<const BarSong>(kRoundTripSongs)}) {
        for (const BarSong& song : songs) {
            const std::vector<CNoteDecoder::SNote> notes = NotesOf(song.pEntries);
            const int64_t nPosition = notes.front().nOnset % CBarPhase::kBar;
            for (int64_t nSilence = 0; nSilence < 2 * CBarPhase::kBar; ++nSilence) {
                SCOPED_TRACE(std::string(song.pName) + " after " + std::to_string(nSilence) +
                             " eighths");
                // Off the grid the melody decides: the round trip's songs are written against
                // the beat (a scale run of eighths from the last eighth of a bar, a pickup that
                // syncopates all through) and move. On it the recording keeps its bar lines.
                if (songs.data() == kBarSongs) {
                    EXPECT_EQ(CBarPhase::OfFirstNote(Delayed(notes, nSilence), false), nPosition);
                }
                if (nSilence % CBarPhase::kBar == 0) {
                    EXPECT_EQ(CBarPhase::OfFirstNote(Delayed(notes, nSilence), true), nPosition);
                }
            }
        }
    }
    // The scale run of "rests" sounds better from a downbeat two eighths later.
    const std::vector<CNoteDecoder::SNote> rests = NotesOf(kRoundTripSongs[1].pEntries);
    EXPECT_GT(CBarPhase::Score(rests, 2), CBarPhase::Score(rests, 0));
    EXPECT_EQ(CBarPhase::OfFirstNote(Delayed(rests, 1), false), 2);
}
