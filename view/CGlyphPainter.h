#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

// Draws the picture of one glyph number: a slice of staff, 57 pixels high, with a note, a
// rest or a staff symbol on it, black on white. Glyphs drawn side by side form one staff.
class CGlyphPainter {
public:
    // The picture at a device pixel ratio: an image of width·dpr × 57·dpr device pixels
    // with the same logical geometry at every ratio. Numbers without a picture of their own
    // draw the clef.
    static QImage Render(int glyphNumber, qreal devicePixelRatio);
    // The same picture as outlines and filled rectangles on any painter (a PDF or SVG page,
    // say), in the pen's colour over what is there, filling target as the screen fills it
    // with the picture: a target wider than the picture stretches it sideways.
    static void Draw(QPainter& painter, int glyphNumber, const QRectF& target);

private:
    explicit CGlyphPainter(QPainter& painter);

    void Paint(int glyphNumber, int width);
    // Rectangles of whole logical pixels, snapped to device pixels so that lines stay sharp.
    void FillCrisp(const QRectF& logical);
    void DrawStaffLines(int fromColumn, int toColumn);
    void DrawStaffBar(int column, int thickness);
    void DrawClefSymbol();
    void DrawRowEnd();
    void DrawRest(int length);
    void DrawNote(int pitchIndex, int length, bool tied);
    void DrawTie(qreal fromX, qreal headY, bool below);

    QPainter& m_painter;
};
