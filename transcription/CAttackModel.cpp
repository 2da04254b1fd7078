#include "CAttackModel.h"

#include <algorithm>
#include <cmath>

#include "CBeatGrid.h"
#include "CPitchFrames.h"

namespace {
// The model's weights: of the cues in the order Features() gives them, of the levels around the
// line (each in tens of dB), and its bias. Fitted by tools/fit-attack-model.py.
constexpr std::array<double, CAttackModel::kCues> kCueWeights = {
    2.131874,  -1.025369, 0.542999,  0.191583, -0.241439, 1.852530,  -0.295518,
    -0.415170, -0.521636, -0.208874, 0.558114, 3.659571,  -0.049069, -0.846326,
    -0.989102, -2.353940, 0.863333,  0.812846, -0.097046,
};
constexpr std::array<double, CAttackModel::kLevels> kLevelWeights = {
    0.519608, 0.451673,  0.251567,  0.123638,  0.199846,  0.458935,  0.422253,
    0.509036, -0.230872, -1.014245, -1.813151, -1.402073, -0.303253, 0.269361,
    0.105573, -0.099742, -0.075361, -0.248618, -0.495622, -0.622199, -0.158206,
    0.007032, -0.220257, -0.305584, 0.018917,  -0.216204, -0.009881, 1.028621,
};
constexpr double kBias = -1.280409;
// The levels are taken against the loudest frame within kPeakFrames of the line, no lower than
// kLevelFloor dB below it, in units of kLevelUnit dB.
constexpr long kPeakFrames = 25;
constexpr float kLevelFloor = -40;
constexpr double kLevelUnit = 10;
// An attack the cues are this sure of stays as it is: the renders of Kantilo's own sampler, whose
// cues are plain, come back as before.
constexpr double kSure = 0.9;
// How far the changes of key must at least rise above the held keys, and how steeply a reading
// that tells them apart better is preferred.
constexpr double kLeastContrast = 0.05;
constexpr double kContrastPower = 3;
// Where a note this many dB louder than every frame the model reads follows within kPeakFrames,
// all it reads lies near its floor: a piano's dying strings swell again with their beat 35 dB
// below the next strike, which the model, fitted to lines heard at their own loudness, takes
// for a note begun softly. There the cues decide alone.
constexpr float kLouderAfter = 25;

// An unknown cue reads as -1, as it was fitted.
double Known(double f) {
    return std::isnan(f) ? -1.0 : f;
}

// The loudest frame from nFrom to nTo (both included), -1000 dB where there is none.
float Loudest(const std::vector<CPitchFrames::SFrame>& all, long nFrom, long nTo) {
    float fLoudest = -1000;
    for (long n = std::max(0L, nFrom); n <= nTo && n < long(all.size()); ++n) {
        fLoudest = std::max(fLoudest, all[size_t(n)].fLevel);
    }
    return fLoudest;
}

bool LouderNoteFollows(const std::vector<CPitchFrames::SFrame>& all, long nLine) {
    const long nLast = nLine + CAttackModel::kLevelTo;
    return Loudest(all, nLast + 1, nLine + kPeakFrames) >
           Loudest(all, nLine + CAttackModel::kLevelFrom, nLast) + kLouderAfter;
}
}  // namespace

CAttackModel::SFeatures CAttackModel::Features(const CPitchFrames& frames, double fLine,
                                               const CEighthCues::SSlot& slot) {
    const std::array<double, kCues> cues = {
        slot.fAttack,        slot.fVoiced,    slot.fUnswung,      slot.fOwnSwung,
        slot.fNotch,         slot.fRise,      slot.fSag,          slot.fMiddleRise,
        slot.fMiddleSag,     slot.fValley,    slot.fMiddleValley, slot.fSteady,
        slot.fStopping,      slot.fGlide,     slot.fConfidence,   slot.fLeastConfidence,
        slot.fConfidenceDip, slot.fMiddleDip, slot.fStep};
    SFeatures features{};
    std::transform(cues.begin(), cues.end(), features.begin(), Known);
    const auto& all = frames.Frames();
    const long nLine = CPitchFrames::FrameOf(fLine);
    const auto level = [&](long n) {
        return n >= 0 && n < long(all.size()) ? all[size_t(n)].fLevel : -1000.0f;
    };
    const float fPeak = Loudest(all, nLine - kPeakFrames, nLine + kPeakFrames);
    for (long k = kLevelFrom; k <= kLevelTo; ++k) {
        features[kCues + size_t(k - kLevelFrom)] =
            std::max(kLevelFloor, level(nLine + k) - fPeak) / kLevelUnit;
    }
    return features;
}

double CAttackModel::Probability(const SFeatures& features) {
    double z = kBias;
    for (size_t i = 0; i < kCues; ++i) {
        z += kCueWeights[i] * features[i];
    }
    for (size_t i = 0; i < kLevels; ++i) {
        z += kLevelWeights[i] * features[kCues + i];
    }
    return 1 / (1 + std::exp(-z));
}

void CAttackModel::Blend(const CPitchFrames& frames, const CBeatGrid& grid,
                         std::vector<CEighthCues::SSlot>& slots) {
    std::vector<double> model(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        model[i] = Probability(Features(frames, grid.EighthStart(int64_t(i)), slots[i]));
    }
    // How far each rises, on average, from the eighths that hold a key to those that change it.
    // A recording that never changes key gives nothing to judge the model by: its cues stand.
    const auto cues = CEighthCues::Contrast(slots, [&](size_t s) { return slots[s].fAttack; });
    const auto modelled = CEighthCues::Contrast(slots, [&](size_t s) { return model[s]; });
    if (cues.nChanges == 0 || cues.nStays == 0) {
        return;
    }
    const double fCues =
        std::pow(std::max(kLeastContrast, cues.fChange - cues.fStay), kContrastPower);
    const double fModel =
        std::pow(std::max(kLeastContrast, modelled.fChange - modelled.fStay), kContrastPower);
    for (size_t i = 0; i < slots.size(); ++i) {
        double& fAttack = slots[i].fAttack;
        const long nLine = CPitchFrames::FrameOf(grid.EighthStart(int64_t(i)));
        if (fAttack < kSure && !LouderNoteFollows(frames.Frames(), nLine)) {
            fAttack = (fCues * fAttack + fModel * model[i]) / (fCues + fModel);
        }
    }
}
