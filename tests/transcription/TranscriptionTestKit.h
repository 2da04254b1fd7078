#pragma once

// Songs rendered by Kantilo's own sampler and what they sound like, for comparing a
// transcription with the song it was made from.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>

#include "CController.h"
#include "CRecording.h"
#include "CScoreNotes.h"
#include "CSilentProgressSink.h"
#include "CTranscriber.h"
#include "SheetProbe.h"
#include "TestFiles.h"

// The sounds of a sheet as "onset:key name/length" words, easy to read in a failure; with
// bFromFirst, onsets count from the first sound's.
inline std::string SoundsText(const CNotenblatt& sheet, bool bFromFirst = false) {
    const std::vector<CScoreNotes::SSound> sounds = CScoreNotes(sheet).Sounds();
    const int64_t nOrigin = bFromFirst && !sounds.empty() ? sounds.front().nOnset : 0;
    std::ostringstream out;
    for (const CScoreNotes::SSound& sound : sounds) {
        out << sound.nOnset - nOrigin << ":" << sound.nHz << "/" << sound.nLength << " ";
    }
    return out.str();
}

// The sounds of the entries as note entry enters them, as SoundsText writes them.
inline std::string EnteredSounds(const std::string& strEntries, bool bFromFirst = false) {
    CController entered;
    Enter(entered, strEntries);
    return SoundsText(entered.GetSheet(), bFromFirst);
}

// Renders the entries with the real sampler into strWave, as "kantilo song.kt -o song.wav
// --instrument PATH --base HZ --quality Q" does.
inline void Render(const std::string& strEntries, const std::string& strInstrument,
                   const std::string& strWave, int32_t nQuality = 5, int32_t nBase = 264) {
    CController controller;
    Enter(controller, strEntries);
    CSilentProgressSink sink;
    controller.Generate(sink, strInstrument, strWave, nQuality, nBase);
    ASSERT_EQ(sink.Warning(), "") << strEntries;
}

// The recordings of performances.py: FluidSynth, its General MIDI sound font, SoX and mido.
inline bool HasPerformanceTools() {
    return fs::exists("/usr/share/sounds/sf2/FluidR3_GM.sf2") &&
           std::system(
               "command -v fluidsynth >/dev/null && command -v sox >/dev/null && "
               "/usr/bin/python3 -c 'import mido, numpy' 2>/dev/null") == 0;
}

inline std::string PerformancesCommand(const std::string& strArguments) {
    return "/usr/bin/python3 '" + SourceFile("tests/transcription/performances.py").string() +
           "' " + strArguments;
}

// Writes nFrames frames of nChannels channels made by sample(frame, channel) with libsndfile,
// an independent writer, in the given format (SF_FORMAT_WAV | SF_FORMAT_PCM_16, ...).
template <typename TSample>
void WriteRecording(const std::string& strPath, int nFormat, int nRate, int nChannels,
                    sf_count_t nFrames, TSample sample) {
    SF_INFO info{};
    info.samplerate = nRate;
    info.channels = nChannels;
    info.format = nFormat;
    SNDFILE* pFile = sf_open(strPath.c_str(), SFM_WRITE, &info);
    ASSERT_NE(pFile, nullptr) << sf_strerror(nullptr);
    std::vector<float> frame(static_cast<size_t>(nChannels));
    for (sf_count_t f = 0; f < nFrames; ++f) {
        for (int c = 0; c < nChannels; ++c) {
            frame[size_t(c)] = sample(f, c);
        }
        sf_writef_float(pFile, frame.data(), 1);
    }
    sf_close(pFile);
}

constexpr int kWave = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr double kTwoPi = 6.283185307179586;

// The frequency of an equal-tempered key (A4 = 69; fractions for a pitch between keys).
inline double EqualTemperedHz(double fKey) {
    return 440.0 * std::pow(2.0, (fKey - 69) / 12.0);
}

// A note played or heard: its key (equal-tempered, A4 = 69) and its length in eighths.
struct SKeyLength {
    int nKey = 0;
    int nEighths = 0;
    bool operator==(const SKeyLength&) const = default;
    friend void PrintTo(const SKeyLength& note, std::ostream* pOut) {
        *pOut << note.nKey << "/" << note.nEighths;
    }
};

// The rate of the recordings made up for the tests.
constexpr uint32_t kRate = 22050;

// Where a performance is: t seconds into its note n, which lasts fLasts seconds, fAt seconds
// into the recording.
struct SMoment {
    size_t n = 0;
    double t = 0;
    double fLasts = 0;
    double fAt = 0;
};

// What a voice sounds at a moment: its key (equal-tempered, A4 = 69, fractions between keys),
// its gain, and white noise of that amplitude over it.
struct STone {
    double fKey = 0;
    double fGain = 1;
    double fNoise = 0;
};

// The notes at fQuarters a minute after half a second of silence and before another, the wave
// running on from note to note as tone(moment) says; fOctave adds the octave above at that
// share of the level.
template <typename FTone>
std::vector<float> Performed(const std::vector<SKeyLength>& notes, double fQuarters, FTone tone,
                             double fOctave = 0) {
    std::mt19937 random(20);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    std::vector<float> samples(kRate / 2);
    double fPhase = 0;
    for (size_t n = 0; n < notes.size(); ++n) {
        const double fLasts = 30.0 / fQuarters * notes[n].nEighths;
        for (size_t i = 0; i < size_t(fLasts * kRate); ++i) {
            const STone sound =
                tone(SMoment{n, double(i) / kRate, fLasts, double(samples.size()) / kRate});
            fPhase += kTwoPi * EqualTemperedHz(sound.fKey) / kRate;
            const double fWave = std::sin(fPhase) + fOctave * std::sin(2 * fPhase);
            const double fNoise = sound.fNoise > 0 ? sound.fNoise * white(random) : 0.0;
            samples.push_back(float(0.3 * sound.fGain * fWave + fNoise));
        }
    }
    samples.resize(samples.size() + kRate / 2);
    return samples;
}

