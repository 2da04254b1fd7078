#include "CRepeatPlan.h"

namespace {

using SMarks = CMeasureReader::SMarks;

struct SScore {
    std::vector<uint32_t> endings;   // the ending numbers each measure belongs to
    std::vector<bool> finalEnding;  // an ending no backward repeat closes: played after a jump
    std::optional<size_t> segno;
    std::optional<size_t> coda;
};

// An ending runs from the measure that starts it to the one that stops it.
SScore Survey(const std::vector<SMarks>& marks) {
    SScore score;
    score.endings.resize(marks.size(), 0);
    score.finalEnding.resize(marks.size(), false);
    uint32_t nOpen = 0;
    size_t nFirst = 0;
    for (size_t n = 0; n < marks.size(); ++n) {
        if (marks[n].bEndingStart || (nOpen == 0 && marks[n].nEndings != 0)) {
            nOpen = marks[n].nEndings;
            nFirst = n;
        }
        score.endings[n] = nOpen;
        const bool bCloses = marks[n].bEndingStop || marks[n].nRepeatTimes > 0;
        if (nOpen != 0 && bCloses) {
            for (size_t m = nFirst; m <= n; ++m) {
                score.finalEnding[m] = marks[n].nRepeatTimes == 0;
            }
            nOpen = 0;
        }
        if (marks[n].bSegno && !score.segno) {
            score.segno = n;
        }
        if (marks[n].bCoda && !score.coda) {
            score.coda = n;
        }
    }
    return score;
}

}  // namespace

std::optional<std::vector<size_t>> CRepeatPlan::Order(const std::vector<SMarks>& marks,
                                                      size_t nLimit) {
    const SScore score = Survey(marks);
    std::vector<size_t> order;
    size_t nStart = 0;     // where the current repeat goes back to
    int32_t nPass = 1;     // which time the current repeat is being played
    bool bBack = false;    // arrived by going back
    bool bJumped = false;  // after da capo or dal segno
    for (size_t n = 0; n < marks.size();) {
        const SMarks& mark = marks[n];
        if (mark.bRepeatStart && !bBack) {
            nStart = n;
            nPass = 1;
        }
        bBack = false;
        const uint32_t nEndings = score.endings[n];
        if (nEndings != 0 && !(bJumped ? score.finalEnding[n] : (nEndings >> nPass) & 1u)) {
            ++n;
            continue;
        }
        if (order.size() == nLimit) {
            return std::nullopt;
        }
        order.push_back(n);
        if (bJumped && mark.bFine) {
            break;
        }
        if (bJumped && mark.bToCoda && score.coda && *score.coda > n) {
            n = *score.coda;
            continue;
        }
        if (mark.nRepeatTimes > 0 && !bJumped) {
            if (nPass < mark.nRepeatTimes) {
                ++nPass;
                n = nStart;
                bBack = true;
                continue;
            }
            nStart = n + 1;
            nPass = 1;
        } else if (nEndings != 0 && mark.bEndingStop) {
            nStart = n + 1;
            nPass = 1;
        }
        if ((mark.bDaCapo || (mark.bDalSegno && score.segno)) && !bJumped) {
            bJumped = true;
            n = mark.bDaCapo ? 0 : *score.segno;
            nStart = n;
            nPass = 1;
            continue;
        }
        ++n;
    }
    return order;
}
