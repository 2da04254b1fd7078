#include "CLevelCues.h"

#include <algorithm>
#include <cmath>

#include "CRecording.h"

namespace {
// The level rise is measured every quarter frame against the quietest of the last eight
// levels, so that the short fade between two notes of one pitch shows, and slower attacks.
constexpr uint32_t kRiseParts = 4;
constexpr size_t kRiseReach = 8;
// The notch between two notes is looked for in levels of two parts (5 ms), against the loudest
// of such levels 20 to 40 ms before and 15 to 60 ms after (slow attacks take that long to sound).
constexpr size_t kNotchParts = 2;
constexpr size_t kNotchBefore = 16;
constexpr size_t kNotchAfter = 24;
constexpr size_t kNotchRecovery = 8;
constexpr float kNotchRise = 3;
constexpr size_t kNotchFall = 4;
// A sag is looked for against the loudest frames 40 to 80 ms before and 50 to 100 ms after.
constexpr size_t kSagBefore = 8;
constexpr size_t kSagAfter = 10;
constexpr float kNotchSteep = 6;
// A bowed string or a choir swells into a note over a tenth of a second and more: a valley is
// looked for against the loudest frames 50 to 200 ms before and 100 to 400 ms after, at the
// lowest frame within kValleyNear on either side.
constexpr size_t kValleyBefore = 20;
constexpr size_t kValleyAfter = 40;
constexpr size_t kValleyNear = kValleyBefore / 4;
// A note dying away (a piano's strings beating) swells a little now and then, or holds its
// level for a moment, long after it began: a valley counts where it lies within
// kValleySwellRange dB of the loudest of the kValleyNote frames before, and the level swells by
// kValleySwell dB or more within kValleyAfter / 2 frames after it.
constexpr size_t kValleyNote = 150;
constexpr float kValleySwellRange = 30;
constexpr float kValleySwell = 1;
// A sound that dies away (struck bars, a plucked string) falls from one frame to the next in at
// least kDyingShare of the frames within kDyingRange dB of the loudest (a glockenspiel in 0.84
// of them, with noise at 30 dB too; a bowed, blown or sung melody, holding its level, in 0.4 to
// 0.56).
constexpr double kDyingShare = 0.7;
constexpr float kDyingRange = 20;
// It still sounds down to kRingRange dB below the loudest, and kAboveQuietest dB above the
// recording's quietest frame: its noise, where it has some.
constexpr float kRingRange = 80;
constexpr float kAboveQuietest = 10;
// A trough of the level is kTroughDepth dB below the loudest frames within kTroughReach on
// either side; kTremoloTroughs troughs or more one after another, each kTremoloFrames after
// the last or sooner, are a tremolo when one of them sinks kClearTrough dB or deeper: even at
// 170 quarters per minute, notes begin 18 frames apart, and the end of one note and the start
// of the next can make two troughs, never three. A whistle's tremolo is uneven: its troughs
// sink 8 to 15 dB, and one clear trough shows what the shallower ones around it are. A
// violin's gentle swell (troughs of 8 dB, far apart) makes no run, nor its repeated notes.
// A tremolo that sets in a while after the note began swings slower at first: a run may begin
// with a clear trough kTremoloOnsetFrames or fewer before the next, where the level held within
// kSwellRise dB from kTremoloFrames to kTroughReach frames before it (no note began there).
constexpr size_t kTroughReach = 5;
constexpr float kTroughDepth = 7;
constexpr float kClearTrough = 10;
constexpr size_t kTremoloFrames = 16;
constexpr size_t kTremoloOnsetFrames = 24;
constexpr size_t kTremoloTroughs = 3;
// A tremolo fades out rather than stops: after its last trough it still swings at its pace,
// its troughs kFadedDepth dB or deeper, too shallow for a trough of the run, yet rising as far
// as a soft note's start.
constexpr float kFadedDepth = 5;
// A vibrato (a bowed string's, five to seven swings a second) sinks the level where its pitch
// is lowest, often as sharply as a new note would begin: a trough of the level kVibratoDepth dB
// or deeper, where the pitch lies kVibratoSwing semitones or more below its highest within
// kVibratoReach frames (half a swing) before, and again after, is the note's own, as long as
// no key there lies more than kVibratoWidest above the trough's or kVibratoLowTolerance below
// it (a step to the next key, a flat start). A note of the same pitch begun anew holds its
// pitch steady after its start.
constexpr size_t kVibratoReach = 9;
constexpr float kVibratoSwing = 0.25f;
constexpr float kVibratoWidest = 0.6f;
constexpr float kVibratoLowTolerance = 0.1f;
constexpr float kVibratoDepth = 6;
// A vibrato's level climbs back out of its trough over several frames, less than kStrikeClimb
// dB within kClimbFrames (a cello's, 9 dB at most); a struck bar struck again, rising out of
// its own tail, climbs twice as far at once.
constexpr size_t kClimbFrames = 2;
constexpr float kStrikeClimb = 13;
// A voice swells into a note, overshoots, and a tenth of a second after the note's start sinks
// for a moment as sharply and as deep as between two notes before it settles: kFlutterDepth dB
// or more below the loudest of the kFlutterBefore frames before, at most kFlutterWidest frames
// lying within kFlutterSpan dB of its bottom, back within kFlutterBack dB of that level
// kFlutterReturn frames after its bottom, at the pitch it left (within kFlutterPitch
// semitones), where the level rose kSwellRise dB or more within kSwellFrames before. The notch
// between two notes comes an eighth or more after the last note's swell.
constexpr size_t kFlutterBefore = 8;
constexpr float kFlutterDepth = 12;
constexpr size_t kFlutterWidest = 2;
constexpr float kFlutterSpan = 6;
constexpr size_t kFlutterReturn = 4;
constexpr float kFlutterBack = 3;
constexpr float kFlutterPitch = 0.35f;
constexpr size_t kSwellFrames = 12;
constexpr float kSwellRise = 8;

// Levels (dB) of nWidth consecutive parts of nPart samples each, one starting at every part.
std::vector<float> PartLevels(const std::vector<double>& partSums, uint32_t nPart, size_t nWidth) {
    std::vector<float> levels(partSums.size() >= nWidth ? partSums.size() - nWidth + 1 : 0);
    for (size_t j = 0; j < levels.size(); ++j) {
        double fSum = 0;
        for (size_t i = 0; i < nWidth; ++i) {
            fSum += partSums[j + i];
        }
        levels[j] = float(10 * std::log10(fSum / (double(nPart) * double(nWidth)) + 1e-12));
    }
    return levels;
}

float Loudest(const std::vector<float>& levels, size_t nFrom, size_t nTo) {
    return *std::max_element(levels.begin() + std::ptrdiff_t(nFrom),
                             levels.begin() + std::ptrdiff_t(nTo));
}

// How many frames around the lowest within two of frame n lie within kFlutterSpan dB of it.
size_t BottomWidth(const std::vector<float>& levels, size_t n) {
    const auto near = levels.begin() + std::ptrdiff_t(n - 2);
    const auto lowest = std::min_element(near, near + 5);
    auto first = lowest, last = lowest;
    while (first != levels.begin() && *(first - 1) < *lowest + kFlutterSpan) {
        --first;
    }
    while (last + 1 != levels.end() && *(last + 1) < *lowest + kFlutterSpan) {
        ++last;
    }
    return size_t(last - first) + 1;
}

// How far the level of frame n lies below the loudest within kTroughReach frames on either side.
float TroughDepth(const std::vector<float>& levels, size_t n) {
    return std::min(Loudest(levels, n - kTroughReach, n),
                    Loudest(levels, n + 1, n + kTroughReach + 1)) -
           levels[n];
}

// Whether the trough at frame n may begin a tremolo that set in a while after the note began.
bool IsTremoloOnset(const std::vector<float>& levels, size_t n) {
    if (n < kTremoloFrames || TroughDepth(levels, n) < kClearTrough) {
        return false;
    }
    const auto held = std::minmax_element(levels.begin() + std::ptrdiff_t(n - kTremoloFrames),
                                          levels.begin() + std::ptrdiff_t(n - kTroughReach));
    return *held.second - *held.first < kSwellRise;
}
}  // namespace

