#include "CPitchFrames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

#include "CLevelCues.h"
#include "COrderStatistics.h"
#include "CPitchClass.h"
#include "CPitchReader.h"
#include "CRecording.h"
#include "CStrikeTone.h"

namespace {
// A frame this far below the loudest of the last half second is a dying tail, not a note.
constexpr float kTailRange = 20;
constexpr size_t kTailFrames = 50;
// Such a fall ends a note for its length already this far below: a sung "Ooh" let go fades by
// 25 dB over a quarter of a second, and its first 16 dB reach into the eighth after it. The
// grid's onsets keep the wider range: there, 15 dB cost 3 of 108 recordings their tempo.
constexpr float kReleaseRange = 16;
// A fall of this many dB within kFallFrames frames ends a note (a release, a damped string);
// a dying string or bell falls more slowly.
constexpr float kSteepFall = 8;
constexpr size_t kFallFrames = 4;
// dB more a release falls within kFallFrames frames than the kFallFrames frames before.
constexpr float kFasterFall = 3;
// A voice let go fades by kEvenRange dB within kEvenFrames frames, rising by no more than
// kEvenRise dB from one frame to the next on the way (the noise of the level's measurement).
constexpr size_t kEvenFrames = 20;
constexpr float kEvenRange = 12;
constexpr float kEvenRise = 0.5f;
// A bar is struck where the level rises by CStrikeTone::kStrikeRise dB or the pitch changes by
// more than kStrikeStep semitones.
constexpr float kStrikeStep = 0.5f;
// Frames within this many dB of the loudest are as loud as it.
constexpr float kAsLoud = 1;
// Frames on either side whose median is the class held, and frames a class must hold to be a
// note's steady part.
constexpr size_t kHoldReach = 4;
constexpr size_t kStableFrames = 6;
// A short note sung wavering loses its class for a frame or two now and then: a stretch that
// holds fewer than kStableFrames of its class so far goes on over up to kHeldGap such frames.
constexpr size_t kHeldGap = 2;
// Bowed strings, choirs and whistles take up to this many frames from the start of a note
// (the end of the note before, or the rise out of silence) until their pitch is steady; the
// frames between, as loud as the note within kBridgeRange dB, are heard as its start.
constexpr size_t kBridgeFrames = 40;
constexpr float kBridgeRange = 20;
// A start rises this far above the recording's quietest frames (its noise): the twentieth
// quietest part of them.
constexpr float kAboveQuiet = 10;

constexpr double kTwoPi = 2 * std::numbers::pi;

// Frames on either side whose keys show what a frame read far too low should have read.
constexpr size_t kRepairReach = 25;
// A key heard surely for this many frames in a row is a note of its own, not such a lock: an
// eighth of C4 between two G5s lies a twelfth below the keys around it throughout.
constexpr size_t kOwnNoteFrames = 15;

// Struck bars are read anew from their spectrum, every frame: when kLooks stretches of
// kLookFrames frames (2 s), spread evenly over the recording, already show them, YIN need not
// read the rest. A recording too short for twice as much is read whole before it is asked.
constexpr size_t kLooks = 10;
constexpr size_t kLookFrames = 200;

// Where the stretch of frames that hold frame n's class ends, and how many of them hold it.
std::pair<size_t, size_t> StretchOf(const std::vector<int>& held, size_t n) {
    size_t nEnd = n, nHeld = 0;
    while (nEnd < held.size()) {
        size_t nNext = nEnd;
        while (held[n] >= 0 && nHeld < kStableFrames && nNext < held.size() && held[nNext] < 0 &&
               nNext - nEnd < kHeldGap) {
            ++nNext;
        }
        if (nNext == held.size() || held[nNext] != held[n]) {
            break;
        }
        ++nHeld;
        nEnd = nNext + 1;
    }
    return {nEnd, nHeld};
}

// Samples from one frame to the next.
uint32_t HopOf(const CRecording& recording) {
    return std::max<uint32_t>(
        1, uint32_t(std::lround(recording.Rate() * CPitchFrames::kFrameSeconds)));
}

}  // namespace

CPitchFrames::CPitchFrames(const CRecording& recording, const FProgress& progress)
    : m_keyRise(recording, HopOf(recording)) {
    const uint32_t nHop = HopOf(recording);
    m_frames.resize(recording.Samples().size() / nHop);
    m_fPeak = CLevelCues::Read(recording, nHop, m_frames);
    if (!ReadPitches(recording, nHop, progress)) {
        m_bCancelled = true;
        return;
    }
    Tune();
    RepairSubharmonics();
    FindVoiced();
    BridgeSlowStarts();
    CLevelCues::DropFlutter(m_frames);
    FindSteadyRise();
    FindPlayed();
    CLevelCues::DropVibrato(m_frames, m_played);
    FindFadedOut();
}

