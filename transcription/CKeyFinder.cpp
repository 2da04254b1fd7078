#include "CKeyFinder.h"

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
    std::array<double, 12> time{};
    for (const CNoteDecoder::SNote& note : notes) {
        time[size_t(note.nKey % 12)] += double(note.nLength);
    }
    int nChosen = 0;
    double fHeld = -1, fTriad = -1;
    for (int f : {0, 1, -1, 2, -2, 3, -3, 4, -4, 5, -5, kMostFifths, kFewestFifths}) {
        double fIn = 0;
        for (int pc = 0; pc < 12; ++pc) {
            fIn += InScale(pc, f) ? time[size_t(pc)] : 0;
        }
        const int t = TonicOf(f);
        const double fTonicTriad = time[size_t(t)] + time[size_t((t + 4) % 12)] + time[size_t((t + 7) % 12)];
        // C major (tried first) keeps the melody wherever another key is not strictly better.
        if (fIn > fHeld || (fIn == fHeld && nChosen != 0 && fTonicTriad > fTriad)) {
            nChosen = f;
            fHeld = fIn;
            fTriad = fTonicTriad;
        }
    }
    return nChosen;
}
