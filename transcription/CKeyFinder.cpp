#include "CKeyFinder.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {
// The major scale's steps above its tonic.
constexpr std::array<bool, 12> kMajor = {true, false, true, false, true, true,
                                         false, true, false, true, false, true};
constexpr int kFewestFifths = -6;
constexpr int kMostFifths = 6;

int TonicOf(int nFifths) { return ((nFifths * 7) % 12 + 12) % 12; }
}  // namespace

bool CKeyFinder::InScale(int nKey, int nFifths) {
    return kMajor[size_t(((nKey - TonicOf(nFifths)) % 12 + 12) % 12)];
}

int CKeyFinder::IntoScale(int nKey, int nFifths) {
    while (!InScale(nKey, nFifths)) {
        --nKey;
    }
    return nKey;
}

int CKeyFinder::Fifths(const std::vector<CNoteDecoder::SNote>& notes) {
    return EqualKeys(notes).front();
}

std::vector<int> CKeyFinder::EqualKeys(const std::vector<CNoteDecoder::SNote>& notes) {
    std::array<double, 12> time{};
    for (const CNoteDecoder::SNote& note : notes) {
        time[size_t(note.nKey % 12)] += double(note.nLength);
    }
    struct SKey {
        int nFifths;
        double fInScale, fTonicTriad;  // sounding time
    };
    std::vector<SKey> keys;
    for (int f : {0, 1, -1, 2, -2, 3, -3, 4, -4, 5, -5, kMostFifths, kFewestFifths}) {
        double fIn = 0;
        for (int pc = 0; pc < 12; ++pc) {
            fIn += InScale(pc, f) ? time[size_t(pc)] : 0;
        }
        const int t = TonicOf(f);
        keys.push_back(
            {f, fIn, time[size_t(t)] + time[size_t((t + 4) % 12)] + time[size_t((t + 7) % 12)]});
    }
    const double fBest =
        std::max_element(keys.begin(), keys.end(), [](const SKey& a, const SKey& b) {
            return a.fInScale < b.fInScale;
        })->fInScale;
    std::erase_if(keys, [fBest](const SKey& key) { return key.fInScale < fBest; });
    // C major (tried first) keeps the melody wherever another key is not strictly better.
    std::stable_sort(keys.begin() + (keys.front().nFifths == 0 ? 1 : 0), keys.end(),
                     [](const SKey& a, const SKey& b) { return a.fTonicTriad > b.fTonicTriad; });
    std::vector<int> fifths;
    for (const SKey& key : keys) {
        fifths.push_back(key.nFifths);
    }
    return fifths;
}
