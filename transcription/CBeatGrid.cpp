#include "CBeatGrid.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "COrderStatistics.h"
#include "CPitchClass.h"
#include "CPitchFrames.h"
#include "CSecondThread.h"

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
// Kantilo's own eighth, a quarter of a second, when nothing else fits.
constexpr double kKantiloEighth = 0.25;
// A rise of this many dB within a sounding stretch is an attack.
constexpr float kAttackRise = 10;
// The tempo is searched in the first minute's onsets; the rest only refines it.
constexpr double kSearchSeconds = 60;
// An onset this many eighths off a grid line is on it.
constexpr double kInlier = 0.12;
// Fits this close to the best count as equally good.
constexpr double kFitTolerance = 0.01;
// A grid of twice the eighth wins when it fits this close to the finer one: the finer one
// splits every note of it in two. A coarser grid of any other ratio has to fit better.
constexpr double kHalvingTolerance = 0.04;
// A grid of twice the eighth is looked for within this share of it.
constexpr double kMultipleWidth = 0.02;
// Frames a key must hold, and silent frames that end a sound.
constexpr size_t kStableFrames = 6;
constexpr size_t kGapFrames = 3;
// An attack's rise begins at the earliest of the kRiseFrames frames before its steepest that
// rise by kRiseStart dB or more, one after another.
constexpr size_t kRiseFrames = 8;
constexpr float kRiseStart = 3;
// A level sinking this many dB below the sound on both sides for a moment parts two notes.
constexpr float kNotchDip = 12;
// Onsets closer than this (frames; well below the shortest eighth) belong to one note.
constexpr size_t kOnsetSpacing = 16;
// A new key began where the last one was last heard, when that is at most this many frames
// before the new one holds: a bowed string's or a voice's change of note is heard as neither
// key for a while.
constexpr size_t kChangeFrames = 30;
// The same key heard again after a gap of fewer than kReturnFrames frames is a new note as far
// as the level dipped in the gap: kReturnDip dB count nothing, kReturnSpan dB more count
// fully. The pitch tracker losing a steady tone for a few frames is no new note.
constexpr size_t kReturnFrames = 30;
constexpr float kReturnDip = 3;
constexpr float kReturnSpan = 6;
// A rise or notch of the level alone counts this much against a key taking over: a wavering
// sound's swell or tremolo shows the one where no note begins, never the other.
constexpr double kLevelOnsetWeight = 0.25;
// A level cue's strength around a frame is its strongest in the kCueBefore frames before and
// kCueAfter frames after it. Frames inside a held note are sampled every kCueStep frames, at
// least kCueDistance frames from any key taking over.
constexpr size_t kCueBefore = 15;
constexpr size_t kCueAfter = 5;
constexpr size_t kCueStep = 5;
constexpr size_t kCueDistance = 30;
// Key changes needed to judge the level cues, and the share of their cue's strength by which
// it must exceed the usual strength inside held notes to count fully.
constexpr size_t kLeastChanges = 3;
constexpr double kCueContrast = 0.5;

// What the scan for onsets remembers of the key heard last.
struct SKeyTrack {
    float fKey = -1;        // -1 after a silence
    size_t nLastHeld = 0;   // the last frame that held fKey
    float fBeforeGap = -1;  // the key heard before the current gap of frames without one
    float fGapLowest = 0;   // the lowest level within that gap, dB
    size_t nGap = 0;        // frames in that gap
    size_t nSilent = kGapFrames;
};

// Whether a key clearly off the last one (not a detuned or wavering tone of it) begins to
// hold at frame n.
bool NewKeyHolds(const std::vector<float>& held, size_t n, float fLastKey) {
    return held[n] >= 0 &&
           (fLastKey < 0 ||
            CPitchClass::Distance(held[n], fLastKey) > CPitchFrames::kNewKeyDistance) &&
           n + kStableFrames <= held.size() &&
           std::all_of(held.begin() + std::ptrdiff_t(n),
                       held.begin() + std::ptrdiff_t(n + kStableFrames), [&](float f) {
                           return f >= 0 && CPitchClass::Distance(f, held[n]) <
                                                CPitchFrames::kSameKeyDistance;
                       });
}

