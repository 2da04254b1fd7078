#include "CBarPhase.h"

namespace {
// A score this close to the best is a tie: the melody sounds as metrical either way.
constexpr double kTie = 1.0;
// What holding a note across a bar line costs, and what a last note ending its bar earns. The
// ending is what tells the first beat from the third in a melody that moves in halves of a bar.
constexpr double kAcrossBar = 2.0;
constexpr double kEndsBar = 4.0;

// The weight of an onset at an eighth of the bar: the downbeat, the third beat, the other two
// beats; off-beat eighths carry none. Onsets are counted, not weighted by their length: a long
// note on the third beat is as common as one on the first, and held across the bar line it
// already pays kAcrossBar.
double Accent(int64_t nInBar) {
    static constexpr double kAccents[CBarPhase::kBar] = {3, 0, 1, 0, 2, 0, 1, 0};
    return kAccents[nInBar];
}

int64_t InBar(int64_t nEighths) {
    return (nEighths % CBarPhase::kBar + CBarPhase::kBar) % CBarPhase::kBar;
}
}  // namespace

double CBarPhase::Score(const std::vector<CNoteDecoder::SNote>& notes, int64_t nPosition) {
    if (notes.empty()) {
        return 0;
    }
    const int64_t nShift = nPosition - notes.front().nOnset;
    double fScore = 0;
    for (const CNoteDecoder::SNote& note : notes) {
        const int64_t nInBar = InBar(note.nOnset + nShift);
        fScore += Accent(nInBar);
        // Bar lines strictly inside the note.
        fScore -= kAcrossBar * double((nInBar + note.nLength - 1) / kBar);
    }
    // A melody ends on a beat and holds its last note to the bar line; a lone note is no
    // melody that ends, it begins one.
    const CNoteDecoder::SNote& last = notes.back();
    const bool bEnds = notes.size() > 1 && InBar(last.nOnset + nShift) % 2 == 0;
    fScore += bEnds && InBar(last.nOnset + last.nLength + nShift) == 0 ? kEndsBar : 0;
    return fScore;
}

// A recording that begins on a grid line was most likely made by a program that starts a bar
// there, as Kantilo's own renders do: its own bar lines are kept, also for a melody written
// against the beat (a scale run from the last eighth of a bar sounds better from the next
// downbeat, yet it was entered where it is). Otherwise its start says nothing and the most
// metrical position wins; only where the melody does not decide (another position scores within
// kTie of the recording's own) does the recording's own position stay: the silence before the
// first note counted in eighths, modulo a bar. Among other positions that score alike, the
// shortest pickup goes first.
int64_t CBarPhase::OfFirstNote(const std::vector<CNoteDecoder::SNote>& notes,
                               bool bStartsOnGridLine) {
    if (notes.empty()) {
        return 0;
    }
    const int64_t nRecorded = InBar(notes.front().nOnset);
    if (bStartsOnGridLine) {
        return nRecorded;
    }
    double fBest = Score(notes, nRecorded);
    int64_t nBest = nRecorded;
    for (const int64_t nPosition : {0, 7, 6, 5, 4, 3, 2, 1}) {
        const double fScore = Score(notes, nPosition);
        if (fScore > fBest + (nBest == nRecorded ? kTie : 0)) {
            fBest = fScore;
            nBest = nPosition;
        }
    }
    return nBest;
}
