#include "CEighthCues.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "CAttackModel.h"
#include "CBeatGrid.h"
#include "CIntonationStep.h"
#include "COrderStatistics.h"
#include "CPitchClass.h"
#include "CReplayedStart.h"
#include "CSteadyStart.h"

namespace {
// The middle of an eighth, as parts of it, where its pitch is heard.
constexpr double kCoreFrom = 0.25;
constexpr double kCoreTo = 0.85;
// Where an attack belongs to the eighth beginning at 0.
constexpr double kAttackFrom = -0.2;
constexpr double kAttackTo = 0.25;
constexpr double kWaverFrom = 0.35;
constexpr double kWaverTo = 0.75;
constexpr float kSagFloor = 4;
// A valley counts from kValleyFloor dB; its lowest point comes late, after the new note began,
// so it belongs to the eighth until kWaverFrom.
constexpr float kValleyFloor = 6;
// Rises from kAttackFloor dB count, fully from kAttackFloor + kAttackSpan.
constexpr float kAttackFloor = 3;
constexpr float kAttackSpan = 6;
// A notch between two notes counts from kDipFloor dB, fully from kDipFloor + kAttackSpan.
constexpr float kDipFloor = 6;
// The middle of one eighth and the next glides from kGlideFrom semitones apart or less, steps
// from kStepTo or more.
constexpr double kGlideFrom = 0.3;
constexpr double kStepTo = 0.5;
// A step of the pitch by up to kRetuneFrom semitones at a grid line is the wobble of one tuning;
// it is a note tuned afresh fully from kRetuneFrom + kRetuneSpan (below kStepTo: a larger step
// within one pitch class is the tracker's misreading).
constexpr double kRetuneFrom = 0.1;
constexpr double kRetuneSpan = 0.1;
// A note tuned afresh begins steadier than kHalfSteady (see Retuned), fully so from 1.
constexpr double kHalfSteady = 0.5;
// Attacks count fully where they are, on average, this much of their strength stronger where
// the pitch changes than where it stays; they are judged so from kMinChanges changes on.
constexpr double kAttackContrast = 0.7;
constexpr int kMinChanges = 4;
// A tremolo's swings are taken out of the attacks where that keeps this much of the attacks
// where the pitch changes.
constexpr double kKeptAtChanges = 0.95;
// A voice swells after its attacks: its level rises in the middle of the eighths whose pitch
// changes, by this contrast (see ContrastWeight) or more, than of those whose pitch stays.
constexpr double kSwellsAfterAttacks = 0.5;
// The tracker's doubt (1 - confidence) counts from kSureDoubt: a pitch heard surer than that is
// as sure as any.
constexpr double kSureDoubt = 0.02;
// A further cue (a dip of the confidence, a step of the pitch) counts in a recording where it sets
// the eighths the other cues call new notes apart from those they call held (the share of such
// pairs ordered rightly) better than kLeastSeparation, fully from kLeastSeparation +
// kSeparationSpan; judged from kMinSaid eighths that keep their pitch class and begin a note by
// the other cues.
constexpr double kLeastSeparation = 0.8;
constexpr double kSeparationSpan = 0.1;
constexpr size_t kMinSaid = 2;
// The other cues call a new note from this attack on.
constexpr double kSaysNewNote = 0.5;
// A cue counts from the size kQuietShare of kQuietParts of the eighths held by the other cues
// stay below (see WeighCue); fully from kCueSpan of the way from there to the cue of an average
// new note, at least the cue's least span above it: kLeastDipAbove for a dip (the doubt
// doubled), kLeastStepAbove for a step (a tenth of a semitone: a bowed or a fading piano string
// drifts by as much within its note). Where new notes show the cue less than that beyond that
// size, it is too like the wavering within notes to tell anything.
constexpr size_t kQuietShare = 19, kQuietParts = 20;
constexpr double kCueSpan = 0.75;
constexpr double kLeastDipAbove = 0.3;
constexpr double kLeastStepAbove = 0.1;
}  // namespace

// What the whole recording tells of each eighth's cues.
struct CEighthCues::SListener {
    const CPitchFrames& frames;
    CSteadyStart steady;
    CIntonationStep intonation;
    // A sound that wavers of itself rises that much without a new note.
    float fFloor = 0;
    // A voice's or a bow's fade ends its note; a sampled or plucked note that does not waver
    // decays as evenly while it is held.
    bool bFades = false;
};

