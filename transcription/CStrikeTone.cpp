#include "CStrikeTone.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "CLevelCues.h"
#include "COvertones.h"
#include "CSecondThread.h"

namespace {
// Frames looked at for the ratio, spread over the recording: enough for a clear majority where
// the bars ring on for a whole note each (after the strike partial has died away, YIN hears the
// pitch itself, with no partial below: only about a sixth of the frames show the ratio), and
// cheap beside reading the pitch of every frame.
constexpr size_t kMaxFrames = 200;
constexpr size_t kMinFrames = 20;
// The same ratio, within COvertones::kSameCents, in at least kShare of the frames that
// show one, in kLeastShare of all the frames looked at and in kMinShown of them (once a bar's
// strike partial has died away, YIN hears the pitch itself, with no partial below); and none
// a harmonic sound could show, within kHarmonicCents of a whole multiple (a pitch read an
// octave high is no strike tone). Where kSureShare of the frames that show a ratio show the
// same, kLeastSureShare of all suffices: every bar shares its ratio, and a melody of whole notes
// and long rests shows it in about an eighth of the frames (30 of the 32 that show a ratio),
// while the guitar's recording shows one in a tenth of them, with others beside it (24 of 33).
constexpr double kShare = 0.4;
constexpr double kLeastShare = 0.15;
constexpr double kSureShare = 0.9;
constexpr double kLeastSureShare = 0.05;
constexpr size_t kMinShown = 10;
constexpr double kHarmonicCents = 40;
constexpr int kHighestHarmonic = 8;
constexpr double kSameCents = COvertones::kSameCents;
// A pair found more than kOtherKey semitones off the bar still ringing, and no rise of
// CStrikeTone::kStrikeRise within kStruckFrames frames before, is that bar's own.
constexpr float kOtherKey = 0.5f;
constexpr size_t kStruckFrames = 4;
// Two frames read the same key within this many semitones.
constexpr float kSameKey = 0.1f;
// Even frames (2 s) the second half of a recording is read from before its own.
constexpr size_t kSeam = 100;

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
    const bool bSure = double(nMost) >= kSureShare * double(cents.size());
    if (nLookedAt < kMinFrames || nMost < kMinShown ||
        double(nMost) < kShare * double(cents.size()) ||
        double(nMost) < (bSure ? kLeastSureShare : kLeastShare) * double(nLookedAt) ||
        NearHarmonic(cents[nBest])) {
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

// How a frame reads its key once the strike ratio is known.
struct SReading {
    const std::vector<CPitchFrames::SFrame>& frames;
    uint32_t nHop;
    float fFloor;
    double fRatio;

    // The key frame n reads, the frame two before having read fLast; 0 for none: the pitch
    // tuned to where it sounds with its partial, or still rings after it.
    float Key(COvertones& spectrum, size_t n, float fLast) const {
        double fKey = -1;
        if (frames[n].fLevel > fFloor && spectrum.Read(n * nHop + nHop / 2)) {
            fKey = spectrum.PairedKey(fRatio);
            // Long after the strike only the pitch itself still rings; and a bar ringing long
            // pairs its own faint partials as if another bar rang, where none was struck.
            const bool bOther = fKey > 0 && std::abs(fKey - fLast) > kOtherKey && !Struck(n);
            fKey = (fKey < 0 || bOther) && fLast > 0 && spectrum.Holds(fLast) ? fLast : fKey;
        }
        return fKey > 0 ? float(fKey) : 0;
    }

    // Whether a bar was struck within kStruckFrames frames up to frame n.
    bool Struck(size_t n) const {
        for (size_t k = n >= kStruckFrames ? n - kStruckFrames : 0; k <= n; ++k) {
            if (frames[k].fRise >= CStrikeTone::kStrikeRise) {
                return true;
            }
        }
        return false;
    }

    // Reads the keys of the even frames nFrom to nTo (frame 2i into pKeys[i - nFrom]), the one
    // before nFrom having read fLast; returns the last key read.
    float Run(COvertones& spectrum, size_t nFrom, size_t nTo, float fLast, float* pKeys) const {
        for (size_t i = nFrom; i < nTo; ++i) {
            fLast = pKeys[i - nFrom] = Key(spectrum, 2 * i, fLast);
        }
        return fLast;
    }
};

// The keys of the even frames, frame 2i's at i. A key depends on its frame and the key before
// only, and a key held on from frame to frame rings no longer than a bar does: the second half
// is read at once, on a thread of its own, from kSeam frames before it on. Where that reading
// and the first half's meet within the seam, every key after is the one a single reading gives;
// where they do not (a bar ringing through the whole seam), the second half is read again.
std::vector<float> EvenKeys(const CRecording& recording, COvertones& first, const SReading& reading,
                            bool bInHalves) {
    const size_t nEven = (reading.frames.size() + 1) / 2, nMiddle = nEven / 2;
    std::vector<float> keys(nEven);
    if (!bInHalves || nMiddle < kSeam) {
        reading.Run(first, 0, nEven, 0, keys.data());
        return keys;
    }
    COvertones second(recording);  // made here: aubio's FFT set-up is not thread-safe
    std::vector<float> seam(kSeam);
    CSecondThread other([&] {
        const float fLast = reading.Run(second, nMiddle - kSeam, nMiddle, 0, seam.data());
        reading.Run(second, nMiddle, nEven, fLast, keys.data() + nMiddle);
    });
    if (!other.Started()) {
        reading.Run(first, 0, nEven, 0, keys.data());
        return keys;
    }
    reading.Run(first, 0, nMiddle, 0, keys.data());
    other.Join();
    if (seam.back() != keys[nMiddle - 1]) {
        reading.Run(first, nMiddle, nEven, keys[nMiddle - 1], keys.data() + nMiddle);
    }
    return keys;
}
}  // namespace

bool CStrikeTone::Read(const CRecording& recording, uint32_t nHop, float fPeak,
                       std::vector<CPitchFrames::SFrame>& frames, bool bInHalves) {
    // A bowed string can show a partial at one ratio below the pitch heard as struck bars do,
    // over a few seconds and now and then over a whole recording; struck bars die away.
    if (!CLevelCues::DiesAway(frames, fPeak)) {
        return false;
    }
    COvertones spectrum(recording);
    const double fCents = StrikeRatio(spectrum, nHop, frames);
    if (fCents == 0) {
        return false;
    }
    const SReading reading{frames, nHop, CLevelCues::Floor(frames, fPeak),
                           std::pow(2.0, fCents / 1200)};
    const auto keep = [&](size_t n, float fKey) {
        frames[n].fKey = fKey;
        frames[n].fConfidence = fKey > 0 ? 1 : 0;
    };
    // Every other frame first; a frame between two that read the same key (or none) reads it
    // too, as its window, ten times a frame long, is nearly theirs: that halves the reading.
    const std::vector<float> keys = EvenKeys(recording, spectrum, reading, bInHalves);
    for (size_t i = 0; i < keys.size(); ++i) {
        keep(2 * i, keys[i]);
    }
    for (size_t n = 1; n < frames.size(); n += 2) {
        const CPitchFrames::SFrame& before = frames[n - 1];
        if (n + 1 < frames.size() && std::abs(frames[n + 1].fKey - before.fKey) < kSameKey) {
            keep(n, before.fKey);
        } else {
            keep(n, reading.Key(spectrum, n, before.fKey));
        }
    }
    return true;
}
