// kantilo_attack_features NAME.wav...: what the attack model (CAttackModel) reads at every grid
// line where a key sounds on from the eighth before, one line each: 1 where the note was played
// again there, 0 where it was held, then the model's features. Each recording is one of
// performances.py's: NAME.txt beside it gives the tempo and the notes, the melody begins half a
// second in. tools/fit-attack-model.py fits the model to these lines.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "CAttackModel.h"
#include "CBeatGrid.h"
#include "CEighthCues.h"
#include "CPitchFrames.h"
#include "CRecording.h"

namespace {
constexpr double kLead = 0.5;

struct SPlayed {
    double fQuarters = 0;
    std::map<long, bool> again;  // eighth -> the key was played again there (false: held)
};

SPlayed ReadPlayed(const std::string& strPath) {
    SPlayed played;
    std::ifstream in(strPath);
    std::string strWord;
    in >> strWord >> played.fQuarters;
    long nOnset = 0, nLength = 0, nEnd = -1;
    int nKey = 0, nKeyBefore = -1;
    while (in >> strWord >> nOnset >> nLength >> nKey) {
        if (nOnset == nEnd && nKey == nKeyBefore) {
            played.again[nOnset] = true;
        }
        for (long n = nOnset + 1; n < nOnset + nLength; ++n) {
            played.again[n] = false;
        }
        nEnd = nOnset + nLength;
        nKeyBefore = nKey;
    }
    return played;
}

bool Write(const std::string& strWave) {
    const SPlayed played = ReadPlayed(strWave.substr(0, strWave.size() - 4) + ".txt");
    const CRecording::SLoad load = CRecording::Load(strWave);
    if (!load.pRecording || played.fQuarters <= 0) {
        std::fprintf(stderr, "%s: %s\n", strWave.c_str(), load.strMessage.c_str());
        return false;
    }
    const CPitchFrames frames(*load.pRecording);
    const CBeatGrid grid(frames, played.fQuarters);
    const std::vector<CEighthCues::SSlot> slots = CEighthCues::Hear(frames, grid);
    const long nFirst = std::lround((kLead - grid.EighthStart(0)) / grid.Eighth());
    for (const auto& [nEighth, bAgain] : played.again) {
        const long nSlot = nFirst + nEighth;
        if (nSlot < 0 || nSlot >= long(slots.size())) {
            continue;
        }
        std::printf("%d", bAgain ? 1 : 0);
        for (const double f :
             CAttackModel::Features(frames, grid.EighthStart(nSlot), slots[size_t(nSlot)])) {
            std::printf(" %.5f", f);
        }
        std::printf("\n");
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    bool bAll = argc > 1;
    for (int i = 1; i < argc; ++i) {
        bAll = Write(argv[i]) && bAll;
    }
    return bAll ? 0 : 1;
}
