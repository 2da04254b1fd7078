#pragma once

// Songs rendered by Kantilo's own sampler and what they sound like, for comparing a
// transcription with the song it was made from.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
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

// The notes at fQuarters a minute after half a second of silence at nRate samples a second,
// each with a short fade in and ending 40 ms before the next begins; fGain(i) scales each note
// i samples into it (a tremolo).
template <typename FGain>
std::vector<float> Detached(const std::vector<SKeyLength>& notes, double fQuarters, uint32_t nRate,
                            FGain fGain) {
    const double fEighth = 30.0 / fQuarters;
    std::vector<float> samples(nRate / 2);
    for (const SKeyLength& note : notes) {
        const auto nStart = samples.size();
        const auto nSound = size_t((fEighth * note.nEighths - 0.04) * nRate);
        const double fHz = EqualTemperedHz(note.nKey);
        for (size_t i = 0; i < nSound; ++i) {
            const double fFade = std::min({1.0, double(i) / 300, double(nSound - i) / 300});
            samples.push_back(
                float(0.3 * fFade * fGain(i) * std::sin(kTwoPi * fHz * double(i) / nRate)));
        }
        samples.resize(nStart + size_t(fEighth * note.nEighths * nRate));
    }
    samples.resize(samples.size() + nRate / 2);
    return samples;
}

// The notes a transcription heard.
inline std::vector<SKeyLength> Heard(const CTranscriber::SResult& result) {
    std::vector<SKeyLength> heard;
    for (const CNoteDecoder::SNote& note : result.notes) {
        heard.push_back({int(note.nKey), int(note.nLength)});
    }
    return heard;
}

// The notes transcribed from samples at nRate a second, the tempo given and the key kept.
inline std::vector<SKeyLength> HeardNotes(std::vector<float> samples, uint32_t nRate,
                                          double fQuarters) {
    const CRecording recording(nRate, std::move(samples));
    CTranscriber::SOptions options;
    options.quarters = fQuarters;
    options.bKeepKey = true;
    return Heard(CTranscriber::Transcribe(recording, options, "t"));
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