float CLevelCues::Read(const CRecording& recording, uint32_t nHop, std::vector<SFrame>& frames) {
    CLevelCues cues(frames);
    cues.ReadLevels(recording, nHop);
    cues.FindSags();
    cues.FindValleys();
    cues.DropTremolo();
    return cues.m_fPeak;
}

void CLevelCues::ReadLevels(const CRecording& recording, uint32_t nHop) {
    const float* pSamples = recording.Samples().data();
    for (size_t n = 0; n < m_frames.size(); ++n) {
        double fSum = 0;
        for (uint32_t i = 0; i < nHop; ++i) {
            const double v = pSamples[n * nHop + i];
            fSum += v * v;
        }
        m_frames[n].fLevel = float(10 * std::log10(fSum / nHop + 1e-12));
        m_fPeak = std::max(m_fPeak, m_frames[n].fLevel);
    }
    // Levels of a frame's length every quarter frame: short enough to see the fade between two
    // notes, long enough to hold whole periods of low notes.
    const uint32_t nPart = std::max<uint32_t>(1, nHop / kRiseParts);
    const size_t nParts = m_frames.size() * nHop / nPart;
    std::vector<double> partSums(nParts);
    for (size_t j = 0; j < nParts; ++j) {
        for (uint32_t i = 0; i < nPart; ++i) {
            const double v = pSamples[j * nPart + i];
            partSums[j] += v * v;
        }
    }
    const std::vector<float> levels = PartLevels(partSums, nPart, kRiseParts);
    for (size_t j = kRiseReach; j < levels.size(); ++j) {
        const float fQuietest = *std::min_element(levels.begin() + std::ptrdiff_t(j - kRiseReach),
                                                  levels.begin() + std::ptrdiff_t(j));
        float& fRise = m_frames[j * nPart / nHop].fRise;
        fRise = std::max(fRise, levels[j] - fQuietest);
    }
    FindNotches(partSums, nPart, nHop);
}