// The pitch of every frame: YIN's, or the struck bars' (m_bStruck); false when cancelled.
bool CPitchFrames::ReadPitches(const CRecording& recording, uint32_t nHop,
                               const FProgress& progress) {
    const size_t nFrames = m_frames.size();
    std::vector<std::pair<size_t, size_t>> looks;  // each from its first frame to its end
    for (size_t i = 0; nFrames >= 2 * kLooks * kLookFrames && i < kLooks; ++i) {
        looks.emplace_back(i * nFrames / kLooks, i * nFrames / kLooks + kLookFrames);
    }
    size_t nRead = 0;  // frames read so far, for the progress
    const auto read = [&](size_t nFrom, size_t nTo) {
        FProgress part;
        if (progress) {
            part = [&, nFrom, nTo](double fShare) {
                return progress((double(nRead) + fShare * double(nTo - nFrom)) / double(nFrames));
            };
        }
        const bool bRead = CPitchReader::Read(recording, nHop, m_frames, part, true, nFrom, nTo);
        nRead += nTo - nFrom;
        return bRead;
    };
    for (const auto& [nFrom, nTo] : looks) {
        if (!read(nFrom, nTo)) {
            return false;
        }
    }
    if (!looks.empty() && CStrikeTone::Read(recording, nHop, m_fPeak, m_frames)) {
        m_bStruck = true;
        return true;
    }
    size_t nGap = 0;  // where the stretch not yet read begins
    for (const auto& [nFrom, nTo] : looks) {
        if (!read(nGap, nFrom)) {
            return false;
        }
        nGap = nTo;
    }
    if (!read(nGap, nFrames)) {
        return false;
    }
    m_bStruck = CStrikeTone::Read(recording, nHop, m_fPeak, m_frames);
    return true;
}

double CPitchFrames::HzOf(double fKey) {
    return 440.0 * std::pow(2.0, (fKey - 69) / 12);
}

double CPitchFrames::KeyOf(double fHz) {
    return 69 + 12 * std::log2(fHz / 440.0);
}

// An instrument tuned a little sharp or flat as a whole (a piano's stretched tuning, Kantilo's
// just C major at 264 Hz, a band tuned to 435 Hz) reads every key off by the same fraction of
// a semitone; taken out, a D of a sharp piano no longer reads halfway to D sharp.
void CPitchFrames::Tune() {
    std::complex<double> sum;
    for (const SFrame& frame : m_frames) {
        if (frame.fConfidence >= kMinConfidence && frame.fKey >= kLowestKey &&
            frame.fKey <= kHighestKey) {
            sum += std::polar(1.0, kTwoPi * frame.fKey);
        }
    }
    const auto fOffset = float(std::arg(sum) / kTwoPi);
    for (SFrame& frame : m_frames) {
        frame.fKey = frame.fKey > 0 ? frame.fKey - fOffset : frame.fKey;
    }
}

// YIN can lock onto a period three or six times the true one for a while (a choir, a voice):
// the key then reads a twelfth or a twelfth and an octave low, another pitch class. A frame
// that lies so far below the keys around it takes their key back.
void CPitchFrames::RepairSubharmonics() {
    const std::vector<size_t> runs = SteadyRuns();
    std::vector<float> keys;
    for (size_t n = 0; n < m_frames.size(); ++n) {
        keys.clear();
        for (size_t k = n >= kRepairReach ? n - kRepairReach : 0;
             k < std::min(m_frames.size(), n + kRepairReach + 1); ++k) {
            if (m_frames[k].fConfidence >= kMinConfidence && m_frames[k].fKey > 0) {
                keys.push_back(m_frames[k].fKey);
            }
        }
        SFrame& frame = m_frames[n];
        if (keys.size() < kRepairReach || frame.fKey <= 0 || runs[n] >= kOwnNoteFrames) {
            continue;
        }
        const float fMedian = COrderStatistics::Median(keys.begin(), keys.end());
        for (const float fBelow : {19.02f, 31.02f}) {
            if (std::abs(fMedian - fBelow - frame.fKey) < kSameKeyDistance &&
                HeardAfter(n, fMedian)) {
                frame.fKey += fBelow;
            }
        }
    }
}

// For each frame, how many frames in a row around it the tracker hears surely in its key.
std::vector<size_t> CPitchFrames::SteadyRuns() const {
    std::vector<size_t> runs(m_frames.size(), 0);
    const auto sure = [&](size_t n) { return m_frames[n].fConfidence >= kMinConfidence; };
    for (size_t n = 0; n < m_frames.size();) {
        size_t nEnd = n + 1;
        while (sure(n) && nEnd < m_frames.size() && sure(nEnd) &&
               std::abs(m_frames[nEnd].fKey - m_frames[n].fKey) < kSameKeyDistance) {
            ++nEnd;
        }
        std::fill(runs.begin() + std::ptrdiff_t(n), runs.begin() + std::ptrdiff_t(nEnd), nEnd - n);
        n = nEnd;
    }
    return runs;
}

