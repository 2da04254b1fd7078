#include "CScalePitch.h"

#include <array>
#include <cmath>

#include "CNotenblatt.h"

namespace {

constexpr size_t kPitchCount = 13;
constexpr char kSteps[] = "CDEFGAB";
constexpr int32_t kLowestOctave = 4;
constexpr double kConcertA = 440.0;
constexpr int32_t kConcertAKey = 69;

// The sheet's bands, lowest pitch first, with the lowest height of each band.
std::array<CScalePitch, kPitchCount> BuildScale() {
    std::array<CScalePitch, kPitchCount> scale{};
    size_t nFound = 0;
    for (int32_t y = CNotenblatt::kRowHeight - 1; y >= 0; --y) {
        int32_t nGlyphBase = 0;
        const uint16_t nHz = CNotenblatt::PitchFromPoint(CPoint{0, y}, nGlyphBase);
        if (nHz == 0) {
            continue;
        }
        if (nFound > 0 && scale[nFound - 1].nHz == nHz) {
            scale[nFound - 1].nHeight = y;
            continue;
        }
        if (nFound == kPitchCount) {
            break;  // a fourteenth band would be a pitch no other program is told about
        }
        CScalePitch& pitch = scale[nFound];
        pitch.cStep = kSteps[nFound % 7];
        pitch.nOctave = kLowestOctave + static_cast<int32_t>(nFound / 7);
        pitch.nHz = nHz;
        pitch.nHeight = y;
        ++nFound;
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

int32_t CScalePitch::MidiKey() const {
    return kConcertAKey + static_cast<int32_t>(std::lround(SemitonesFromConcertA(nHz)));
}

double CScalePitch::CentsFromKey() const {
    return 100.0 * (SemitonesFromConcertA(nHz) - (MidiKey() - kConcertAKey));
}
