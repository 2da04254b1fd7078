#include "CNoteDecoder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "CBeatGrid.h"
#include "CKeyFinder.h"
#include "COrderStatistics.h"
#include "CPitchClass.h"

namespace {
constexpr int kKeys = CEighthCues::kKeys;
// Costs: a note that ignores an attack, a new note without one, any new note.
constexpr double kIgnoredAttack = 1.5;
constexpr double kMissingAttack = 1.5;
constexpr double kNewNote = 0.3;
// A change to a neighbouring class (kNearClasses semitones apart or less) without an attack, where
// the pitch glides on across the grid line rather than stepping, costs this much more: a voice that
// sings near the quarter tone between two keys drifts over it and back within one note.
constexpr double kGlideChange = 0.5;
constexpr int kNearClasses = 1;
// What a pitch class off the melody's scale costs in each eighth it sounds.
constexpr double kOffScale = 0.3;
// An eighth is plainly heard in one octave where kPlainShare of kLeastPlain frames or more of its
// class are, and the tracker's confidence through its middle reaches kSurePitch: a choir's or a
// cello's eighths read an octave off are heard less surely (0.94 at most in the performances),
// a violin's or a flute's leaps at 0.97 and more.
constexpr double kPlainShare = 0.8;
constexpr size_t kLeastPlain = 4;
constexpr double kSurePitch = 0.95;
constexpr double kInfinite = std::numeric_limits<double>::infinity();

// States per eighth: 0 rest, 1 + k a new note of class k, 1 + kKeys + k class k held.
constexpr int kStates = CNoteDecoder::kStates;
static_assert(kStates == 1 + 2 * kKeys);

// The key a state sounds, -1 for the rest.
int KeyOf(int nState) {
    return nState == 0 ? -1 : (nState - 1) % kKeys;
}
}  // namespace

// One eighth of the Viterbi pass: from the costs of the states so far to those after slot,
// with the state each came from.
CNoteDecoder::SCosts CNoteDecoder::Step(const SCosts& cost, const SSlot& slot,
                                        const SClassCosts& offScale, SFrom& from) {
    const int nBest = int(std::min_element(cost.begin(), cost.end()) - cost.begin());
    const double fGlideChange = kGlideChange * slot.fGlide * (1 - slot.fAttack);
    SCosts next;
    next[0] = cost[size_t(nBest)] + slot.fVoiced;
    from[0] = nBest;
    for (int k = 0; k < kKeys; ++k) {
        const double fHeard = 1 - slot.keys[size_t(k)] + offScale[size_t(k)];
        const size_t nNew = size_t(1 + k), nHeld = size_t(1 + kKeys + k);
        // The same key again: only where an attack shows.
        const int nSame = cost[nNew] <= cost[nHeld] ? int(nNew) : int(nHeld);
        int nFrom = nSame;
        double fFrom = cost[size_t(nSame)] + kMissingAttack * (1 - slot.fAttack);
        for (int i = 0; i < kStates; ++i) {
            const int nKey = KeyOf(i);
            if (nKey == k) {
                continue;
            }
            const bool bNear = nKey >= 0 && CPitchClass::Distance(nKey, k) <= kNearClasses;
            // A rest in an eighth that still sounds the key is no way around the attack its
            // note needs to begin again: a valley within a held note would part it in two.
            const double fRestSounded =
                i == 0 ? kMissingAttack * (1 - slot.fAttack) * slot.keysBefore[size_t(k)] : 0;
            const double f = cost[size_t(i)] + (bNear ? fGlideChange : 0) + fRestSounded;
            if (f < fFrom) {
                fFrom = f;
                nFrom = i;
            }
        }
        next[nNew] = fFrom + kNewNote + fHeard;
        from[nNew] = nFrom;
        next[nHeld] = cost[size_t(nSame)] + kIgnoredAttack * slot.fAttack + fHeard;
        from[nHeld] = nSame;
    }
    return next;
}

