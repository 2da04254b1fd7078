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

    // What a glyph number shows: a note (with its place in the scale), a rest, or something
    // else (a staff symbol, or a number without a picture).
    struct SSymbol {
        enum class Kind { note, rest, other };
        Kind kind = Kind::other;
        int pitchIndex = -1;
        int length = 0;  // eighths
        bool tied = false;
    };
    static SSymbol Decode(int glyphNumber);

    // The same symbols placed freely, for the printed pages, which space notes, join eighths
    // by beams and draw ties themselves. Coordinates are a row's: the glyph's vertical
    // geometry (the staff's top line at 14), x anywhere.
    static qreal HeadY(int pitchIndex);
    // A lone note's stem points up up to A4, the line below the middle one.
    static bool StemUpAlone(int pitchIndex);
    // Lines between a head and the middle line, signed: negative below it.
    static int StepsAboveMiddle(int pitchIndex);
    static qreal HeadWidth(int length);
    static qreal StemLength(bool flagged);
    static qreal StaffSpace();
    // Width of the clef at a row's start, with the time signature when withTime.
    static qreal ClefWidth(bool withTime);
    static void DrawStaff(QPainter& painter, qreal fromX, qreal toX);
    static void DrawClef(QPainter& painter, qreal x, bool withTime);
    // A thin line at x, or the final thin-thick pair ending at x.
    static void DrawBarLine(QPainter& painter, qreal x, bool final);
    static void DrawRestAt(QPainter& painter, qreal centreX, int length);
    // A head with its left edge at headX, its ledger line, and unless it is a whole note a
    // stem ending at stemTipY, with a flag when flagged.
    static void DrawNoteAt(QPainter& painter, qreal headX, int pitchIndex, int length, bool stemUp,
                           qreal stemTipY, bool flagged);
    // A tie as an arc from fromX to toX at y, bulging downwards when below.
    static void DrawTieArc(QPainter& painter, qreal fromX, qreal toX, qreal y, bool below);
    // A beam whose stem-side edge runs from (x1, y1) to (x2, y2).
    static void DrawBeam(QPainter& painter, QPointF from, QPointF to, bool stemUp);

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
    void DrawHead(qreal headX, int pitchIndex, int length);
    void DrawTie(qreal fromX, qreal headY, bool below);

    QPainter& m_painter;
};