std::vector<CEighthCues::SSlot> CEighthCues::Observe(const CPitchFrames& frames,
                                                     const CBeatGrid& grid) {
    std::vector<SSlot> slots = Hear(frames, grid);
    CAttackModel::Blend(frames, grid, slots);
    return slots;
}

std::vector<CEighthCues::SSlot> CEighthCues::Hear(const CPitchFrames& frames,
                                                  const CBeatGrid& grid) {
    SListener listener{frames, CSteadyStart(frames), CIntonationStep(frames),
                       std::max(kAttackFloor, frames.SteadyRise())};
    listener.bFades = listener.steady.Wavering() >= CSteadyStart::kLeastWavering;
    const double fEnd = double(frames.Frames().size()) * CPitchFrames::kFrameSeconds;
    const double e = grid.Eighth();
    std::vector<SSlot> slots;
    // The last eighth may end a little past the recording, its middle must lie within it.
    for (double t = grid.EighthStart(0); t + 0.5 * e <= fEnd; t += e) {
        SSlot slot;
        HearPitch(listener, slot, t, e);
        HearOnset(listener, slot, t, e);
        slots.push_back(std::move(slot));
    }
    Compare(slots, listener.bFades);
    CReplayedStart::Mark(frames, grid, slots);
    return slots;
}

double CEighthCues::Vote(float fKey, int nClass) {
    return std::clamp(1.5 - 2 * CPitchClass::Distance(double(fKey), double(nClass)), 0.0, 1.0);
}

// How much of the eighth's middle is played, in which classes, and how surely the tracker hears
// its pitch.
void CEighthCues::HearPitch(const SListener& listener, SSlot& slot, double t, double e) {
    const CPitchFrames& frames = listener.frames;
    const auto& all = frames.Frames();
    const double fFrame = CPitchFrames::kFrameSeconds;
    const bool bFades = listener.bFades;
    const auto first = size_t(std::max(0.0, std::ceil((t + kCoreFrom * e) / fFrame)));
    const auto last = std::min(all.size(), size_t(std::max(0.0, (t + kCoreTo * e) / fFrame)));
    for (size_t n = first; n < last; ++n) {
        if (!frames.IsPlayed(n) || (bFades && frames.IsFadedOut(n))) {
            continue;
        }
        slot.fVoiced += 1;
        slot.heard.push_back(all[n].fKey);
        for (int k = 0; k < kKeys; ++k) {
            slot.keys[size_t(k)] += Vote(all[n].fKey, k);
        }
    }
    slot.fConfidence = MedianConfidence(frames, first, last);
    const double nCount = std::max<double>(1, double(last) - double(first));
    slot.fVoiced /= nCount;
    for (double& v : slot.keys) {
        v /= nCount;
    }
}

// The cues of a note beginning near the eighth's start, and of the sound's own wavering in its
// middle.
void CEighthCues::HearOnset(const SListener& listener, SSlot& slot, double t, double e) {
    const auto& all = listener.frames.Frames();
    const float fFloor = listener.fFloor;
    const auto strongest = [&](double fFrom, double fTo, float CPitchFrames::SFrame::*pCue,
                               float fCueFloor) {
        return Strongest(all, t + fFrom * e, t + fTo * e, pCue, fCueFloor);
    };
    slot.fNotch = strongest(kAttackFrom, kAttackTo, &CPitchFrames::SFrame::fDip, kDipFloor);
    slot.fRise = strongest(kAttackFrom, kAttackTo, &CPitchFrames::SFrame::fRise, fFloor);
    slot.fSag = strongest(kAttackFrom, kAttackTo, &CPitchFrames::SFrame::fSag, kSagFloor);
    slot.fMiddleRise = strongest(kWaverFrom, kWaverTo, &CPitchFrames::SFrame::fRise, fFloor);
    slot.fMiddleSag = strongest(kWaverFrom, kWaverTo, &CPitchFrames::SFrame::fSag, kSagFloor);
    slot.fValley = strongest(kAttackFrom, kWaverFrom, &CPitchFrames::SFrame::fValley, kValleyFloor);
    slot.fMiddleValley =
        strongest(kWaverFrom, kWaverTo, &CPitchFrames::SFrame::fValley, kValleyFloor);
    slot.fLeastConfidence = Least(all, t + kAttackFrom * e, t + kWaverFrom * e);
    slot.fMiddleDip =
        ConfidenceDip(slot.fConfidence, Least(all, t + kWaverFrom * e, t + kWaverTo * e));
    slot.fSteady = listener.steady.At(t);
    slot.fStopping = listener.steady.Stopping(t);
    slot.fStep = std::abs(listener.intonation.At(t));
}

