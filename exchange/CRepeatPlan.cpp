#include "CRepeatPlan.h"

namespace {

using SMarks = CMeasureReader::SMarks;

struct SScore {
    std::vector<uint32_t> endings;  // the ending numbers each measure belongs to
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

// Goes through the score as a player does, keeping track of the repeat being played.
class CPlayer {
public:
    explicit CPlayer(const std::vector<SMarks>& marks) : m_marks(marks), m_score(Survey(marks)) {}

    // Whether measure n is played now: an ending only on its pass (after a jump, the last).
    bool Plays(size_t n) {
        if (m_marks[n].bRepeatStart && !m_bBack) {
            m_nStart = n;
            m_nPass = 1;
        }
        m_bBack = false;
        const uint32_t nEndings = m_score.endings[n];
        return nEndings == 0 ||
               (m_bJumped ? m_score.finalEnding[n] : ((nEndings >> m_nPass) & 1u) != 0);
    }

    // The measure played after n; the score's size at the end.
    size_t Next(size_t n) {
        const SMarks& mark = m_marks[n];
        if (m_bJumped && mark.bFine) {
            return m_marks.size();
        }
        if (m_bJumped && mark.bToCoda && m_score.coda && *m_score.coda > n) {
            return *m_score.coda;
        }
        if (mark.nRepeatTimes > 0 && !m_bJumped) {
            if (m_nPass < mark.nRepeatTimes) {
                ++m_nPass;
                m_bBack = true;
                return m_nStart;
            }
            m_nStart = n + 1;
            m_nPass = 1;
        } else if (m_score.endings[n] != 0 && mark.bEndingStop) {
            m_nStart = n + 1;
            m_nPass = 1;
        }
        if ((mark.bDaCapo || (mark.bDalSegno && m_score.segno)) && !m_bJumped) {
            m_bJumped = true;
            m_nStart = mark.bDaCapo ? 0 : *m_score.segno;
            m_nPass = 1;
            return m_nStart;
        }
        return n + 1;
    }

private:
    const std::vector<SMarks>& m_marks;
    const SScore m_score;
    size_t m_nStart = 0;     // where the current repeat goes back to
    int32_t m_nPass = 1;     // which time the current repeat is being played
    bool m_bBack = false;    // arrived by going back
    bool m_bJumped = false;  // after da capo or dal segno
};

}  // namespace

std::optional<std::vector<size_t>> CRepeatPlan::Order(const std::vector<SMarks>& marks,
                                                      size_t nLimit) {
    CPlayer player(marks);
    std::vector<size_t> order;
    for (size_t n = 0; n < marks.size();) {
        if (!player.Plays(n)) {
            ++n;
            continue;
        }
        if (order.size() == nLimit) {
            return std::nullopt;
        }
        order.push_back(n);
        n = player.Next(n);
    }
    return order;
}
