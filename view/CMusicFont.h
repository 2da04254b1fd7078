#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QString>

class QPainter;

// The engraving font that every note, rest and clef picture is drawn with. It is built
// into the program, so the pictures look the same whatever fonts the system has.
class CMusicFont {
public:
    // Code points of the symbols the program uses.
    enum class Symbol : char32_t {
        WholeRest = 0xE000,    // hangs from its line
        HalfRest = 0xE001,     // stands on its line
        QuarterRest = 0xE008,  // origin on the middle line
        EighthRest = 0xE00B,
        TrebleClef = 0xE085,  // origin on the G line
        FlagUp = 0xE0D2,      // origin at the end of an upward stem
        FlagDown = 0xE0DA,    // origin at the end of a downward stem
        WholeHead = 0xE0E8,
        HalfHead = 0xE0E9,
        FilledHead = 0xE0EA,
        Four = 0x34,  // time-signature figure, origin on its bottom line
    };

    // The head and the rest of a length in eighths (1, 2, 4 or 8).
    static Symbol HeadFor(int length);
    static Symbol RestFor(int length);

    // One staff space is a quarter of the font's em.
    static constexpr qreal kEmPerStaffSpace = 4.0;

    // Family name under which the font is registered with the application.
    static QString Family();
    // True when the built-in font could be loaded and holds every symbol above.
    static bool IsAvailable();
    // Outline of a symbol at the given pixel size, origin at (0, 0), y downwards.
    static QPainterPath Outline(Symbol symbol, qreal pixelSize);
    static qreal Advance(Symbol symbol, qreal pixelSize);
    // Fills the symbol in the painter's pen colour with its origin at a logical point.
    // The outline is made at the device resolution (pixel size times the painter's scale).
    static void Draw(QPainter& painter, Symbol symbol, QPointF origin, qreal pixelSize);
};