// The gain of a note let go 40 ms before the next begins, faded in and out over 300 samples.
inline double Detaching(const SMoment& at) {
    const double fSounding = at.fLasts - 0.04;
    return std::clamp(std::min(at.t, fSounding - at.t) * kRate / 300, 0.0, 1.0);
}

// A level in dB as a gain.
inline double Gain(double fDb) {
    return std::pow(10.0, fDb / 20);
}

// The notes at fQuarters a minute, each let go 40 ms before the next begins; fGain(t) scales
// each note t seconds into it (a tremolo).
template <typename FGain>
std::vector<float> Detached(const std::vector<SKeyLength>& notes, double fQuarters, FGain fGain) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        return STone{double(notes[at.n].nKey), Detaching(at) * fGain(at.t)};
    });
}

// The notes a transcription heard; a rest between two of them is a note of key 0.
inline std::vector<SKeyLength> Heard(const CTranscriber::SResult& result) {
    std::vector<SKeyLength> heard;
    for (size_t n = 0; n < result.notes.size(); ++n) {
        const CNoteDecoder::SNote& note = result.notes[n];
        if (n > 0 && note.nOnset > result.notes[n - 1].nOnset + result.notes[n - 1].nLength) {
            heard.push_back(
                {0, int(note.nOnset - result.notes[n - 1].nOnset - result.notes[n - 1].nLength)});
        }
        heard.push_back({int(note.nKey), int(note.nLength)});
    }
    return heard;
}

// A song by its name and as it is entered (a length of 10 more is a rest, "+" ties).
struct STestSong {
    const char* pName;
    const char* pEntries;
};

// Notes never outlast the recording they are played from (Standard lasts four seconds at
// C4, less above): a sound longer than its instrument is cut short, and what comes back is
// what sounds.
inline constexpr STestSong kRoundTripSongs[] = {
    // Eighths next to whole notes, repeated pitches, a half note tied over the bar line.
    {"repeats", "C4/1 C4/1 C4/2 E4/1 E4/1 E4/2 G4/8 G4/2 G4/2 G4/1 G4/1 A4/4 A4/4 C5/2 C4/8"},
    // Rests of every length between notes, also between two of the same pitch; a step up
    // and down the whole scale.
    {"rests",
     "D4/4 D4/12 D4/2 E4/11 E4/1 F4/14 G4/1 A4/1 B4/1 C5/1 D5/1 E5/1 F5/1 G5/1 "
     "A5/1 G5/1 F5/1 E5/1 D5/1 C5/1 B4/1 A4/1 G4/18 F4/2 E4/2 D4/4 C4/8"},
    // A quarter rest before the first note makes a pickup; ties chain notes into one sound.
    {"pickup",
     "C4/12 G4/1 G4/1 A4/2 G4/2 C5/2+ C5/2 B4/4 B4/1 G4/1 G4/1 A4/2 G4/2 D5/2 C5/4+ "
     "C5/2 C5/11 C5/1"},
};

// A way of playing a melody, at each of its tempi: the notes as played and the recording made of
// them; what comes back is checked as check says.
struct SStyle {
    enum class ECheck {
        kNotes,          // the notes come back as heard (as played when heard is empty)
        kTempo,          // the tempo, not given, is found within 2 %
        kNotesAndTempo,  // both
    };
    const char* pName;
    std::vector<double> tempi;
    std::vector<SKeyLength> notes;
    std::function<std::vector<float>(const std::vector<SKeyLength>& notes, double fQuarters)> play;
    ECheck check = ECheck::kNotes;
    std::vector<SKeyLength> heard = {};
};

// Every style at each of its tempi, transcribed with the key kept.
inline void ExpectHeardAsPlayed(const std::vector<SStyle>& styles) {
    using ECheck = SStyle::ECheck;
    for (const SStyle& style : styles) {
        for (const double fQuarters : style.tempi) {
            SCOPED_TRACE(std::string(style.pName) + " at " + std::to_string(fQuarters));
            CTranscriber::SOptions options;
            options.bKeepKey = true;
            const bool bFindTempo =
                style.check == ECheck::kTempo || style.check == ECheck::kNotesAndTempo;
            if (!bFindTempo) {
                options.quarters = fQuarters;
            }
            const CTranscriber::SResult result = CTranscriber::Transcribe(
                CRecording(kRate, style.play(style.notes, fQuarters)), options, "t");
            if (bFindTempo) {
                EXPECT_NEAR(result.fQuarters, fQuarters, 0.02 * fQuarters);
            }
            if (style.check != ECheck::kTempo) {
                EXPECT_EQ(Heard(result), style.heard.empty() ? style.notes : style.heard);
            }
        }
    }
}

// A vibrato of fDepth semitones either way, 5.5 times a second, t seconds after it set in.
inline double Vibrato(double fDepth, double t) {
    return t > 0 ? fDepth * std::sin(kTwoPi * 5.5 * t) : 0.0;
}