// Each eighth's cues against its neighbours' and against the whole recording's.
void CEighthCues::Compare(std::vector<SSlot>& slots, bool bFades) {
    // A rise counts as far as the sound before did not rise as much of itself in the middle of
    // its last eighth, a sag as far as it does not sag as much in the middle of the eighths on
    // either side (a whistle's tremolo, a choir's swell; a slow attack still rises after the
    // start of its eighth). The sharp notch between two notes counts but for a tremolo's swing
    // (see DropSwings).
    for (size_t s = slots.size(); s-- > 0;) {
        SSlot& slot = slots[s];
        const SSlot& before = s > 0 ? slots[s - 1] : slot;
        slot.fAttack = LevelAttack(slot, before, 0);
        slot.fUnswung = LevelAttack(slot, before, Swing(slot, before, bFades));
        slot.fOwnSwung = LevelAttack(slot, before, OwnSwing(slot, bFades));
        slot.fConfidenceDip =
            ConfidenceDip(std::min(slot.fConfidence, before.fConfidence), slot.fLeastConfidence) -
            (s > 0 ? Unsettled(before) : 0.0);
        if (s > 0) {
            slot.fGlide = Glide(before.heard, slot.heard);
            slot.keysBefore = before.keys;
        }
    }
    DropSwings(slots);
    const double fLevelWeight = WeighAttacks(slots);
    DropOwnSwings(slots, fLevelWeight);
    WeighCue(slots, &SSlot::fConfidenceDip, &SSlot::fMiddleDip, kLeastDipAbove);
    WeighCue(slots, &SSlot::fStep, &SSlot::fStep, kLeastStepAbove);
    WeighLateRise(slots, fLevelWeight);
    AddRetunings(slots);
}

// 1 where the pitch of one eighth's middle glides on into the next, 0 where it steps (apart by
// octaves, as the tracker misreads them, or not at all heard in either).
double CEighthCues::Glide(const std::vector<float>& before, const std::vector<float>& after) {
    if (before.empty() || after.empty()) {
        return 0;
    }
    const double d = CPitchClass::Distance(COrderStatistics::MeanMedian(after),
                                           COrderStatistics::MeanMedian(before));
    return std::clamp((kStepTo - d) / (kStepTo - kGlideFrom), 0.0, 1.0);
}

// The level's cues of a note beginning with slot, less fSwing: what the sound wavers of itself.
double CEighthCues::LevelAttack(const SSlot& slot, const SSlot& before, double fSwing) {
    return std::max({slot.fNotch - fSwing, slot.fRise - std::max(before.fMiddleRise, fSwing),
                     slot.fSag - std::max({slot.fMiddleSag, before.fMiddleSag, fSwing}),
                     slot.fValley - std::max({slot.fMiddleValley, before.fMiddleValley, fSwing})});
}

// How far a tremolo swings the level of itself at the start of slot: as far as the level swings
// in the middle of the eighths on either side, unless the pitch begins steadily there (a new
// note's) rather than wavering on through the grid line. Where the pitch does not waver at all,
// nothing tells a note played again after a held one with a tremolo (a sampler's, an organ's)
// from the tremolo's own swing: none is taken out.
double CEighthCues::Swing(const SSlot& slot, const SSlot& before, bool bWavers) {
    if (!bWavers) {
        return 0;
    }
    return std::max(OwnSwing(slot, bWavers),
                    (1 - slot.fSteady) * std::max(before.fMiddleRise, before.fMiddleSag));
}

// How far a tremolo swings the level of itself in the middle of slot, unless its pitch begins
// steadily (see Swing).
double CEighthCues::OwnSwing(const SSlot& slot, bool bWavers) {
    return bWavers ? (1 - slot.fSteady) * std::max(slot.fMiddleRise, slot.fMiddleSag) : 0;
}

// The mean of a cue where the pitch class changes from one eighth to the next and where it
// stays, with the number of each.
CEighthCues::SContrast CEighthCues::Contrast(const std::vector<SSlot>& slots, double SSlot::*pCue) {
    return Contrast(slots, [&](size_t s) { return slots[s].*pCue; });
}

