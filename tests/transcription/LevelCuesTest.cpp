// Where the level of a sound tells notes apart: a short silence, a new attack, a dip before a
// note of the same pitch; and where it does not, though it sinks as deep: a tremolo's troughs, a
// voice's swells, a release sounding into the rest, breath. Where the notes begin gives the
// tempo.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "TranscriptionTestKit.h"

namespace {

using ECheck = SStyle::ECheck;
using SNotes = std::vector<SKeyLength>;

// One swing of a tremolo: how long it takes and how deep (dB) its trough sinks.
struct SSwing {
    double fSeconds;
    double fDepth;
};

double SwingGain(const SSwing& swing, double fAt) {
    return 1 - (1 - Gain(-swing.fDepth)) * (0.5 - 0.5 * std::cos(kTwoPi * fAt / swing.fSeconds));
}

// A whistler's uneven tremolo, begun anew with each note: only every third trough sinks 14 dB,
// the others 10 dB, and the swings take 0.11 to 0.16 s. Measured against the level a few
// hundredths of a second on either side, the deep troughs lie 11 to 13 dB low, the others 8 to 10.
double Uneven(double fAt) {
    static constexpr std::array<SSwing, 6> kSwings = {
        {{0.12, 14}, {0.15, 10.5}, {0.11, 10}, {0.16, 14}, {0.13, 10.5}, {0.14, 10.5}}};
    for (size_t s = 0;; s = (s + 1) % kSwings.size()) {
        if (fAt < kSwings[s].fSeconds) {
            return SwingGain(kSwings[s], fAt);
        }
        fAt -= kSwings[s].fSeconds;
    }
}

// The gain at fAt seconds of a dip 30 dB deep at fDip seconds, 15 ms down and as long up.
double Dip(double fDip, double fAt) {
    return Gain(-30 * std::max(0.0, 1 - std::abs(fAt - fDip) / 0.015));
}

// A voice with the octave above: with bGap each note swells in over 30 ms and ends 40 ms before
// the next, otherwise the next follows at once. The level dips just before the eighths numbered in
// dipsBefore and, with bSwellDip, 0.09 s after each note's start (a sung "oo" overshooting).
auto Fluttering(std::vector<int> dipsBefore, bool bGap, bool bSwellDip) {
    return [=](const SNotes& notes, double fQuarters) {
        return Performed(
            notes, fQuarters,
            [&](const SMoment& at) {
                const double fLetGo = std::clamp((at.fLasts - 0.04 - at.t) * kRate / 300, 0.0, 1.0);
                double fDips = bSwellDip ? Dip(at.fAt - at.t + 0.09, at.fAt) : 1.0;
                for (const int nEighths : dipsBefore) {
                    fDips = std::min(fDips, Dip(0.5 + nEighths * 30 / fQuarters - 0.015, at.fAt));
                }
                return STone{double(notes[at.n].nKey),
                             (bGap ? std::min(1.0, at.t / 0.03) * fLetGo : 1.0) * fDips};
            },
            0.3);
    };
}

// Notes let go 40 ms before the end and fading by 1 dB every 10 ms from there, as a sung "Ooh"
// does, through the rest (key 0) after them: the note's pitch sounds well into the rest.
std::vector<float> Releasing(const SNotes& notes, double fQuarters) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        // In a rest the note before rings on: t seconds into that note.
        const bool bRest = notes[at.n].nKey == 0;
        const double fBefore = bRest ? notes[at.n - 1].nEighths * 30 / fQuarters : 0;
        const double t = at.t + fBefore;
        const double fLetGo = (bRest ? fBefore : at.fLasts) - 0.04;
        return STone{double(notes[at.n - (bRest ? 1 : 0)].nKey),
                     std::min(1.0, t / 0.02) * Gain(-std::max(0.0, t - fLetGo) * 100)};
    });
}

// A singer with a vibrato from the first moment (no steady start tells the notes), each note a
// few cents off, who breathes (40 ms at 0.4 of the level) before every note but those slurred
// 3 and 9, setting off those with 40 ms of breath noise; a hoarse voice's noise sounds at
// every eighth.
auto Breathing(bool bHoarse) {
    return [=](const SNotes& notes, double fQuarters) {
        const auto slurred = [](size_t n) { return n == 3 || n == 9; };
        return Performed(notes, fQuarters, [&](const SMoment& at) {
            static constexpr double kCents[] = {12, -10, 5, -14, 8};
            const bool bBreath = at.n + 1 < notes.size() && !slurred(at.n + 1);
            const bool bNoisy =
                bHoarse ? std::fmod(at.t, 30 / fQuarters) < 0.04 : slurred(at.n) && at.t < 0.04;
            return STone{notes[at.n].nKey + kCents[at.n % 5] / 100 + Vibrato(0.2, at.t),
                         bBreath && at.t > at.fLasts - 0.04 ? 0.4 : 1.0, bNoisy ? 0.15 : 0.0};
        });
    };
}