// Whether a frame after frame n, within kRepairReach, hears fKey: a lock onto a longer period
// comes and goes within a note, while a note a twelfth below the note before (an organ's C4
// after G5) lies as far below the keys around its first frames, and rightly.
bool CPitchFrames::HeardAfter(size_t n, float fKey) const {
    for (size_t k = n + 1; k < std::min(m_frames.size(), n + kRepairReach + 1); ++k) {
        if (m_frames[k].fConfidence >= kMinConfidence &&
            std::abs(m_frames[k].fKey - fKey) < kSameKeyDistance) {
            return true;
        }
    }
    return false;
}

void CPitchFrames::FindVoiced() {
    m_voiced.assign(m_frames.size(), false);
    const float fFloor = m_bStruck || CLevelCues::DiesAway(m_frames, m_fPeak)
                             ? CLevelCues::Floor(m_frames, m_fPeak)
                             : m_fPeak - kVoicedRange;
    for (size_t n = 0; n < m_frames.size(); ++n) {
        const SFrame& frame = m_frames[n];
        m_voiced[n] = frame.fLevel > fFloor && !IsTail(n, kTailRange) &&
                      frame.fConfidence >= kMinConfidence && frame.fKey >= kLowestKey &&
                      frame.fKey <= kHighestKey;
    }
}

void CPitchFrames::FindPlayed() {
    m_played.assign(m_frames.size(), false);
    for (size_t n = 0; n < m_frames.size(); ++n) {
        m_played[n] = IsVoiced(n) && !IsTail(n, kReleaseRange);
    }
}

// Where the level has fallen by kEvenRange dB over the last kEvenFrames frames, in each third
// of them by at least half its share, and without rising on the way; and after it, until the
// sound rises back to where that fall began (a new note). Neither a tremolo nor a vibrato
// falls so long, nor does a notch after a steady level.
void CPitchFrames::FindFadedOut() {
    std::vector<bool> fadeEnds(m_frames.size(), false);
    const size_t nThird = kEvenFrames / 3;
    size_t nFalling = 0;
    for (size_t n = 1; n < m_frames.size(); ++n) {
        nFalling = m_frames[n].fLevel <= m_frames[n - 1].fLevel + kEvenRise ? nFalling + 1 : 0;
        bool bEven = nFalling >= kEvenFrames;
        for (size_t k = n - std::min(n, kEvenFrames); bEven && k + nThird <= n; k += nThird) {
            bEven = m_frames[k].fLevel - m_frames[k + nThird].fLevel >= kEvenRange / 6;
        }
        fadeEnds[n] = bEven;
    }
    m_fadedOut.assign(m_frames.size(), false);
    for (size_t n = 0; n < m_frames.size(); ++n) {
        const size_t nFrom = n >= kTailFrames ? n - kTailFrames : 0;
        float fLoudest = m_frames[n].fLevel;
        for (size_t k = n + 1; !m_fadedOut[n] && k-- > nFrom;) {
            fLoudest = std::max(fLoudest, m_frames[k].fLevel);
            m_fadedOut[n] =
                fadeEnds[k] && fLoudest <= m_frames[k - kEvenFrames].fLevel - kEvenRange;
        }
    }
}

// Where the level that frame n may have fallen from is looked for: the last half second, or
// for struck bars from the last strike within it, where the level rises or the pitch changes
// (a high bar dies away fast, soon far below the bar struck before it).
size_t CPitchFrames::TailFrom(size_t n) const {
    const size_t nFrom = n >= kTailFrames ? n - kTailFrames : 0;
    for (size_t k = n; m_bStruck && k > nFrom; --k) {
        const float fKey = m_frames[k].fKey, fBefore = m_frames[k - 1].fKey;
        if (m_frames[k].fRise >= CStrikeTone::kStrikeRise ||
            (fKey > 0 && fBefore > 0 && std::abs(fKey - fBefore) > kStrikeStep)) {
            return k;
        }
    }
    return nFrom;
}

