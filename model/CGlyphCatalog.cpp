#include "CGlyphCatalog.h"

#include <algorithm>
#include <array>

#include "CPitchTable.h"

namespace {

constexpr std::array<int32_t, 4> kLengths = {1, 2, 4, 8};

constexpr size_t kGlyphCount =
    2 * CPitchTable::kScale.size() * kLengths.size() + kLengths.size() + 4;

constexpr std::array<int32_t, kGlyphCount> MakeGlyphs() {
    std::array<int32_t, kGlyphCount> glyphs{};
    size_t i = 0;
    for (int32_t nOffset : {0, CGlyphCatalog::kTieOffset}) {
        for (const CPitchTable::SPitch& pitch : CPitchTable::kScale) {
            for (int32_t nLength : kLengths) {
                glyphs[i++] = pitch.nGlyphBase + nOffset + nLength;
            }
        }
    }
    for (int32_t nLength : kLengths) {
        glyphs[i++] = CGlyphCatalog::kRestBase + nLength;
    }
    for (int32_t nSymbol : {CGlyphCatalog::kClef, CGlyphCatalog::kBarLine, CGlyphCatalog::kRowEnd,
                            CGlyphCatalog::kStaff}) {
        glyphs[i++] = nSymbol;
    }
    std::sort(glyphs.begin(), glyphs.end());
    return glyphs;
}

constexpr std::array<int32_t, kGlyphCount> kGlyphs = MakeGlyphs();

}  // namespace

bool CGlyphCatalog::HasPicture(int32_t nGlyph) {
    return std::binary_search(kGlyphs.begin(), kGlyphs.end(), nGlyph);
}

int32_t CGlyphCatalog::Resolve(int32_t nGlyph) {
    return HasPicture(nGlyph) ? nGlyph : kClef;
}

int32_t CGlyphCatalog::Width(int32_t nGlyph) {
    switch (Resolve(nGlyph)) {
        case kClef:
            return 58;
        case kRowEnd:
            return 14;
        default:
            return 29;
    }
}

std::span<const int32_t> CGlyphCatalog::AllGlyphs() {
    return kGlyphs;
}