CEighthCues::SContrast CEighthCues::Contrast(const std::vector<SSlot>& slots,
                                             const std::function<double(size_t)>& cue) {
    SContrast contrast;
    for (size_t s = 1; s < slots.size(); ++s) {
        const int nBefore = ClassOf(slots[s - 1]), nNow = ClassOf(slots[s]);
        if (nBefore >= 0 && nNow >= 0) {
            (nBefore != nNow ? contrast.fChange : contrast.fStay) += cue(s);
            ++(nBefore != nNow ? contrast.nChanges : contrast.nStays);
        }
    }
    contrast.fChange /= std::max(1, contrast.nChanges);
    contrast.fStay /= std::max(1, contrast.nStays);
    return contrast;
}

// A whistle's or a bow's tremolo may swing the level within a held note as deep as the notch
// between two notes. Its swings are taken out of the attacks where that sets the eighths whose
// pitch changes apart from those whose pitch stays better than before and leaves the attacks
// where the pitch changes all but whole; a voice that swells after each of its attacks would
// lose the attacks of its new notes as well.
void CEighthCues::DropSwings(std::vector<SSlot>& slots) {
    const SContrast plain = Contrast(slots, &SSlot::fAttack);
    const SContrast unswung = Contrast(slots, &SSlot::fUnswung);
    const auto separation = [](const SContrast& contrast) {
        return (contrast.fChange - contrast.fStay) / contrast.fChange;
    };
    if (plain.fChange > 0 && unswung.fChange > kKeptAtChanges * plain.fChange &&
        separation(unswung) > separation(plain)) {
        for (SSlot& slot : slots) {
            slot.fAttack = slot.fUnswung;
        }
    }
}

// Where the pitch changes from one eighth to the next a new note surely begins; where it stays,
// mostly none does. An ensemble's swells and crossfades show attack cues as strong in the one
// as in the other: such cues say nothing, and splitting held notes on them only adds notes.
// Where the level says little so, the steady start of the pitch tells the notes instead (a
// choir singing a note again shows it in nothing else); where the level marks the notes (a
// saxophone's tongue), a vibrato that pauses for a moment within a held note would only split
// it. A vibrato that stops and a steady pitch after it mark a new note in any case.
double CEighthCues::WeighAttacks(std::vector<SSlot>& slots) {
    const SContrast contrast = Contrast(slots, &SSlot::fAttack);
    // Too few changes to judge by: the level's cues count.
    const double fWeight = IsJudged(contrast) ? ContrastWeight(contrast) : 1;
    for (SSlot& slot : slots) {
        slot.fAttack = Weighed(slot, slot.fAttack, fWeight);
    }
    return fWeight;
}

// The attack of slot from the level's cue fLevel, weighed by fWeight against its steady start.
double CEighthCues::Weighed(const SSlot& slot, double fLevel, double fWeight) {
    return std::max({fWeight * fLevel, (1 - fWeight) * slot.fSteady, slot.fStopping});
}

// Where the recording as a whole keeps the tremolo's swings (see DropSwings: the note before
// swings as well where a new note begins), a held note's eighth whose level swings in its own
// middle as deep as at its start, its pitch wavering on, is no new note either: a new note's
// tremolo sets in only later. A voice that swells after each of its attacks swings so in the
// eighths of its new notes: there nothing is taken out.
void CEighthCues::DropOwnSwings(std::vector<SSlot>& slots, double fLevelWeight) {
    const SContrast swell = Contrast(slots, &SSlot::fMiddleRise);
    if (!IsJudged(swell) || ContrastWeight(swell) >= kSwellsAfterAttacks) {
        return;
    }
    for (size_t s = 1; s < slots.size(); ++s) {
        SSlot& slot = slots[s];
        const int nClass = ClassOf(slot);
        if (nClass >= 0 && nClass == ClassOf(slots[s - 1])) {
            slot.fAttack = std::min(slot.fAttack, Weighed(slot, slot.fOwnSwung, fLevelWeight));
        }
    }
}

// A note tuned afresh begins whatever the other cues say. It is added after the further cues
// are judged: it rests on the pitch's step, which must not vouch for itself.
void CEighthCues::AddRetunings(std::vector<SSlot>& slots) {
    for (SSlot& slot : slots) {
        slot.fAttack = std::max(slot.fAttack, Retuned(slot));
    }
}