// Keeps the gap of frames without a key before frame n, and forgets the key after a silence.
void FollowGap(SKeyTrack& track, const std::vector<float>& held, float fLevel, size_t n) {
    track.nSilent = held[n] < 0 ? track.nSilent + 1 : 0;
    if (held[n] < 0) {
        if (track.nSilent == 1) {
            track.fBeforeGap = track.fKey;
            track.fGapLowest = fLevel;
            track.nGap = 0;
        }
        track.fGapLowest = std::min(track.fGapLowest, fLevel);
        ++track.nGap;
    }
    if (track.nSilent >= kGapFrames) {
        track.fKey = -1;
    }
}

// How sure a key beginning to hold at frame n is a new note: fully, unless it is the key
// heard before a short gap and the level hardly dipped in that gap.
double NewKeyWeight(const SKeyTrack& track, const CPitchFrames& frames, float fKey, size_t n) {
    if (track.fKey >= 0 || track.fBeforeGap < 0 || track.nGap >= kReturnFrames ||
        CPitchClass::Distance(fKey, track.fBeforeGap) >= CPitchFrames::kSameKeyDistance) {
        return 1;
    }
    const auto& all = frames.Frames();
    float fAfter = all[n].fLevel;
    for (size_t k = n; k < std::min(all.size(), n + 4); ++k) {
        fAfter = std::max(fAfter, all[k].fLevel);
    }
    return std::clamp(double(fAfter - track.fGapLowest - kReturnDip) / kReturnSpan, 0.0, 1.0);
}

// The strongest level cue (a rise or a notch, dB) around frame n.
float CueAround(const std::vector<CPitchFrames::SFrame>& all, size_t n) {
    float fCue = 0;
    for (size_t k = n >= kCueBefore ? n - kCueBefore : 0; k < std::min(all.size(), n + kCueAfter);
         ++k) {
        fCue = std::max({fCue, all[k].fRise, all[k].fDip});
    }
    return fCue;
}

// How much the level's cues say about where notes begin (0 to 1): as much as they are stronger
// where a key takes over than inside a held note. A choir swells as strongly within its notes
// as between them, and its level onsets then count for nothing.
double LevelCueWeight(const CPitchFrames& frames, const std::vector<size_t>& keyStarts) {
    const auto& all = frames.Frames();
    double fChange = 0;
    size_t nChanges = 0;
    std::vector<bool> nearChange(all.size());
    for (const size_t n : keyStarts) {
        if (n >= kCueBefore) {
            fChange += CueAround(all, n);
            ++nChanges;
        }
        std::fill(nearChange.begin() + std::ptrdiff_t(n >= kCueDistance ? n - kCueDistance : 0),
                  nearChange.begin() + std::ptrdiff_t(std::min(all.size(), n + kCueDistance)),
                  true);
    }
    std::vector<float> stays;
    for (size_t n = kCueBefore; n + kCueAfter < all.size(); n += kCueStep) {
        const int nClass = frames.HeldClass(n);
        if (!nearChange[n] && nClass >= 0 && frames.HeldClass(n - kCueBefore) == nClass &&
            frames.HeldClass(n + kCueAfter) == nClass) {
            stays.push_back(CueAround(all, n));
        }
    }
    if (nChanges < kLeastChanges || stays.empty()) {
        return 1;
    }
    // The median: the odd repeated note within a held key is no swell of the sound's own.
    const double fStay = COrderStatistics::Median(stays.begin(), stays.end());
    fChange /= double(nChanges);
    return fChange > 0 ? std::clamp((fChange - fStay) / (kCueContrast * fChange), 0.0, 1.0) : 0.0;
}

// Where the key beginning to hold at frame n began: right after the last frame of the key
// before when that ended only a little earlier (a legato change of key takes some frames to
// settle), but not before frame nEarliest.
size_t KeyStart(const SKeyTrack& track, size_t n, size_t nEarliest) {
    if (track.fKey >= 0 && n > track.nLastHeld + 1 && n - track.nLastHeld <= kChangeFrames) {
        return std::max(track.nLastHeld + 1, nEarliest);
    }
    return n;
}

