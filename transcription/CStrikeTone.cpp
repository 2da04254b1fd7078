#include "CStrikeTone.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "COvertones.h"

namespace {
// Frames looked at for the ratio, spread over the recording: enough for a clear majority, and
// cheap beside reading the pitch of every frame.
constexpr size_t kMaxFrames = 100;
constexpr size_t kMinFrames = 20;
// The same ratio, within COvertones::kSameCents, in at least kShare of the frames that
// show one, in kLeastShare of all the frames looked at and in kMinShown of them (once a bar's
// strike partial has died away, YIN hears the pitch itself, with no partial below); and none
// a harmonic sound could show, within kHarmonicCents of a whole multiple (a pitch read an
// octave high is no strike tone).
constexpr double kShare = 0.4;
constexpr double kLeastShare = 0.15;
constexpr size_t kMinShown = 10;
constexpr double kHarmonicCents = 40;
constexpr int kHighestHarmonic = 8;
constexpr double kSameCents = COvertones::kSameCents;
// Two frames read the same key within this many semitones.
constexpr float kSameKey = 0.1f;

bool NearHarmonic(double fCents) {
    for (int n = 2; n <= kHighestHarmonic; ++n) {
        if (std::abs(fCents - 1200 * std::log2(double(n))) < kHarmonicCents) {
            return true;
        }
    }
    return false;
}

// The ratio (cents) most of the frames show, 0 where none prevails.
double Prevailing(std::vector<double> cents, size_t nLookedAt) {
    std::sort(cents.begin(), cents.end());
    size_t nBest = 0, nMost = 0;
    for (size_t i = 0, j = 0; i < cents.size(); ++i) {
        while (cents[i] - cents[j] > 2 * kSameCents) {
            ++j;
        }
        if (i - j + 1 > nMost) {
            nMost = i - j + 1;
            nBest = (i + j) / 2;
        }
    }
    if (nLookedAt < kMinFrames || nMost < kMinShown ||
        double(nMost) < kShare * double(cents.size()) ||
        double(nMost) < kLeastShare * double(nLookedAt) || NearHarmonic(cents[nBest])) {
        return 0;
    }
    return cents[nBest];
}

// YIN hears such a bar at one and the same ratio above the pitch tuned to (half its strike
// partial, where that and the next partial make a fifth): the ratio (cents) most of the frames
// heard surely show between the pitch heard and the strongest partial below it, the pitch tuned
// to. Returned is the ratio from there up to the loudest partial in the same frames, 0 where
// they show none.
double StrikeRatio(COvertones& spectrum, uint32_t nHop,
                   const std::vector<CPitchFrames::SFrame>& frames) {
    std::vector<size_t> heard;
    for (size_t n = 0; n < frames.size(); ++n) {
        if (frames[n].fConfidence >= CPitchFrames::kMinConfidence && frames[n].fKey > 0) {
            heard.push_back(n);
        }
    }
    const size_t nStep = std::max<size_t>(1, heard.size() / kMaxFrames);
    std::vector<double> below, above;
    size_t nLookedAt = 0;
    for (size_t i = 0; i < heard.size(); i += nStep) {
        if (spectrum.Read(heard[i] * nHop + nHop / 2)) {
            ++nLookedAt;
            const double fHeard = CPitchFrames::HzOf(frames[heard[i]].fKey);
            const double fCents = spectrum.CentsBelow(fHeard);
            if (fCents > 0) {
                below.push_back(fCents);
                above.push_back(spectrum.CentsAbove(fHeard * std::pow(2.0, -fCents / 1200)));
            }
        }
    }
    const double fBelow = Prevailing(below, nLookedAt);
    if (fBelow == 0) {
        return 0;
    }
    std::vector<double> loudest;
    for (size_t i = 0; i < below.size(); ++i) {
        if (std::abs(below[i] - fBelow) <= kSameCents && above[i] > 0) {
            loudest.push_back(above[i]);
        }
    }
    return Prevailing(loudest, loudest.size());
}
}  // namespace

bool CStrikeTone::Read(const CRecording& recording, uint32_t nHop, float fPeak,
                       std::vector<CPitchFrames::SFrame>& frames) {
    COvertones spectrum(recording);
    const double fCents = StrikeRatio(spectrum, nHop, frames);
    if (fCents == 0) {
        return false;
    }
    const double fRatio = std::pow(2.0, fCents / 1200);
    const auto read = [&](size_t n, float fLast) {
        CPitchFrames::SFrame& frame = frames[n];
        double fKey = -1;
        if (frame.fLevel > fPeak - CPitchFrames::kVoicedRange &&
            spectrum.Read(n * nHop + nHop / 2)) {
            fKey = spectrum.PairedKey(fRatio);
            // Long after the strike only the pitch itself still rings.
            fKey = fKey < 0 && fLast > 0 && spectrum.Holds(fLast) ? fLast : fKey;
        }
        frame.fKey = fKey > 0 ? float(fKey) : 0;
        frame.fConfidence = fKey > 0 ? 1 : 0;
    };
    // Every other frame first; a frame between two that read the same key (or none) reads it
    // too, as its window, ten times a frame long, is nearly theirs: that halves the reading.
    for (size_t n = 0; n < frames.size(); n += 2) {
        read(n, n >= 2 ? frames[n - 2].fKey : 0);
    }
    for (size_t n = 1; n < frames.size(); n += 2) {
        const CPitchFrames::SFrame& before = frames[n - 1];
        if (n + 1 < frames.size() && std::abs(frames[n + 1].fKey - before.fKey) < kSameKey) {
            frames[n].fKey = before.fKey;
            frames[n].fConfidence = before.fConfidence;
        } else {
            read(n, before.fKey);
        }
    }
    return true;
}