// A note that ends where the next begins fades out and the next starts from nothing: the level
// of a few milliseconds sinks far below the sound on both sides, even when the new note
// swells slowly (bowed strings, organ, flute) and shows no rise at all. A held note does not.
void CLevelCues::FindNotches(const std::vector<double>& partSums, uint32_t nPart, uint32_t nHop) {
    const std::vector<float> levels = PartLevels(partSums, nPart, kNotchParts);
    for (size_t j = kNotchBefore; j + kNotchAfter < levels.size(); ++j) {
        const float fSides = std::min(Loudest(levels, j - kNotchBefore, j - kNotchBefore / 2),
                                      Loudest(levels, j + kNotchAfter / 4, j + kNotchAfter));
        // Silence between two notes is a gap, not a notch: the note after it begins anew. At a
        // notch the next note sounds again within 20 ms.
        if (levels[j] < m_fPeak - CPitchFrames::kVoicedRange ||
            levels[j + kNotchRecovery] < levels[j] + kNotchRise ||
            levels[j - kNotchFall] < levels[j] + kNotchSteep) {
            continue;
        }
        float& fDip = m_frames[std::min(m_frames.size() - 1, (j * nPart + nPart) / nHop)].fDip;
        fDip = std::max(fDip, fSides - levels[j]);
    }
}

// Two notes of one pitch played by a soft instrument (a recorder, a voice) part in a gap of a
// few hundredths of a second that the release and the room half fill: the level sags over
// tens of milliseconds and slowly comes back.
void CLevelCues::FindSags() {
    const std::vector<float> levels = Levels(m_frames);
    for (size_t n = kSagBefore; n + kSagAfter < levels.size(); ++n) {
        const float fSides = std::min(Loudest(levels, n - kSagBefore, n - kSagBefore / 2),
                                      Loudest(levels, n + kSagAfter / 2, n + kSagAfter));
        m_frames[n].fSag = std::max(0.0f, fSides - levels[n]);
    }
}

// Two notes of one pitch bowed or sung one after the other: the first fades, the second swells
// slowly, and the level passes through a wide valley that neither a rise nor a short sag shows.
void CLevelCues::FindValleys() {
    const std::vector<float> levels = Levels(m_frames);
    for (size_t n = kValleyBefore; n + kValleyAfter < levels.size(); ++n) {
        const auto near = levels.begin() + std::ptrdiff_t(n - kValleyNear);
        if (*std::min_element(near, near + 2 * kValleyNear + 1) < levels[n]) {
            continue;
        }
        if (levels[n] < Loudest(levels, n - std::min(n, kValleyNote), n) - kValleySwellRange ||
            Loudest(levels, n + 1, n + kValleyAfter / 2) < levels[n] + kValleySwell) {
            continue;
        }
        const float fSides = std::min(Loudest(levels, n - kValleyBefore, n - kValleyNear),
                                      Loudest(levels, n + kValleyAfter / 4, n + kValleyAfter));
        m_frames[n].fValley = std::max(0.0f, fSides - levels[n]);
    }
}