// Follows the key heard at frame n: a new key, or the key held drifting (a scoop into the
// note, a slow drift or vibrato).
void FollowKey(SKeyTrack& track, float fHeld, bool bNewKey, size_t n) {
    if (bNewKey || (fHeld >= 0 && track.fKey >= 0 &&
                    CPitchClass::Distance(fHeld, track.fKey) < CPitchFrames::kSameKeyDistance)) {
        track.fKey = fHeld;
    }
    if (track.fKey >= 0 && fHeld >= 0 &&
        CPitchClass::Distance(fHeld, track.fKey) < CPitchFrames::kSameKeyDistance) {
        track.nLastHeld = n;
    }
}

// Whether the level rises most steeply at frame n into a sound.
bool IsAttack(const CPitchFrames& frames, size_t n) {
    const auto& all = frames.Frames();
    return all[n].fRise >= kAttackRise && (n == 0 || all[n - 1].fRise < all[n].fRise) &&
           (n + 1 >= all.size() || all[n + 1].fRise <= all[n].fRise) &&
           (frames.IsVoiced(n + 3) || frames.IsVoiced(n + 5));
}

// Whether frame n is the last deepest frame of a notch before a sound: the notch between two
// notes marks the very start of the second.
bool IsNotch(const CPitchFrames& frames, size_t n) {
    const auto& all = frames.Frames();
    return all[n].fDip >= kNotchDip && (n == 0 || all[n - 1].fDip <= all[n].fDip) &&
           (n + 1 >= all.size() || all[n + 1].fDip < all[n].fDip) &&
           (frames.IsVoiced(n + 3) || frames.IsVoiced(n + 8));
}

// A slow attack began where its rise did, some frames before the rise at frame n is steepest;
// not before frame nEarliest.
size_t RiseStart(const std::vector<CPitchFrames::SFrame>& all, size_t n, size_t nEarliest) {
    size_t nStart = n;
    while (nStart > nEarliest && nStart > 0 && n - nStart < kRiseFrames &&
           all[nStart - 1].fRise >= kRiseStart) {
        --nStart;
    }
    return nStart;
}

// The key each frame holds (see CPitchFrames::HeldKey).
std::vector<float> HeldKeys(const CPitchFrames& frames) {
    std::vector<float> held(frames.Frames().size());
    for (size_t n = 0; n < held.size(); ++n) {
        held[n] = frames.HeldKey(n);
    }
    return held;
}

}  // namespace

CBeatGrid::CBeatGrid(const CPitchFrames& frames, std::optional<double> quarters) {
    FindOnsets(frames);
    if (m_onsets.empty()) {
        return;
    }
    if (quarters && *quarters > 0) {
        m_fEighth = 30.0 / *quarters;
    } else {
        m_fEighth = FindEighth();
        InlierShare(m_fEighth, &m_fPhase);
        Refine();
    }
    PhaseOfHeard();
}

CBeatGrid CBeatGrid::AtTempo(double fQuarters) const {
    CBeatGrid grid = *this;
    if (!m_onsets.empty() && fQuarters > 0) {
        grid.m_fEighth = 30.0 / fQuarters;
        grid.PhaseOfHeard();
    }
    return grid;
}

