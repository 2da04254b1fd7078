// Kantilo's own renders come back as the songs they were made from: every sound with its
// onset, length and pitch, through the real sampler, for "Standard" and the shipped
// instruments, at the lowest and highest filter quality.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>

#include "CInstrument.h"
#include "CRecording.h"
#include "CSamplerDefaults.h"
#include "CShippedInstruments.h"
#include "TranscriptionTestKit.h"

namespace {

// "Standard" and every shipped instrument, the glockenspiel too: its bars ring with overtones
// that are no multiples of the pitch, the loudest of them more than five times as high, so
// that what one hears of it is not the written pitch.
std::vector<std::string> Instruments() {
    std::vector<std::string> paths = {"Standard"};
    const std::string strFolder = SourceFile("resources/instrumente").string();
    for (const std::string& strName : CShippedInstruments::Names(strFolder)) {
        paths.push_back(CShippedInstruments::PathOf(strName, strFolder));
    }
    EXPECT_GE(paths.size(), 11u);
    return paths;
}

void ExpectRoundTrip(const std::string& strInstrument, int32_t nQuality) {
    ScratchDir dir;
    for (const STestSong& song : kRoundTripSongs) {
        SCOPED_TRACE(std::string(song.pName) + " with " + strInstrument + ", quality " +
                     std::to_string(nQuality));
        const std::string strWave = dir.File(std::string(song.pName) + ".wav");
        Render(song.pEntries, strInstrument, strWave, nQuality);
        const CTranscriber::SResult result = CTranscriber::TranscribeFile(strWave, {});
        ASSERT_NE(result.pController, nullptr) << result.strMessage;
        EXPECT_EQ(SoundsText(result.pController->GetSheet()), EnteredSounds(song.pEntries));
        // Kantilo plays at 120 quarters a minute (the notice rounds the tempo found), in C: no
        // shift, no notice beyond the tempo.
        EXPECT_EQ(result.notices,
                  std::vector<std::string>{"Tempo 120 Schläge pro Minute erkannt."});
    }
}

// strEntries rendered with strInstrument ("Standard" or a shipped instrument's name) at each of
// nQualities comes back as entered; with pSeconds, how long the rendering lasts is kept there.
void ExpectEntered(const std::string& strEntries, const std::string& strInstrument,
                   std::initializer_list<int32_t> nQualities, double* pSeconds = nullptr) {
    const std::string strPath =
        strInstrument == "Standard"
            ? strInstrument
            : CShippedInstruments::PathOf(strInstrument,
                                          SourceFile("resources/instrumente").string());
    for (const int32_t nQuality : nQualities) {
        SCOPED_TRACE(strInstrument + ": " + strEntries + ", quality " + std::to_string(nQuality));
        ScratchDir dir;
        Render(strEntries, strPath, dir.File("lied.wav"), nQuality);
        const CTranscriber::SResult result = CTranscriber::TranscribeFile(dir.File("lied.wav"), {});
        ASSERT_NE(result.pController, nullptr) << result.strMessage;
        EXPECT_EQ(SoundsText(result.pController->GetSheet()), EnteredSounds(strEntries));
        if (pSeconds != nullptr) {
            const CRecording::SLoad load = CRecording::Load(dir.File("lied.wav"));
            ASSERT_NE(load.pRecording, nullptr);
            *pSeconds = load.pRecording->Seconds();
        }
    }
}

// A random song of 12 to 30 notes and rests in the entry syntax: lengths of 1, 2, 3, 4 and 6
// eighths (bLong: 1 to 8), any of the thirteen pitches, now and then a rest (never first).
std::string RandomSong(unsigned nSeed, bool bLong) {
    static const char* const kPitches[] = {"C4", "D4", "E4", "F4", "G4", "A4", "B4",
                                           "C5", "D5", "E5", "F5", "G5", "A5"};
    const std::vector<int> lengths =
        bLong ? std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8} : std::vector<int>{1, 2, 3, 4, 6};
    std::mt19937 rng(nSeed);
    const unsigned nEntries = 12 + rng() % 19;
    std::string strEntries;
    for (unsigned i = 0; i < nEntries; ++i) {
        const int nLength = lengths[rng() % lengths.size()];
        const bool bRest = i > 0 && rng() % 6 == 0;
        // A rest is entered as C4 with ten added to its length.
        strEntries += bRest ? "C4/" + std::to_string(nLength + 10)
                            : std::string(kPitches[rng() % std::size(kPitches)]) + "/" +
                                  std::to_string(nLength);
        strEntries += " ";
    }
    return strEntries;
}