// A frame fRange dB below the loudest of the last half second is the echo of a note that
// ended when the level fell steeply, or faster than before, on the way down; a plucked or
// struck note that dies away evenly still sounds.
bool CPitchFrames::IsTail(size_t n, float fRange) const {
    const size_t nFrom = TailFrom(n);
    float fLoudest = m_frames[n].fLevel;
    for (size_t k = nFrom; k < n; ++k) {
        fLoudest = std::max(fLoudest, m_frames[k].fLevel);
    }
    if (m_frames[n].fLevel > fLoudest - fRange) {
        return false;
    }
    // Where a sustained note holds its level, from its first frame as loud as the loudest: so
    // that the fall of its release shows as faster than the steady level before.
    size_t nLoudest = nFrom;
    while (m_frames[nLoudest].fLevel < fLoudest - kAsLoud) {
        ++nLoudest;
    }
    for (size_t k = nLoudest + kFallFrames; k <= n; ++k) {
        float fBefore = m_frames[k - kFallFrames].fLevel;
        for (size_t i = k - kFallFrames; i < k; ++i) {
            fBefore = std::max(fBefore, m_frames[i].fLevel);
        }
        if (fBefore - m_frames[k].fLevel >= kSteepFall) {
            return true;
        }
        // A sustained note let go: the level, steady or dying slowly until then, falls faster.
        // A struck bar holds no level to let go of, and its partials beat as they die away.
        if (!m_bStruck && k >= nLoudest + 2 * kFallFrames) {
            const float fNow = m_frames[k - kFallFrames].fLevel - m_frames[k].fLevel;
            const float fThen =
                m_frames[k - 2 * kFallFrames].fLevel - m_frames[k - kFallFrames].fLevel;
            if (fNow - fThen >= kFasterFall) {
                return true;
            }
        }
    }
    return false;
}

int CPitchFrames::HeldClass(size_t n) const {
    const float fKey = HeldKey(n);
    return fKey < 0 ? -1 : int(std::lround(fKey)) % 12;
}

float CPitchFrames::HeldKey(size_t n) const {
    if (!IsVoiced(n)) {
        return -1;
    }
    std::array<float, 2 * kHoldReach + 1> keys;
    size_t nKeys = 0;
    for (size_t k = n >= kHoldReach ? n - kHoldReach : 0; k <= n + kHoldReach; ++k) {
        if (IsVoiced(k)) {
            // Folded into one octave around the frame's own key, so that a median is possible.
            const double fKey = m_frames[n].fKey;
            keys[nKeys++] = float(fKey - CPitchClass::Interval(fKey - m_frames[k].fKey));
        }
    }
    if (nKeys < kHoldReach + 1) {
        return -1;
    }
    return COrderStatistics::Median(keys.begin(), keys.begin() + std::ptrdiff_t(nKeys));
}

// A steady pitch that follows another one or silence after a stretch of sound without a
// steady pitch began with that stretch: its frames take the steady pitch.
void CPitchFrames::BridgeSlowStarts() {
    std::vector<int> held(m_frames.size());
    for (size_t n = 0; n < m_frames.size(); ++n) {
        held[n] = HeldClass(n);
    }
    std::vector<float> levels = CLevelCues::Levels(m_frames);
    const float fQuiet =
        levels.empty() ? -120 : COrderStatistics::Quantile(levels.begin(), levels.end(), 1, 20);
    size_t nSteadyEnd = 0;  // where the last steady stretch ended
    for (size_t n = 0; n < held.size();) {
        const auto [nEnd, nHeld] = StretchOf(held, n);
        if (held[n] < 0 || nHeld < kStableFrames) {
            n = nEnd;
            continue;
        }
        float fLevel = -120;
        for (size_t k = n; k < std::min(nEnd, n + 2 * kStableFrames); ++k) {
            fLevel = std::max(fLevel, m_frames[k].fLevel);
        }
        const size_t nFrom = std::max(nSteadyEnd, n >= kBridgeFrames ? n - kBridgeFrames : 0);
        // Never into the quiet before a first note: noise there is as loud as a soft start.
        const float fFloor =
            std::max({fLevel - kBridgeRange, m_fPeak - kVoicedRange, fQuiet + kAboveQuiet});
        const auto take = [&](size_t k) {
            m_frames[k].fKey = m_frames[n].fKey;
            m_frames[k].fConfidence = std::max(m_frames[k].fConfidence, kMinConfidence);
            m_voiced[k] = true;
        };
        for (size_t k = n; k-- > nFrom && held[k] != held[n] && m_frames[k].fLevel > fFloor;) {
            take(k);
        }
        // The frames where the wavering note lost its pitch for a moment hold it as well.
        for (size_t k = n; k < nEnd; ++k) {
            if (held[k] < 0 && m_frames[k].fLevel > fFloor) {
                take(k);
            }
        }
        nSteadyEnd = nEnd;
        n = nEnd;
    }
}

void CPitchFrames::FindSteadyRise() {
    std::vector<float> rises;
    for (size_t n = 0; n < m_frames.size(); ++n) {
        if (m_voiced[n]) {
            rises.push_back(m_frames[n].fRise);
        }
    }
    if (!rises.empty()) {
        m_fSteadyRise = COrderStatistics::Quantile(rises.begin(), rises.end(), 9, 10);
    }
}