// A sound begins where a key starts to hold for a while after silence or after another key,
// and where the level jumps while a key holds (a repeated note).
void CBeatGrid::FindOnsets(const CPitchFrames& frames) {
    const auto& all = frames.Frames();
    const std::vector<float> held = HeldKeys(frames);
    SKeyTrack track;
    size_t nLastOnset = 0;
    std::vector<size_t> keyStarts;
    std::vector<size_t> levelOnsets;  // indices into m_onsets
    size_t nHeard = 0;                // where the tracker heard the key that takes over begin
    const auto add = [&](size_t nFrame, double fWeight, bool bLevel) {
        if (bLevel) {
            levelOnsets.push_back(m_onsets.size());
        }
        m_onsets.push_back(double(nFrame) * CPitchFrames::kFrameSeconds);
        m_heard.push_back(double(bLevel ? nFrame : nHeard) * CPitchFrames::kFrameSeconds);
        m_weights.push_back(bLevel ? kLevelOnsetWeight : fWeight);
    };
    for (size_t n = 0; n < all.size(); ++n) {
        FollowGap(track, held, all[n].fLevel, n);
        const bool bOnset = NewKeyHolds(held, n, track.fKey);
        const double fKeyWeight = bOnset ? NewKeyWeight(track, frames, held[n], n) : 0;
        const size_t nEarliest = m_onsets.empty() ? 0 : nLastOnset + 1;
        nHeard = bOnset ? KeyStart(track, n, nEarliest) : n;
        const size_t nStart =
            bOnset ? frames.KeyRiseStart(nHeard, held[n], track.fKey, nEarliest) : n;
        FollowKey(track, held[n], bOnset, n);
        if (bOnset) {
            keyStarts.push_back(nStart);
        }
        const bool bSpaced = m_onsets.empty() || n >= nLastOnset + kOnsetSpacing;
        if (IsNotch(frames, n) && bSpaced) {
            add(n, 0, true);
            nLastOnset = n;
        } else if (bOnset && !m_onsets.empty() && n > nLastOnset && !bSpaced) {
            // A key taking over soon after an attack counts as an onset too: a wavering sound
            // (a choir, a whistle) swells where no note begins and would hide its next note
            // from the grid; a key settling just after its own note's attack lies on that
            // note's grid line.
            add(nStart, fKeyWeight, false);
        } else if ((bOnset || IsAttack(frames, n)) && bSpaced) {
            // An attack right after a key taking over belongs to that key.
            add(bOnset ? nStart : RiseStart(all, n, nEarliest), fKeyWeight, !bOnset);
            nLastOnset = n;
        }
    }
    const double fLevelWeight = LevelCueWeight(frames, keyStarts);
    for (const size_t i : levelOnsets) {
        m_weights[i] *= fLevelWeight;
    }
}

// The grid's lines where the pitch tracker and the level heard the notes begin: the eighths
// are read by those (CEighthCues), which follow a slow attack as late as the tracker does. The
// onsets where the notes' own partials began to rise found the tempo, more surely.
void CBeatGrid::PhaseOfHeard() {
    std::swap(m_onsets, m_heard);
    InlierShare(m_fEighth, &m_fPhase);
    std::swap(m_onsets, m_heard);
}

// Where each onset falls on a grid of this eighth, as a turn.
std::vector<std::complex<double>> CBeatGrid::TurnsOf(double fEighth) const {
    std::vector<std::complex<double>> turns(m_onsets.size());
    for (size_t i = 0; i < turns.size(); ++i) {
        turns[i] = std::polar(1.0, kTwoPi * m_onsets[i] / fEighth);
    }
    return turns;
}

// The phase, as a share of the eighth, of the grid the turns are taken on that the onsets fit
// best (as sure as they are).
double CBeatGrid::PhaseTurn(const std::vector<std::complex<double>>& turns) const {
    std::complex<double> sum;
    for (size_t i = 0; i < turns.size(); ++i) {
        sum += m_weights[i] * turns[i];
    }
    const double fTurn = std::arg(sum) / kTwoPi;
    return fTurn - std::floor(fTurn);
}

// The (weighted) share of the onsets that fall on a grid of this eighth, each counted fully within
// kInlier eighths of a line and less up to twice that: onsets that fit no grid (a wavering
// sound's false attack) weigh no more against the right grid than against any other. The tempo
// is searched in the first minute's onsets; the first guess of the phase, and with pPhase the
// phase, come from all of them.
double CBeatGrid::InlierShare(double fEighth, double* pPhase) const {
    size_t nOnsets = m_onsets.size();
    while (pPhase == nullptr && nOnsets > 0 &&
           m_onsets[nOnsets - 1] > m_onsets.front() + kSearchSeconds) {
        --nOnsets;
    }
    const std::vector<std::complex<double>> turns = TurnsOf(fEighth);
    double fPhase = fEighth * PhaseTurn(turns);
    double fSum = 0;
    for (int nPass = 0; nPass < 2; ++nPass) {
        // The second pass takes the phase from the onsets near the first pass's lines only.
        std::complex<double> near;
        fSum = 0;
        double fWeights = 0;
        for (size_t i = 0; i < nOnsets; ++i) {
            const double fOff = (m_onsets[i] - fPhase) / fEighth;
            const double fDeviation = std::abs(fOff - std::round(fOff));
            const double fWeight = m_weights[i] * std::clamp(2 - fDeviation / kInlier, 0.0, 1.0);
            near += fWeight * turns[i];
            fSum += fWeight;
            fWeights += m_weights[i];
        }
        fSum = fWeights <= 0 ? 0 : fSum / fWeights;
        fPhase = fEighth * std::arg(near) / kTwoPi;
    }
    if (pPhase != nullptr) {
        *pPhase = fPhase - fEighth * std::floor(fPhase / fEighth);
    }
    return fSum;
}