// Whether the built-in sine sounds through every one of the sounds ("onset:hertz/eighths", at
// 120 quarters a minute): it lasts a fixed time at its own pitch and is played faster above it.
bool SineLasts(const std::string& strSounds) {
    static const double fSeconds = [] {
        CInstrument sine(CInstrument::kStandardName, CInstrument::kStandardBase);
        sine.MakeStandard();
        // Mono: one slot per sample.
        return double(sine.GetSize()) / sine.GetSampleRate();
    }();
    std::istringstream in(strSounds);
    std::string strSound;
    while (in >> strSound) {
        const double fHz = std::stod(strSound.substr(strSound.find(':') + 1));
        const double fEighths = std::stod(strSound.substr(strSound.find('/') + 1));
        if (fEighths * 0.25 > fSeconds * CInstrument::kStandardBase / fHz) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(TranscriptionRoundTrip, StandardAndEveryInstrumentComeBackExactly) {
    for (const std::string& strInstrument : Instruments()) {
        for (int32_t nQuality : {CSamplerDefaults::kMinQuality, CSamplerDefaults::kMaxQuality}) {
            ExpectRoundTrip(strInstrument, nQuality);
        }
    }
}

// Notes held long, where a dying sound gives itself away: glockenspiel bars ring mostly after
// their strike partial has died away, where only the pitch itself is heard, show faint partials
// of their own that pair up as if another bar rang, and the high ones have died away by more
// than 60 dB before they are let go, as have a harp's high strings; a piano's strings beat as
// they die away. A melody of more than 40 s is asked whether it is struck after ten stretches
// of it are read, the rest is read from its spectrum alone.
TEST(TranscriptionRoundTrip, NotesHeldLongComeBackExactly) {
    std::string strLong;
    for (int nTimes = 0; nTimes < 2; ++nTimes) {
        for (const STestSong& song : kRoundTripSongs) {
            strLong += std::string(song.pEntries) + " ";
        }
    }
    // Shift-clicked ("+"), a note is tied to the one before.
    const std::pair<const char*, std::string> kSongs[] = {
        {"Glockenspiel",
         "C4/2 D4/2 C4/8 D4/8 E4/8 F4/8 G4/8 A4/8 B4/8 C5/8 D5/8 E5/8 F5/8 G5/8 A5/8 C4/2"},
        {"Glockenspiel",
         "C4/12 C5/4 C5/2+ D5/2 D5/4 D5/2+ B4/2 B4/1+ B4/2 C5/2 C5/1+ C5/4+ C5/1+ B4/1 C5/2 "
         "C5/2 D5/2 D5/1+ F5/1 C4/11 F5/1 F5/2+ D5/4 D5/2+"},
        {"Glockenspiel", strLong},
        // Whole notes and rests of up to a bar: few frames show the strike partial.
        {"Glockenspiel",
         "F5/4 C4/18 C4/6 F5/8 E5/4 A5/5 C4/12 C4/13 B4/1 F4/7 C4/12 F5/8 A4/3 C4/15 C4/14 D4/5 "
         "E5/8 C4/11 D5/6"},
        {"Klavier",
         "C5/1 C4/14 G4/1 C5/2 F5/2 G4/2 G4/1+ C4/11 C4/2 C4/1+ E4/2 F5/4 F5/2+ A4/2 G5/1 B4/4 "
         "B4/2+ G4/2 D5/1 C4/2 E5/4 E5/2+ A5/1 C5/2 A5/2"},
        {"Klavier",
         "A4/4 A4/2+ B4/2 G5/4 E4/4 E4/2+ B4/2 A5/2 A5/1+ C4/2 C4/1+ F5/2 C5/4 C4/12 D4/2 C4/12 "
         "A4/2 D5/1 B4/2 C5/4 C5/2+ D5/1 A5/2"},
        {"Harfe", "C4/2 D4/2 E4/2 A5/4 A5/2+ G5/2 D5/2 C5/2 G5/4 G5/2+ C4/2 E4/2 G4/2"},
    };
    for (const auto& [pInstrument, strEntries] : kSongs) {
        double fSeconds = 0;
        ExpectEntered(strEntries, pInstrument,
                      {CSamplerDefaults::kMinQuality, CSamplerDefaults::kDefaultQuality,
                       CSamplerDefaults::kMaxQuality},
                      &fSeconds);
        EXPECT_TRUE(strEntries != strLong || fSeconds > 40);
    }
}

// A piano's held note must begin no new note where its own sound moves:
// - its pitch drifts by a tenth of a semitone as it fades (as a bowed string's does, see the
//   random songs of long notes), while the few notes played again in the song step by hardly
//   more (the A5 whole notes, at the default quality);
// - its strings beat as they die away: the A4 whole note, died away to 35 dB below the G5 struck
//   after it, swells again by 4 dB through its last eighth (at the lowest quality).
TEST(TranscriptionRoundTrip, APianosHeldNoteBeginsNoNoteWhereItsSoundMoves) {
    const std::pair<const char*, int32_t> kSongs[] = {
        {"A5/8 A4/7 E5/8 C4/17 F4/3 G4/5 G4/6 D5/8 D4/8 C4/17 A4/1 E4/5 D4/7 C4/15 C4/16 D5/6 "
         "F5/3 A5/6 F4/4 G5/6 E4/5 C4/6 B4/4 A5/6 D5/7 D5/6 E4/1",
         CSamplerDefaults::kDefaultQuality},
        {"A5/8 B4/6 E5/8 A5/3 A5/7 E5/1 A5/4 C4/1 D5/2 D4/1 A5/2 E5/2 A4/4 C4/12 B4/8 C4/3 F4/2 "
         "E4/8 F5/3 C4/14 E5/8 E4/4 G5/8 F4/4 E5/4 C4/4 B4/7 C4/13 E5/8",
         CSamplerDefaults::kDefaultQuality},
        {"D5/2 F4/3 E5/6 E5/7 G5/5 C4/17 E5/4 G5/4 G4/3 D4/5 C5/2 G5/5 C4/4 A5/1 C4/5 D4/1 D4/5 "
         "G5/4 A4/8 G5/4 C5/7 A5/3 D5/3 E5/4 F5/2 A5/7 C4/12 E4/1",
         CSamplerDefaults::kMinQuality},
    };
    for (const auto& [pEntries, nQuality] : kSongs) {
        ExpectEntered(pEntries, "Klavier", {nQuality});
    }
}

namespace {

// Twenty random songs from nFirstSeed on come back exactly with "Standard" and every shipped
// instrument at nQuality; only a song of "Standard" with a note longer than its sine lasts is left
// out (at most nMostLeftOut of them): what follows such a note sounds the same whether written as
// a rest or as the note held on.
void ExpectRandomSongsComeBack(unsigned nFirstSeed, bool bLong, int32_t nQuality,
                               size_t nMostLeftOut) {
    const std::vector<std::string> instruments = Instruments();
    ScratchDir dir;
    size_t nLeftOut = 0;
    for (unsigned nSeed = nFirstSeed; nSeed < nFirstSeed + 20; ++nSeed) {
        const std::string strEntries = RandomSong(nSeed, bLong);
        const std::string strSounds = EnteredSounds(strEntries);
        for (const std::string& strInstrument : instruments) {
            if (strInstrument == CInstrument::kStandardName && !SineLasts(strSounds)) {
                ++nLeftOut;
                continue;
            }
            SCOPED_TRACE(strInstrument + ": " + strEntries);
            Render(strEntries, strInstrument, dir.File("lied.wav"), nQuality);
            const CTranscriber::SResult result =
                CTranscriber::TranscribeFile(dir.File("lied.wav"), {});
            ASSERT_NE(result.pController, nullptr) << result.strMessage;
            EXPECT_EQ(SoundsText(result.pController->GetSheet()), strSounds);
        }
    }
    EXPECT_LE(nLeftOut, nMostLeftOut);
}

}  // namespace

// Among them a violin's F5 played again after an A5 (seed 105, quality 50).
TEST(TranscriptionRoundTrip, RandomSongsComeBackExactly) {
    ExpectRandomSongsComeBack(100, false, CSamplerDefaults::kMaxQuality, 10);
}

// Among them a cello's E5 half and E4 whole note (seeds 182 and 194), which drift in pitch. Notes
// of up to a whole bar outlast the sine in most songs.
TEST(TranscriptionRoundTrip, RandomSongsOfLongNotesComeBackExactly) {
    ExpectRandomSongsComeBack(180, true, CSamplerDefaults::kDefaultQuality, 19);
}

// In just intonation G5 is the third harmonic of C4: the organ's C4 after a G5 lies a twelfth
// below the keys around its first frames, as YIN locked onto three times the period would, yet
// it is a note of its own; so is an eighth of C4 between two G5s, a twelfth below the keys on
// either side throughout.
TEST(TranscriptionRoundTrip, ANoteATwelfthBelowTheOneBeforeIsHeardAsItself) {
    ExpectEntered("G5/2 C4/2 C4/2 E4/2 G5/4 C4/4 G5/2 C5/2 G4/4 G5/2 C4/1 G5/3 D5/2", "Orgel",
                  {CSamplerDefaults::kDefaultQuality});
    for (const char* pInstrument : {"Violine", "Trompete", "Gitarre"}) {
        ExpectEntered("A4/2 G5/2 C4/1 G5/3 D5/2 G5/1 C4/1 G5/2", pInstrument,
                      {CSamplerDefaults::kDefaultQuality});
    }
}

// The built-in sine lasts four seconds at C4, a third of that at G5 and less at A5: a note held
// longer breaks off at its full level before it ends, and silence fills the rest of it. Broken
// off within an eighth, the note lasted to that eighth's end at least (the G5 of six eighths
// breaks off a third into its last one, before a rest too and at the very end); where the next
// note begins an eighth after the last line it sounded to, it holds on to that one (the A5 of
// six eighths, broken off a fifth before its last line; the E5 whole note, broken off after six
// eighths and two fifths). A note cut where it was written to end, on a grid line, keeps the
// rest that follows it.
TEST(TranscriptionRoundTrip, ANoteWhoseSoundRanOutHoldsOnToTheNext) {
    ExpectEntered(
        "G5/4 G5/2+ G5/2 A5/4 A5/2+ C4/2 G5/4 G5/1+ C4/11 G5/2 A5/4 C4/11 A5/2 C5/8 "
        "G5/4 G5/2+ C4/12 E4/2 E5/8 C4/2 G5/4 G5/2+",
        "Standard", {CSamplerDefaults::kMinQuality, CSamplerDefaults::kMaxQuality});
}

// The violin's own swells sink as deep as the notch where its note is played again, after a
// long note above all; but the sampler plays each note from the recording's start, so a note
// played again sounds its start again, as no held note does; the first note of the recording
// too, which follows the silence before it, and a note played again whose first sounding
// followed another key, however alike the two sounds before happen to swell (F5 after A5, then
// F5 again; A5 after A4 an octave below, then A5 again). Only a note's start is replayed: the
// violin's sound loops, so that a note held on repeats, further on, what a later note of its
// key repeats as exactly (G5/5 G5/4 stays two notes, not three). A leap by an octave within one
// pitch class shows no attack either (F5 to F4, G5 to G4): its pitch, plainly heard, parts it.
TEST(TranscriptionRoundTrip, TheViolinsRepeatsAndOctaveLeapsStayApart) {
    ExpectEntered(
        "E5/2 G5/2 G5/1 D5/2 G5/4 G5/2+ G5/2 D5/4 D5/2+ D5/4 C5/2 C4/4 C4/2+ C4/2 D5/1 "
        "G5/4 G5/2+ G5/2 F5/2 F4/2 A4/2 G5/1 G4/2",
        "Violine", {CSamplerDefaults::kMinQuality, CSamplerDefaults::kMaxQuality});
    ExpectEntered("E5/2 E5/7 C4/18 E5/5 F5/8 E5/4 G5/7 C4/18 A4/7 C5/5 A5/8 G5/2", "Violine",
                  {CSamplerDefaults::kMinQuality, CSamplerDefaults::kDefaultQuality});
    ExpectEntered("B4/2 A5/2 F5/1 F5/1 G4/1 G4/1 G5/1 D5/1 D4/4", "Violine",
                  {CSamplerDefaults::kMaxQuality});
    ExpectEntered(
        "G4/2 E4/4 D5/7 C4/12 G5/2 G5/3 B4/6 A4/8 A5/2 G5/7 A5/3 A5/8 G4/8 G4/8 C4/6 "
        "D5/7 D5/8 D4/7 F4/4 G4/5 D4/6",
        "Violine", {CSamplerDefaults::kDefaultQuality});
    ExpectEntered("D4/3 F5/6 F4/5 G4/3 F4/7 E5/8 E4/5 G5/6 C4/6 C4/3 C4/6 G5/5 G5/4", "Violine",
                  {CSamplerDefaults::kDefaultQuality});
}

// A 264 Hz sine said to be 235 Hz plays the song a whole tone higher, in D major: it is moved
// back into C and says so; kept in its key, the importer refuses its F sharp.
TEST(TranscriptionRoundTrip, OtherKeysAreMovedIntoCAndSaySo) {
    ScratchDir dir;
    WriteRecording(dir.File("sinus.wav"), kWave, 22050, 1, 4 * 22050, [](sf_count_t f, int) {
        return float(0.3 * std::sin(kTwoPi * 264 * double(f) / 22050));
    });
    const STestSong& song = kRoundTripSongs[1];  // every pitch class of the scale
    Render(song.pEntries, dir.File("sinus.wav"), dir.File("d-dur.wav"),
           CSamplerDefaults::kDefaultQuality, 235);
    const CTranscriber::SResult moved = CTranscriber::TranscribeFile(dir.File("d-dur.wav"), {});
    ASSERT_NE(moved.pController, nullptr) << moved.strMessage;
    EXPECT_EQ(SoundsText(moved.pController->GetSheet()), EnteredSounds(song.pEntries));
    EXPECT_EQ(moved.notices,
              std::vector<std::string>{
                  "Tempo 120 Schläge pro Minute erkannt; die Melodie wurde von D-Dur "
                  "nach C-Dur übertragen (eine große Sekunde tiefer)."});
    CTranscriber::SOptions keep;
    keep.bKeepKey = true;
    keep.quarters = 120;
    const CTranscriber::SResult kept = CTranscriber::TranscribeFile(dir.File("d-dur.wav"), keep);
    EXPECT_EQ(kept.pController, nullptr);
    // The importer names every note it refuses; the first is the F sharp of bar 2.
    EXPECT_TRUE(
        kept.strMessage.starts_with("Takt 2: Die Tonhöhe Fis4 (F♯4) gibt es in Kantilo nicht.\n"))
        << kept.strMessage;
    EXPECT_TRUE(kept.notices.empty());
}

namespace {

// The render of strEntries with fSeconds of silence before it, transcribed.
CTranscriber::SResult AfterSilence(const ScratchDir& dir, const std::string& strEntries,
                                   double fSeconds) {
    Render(strEntries, "Standard", dir.File("lied.wav"));
    const CRecording::SLoad load = CRecording::Load(dir.File("lied.wav"));
    EXPECT_NE(load.pRecording, nullptr) << load.strMessage;
    const std::span<const float> samples = load.pRecording->Samples();
    const auto nSilence = sf_count_t(fSeconds * load.pRecording->Rate());
    WriteRecording(dir.File("still.wav"), kWave, int(load.pRecording->Rate()), 1,
                   nSilence + sf_count_t(samples.size()), [&](sf_count_t f, int) {
                       return f < nSilence ? 0.0F : samples[size_t(f - nSilence)];
                   });
    return CTranscriber::TranscribeFile(dir.File("still.wav"), {});
}

}  // namespace

// Silence before a melody that is not a whole number of eighths is no part of the song: it is
// dropped, and the bar lines go where the melody sounds metrical. "repeats" begins on a
// downbeat and "pickup" with its quarter rest again; the scale run of "rests" sounds better
// from the downbeat two eighths later, so it comes back as a pickup of six eighths.
TEST(TranscriptionRoundTrip, SilenceBeforeTheMelodyIsDropped) {
    const int64_t kFirstOnsets[] = {0, 2, 2};  // of kRoundTripSongs, in the song that comes back
    ScratchDir dir;
    for (size_t nSong = 0; nSong < std::size(kRoundTripSongs); ++nSong) {
        const STestSong& song = kRoundTripSongs[nSong];
        for (const double fSeconds : {0.3, 0.6, 1.3}) {
            SCOPED_TRACE(std::string(song.pName) + " after " + std::to_string(fSeconds) + " s");
            const CTranscriber::SResult result = AfterSilence(dir, song.pEntries, fSeconds);
            ASSERT_NE(result.pController, nullptr) << result.strMessage;
            EXPECT_EQ(SoundsText(result.pController->GetSheet(), true),
                      EnteredSounds(song.pEntries, true));
            EXPECT_EQ(CScoreNotes(result.pController->GetSheet()).Sounds().front().nOnset,
                      kFirstOnsets[nSong]);
            EXPECT_EQ(result.notices,
                      std::vector<std::string>{"Tempo 120 Schläge pro Minute erkannt."});
        }
    }
}