// A tremolo (a whistle's, a voice's) makes the level sink and rise faster than any melody
// repeats a note: around a run of troughs that close, the dips, sags and rises are the sound's
// own, no new notes. A silence within the run still parts two notes.
void CLevelCues::DropTremolo() {
    const std::vector<float> levels = Levels(m_frames);
    const std::vector<size_t> troughs = Troughs();
    for (size_t nFirst = 0; nFirst < troughs.size();) {
        size_t nLast = nFirst;
        const size_t nFirstGap =
            IsTremoloOnset(levels, troughs[nFirst]) ? kTremoloOnsetFrames : kTremoloFrames;
        while (nLast + 1 < troughs.size() &&
               troughs[nLast + 1] - troughs[nLast] <=
                   (nLast == nFirst ? nFirstGap : kTremoloFrames) &&
               std::none_of(m_frames.begin() + std::ptrdiff_t(troughs[nLast]),
                            m_frames.begin() + std::ptrdiff_t(troughs[nLast + 1]),
                            [this](const SFrame& frame) { return IsBreak(frame); })) {
            ++nLast;
        }
        const auto first = troughs.begin() + std::ptrdiff_t(nFirst);
        const auto last = troughs.begin() + std::ptrdiff_t(nLast + 1);
        if (last - first >= std::ptrdiff_t(kTremoloTroughs) &&
            std::any_of(first, last,
                        [&levels](size_t n) { return TroughDepth(levels, n) >= kClearTrough; })) {
            ClearCues(*first - kTroughReach, FadeEnd(levels, troughs[nLast]));
        }
        nFirst = nLast + 1;
    }
}

// Where the cues of a tremolo whose last trough is at frame n end: after the fading swings that
// follow it, never past a break in the sound.
size_t CLevelCues::FadeEnd(const std::vector<float>& levels, size_t n) const {
    for (size_t m = n + 1; m <= n + kTremoloFrames && m + kTroughReach < levels.size(); ++m) {
        if (IsBreak(m_frames[m])) {
            return m;
        }
        if (levels[m] <= levels[m - 1] && levels[m] < levels[m + 1] &&
            TroughDepth(levels, m) >= kFadedDepth) {
            n = m;
        }
    }
    return n + kTroughReach + 1;
}

bool CLevelCues::IsBreak(const SFrame& frame) const {
    return frame.fLevel < m_fPeak - CPitchFrames::kVoicedRange;
}

void CLevelCues::DropVibrato(std::vector<SFrame>& frames, const std::vector<bool>& played) {
    if (played.size() != frames.size()) {
        return;
    }
    CLevelCues cues(frames);
    const std::vector<float> levels = Levels(frames);
    std::vector<size_t> troughs;
    for (size_t n = kVibratoReach; n + kVibratoReach < levels.size(); ++n) {
        // Where the sound breaks off, a note ends, however its pitch wavers.
        if (played[n] && cues.IsVibratoTrough(levels, played, n)) {
            troughs.push_back(n);
        }
    }
    // Cleared only once all are found (the cues are no part of what a trough is), and never
    // past a break in the sound: the attack of the note after it is its own.
    for (const size_t n : troughs) {
        size_t nFrom = n, nTo = n + 1;
        while (nFrom > n - kTroughReach && played[nFrom - 1]) {
            --nFrom;
        }
        while (nTo < n + kTroughReach && played[nTo]) {
            ++nTo;
        }
        cues.ClearCues(nFrom, nTo);
    }
}

bool CLevelCues::IsVibratoTrough(const std::vector<float>& levels, const std::vector<bool>& played,
                                 size_t n) const {
    if (levels[n] > levels[n - 1] || levels[n] >= levels[n + 1] ||
        std::min(Loudest(levels, n - kVibratoReach, n),
                 Loudest(levels, n + 1, n + kVibratoReach + 1)) -
                levels[n] <
            kVibratoDepth ||
        levels[n + kClimbFrames] - levels[n] >= kStrikeClimb) {
        return false;
    }
    // The pitch heard on either side as far as the note sounds on, all of one note (no octave
    // read wrongly, no other key), and at its lowest right in the trough: a note begun anew may
    // start flat, but only after the gap's lowest point.
    const float fLowest = m_frames[n].fKey;
    const auto highest = [&](size_t i, int nStep) {
        float fHighest = fLowest;
        for (size_t k = 0; k < kVibratoReach && played[i]; ++k, i = size_t(int64_t(i) + nStep)) {
            const float fKey = m_frames[i].fKey;
            if (fKey <= 0 || fKey < fLowest - kVibratoLowTolerance ||
                fKey > fLowest + kVibratoWidest) {
                return fLowest;
            }
            fHighest = std::max(fHighest, fKey);
        }
        return fHighest;
    };
    return highest(n - 1, -1) - fLowest >= kVibratoSwing &&
           highest(n + 1, 1) - fLowest >= kVibratoSwing;
}

