#pragma once

#include <QIcon>
#include <QPixmap>
#include <cstddef>

// The program's pictures: the glyph of every note, rest and staff symbol, the toolbar
// buttons and the application and document icons. Glyphs are drawn once per glyph number
// and device pixel ratio and kept as long as the application object lives.
class CGlyphLibrary {
public:
    // The glyph picture: 57 logical pixels high, 29, 58 or 14 wide, with the pixmap's device
    // pixel ratio set. Numbers without a picture of their own show the clef glyph 4800.
    static const QPixmap& Pixmap(int glyphNumber, qreal devicePixelRatio);
    // How many glyph pictures are kept now.
    static size_t CachedGlyphs();
    // The toolbar picture of a command (16 × 15 logical pixels); a null icon for commands
    // that have no button.
    static QIcon ToolbarIcon(int commandId);
    static QIcon ApplicationIcon();
    static QIcon DocumentIcon();
};