// How surely the note beginning with slot is tuned afresh: its pitch begins steadily a little off
// where the note before was let go. Either alone is common within a held note (a vibrato not yet
// set in, a whistle's or a bow's wobble); both at once mark a note played again. A start only
// half steady is no fresh tuning: it is a held note's pitch still settling into the first, shallow
// swing of its vibrato, which steps off the note's steady start as far.
double CEighthCues::Retuned(const SSlot& slot) {
    if (std::isnan(slot.fStep) || slot.fStep >= kStepTo) {
        return 0;
    }
    const double fSteady = std::clamp((slot.fSteady - kHalfSteady) / (1 - kHalfSteady), 0.0, 1.0);
    return std::min(fSteady, std::clamp((slot.fStep - kRetuneFrom) / kRetuneSpan, 0.0, 1.0));
}

// A voice that swells slowly into its notes rises, at a fast tempo, only in the middle of the
// eighth its note begins with, too late for an attack; sung again on the same key without a
// break, such a note shows nothing else. A late rise is a cue of the level: it counts as far as
// the level's cues do (fLevelWeight), and as far as late rises set the eighths whose pitch
// changes apart from those whose pitch stays (a tremolo or a choir's swell rises as late within
// its notes).
void CEighthCues::WeighLateRise(std::vector<SSlot>& slots, double fLevelWeight) {
    const SContrast contrast = Contrast(slots, &SSlot::fMiddleRise);
    if (!IsJudged(contrast)) {
        return;
    }
    const double fWeight = fLevelWeight * ContrastWeight(contrast);
    for (SSlot& slot : slots) {
        slot.fAttack = std::max(slot.fAttack, fWeight * slot.fMiddleRise);
    }
}

// Whether a contrast rests on enough eighths to judge a cue by.
bool CEighthCues::IsJudged(const SContrast& contrast) {
    return contrast.nChanges >= kMinChanges && contrast.nStays > 0;
}

// How fully a cue counts by its contrast: fully where it is kAttackContrast of its strength
// stronger where the pitch changes than where it stays, not at all where it is no stronger.
double CEighthCues::ContrastWeight(const SContrast& contrast) {
    const double fChange = contrast.fChange, fStay = contrast.fStay;
    return fChange > 0 ? std::clamp((fChange - fStay) / (kAttackContrast * fChange), 0.0, 1.0)
                       : 0.0;
}

// A voice that sings a note again without a break may show it neither in its level nor in its
// steady start, but the tracker's confidence sinks for a moment where the voice sets off again,
// and the pitch steps to the new note's own tuning. Whether such a cue marks new notes in this
// recording is judged where the other cues already tell: among eighths that keep their pitch
// class, those the other cues call new notes must show the cue larger than those they call held
// (a whistle's, a cello's or a choir's confidence wavers as much within its notes, a struck or
// tongued note shows no more than its level says). The cue counts from what the eighths held by
// the other cues show. The notes sung again that the other cues missed are among them, and raise
// the cue of the few held eighths it counts from; they do not raise pQuiet, the cue's like in the
// middle of those eighths, nor the cue of most of them (a voice that sinks at every grid line
// does). It then adds where the others are silent.
void CEighthCues::WeighCue(std::vector<SSlot>& slots, double SSlot::*pCue, double SSlot::*pQuiet,
                           double fLeastAbove) {
    std::vector<double> said, held, quiet;
    for (size_t s = 1; s < slots.size(); ++s) {
        const SSlot& slot = slots[s];
        const int nClass = ClassOf(slot);
        if (nClass < 0 || nClass != ClassOf(slots[s - 1])) {
            continue;
        }
        const bool bSaid = slot.fAttack >= kSaysNewNote;
        if (!bSaid && !std::isnan(slot.*pQuiet)) {
            quiet.push_back(slot.*pQuiet);
        }
        if (!std::isnan(slot.*pCue)) {
            (bSaid ? said : held).push_back(slot.*pCue);
        }
    }
    if (said.size() < kMinSaid || held.empty() || quiet.empty()) {
        return;
    }
    const double fWeight =
        std::clamp((Separation(said, held) - kLeastSeparation) / kSeparationSpan, 0.0, 1.0);
    const double fFloor = std::min(
        Quiet(held), std::max(Quiet(quiet), COrderStatistics::Median(held.begin(), held.end())));
    const double fAbove =
        std::accumulate(said.begin(), said.end(), 0.0) / double(said.size()) - fFloor;
    if (fWeight <= 0 || fAbove < fLeastAbove) {
        return;
    }
    const double fSpan = std::max(fLeastAbove, kCueSpan * fAbove);
    for (SSlot& slot : slots) {
        if (!std::isnan(slot.*pCue)) {
            slot.fAttack = std::max(slot.fAttack,
                                    fWeight * std::clamp((slot.*pCue - fFloor) / fSpan, 0.0, 1.0));
        }
    }
}

