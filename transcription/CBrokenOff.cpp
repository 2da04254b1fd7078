#include "CBrokenOff.h"

#include <algorithm>
#include <cmath>

#include "CBeatGrid.h"
#include "COrderStatistics.h"
#include "CPitchFrames.h"

namespace {
// A break falls kDrop dB or more within kDropFrames frames, from a level no more than
// kBelowHeld dB below the sound held over the kHeldFrames frames before it. A release, and the
// echo of a room after it, falls slower: no note of the performances (voices, winds, bowed
// strings, with reverb) breaks off so.
constexpr float kDrop = 30;
constexpr size_t kDropFrames = 2;
constexpr float kBelowHeld = 3;
constexpr size_t kHeldFrames = 10;
// Where the break is looked for, in eighths from the rest's grid line: from the middle of the
// note's last eighth into the rest's own, and kOffLine at least from either grid line (a note
// let go on its grid line, as a played rest begins, breaks there within the player's timing).
constexpr double kFrom = -0.5;
constexpr double kTo = 0.85;
constexpr double kOffLine = 0.15;
}  // namespace

void CBrokenOff::HoldOver(std::vector<CNoteDecoder::SNote>& notes, const CPitchFrames& frames,
                          const CBeatGrid& grid) {
    for (size_t i = 0; i < notes.size(); ++i) {
        CNoteDecoder::SNote& note = notes[i];
        const int64_t nRest = note.nOnset + note.nLength;
        const bool bLast = i + 1 == notes.size();
        if (!bLast && notes[i + 1].nOnset == nRest) {
            continue;
        }
        const std::optional<double> at = BreakAt(frames, grid, nRest);
        if (!at) {
            continue;
        }
        // Broken off within the rest's first eighth, the note sounded to its end; a rest of
        // one eighth left after the line it sounded to is taken too.
        const int64_t nSounded = nRest + (*at > 0 ? 1 : 0);
        const bool bOneLeft = !bLast && notes[i + 1].nOnset == nSounded + 1;
        note.nLength = nSounded + (bOneLeft ? 1 : 0) - note.nOnset;
    }
}

// Where (in eighths from the rest's grid line) the sound breaks off off the grid lines around
// the rest beginning with eighth nRest; none where it does not.
std::optional<double> CBrokenOff::BreakAt(const CPitchFrames& frames, const CBeatGrid& grid,
                                          int64_t nRest) {
    const double e = grid.Eighth(), fLine = grid.EighthStart(nRest);
    const double fFrame = CPitchFrames::kFrameSeconds;
    const double fFrom = fLine + kFrom * e, fTo = fLine + kTo * e;
    const auto first = size_t(std::max(0.0, std::ceil(fFrom / fFrame)));
    const auto last = std::min(frames.Frames().size(), size_t(std::max(0.0, fTo / fFrame)));
    for (size_t n = std::max(first, kHeldFrames); n < last; ++n) {
        // The break lies between frame n and the next.
        const double fOff = ((double(n) + 1) * fFrame - fLine) / e;
        if (std::abs(fOff) >= kOffLine && std::abs(fOff - 1) >= kOffLine && IsBreak(frames, n)) {
            return fOff;
        }
    }
    return std::nullopt;
}

// Whether the sound held up to frame n breaks off after it (the tracker, which hears a frame
// with its neighbours, may have lost the pitch of the last frames before the break already).
bool CBrokenOff::IsBreak(const CPitchFrames& frames, size_t n) {
    const auto& all = frames.Frames();
    if (n + kDropFrames >= all.size() || !frames.IsPlayed(n - kDropFrames) ||
        all[n].fLevel - all[n + kDropFrames].fLevel < kDrop) {
        return false;
    }
    std::vector<float> held;
    for (size_t k = n - kHeldFrames; k < n; ++k) {
        held.push_back(all[k].fLevel);
    }
    return all[n].fLevel >= COrderStatistics::Median(held.begin(), held.end()) - kBelowHeld;
}
