// Melodies played as musicians play them, by instruments and voices Kantilo does not ship
// (performances.py), scored by the note F-measure and the share of tempi found within 2 %.
// A sound is right when its onset (within the eighth), its length and its pitch agree with
// what was played, after one shift of all onsets and one transposition of all pitches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "CScalePitch.h"
#include "TranscriptionTestKit.h"

namespace {

// Four corpora (performances.py corpus DIR SEED): 72 recordings by six instruments at three
// tempi. The goal is 95 % of the sounds and every tempo within 2 %. What the transcriber
// reaches is less (bowed strings, choirs and whistles: slow or wavering attacks): the bounds
// below are the figures reached, a few points lower, to catch a regression; they are not the
// goal.
constexpr int kSeeds[] = {20, 3, 14, 12};
constexpr double kReachedMeasure = 0.81;  // reached: 81.8 %
constexpr size_t kReachedTempi = 66;      // reached: 66 of 72
constexpr double kTempoTolerance = 0.02;

struct Played {
    double fQuarters = 0;
    std::set<std::tuple<int64_t, int64_t, int32_t>> notes;  // onset, length, key
};

Played ReadPlayed(const std::string& strPath) {
    Played played;
    std::ifstream in(strPath);
    std::string strWord;
    in >> strWord >> played.fQuarters;
    int64_t nOnset = 0, nLength = 0;
    int32_t nKey = 0;
    while (in >> strWord >> nOnset >> nLength >> nKey) {
        played.notes.emplace(nOnset, nLength, nKey);
    }
    return played;
}

// The sounds right under the best single shift of onsets and of pitches.
size_t RightSounds(const Played& played, const CNotenblatt& sheet) {
    std::vector<std::tuple<int64_t, int64_t, int32_t>> heard;
    for (const CScoreNotes::SSound& sound : CScoreNotes(sheet).Sounds()) {
        heard.emplace_back(sound.nOnset, sound.nLength, CScalePitch::FromHz(sound.nHz)->MidiKey());
    }
    size_t nBest = 0;
    for (int64_t nShift = -24; nShift <= 24; ++nShift) {
        for (int32_t nTranspose = -24; nTranspose <= 24; ++nTranspose) {
            size_t nRight = 0;
            for (const auto& [nOnset, nLength, nKey] : heard) {
                nRight += played.notes.count({nOnset + nShift, nLength, nKey + nTranspose});
            }
            nBest = std::max(nBest, nRight);
        }
    }
    return nBest;
}

// What a corpus scored: sounds played, heard and right, recordings and tempi right, and per
// instrument and per tempo twice the right sounds and F's denominator.
struct SCorpusScore {
    size_t nPlayed = 0, nHeard = 0, nRight = 0, nRecordings = 0, nTempiRight = 0;
    std::map<std::string, std::pair<size_t, size_t>> byInstrument, byTempo;
};

void ScoreCorpus(const fs::path& dir, SCorpusScore& score) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".wav") {
            continue;
        }
        const std::string strName = entry.path().stem().string();
        SCOPED_TRACE(strName);
        const Played played = ReadPlayed((dir / (strName + ".txt")).string());
        const CTranscriber::SResult result =
            CTranscriber::TranscribeFile(entry.path().string(), {});
        const size_t nSounds =
            result.pController ? CScoreNotes(result.pController->GetSheet()).Sounds().size() : 0;
        const size_t n =
            result.pController ? RightSounds(played, result.pController->GetSheet()) : 0;
        const bool bTempoRight =
            std::abs(result.fQuarters - played.fQuarters) <= kTempoTolerance * played.fQuarters;
        score.nTempiRight += bTempoRight ? 1 : 0;
        // A choir's slow takeover of a key, heard halfway between two beats, is no note of its
        // own: a melody is never read at twice the tempo it was played at.
        EXPECT_GT(std::abs(result.fQuarters - 2 * played.fQuarters),
                  kTempoTolerance * 2 * played.fQuarters);
        ++score.nRecordings;
        score.nPlayed += played.notes.size();
        score.nHeard += nSounds;
        score.nRight += n;
        for (auto* pGroup : {&score.byInstrument, &score.byTempo}) {
            const std::string strKey = pGroup == &score.byInstrument
                                           ? strName.substr(0, strName.find('-'))
                                           : strName.substr(strName.find('-') + 1);
            (*pGroup)[strKey].first += 2 * n;
            (*pGroup)[strKey].second += played.notes.size() + nSounds;
        }
        // Per recording: the sounds right, played and heard, so that corpora can be pooled.
        std::printf("%-16s tempo %6.1f (gespielt %3.0f)%s  F %5.1f %% (%zu/%zu/%zu)  %s\n",
                    strName.c_str(), result.fQuarters, played.fQuarters,
                    bTempoRight ? "" : " falsch",
                    100.0 * 2 * double(n) / double(played.notes.size() + nSounds), n,
                    played.notes.size(), nSounds, result.strMessage.c_str());
    }
}

}  // namespace

TEST(TranscriptionPerformances, SoundsAndTempiAtLeastAsReached) {
    if (!HasPerformanceTools()) {
        GTEST_SKIP() << "FluidSynth, its sound font, SoX, mido or numpy missing";
    }
    ScratchDir scratch;
    // KANTILO_PERFORMANCES names a folder that keeps the corpora once made, so that a change to
    // the transcriber is measured without rendering them again.
    const char* pKept = std::getenv("KANTILO_PERFORMANCES");
    const fs::path folder = pKept != nullptr ? fs::path(pKept) : scratch.Path();
    SCorpusScore score;
    for (const int nSeed : kSeeds) {
        const fs::path dir = folder / ("seed" + std::to_string(nSeed));
        if (!fs::exists(dir)) {
            const std::string strCorpus = "corpus '" + dir.string() + "' " + std::to_string(nSeed);
            ASSERT_EQ(std::system(PerformancesCommand(strCorpus).c_str()), 0);
        }
        ScoreCorpus(dir, score);
    }
    const auto& [nPlayed, nHeard, nRight, nRecordings, nTempiRight, byInstrument, byTempo] = score;
    for (const auto* pGroup : {&byInstrument, &byTempo}) {
        for (const auto& [strKey, counts] : *pGroup) {
            std::printf("F %-12s %5.1f %%\n", strKey.c_str(),
                        100.0 * double(counts.first) / double(counts.second));
        }
    }
    ASSERT_GT(nPlayed, 0u);
    const double fMeasure = 2.0 * double(nRight) / double(nPlayed + nHeard);
    std::printf("F insgesamt %5.1f %% (%zu von %zu gespielten, %zu gehörten Tönen richtig)\n",
                100 * fMeasure, nRight, nPlayed, nHeard);
    std::printf("Tempo richtig (innerhalb 2 %%) bei %zu von %zu Aufnahmen\n", nTempiRight,
                nRecordings);
    EXPECT_GE(fMeasure, kReachedMeasure);
    EXPECT_GE(nTempiRight, kReachedTempi);
}
