#pragma once

#include <QImage>

class QColor;
class QPainter;

// Draws the application icon (a treble clef on staff lines, transparent ground) and the
// document icon (a page with a staff, two beamed eighth notes and a green turned-down
// corner) at any square size in pixels.
class CIconPainter {
public:
    static QImage Application(int size);
    static QImage Document(int size);

private:
    static void DrawStaff(QPainter& painter, qreal left, qreal right, qreal topLine, qreal space,
                          qreal thickness, const QColor& color);
    static void DrawBeamedEighths(QPainter& painter, qreal x, qreal bottomLine, qreal space);
};
