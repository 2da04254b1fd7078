#include "CScalePitch.h"

#include <array>
#include <cmath>

#include "CPitchTable.h"

namespace {

constexpr size_t kPitchCount = CPitchTable::kScale.size();
constexpr char kSteps[] = "CDEFGAB";
constexpr int32_t kLowestOctave = 4;
constexpr double kConcertA = 440.0;
constexpr int32_t kConcertAKey = 69;

// The sheet's pitches, lowest first, named as other programs name them; a note is entered at
// the top of its band.
std::array<CScalePitch, kPitchCount> BuildScale() {
    std::array<CScalePitch, kPitchCount> scale{};
    for (size_t n = 0; n < kPitchCount; ++n) {
        CScalePitch& pitch = scale[n];
        pitch.cStep = kSteps[n % 7];
        pitch.nOctave = kLowestOctave + static_cast<int32_t>(n / 7);
        pitch.nHz = CPitchTable::kScale[n].nFrequency;
        pitch.nHeight = CPitchTable::kScale[n].nTop;
    }
    return scale;
}

const std::array<CScalePitch, kPitchCount>& Scale() {
    static const std::array<CScalePitch, kPitchCount> scale = BuildScale();
    return scale;
}

double SemitonesFromConcertA(uint16_t nHz) {
    return 12.0 * std::log2(static_cast<double>(nHz) / kConcertA);
}

}  // namespace

std::optional<CScalePitch> CScalePitch::FromHz(uint16_t nHz) {
    for (const CScalePitch& pitch : Scale()) {
        if (nHz != 0 && pitch.nHz == nHz) {
            return pitch;
        }
    }
    return std::nullopt;
}

std::optional<CScalePitch> CScalePitch::FromStep(char cStep, int32_t nOctave) {
    for (const CScalePitch& pitch : Scale()) {
        if (pitch.cStep == cStep && pitch.nOctave == nOctave) {
            return pitch;
        }
    }
    return std::nullopt;
}

std::optional<CScalePitch> CScalePitch::FromKey(int32_t nKey) {
    // Asked for every imported note: the keys are worked out once.
    static const std::array<int32_t, kPitchCount> keys = [] {
        std::array<int32_t, kPitchCount> result{};
        for (size_t n = 0; n < kPitchCount; ++n) {
            result[n] = Scale()[n].MidiKey();
        }
        return result;
    }();
    for (size_t n = 0; n < kPitchCount; ++n) {
        if (keys[n] == nKey) {
            return Scale()[n];
        }
    }
    return std::nullopt;
}

int32_t CScalePitch::MidiKey() const {
    return kConcertAKey + static_cast<int32_t>(std::lround(SemitonesFromConcertA(nHz)));
}

double CScalePitch::CentsFromKey() const {
    return 100.0 * (SemitonesFromConcertA(nHz) - (MidiKey() - kConcertAKey));
}
