#pragma once

#include <array>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "CPitchFrames.h"

class CBeatGrid;
class CIntonationStep;
class CSteadyStart;

// What each eighth of the grid shows: how much of its middle is played and in which pitch
// classes, and how surely a note begins with it. The cues of a beginning are weighed by how well
// they tell the new notes of this very recording from its held ones.
class CEighthCues {
public:
    // Notes are first found as pitch classes, their octave afterwards: voices, choirs and low
    // strings are often read an octave off for a few frames, which must not split a note.
    static constexpr int kKeys = 12;
    // A cue that could not be told in an eighth.
    static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

    struct SSlot {
        double fVoiced = 0;                // share of the middle frames played
        std::array<double, kKeys> keys{};  // share of the middle frames that sound each class
        std::vector<float> heard;          // the keys of the middle frames that sound
        double fAttack = 0;                // 0 to 1: how surely a note begins with the eighth
        double fUnswung = 0;   // the level's attack, less what a tremolo swings of itself around it
        double fOwnSwung = 0;  // the same, less only what it swings in the eighth's own middle
        // Each cue of a beginning near the eighth's start (0 to 1), and of the sound's own
        // wavering in its middle (or a slow attack's late rise, see WeighLateRise).
        double fNotch = 0, fRise = 0, fSag = 0, fMiddleRise = 0, fMiddleSag = 0, fValley = 0,
               fMiddleValley = 0;
        double fSteady = 0;    // 0 to 1: how steadily the pitch begins after the eighth's start
        double fStopping = 0;  // 0 to 1: how surely a vibrato stops there
        double fGlide = 0;  // 0 to 1: how surely the pitch glides on into it from the eighth before
        std::array<double, kKeys> keysBefore{};  // the keys of the eighth before
        // The pitch tracker's confidence: its median through the middle of the eighth, its least
        // near the eighth's start, and how far it sank there below the note's own (see
        // ConfidenceDip), less what it sank of itself in the middle of the eighth before; and how
        // far it sank in the eighth's own middle.
        double fConfidence = 0, fLeastConfidence = 1, fConfidenceDip = 0, fMiddleDip = kUnknown;
        // How far the pitch steps at the eighth's start, semitones (see CIntonationStep).
        double fStep = kUnknown;
    };

    // The eighths from the grid's first line on, as long as their middle lies within the recording.
    static std::vector<SSlot> Observe(const CPitchFrames& frames, const CBeatGrid& grid);
    // The same before the attack model (CAttackModel) is blended in: what it was fitted to.
    static std::vector<SSlot> Hear(const CPitchFrames& frames, const CBeatGrid& grid);

    // How much a frame of fractional key fKey speaks for the pitch class nClass: wholly within a
    // quarter tone's half, not at all from three quarters of a semitone.
    static double Vote(float fKey, int nClass);

    // The mean of a cue (cue(s) for slot s) over the eighths whose pitch class changes from the
    // eighth before, and over those that keep it; with how many of each there are.
    struct SContrast {
        double fChange = 0, fStay = 0;
        int nChanges = 0, nStays = 0;
    };
    static SContrast Contrast(const std::vector<SSlot>& slots,
                              const std::function<double(size_t)>& cue);

private:
    struct SListener;
    static void HearPitch(const SListener& listener, SSlot& slot, double t, double e);
    static void HearOnset(const SListener& listener, SSlot& slot, double t, double e);
    static void Compare(std::vector<SSlot>& slots, bool bFades);
    static double LevelAttack(const SSlot& slot, const SSlot& before, double fSwing);
    static double Swing(const SSlot& slot, const SSlot& before, bool bWavers);
    static double OwnSwing(const SSlot& slot, bool bWavers);
    static SContrast Contrast(const std::vector<SSlot>& slots, double SSlot::*pCue);
    static void DropSwings(std::vector<SSlot>& slots);
    static bool IsJudged(const SContrast& contrast);
    static double ContrastWeight(const SContrast& contrast);
    static double WeighAttacks(std::vector<SSlot>& slots);
    static double Weighed(const SSlot& slot, double fLevel, double fWeight);
    static void DropOwnSwings(std::vector<SSlot>& slots, double fLevelWeight);
    static void AddRetunings(std::vector<SSlot>& slots);
    static double Retuned(const SSlot& slot);
    static void WeighLateRise(std::vector<SSlot>& slots, double fLevelWeight);
    static void WeighCue(std::vector<SSlot>& slots, double SSlot::*pCue, double SSlot::*pQuiet,
                         double fLeastAbove);
    static double Quiet(std::vector<double> cues);
    static double Separation(const std::vector<double>& said, std::vector<double> held);
    static double Glide(const std::vector<float>& before, const std::vector<float>& after);
    static double ConfidenceDip(double fOwn, double fLeast);
    static double Unsettled(const SSlot& before);
    static bool IsLost(double fConfidence);
    static int ClassOf(const SSlot& slot);
    static std::pair<size_t, size_t> FramesBetween(const std::vector<CPitchFrames::SFrame>& all,
                                                   double fFrom, double fTo);
    static double MedianConfidence(const CPitchFrames& frames, size_t nFirst, size_t nLast);
    static double Least(const std::vector<CPitchFrames::SFrame>& all, double fFrom, double fTo);
    static double Strongest(const std::vector<CPitchFrames::SFrame>& all, double fFrom, double fTo,
                            float CPitchFrames::SFrame::*pCue, float fFloor);
};