std::vector<CNoteDecoder::SNote> CNoteDecoder::Decode(const CPitchFrames& frames,
                                                      const CBeatGrid& grid) {
    std::vector<SNote> notes;
    if (!grid.HasGrid()) {
        return notes;
    }
    const std::vector<SSlot> slots = CEighthCues::Observe(frames, grid);
    // The melody keeps to one major scale: a class off it is heard only where its frames say so
    // plainly, not where a voice arriving from the note before, or singing between two keys,
    // leaves them in doubt.
    SClassCosts offScale{};
    const int nFifths = CKeyFinder::Fifths(Path(slots, offScale));
    for (int k = 0; k < kKeys; ++k) {
        offScale[size_t(k)] = CKeyFinder::InScale(k, nFifths) ? 0 : kOffScale;
    }
    notes = SplitAtLeaps(slots, Path(slots, offScale));
    for (SNote& note : notes) {
        note.nKey = OctaveOf(slots, note);
    }
    return notes;
}

// The notes (as pitch classes) along the cheapest path of the Viterbi pass, where each class
// costs offScale more in each eighth it sounds.
std::vector<CNoteDecoder::SNote> CNoteDecoder::Path(const std::vector<SSlot>& slots,
                                                    const SClassCosts& offScale) {
    std::vector<SFrom> from(slots.size());
    SCosts cost;
    cost.fill(kInfinite);
    cost[0] = 0;
    for (size_t s = 0; s < slots.size(); ++s) {
        cost = Step(cost, slots[s], offScale, from[s]);
    }
    // Back from the cheapest last state; then the notes in order.
    std::vector<int> path(slots.size());
    int nState = int(std::min_element(cost.begin(), cost.end()) - cost.begin());
    for (size_t s = slots.size(); s-- > 0;) {
        path[s] = nState;
        nState = from[s][size_t(nState)];
    }
    std::vector<SNote> notes;
    for (size_t s = 0; s < path.size(); ++s) {
        if (path[s] >= 1 && path[s] <= kKeys) {
            notes.push_back(SNote{int64_t(s), 1, path[s] - 1});
        } else if (path[s] > kKeys && !notes.empty()) {
            ++notes.back().nLength;
        }
    }
    return notes;
}

// The octave (counted from nClass's own) the slot's frames of class nClass are plainly heard in;
// none where they are not.
std::optional<int> CNoteDecoder::PlainOctave(const SSlot& slot, int nClass) {
    if (slot.fConfidence < kSurePitch) {
        return std::nullopt;
    }
    std::map<int, size_t> counts;
    size_t nAll = 0;
    for (const float fKey : slot.heard) {
        if (CEighthCues::Vote(fKey, nClass) > 0) {
            ++counts[int(std::lround((double(fKey) - nClass) / 12))];
            ++nAll;
        }
    }
    for (const auto& [nOctave, nCount] : counts) {
        if (nAll >= kLeastPlain && double(nCount) >= kPlainShare * double(nAll)) {
            return nOctave;
        }
    }
    return std::nullopt;
}

// The notes, each parted where its class leaps an octave from one eighth plainly heard to the
// next: a slurred octave has no attack, and the pitch classes alone would hold it as one note.
std::vector<CNoteDecoder::SNote> CNoteDecoder::SplitAtLeaps(const std::vector<SSlot>& slots,
                                                            const std::vector<SNote>& notes) {
    std::vector<SNote> parted;
    for (const SNote& note : notes) {
        parted.push_back(note);
        for (int64_t s = note.nOnset + 1; s < note.nOnset + note.nLength; ++s) {
            const auto before = PlainOctave(slots[size_t(s - 1)], note.nKey);
            const auto after = PlainOctave(slots[size_t(s)], note.nKey);
            if (before && after && std::abs(*before - *after) == 1) {
                parted.back().nLength = s - parted.back().nOnset;
                parted.push_back(SNote{s, note.nOnset + note.nLength - s, note.nKey});
            }
        }
    }
    return parted;
}

// The key of the note's class in the octave most of its frames are heard in (their median).
int CNoteDecoder::OctaveOf(const std::vector<SSlot>& slots, const SNote& note) {
    std::vector<double> octaves;
    for (int64_t s = note.nOnset; s < note.nOnset + note.nLength; ++s) {
        for (const float fKey : slots[size_t(s)].heard) {
            if (CEighthCues::Vote(fKey, note.nKey) > 0) {
                octaves.push_back(std::round((double(fKey) - note.nKey) / 12));
            }
        }
    }
    if (octaves.empty()) {
        return note.nKey + 60;
    }
    return note.nKey + 12 * int(COrderStatistics::Median(octaves.begin(), octaves.end()));
}