void CLevelCues::DropFlutter(std::vector<SFrame>& frames) {
    CLevelCues cues(frames);
    const std::vector<float> levels = Levels(frames);
    std::vector<size_t> dips;
    for (size_t n = kSwellFrames; n + kFlutterBefore < levels.size(); ++n) {
        if (cues.IsFlutter(levels, n)) {
            dips.push_back(n);
        }
    }
    // Cleared only once all are found: the cues are no part of what a dip is.
    for (const size_t n : dips) {
        cues.ClearCues(n - kTroughReach, n + kTroughReach + 1);
    }
}

bool CLevelCues::IsFlutter(const std::vector<float>& levels, size_t n) const {
    if (levels[n] > levels[n - 1] || levels[n] >= levels[n + 1]) {
        return false;
    }
    const auto before = levels.begin() + std::ptrdiff_t(n);
    const auto loudest = std::max_element(before - std::ptrdiff_t(kFlutterBefore), before);
    const float fKeyBefore = m_frames[n - kFlutterReturn].fKey;
    const float fKeyAfter = m_frames[n + kFlutterReturn].fKey;
    return *loudest - levels[n] >= kFlutterDepth &&
           levels[n + kFlutterReturn] >= *loudest - kFlutterBack && fKeyBefore > 0 &&
           fKeyAfter > 0 && std::abs(fKeyAfter - fKeyBefore) <= kFlutterPitch &&
           BottomWidth(levels, n) <= kFlutterWidest &&
           *loudest - *std::min_element(before - std::ptrdiff_t(kSwellFrames), loudest + 1) >=
               kSwellRise;
}

void CLevelCues::ClearCues(size_t nFrom, size_t nTo) {
    for (size_t n = nFrom; n < std::min(nTo, m_frames.size()); ++n) {
        m_frames[n].fDip = m_frames[n].fRise = m_frames[n].fSag = m_frames[n].fValley = 0;
    }
}

// The frames whose level lies kTroughDepth dB or more below the loudest within kTroughReach
// frames on either side.
std::vector<size_t> CLevelCues::Troughs() const {
    const std::vector<float> levels = Levels(m_frames);
    std::vector<size_t> troughs;
    for (size_t n = kTroughReach; n + kTroughReach < levels.size(); ++n) {
        if (TroughDepth(levels, n) >= kTroughDepth && levels[n] <= levels[n - 1] &&
            levels[n] < levels[n + 1] && levels[n] > m_fPeak - CPitchFrames::kVoicedRange) {
            troughs.push_back(n);
        }
    }
    return troughs;
}

std::vector<float> CLevelCues::Levels(const std::vector<SFrame>& frames) {
    std::vector<float> levels;
    levels.reserve(frames.size());
    for (const SFrame& frame : frames) {
        levels.push_back(frame.fLevel);
    }
    return levels;
}

float CLevelCues::Floor(const std::vector<SFrame>& frames, float fPeak) {
    float fQuietest = fPeak;
    for (const SFrame& frame : frames) {
        fQuietest = std::min(fQuietest, frame.fLevel);
    }
    return std::min(fPeak - CPitchFrames::kVoicedRange,
                    std::max(fPeak - kRingRange, fQuietest + kAboveQuietest));
}

bool CLevelCues::DiesAway(const std::vector<SFrame>& frames, float fPeak) {
    size_t nLoud = 0, nFalling = 0;
    for (size_t n = 1; n < frames.size(); ++n) {
        if (frames[n].fLevel > fPeak - kDyingRange) {
            ++nLoud;
            nFalling += frames[n].fLevel < frames[n - 1].fLevel ? 1 : 0;
        }
    }
    return double(nFalling) >= kDyingShare * double(nLoud);
}