// A sampled whistle whose loop clicks: the level drops 25 dB for a few milliseconds every 0.16 s
// within each note (the clicks falling elsewhere in each), which swells in over 60 ms and is let
// go over 30 ms, 40 ms before the next.
std::vector<float> Clicking(const SNotes& notes, double fQuarters) {
    return Performed(notes, fQuarters, [&](const SMoment& at) {
        const double fClick = std::fmod(at.t + 0.05 * double(at.n), 0.16) - 0.08;
        const double fLetGo = std::clamp((at.fLasts - 0.04 - at.t) / 0.03, 0.0, 1.0);
        return STone{notes[at.n].nKey + Vibrato(0.2, at.t - 0.2),
                     std::min(1.0, at.t / 0.06) * fLetGo *
                         Gain(-25 * std::max(0.0, 1 - std::abs(fClick) / 0.012)),
                     0.003};
    });
}

}  // namespace

TEST(TranscriptionLevelCues, TheSoundsOwnSwingsSplitNoNoteAndRepeatsStayApart) {
    const SNotes clicked = {{72, 3}, {72, 8}, {72, 1}, {74, 3}, {74, 1}, {76, 2},
                            {76, 2}, {76, 4}, {74, 6}, {74, 2}, {72, 8}};
    // The last note held longer than the half second a release is measured against, fading on.
    const SNotes released = {{64, 2}, {0, 1}, {67, 4}, {0, 1}, {65, 1}, {0, 1}, {64, 3}, {0, 3}};
    const SNotes breaths = {{62, 6}, {62, 4}, {64, 6}, {64, 3}, {62, 6}, {60, 4},
                            {60, 4}, {65, 6}, {64, 4}, {64, 4}, {67, 4}, {67, 5}};
    const SNotes slurredHeard = {{62, 6}, {62, 4}, {64, 9}, {62, 6}, {60, 4},
                                 {60, 4}, {65, 6}, {64, 8}, {67, 4}, {67, 5}};
    SNotes oneKey;
    for (const int nEighths : {1, 2, 1, 3, 2, 1, 1, 3, 2, 1, 2, 4}) {
        oneKey.push_back({67, nEighths});
    }
    const auto plain = [](const SNotes& notes, double q) {
        return Detached(notes, q, [](double) { return 1.0; });
    };
    ExpectHeardAsPlayed({
        // Only each note's return after its short silence says where it begins, and what the
        // tempo is.
        {"one key", {90, 120, 150}, oneKey, plain, ECheck::kNotesAndTempo},
        // No onset follows the note's own: the grid is Kantilo's own eighth, 120 a minute, not
        // the slowest the search allows, and the note is a whole note on it.
        {"a single note", {120}, {{67, 8}}, plain, ECheck::kNotesAndTempo},
        // A loop's clicks sink as deep as the gaps before repeated notes, and more often: only
        // the shape of the level around a grid line, a sound let go and a new one swelling in,
        // tells them apart.
        {"clicking loop", {80, 100, 120, 140, 160}, clicked, Clicking},
        {"uneven tremolo",
         {80, 100, 120, 140},
         {{79, 8}, {81, 6}, {83, 8}, {83, 8}, {79, 6}},
         [](const SNotes& notes, double q) { return Detached(notes, q, Uneven); }},
        {"dip in each swell",
         {90, 110, 130},
         {{72, 1}, {74, 1}, {76, 1}, {76, 1}, {77, 2}, {79, 2}, {77, 1}, {76, 1}, {74, 1}, {74, 1},
          {72, 2}, {71, 1}, {72, 1}, {74, 2}, {76, 1}, {76, 1}, {74, 1}, {72, 1}, {71, 2}, {72, 4}},
         Fluttering({}, true, true),
         ECheck::kNotesAndTempo},
        {"tongued repeats",
         {80, 120, 160},
         {{72, 8}, {72, 4}, {74, 8}, {74, 4}, {76, 4}, {72, 8}},
         Fluttering({8, 20}, false, false)},
        {"release into the rest",
         {120},
         released,
         Releasing,
         ECheck::kNotes,
         SNotes(released.begin(), released.end() - 1)},
        {"breath", {100}, breaths, Breathing(false)},
        // The slurred notes merge; no note begins within a held note.
        {"hoarse voice", {100}, breaths, Breathing(true), ECheck::kNotes, slurredHeard},
    });
}