double CBeatGrid::Share() const {
    return HasGrid() ? InlierShare(m_fEighth, nullptr) : 0;
}

// Steps fine enough that the grid drifts less than a tenth of an eighth over the searched
// stretch. Of the grids that fit about as well as the best, the coarsest; then twice its
// eighth for as long as that fits nearly as well. Only a grid of twice the eighth is coarser
// in the sense that the finer one splits its notes: an eighth of another ratio that happens to
// catch as many onsets (few and wavering ones, a choir's) is no reason to leave the best.
double CBeatGrid::FindEighth() const {
    // One onset alone fits every grid equally well: the slowest would win, as if heard.
    if (std::count_if(m_weights.begin(), m_weights.end(), [](double f) { return f > 0; }) < 2) {
        return kKantiloEighth;
    }
    const double fSpan =
        std::max(1.0, std::min(kSearchSeconds, m_onsets.back() - m_onsets.front()));
    const double fShortest = 30.0 / kFastest;
    const double fLongest = 30.0 / kSlowest;
    const double fStep = 1.0 + 0.1 * fShortest / fSpan;
    std::vector<std::pair<double, double>> fits;
    for (double e = fShortest; e <= fLongest; e *= fStep) {
        fits.emplace_back(e, 0.0);
    }
    FitAll(fits);
    double fBest = 0;
    for (const auto& fit : fits) {
        fBest = std::max(fBest, fit.second);
    }
    std::pair<double, double> chosen(kKantiloEighth, 0);
    for (const auto& fit : fits) {
        if (fit.second >= fBest - kFitTolerance) {
            chosen = fit;
        }
    }
    for (;;) {
        std::pair<double, double> twice(0, -1);
        for (const auto& fit : fits) {
            if (std::abs(fit.first / (2 * chosen.first) - 1) <= kMultipleWidth &&
                fit.second > twice.second) {
                twice = fit;
            }
        }
        if (twice.second < chosen.second - kHalvingTolerance) {
            return chosen.first;
        }
        chosen = twice;
    }
}

// The share of the onsets each eighth of fits catches. Each fit depends on its eighth alone:
// the two halves are fitted at once, the second on a thread of its own where one can be had.
void CBeatGrid::FitAll(std::vector<std::pair<double, double>>& fits) const {
    const auto fit = [this, &fits](size_t nFrom, size_t nTo) {
        for (size_t i = nFrom; i < nTo; ++i) {
            fits[i].second = InlierShare(fits[i].first, nullptr);
        }
    };
    const size_t nHalf = fits.size() / 2;
    CSecondThread second([&] { fit(nHalf, fits.size()); });
    if (!second.Started()) {
        fit(nHalf, fits.size());
    }
    fit(0, nHalf);
    second.Join();
}

// A least-squares line through the onsets (as sure as they are) and the eighths they fall on,
// three times.
void CBeatGrid::Refine() {
    for (int nPass = 0; nPass < 3; ++nPass) {
        double sk = 0, st = 0, skk = 0, skt = 0, n = 0;
        for (size_t i = 0; i < m_onsets.size(); ++i) {
            const double t = m_onsets[i], w = m_weights[i];
            const double k = std::round((t - m_fPhase) / m_fEighth);
            if (std::abs(t - m_fPhase - k * m_fEighth) > 0.25 * m_fEighth) {
                continue;
            }
            sk += w * k;
            st += w * t;
            skk += w * k * k;
            skt += w * k * t;
            n += w;
        }
        const double fDenominator = n * skk - sk * sk;
        if (n < 3 || fDenominator <= 0) {
            return;
        }
        const double fEighth = (n * skt - sk * st) / fDenominator;
        if (!(fEighth > 0.5 * m_fEighth && fEighth < 2 * m_fEighth)) {
            return;
        }
        m_fEighth = fEighth;
        const double fPhase = (st - fEighth * sk) / n;
        m_fPhase = fPhase - m_fEighth * std::floor(fPhase / m_fEighth);
    }
}
