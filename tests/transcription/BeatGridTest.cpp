// The tempo found in sounds that tell it only faintly, or that swell, notch and waver on a beat
// of their own.
#include <gtest/gtest.h>

#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

using ECheck = SStyle::ECheck;
using SNotes = std::vector<SKeyLength>;

// Notes one after the other without a gap at a sixth of the level; before every second note the
// level swells four tenths of an eighth early, off the grid by the same amount each time: 10 ms
// up to four times the level, 50 ms held, 30 ms back down.
std::vector<float> SwellingEarly(const SNotes& notes, double fQuarters) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const double fAt = at.t - (at.fLasts - 0.4 * 30 / fQuarters);
        const bool bSwells = at.n % 2 == 0 && at.n + 1 < notes.size() && fAt > 0 && fAt < 0.09;
        const double fSwell = bSwells ? 3 * std::min({1.0, fAt / 0.01, (0.09 - fAt) / 0.03}) : 0;
        return STone{double(notes[at.n].nKey), (1 + fSwell) / 6};
    });
}

// Notes let go 40 ms before the next begins.
std::vector<float> Plain(const SNotes& notes, double fQuarters) {
    return Detached(notes, fQuarters, [](double) { return 1; });
}

const SNotes kChanging = {{67, 2}, {72, 1}, {69, 3}, {65, 2}, {71, 1}, {67, 2}, {64, 4},
                          {69, 1}, {72, 2}, {65, 3}, {71, 2}, {67, 1}, {64, 4}};
}  // namespace

TEST(TranscriptionBeatGrid, TheTempoIsTheNotesNotTheSoundsOwnSwings) {
    SNotes oneKey;
    for (const int nEighths : {1, 2, 1, 3, 2, 1, 1, 3, 2, 1, 2, 4}) {
        oneKey.push_back({67, nEighths});
    }
    ExpectHeardAsPlayed({
        // Only each note's return after its short silence says where it begins.
        {"one key", {90, 120, 150}, oneKey, Plain, ECheck::kTempo},
        // The key taking over after a swell is the onset.
        {"swells ahead of the notes", {90, 110, 130}, kChanging, SwellingEarly, ECheck::kTempo},
        // No onset follows the note's own: the grid is Kantilo's own eighth, 120 a minute, not
        // the slowest the search allows, and the note is a whole note on it.
        {"a single note", {120}, {{67, 8}}, Plain, ECheck::kNotesAndTempo},
    });
}
