#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QLabel;

// Lays dialogs out in dialog units: a quarter of the font's average character width across
// and an eighth of its height down, so the layouts grow with the user's font.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    // Fixed base units in pixels, for checking the arithmetic.
    CDialogUnits(int baseWidth, int baseHeight);

    QRect Rect(int x, int y, int width, int height) const;
    // Places a label in the given rectangle, grown to its text where the user's font is wider
    // than the layout allows; a right-aligned label keeps its right edge.
    void PlaceLabel(QLabel& label, int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;
    int X(int units) const;
    int Y(int units) const;

private:
    int m_nBaseWidth;
    int m_nBaseHeight;
};
