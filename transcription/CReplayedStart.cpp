#include "CReplayedStart.h"

#include <algorithm>
#include <cmath>

#include "CBeatGrid.h"
#include "CPitchFrames.h"

namespace {
// The frames after a start, from kAfterFrom to kAfterTo (the grid line is found within a frame
// or two), repeat an earlier start's within kSame dB each, and their level moves by kMoving dB
// at least (a steady tone repeats itself anywhere); of the frames before, from kBeforeFrom to
// kBeforeTo (a tenth of a second: two notes' sounds may swell alike for a few frames), one
// differs from those before the earlier start by kOther dB or more. A sampler's
// replay matches within hundredths of a dB; noise 30 dB below the sound already moves a frame's
// level by tenths, and from a dB on, swells within held notes match by chance.
constexpr long kAfterFrom = 2, kAfterTo = 10;
constexpr long kBeforeFrom = -12, kBeforeTo = -2;
constexpr float kSame = 0.2F;
constexpr float kMoving = 3;
constexpr float kOther = 3;
// Earlier starts are looked for up to kEighthsBack eighths back.
constexpr size_t kEighthsBack = 32;
}  // namespace

void CReplayedStart::Mark(const CPitchFrames& frames, const CBeatGrid& grid,
                          std::vector<CEighthCues::SSlot>& slots) {
    const double fFrames = grid.Eighth() / CPitchFrames::kFrameSeconds;
    const long nEighth = std::lround(fFrames);
    std::vector<bool> replayed(slots.size());
    for (size_t s = 1; s < slots.size(); ++s) {
        const long nStart = CPitchFrames::FrameOf(grid.EighthStart(int64_t(s)));
        const bool bMoves = Moves(frames, nStart);
        for (size_t k = 1; bMoves && k <= std::min(kEighthsBack, s) && !replayed[s]; ++k) {
            // A note played again after a note as long as before the earlier start replays
            // what came before it too: that start must have been replayed itself.
            const long nLag = std::lround(double(k) * fFrames);
            replayed[s] = Replays(frames, nStart, nLag) &&
                          BeganNote(frames, nStart - nLag, nEighth, replayed[s - k]) &&
                          (replayed[s - k] || FollowsOther(frames, nStart, nLag));
        }
        slots[s].fAttack = replayed[s] ? 1 : slots[s].fAttack;
    }
}

// Whether a note began at the grid line nStart: the key held in the middle of the eighth it
// begins differs from the one in the middle of the eighth before (or sounds after silence), or
// that start was replayed. Only a note's start is replayed: a looped sound repeats itself from
// further on in its note, and a later note of its key repeats that as exactly.
bool CReplayedStart::BeganNote(const CPitchFrames& frames, long nStart, long nEighth,
                               bool bReplayed) {
    const long nMiddle = nStart + nEighth / 2, nBefore = nMiddle - nEighth;
    if (bReplayed || nBefore < 0) {
        return true;
    }
    const float fKey = frames.HeldKey(size_t(nMiddle)), fBefore = frames.HeldKey(size_t(nBefore));
    return fKey >= 0 && (fBefore < 0 || std::abs(fKey - fBefore) >= CPitchFrames::kNewKeyDistance);
}

// Whether the frames after nStart lie within the recording and their level moves.
bool CReplayedStart::Moves(const CPitchFrames& frames, long nStart) {
    const auto& all = frames.Frames();
    if (nStart + kAfterFrom < 0 || nStart + kAfterTo > long(all.size())) {
        return false;
    }
    const auto [low, high] =
        std::minmax_element(all.begin() + nStart + kAfterFrom, all.begin() + nStart + kAfterTo,
                            [](const auto& a, const auto& b) { return a.fLevel < b.fLevel; });
    return high->fLevel - low->fLevel >= kMoving;
}

// Whether the frames from nStart on (which move) repeat those nLag frames earlier.
bool CReplayedStart::Replays(const CPitchFrames& frames, long nStart, long nLag) {
    return nStart - nLag + kAfterFrom >= 0 &&
           Farthest(frames, nStart + kAfterFrom, nStart + kAfterTo, nLag) <= kSame;
}

// Whether the frames before nStart differ from those before the start nLag frames earlier.
bool CReplayedStart::FollowsOther(const CPitchFrames& frames, long nStart, long nLag) {
    return Farthest(frames, nStart + kBeforeFrom, nStart + kBeforeTo, nLag) >= kOther;
}

// The largest difference between the levels of frames [nFrom, nTo) and those nLag earlier. Before
// the recording began it was silent: a melody's first note, played again, follows that silence.
float CReplayedStart::Farthest(const CPitchFrames& frames, long nFrom, long nTo, long nLag) {
    const auto& all = frames.Frames();
    const auto level = [&](long n) {
        return n >= 0 ? all[size_t(n)].fLevel : CPitchFrames::SFrame().fLevel;
    };
    float fFarthest = 0;
    for (long n = nFrom; n < nTo; ++n) {
        fFarthest = std::max(fFarthest, std::abs(level(n) - level(n - nLag)));
    }
    return fFarthest;
}