// What the share kQuietShare of the cues stay below.
double CEighthCues::Quiet(std::vector<double> cues) {
    return COrderStatistics::Quantile(cues.begin(), cues.end(), kQuietShare, kQuietParts);
}

// The share of the pairs of a said and a held cue in which the said one is the larger, ties
// counting half.
double CEighthCues::Separation(const std::vector<double>& said, std::vector<double> held) {
    std::sort(held.begin(), held.end());
    double fOrdered = 0;
    for (const double fCue : said) {
        const auto below = std::lower_bound(held.begin(), held.end(), fCue);
        const auto upTo = std::upper_bound(below, held.end(), fCue);
        fOrdered += double(below - held.begin()) + 0.5 * double(upTo - below);
    }
    return fOrdered / double(said.size() * held.size());
}

// A note just begun may still unsettle the tracker as the next eighth begins: a dip there counts
// as far as the tracker did not sink as much in the middle of the eighth before, and not at all
// where it lost the pitch there.
double CEighthCues::Unsettled(const SSlot& before) {
    return std::isnan(before.fMiddleDip) ? kUnknown : std::max(0.0, before.fMiddleDip);
}

// How far the tracker's confidence sank from fOwn, the note's own, to fLeast: in orders of
// magnitude of its doubt, which grows alike where a sure voice (0.99) or a less sure one
// wavers. Where the pitch is lost altogether (a break, a whistle's tremolo, a noisy moment) the
// level and the voicing tell what there is to tell; such a dip says nothing here.
double CEighthCues::ConfidenceDip(double fOwn, double fLeast) {
    if (IsLost(fLeast)) {
        return kUnknown;
    }
    return std::log10(std::max(kSureDoubt, 1 - fLeast) / std::max(kSureDoubt, 1 - fOwn));
}

bool CEighthCues::IsLost(double fConfidence) {
    return fConfidence <= CPitchFrames::kMinConfidence;
}

// The pitch class most of the eighth's middle sounds, -1 where none does.
int CEighthCues::ClassOf(const SSlot& slot) {
    const auto it = std::max_element(slot.keys.begin(), slot.keys.end());
    return *it >= 0.5 ? int(it - slot.keys.begin()) : -1;
}

// The median confidence of the played frames from nFirst to nLast, 0 where none is played.
double CEighthCues::MedianConfidence(const CPitchFrames& frames, size_t nFirst, size_t nLast) {
    std::vector<float> confidences;
    for (size_t n = nFirst; n < nLast; ++n) {
        if (frames.IsPlayed(n)) {
            confidences.push_back(frames.Frames()[n].fConfidence);
        }
    }
    if (confidences.empty()) {
        return 0;
    }
    return COrderStatistics::Median(confidences.begin(), confidences.end());
}

// The frames from fFrom to fTo seconds, first and one past the last, within the recording.
std::pair<size_t, size_t> CEighthCues::FramesBetween(const std::vector<CPitchFrames::SFrame>& all,
                                                     double fFrom, double fTo) {
    return {size_t(std::max(0.0, fFrom / CPitchFrames::kFrameSeconds)),
            std::min(all.size(), size_t(std::max(0.0, fTo / CPitchFrames::kFrameSeconds)))};
}

// The least confidence of the frames from fFrom to fTo seconds, 1 where there are none.
double CEighthCues::Least(const std::vector<CPitchFrames::SFrame>& all, double fFrom, double fTo) {
    const auto [first, last] = FramesBetween(all, fFrom, fTo);
    double fLeast = 1;
    for (size_t n = first; n < last; ++n) {
        fLeast = std::min(fLeast, double(all[n].fConfidence));
    }
    return fLeast;
}

// How strongly the cue shows in the frames from fFrom to fTo seconds: 0 up to fFloor dB, 1
// from kAttackSpan dB above it.
double CEighthCues::Strongest(const std::vector<CPitchFrames::SFrame>& all, double fFrom,
                              double fTo, float CPitchFrames::SFrame::*pCue, float fFloor) {
    const auto [first, last] = FramesBetween(all, fFrom, fTo);
    double fStrongest = 0;
    for (size_t n = first; n < last; ++n) {
        fStrongest = std::max(fStrongest,
                              std::clamp((all[n].*pCue - fFloor) / kAttackSpan, 0.0f, 1.0f) + 0.0);
    }
    return fStrongest;
}
