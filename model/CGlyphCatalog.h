#pragma once

#include <cstdint>
#include <span>

// Which glyph numbers have a picture, and how wide the pictures are. Every picture is
// 57 pixels high and carries the five staff lines.
class CGlyphCatalog {
public:
    static constexpr int32_t kHeight = 57;
    static constexpr int32_t kClef = 4800;
    static constexpr int32_t kBarLine = 4810;
    static constexpr int32_t kRowEnd = 4820;
    static constexpr int32_t kStaff = 4880;
    static constexpr int32_t kRestBase = 6100;
    static constexpr int32_t kTieOffset = 1000;

    static bool HasPicture(int32_t nGlyph);
    // The glyph drawn for nGlyph: itself if it has a picture, else the clef.
    static int32_t Resolve(int32_t nGlyph);
    // Width in pixels of the picture drawn for nGlyph.
    static int32_t Width(int32_t nGlyph);
    // Every glyph number with a picture, ascending.
    static std::span<const int32_t> AllGlyphs();
};
