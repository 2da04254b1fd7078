#include "CIconPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "CMusicFont.h"

namespace {

using Symbol = CMusicFont::Symbol;

const QColor kPageOutline(64, 64, 64);
const QColor kCorner(0, 160, 0);
const QColor kCornerOutline(0, 96, 0);

// The clef reaches 4.78 staff spaces above its G line and 2.54 below (font units / 250).
constexpr qreal kClefAbove = 4.78;
constexpr qreal kClefBelow = 2.54;

QImage Blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// In the smallest sizes the lines are only a pixel apart; lighter lines keep the clef and
// the notes standing out from them.
QColor StaffColour(int size) {
    return size < 32 ? QColor(0, 0, 0, 110) : QColor(Qt::black);
}

qreal LineThickness(int size) {
    return std::max(1.0, std::round(size / 40.0));
}

}  // namespace

void CIconPainter::DrawStaff(QPainter& painter, qreal left, qreal right, qreal topLine, qreal space,
                             qreal thickness, const QColor& color) {
    for (int line = 0; line < 5; ++line) {
        const qreal y = std::round(topLine + line * space);
        painter.fillRect(QRectF(left, y, right - left, thickness), color);
    }
}

QImage CIconPainter::Application(int size) {
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::black);
    const qreal space = 0.94 * size / (kClefAbove + kClefBelow);
    const qreal gLine = 0.03 * size + kClefAbove * space;
    const qreal thickness = LineThickness(size);
    DrawStaff(painter, 0.04 * size, 0.96 * size, gLine - 3.0 * space, space, thickness,
              StaffColour(size));
    const qreal fontSize = space * CMusicFont::kEmPerStaffSpace;
    const QRectF ink = CMusicFont::Outline(Symbol::TrebleClef, fontSize).boundingRect();
    const QPointF origin(size / 2.0 - ink.center().x(), std::round(gLine) + thickness / 2.0);
    CMusicFont::Draw(painter, Symbol::TrebleClef, origin, fontSize);
    return image;
}

void CIconPainter::DrawBeamedEighths(QPainter& painter, qreal x, qreal bottomLine, qreal space) {
    // Two eighth notes on G and B, stems up, joined by one beam.
    const qreal fontSize = space * CMusicFont::kEmPerStaffSpace;
    const qreal headWidth = CMusicFont::Advance(Symbol::FilledHead, fontSize);
    const qreal stemWidth = std::max(1.0, space / 7.0);
    const qreal heads[2] = {bottomLine - space, bottomLine - 2.0 * space};
    const qreal gap = 2.2 * headWidth;
    const qreal tips[2] = {heads[0] - 3.2 * space, heads[1] - 3.2 * space};
    for (int i = 0; i < 2; ++i) {
        const qreal headX = x + i * gap;
        CMusicFont::Draw(painter, Symbol::FilledHead, QPointF(headX, heads[i]), fontSize);
        const qreal stemX = headX + headWidth - stemWidth;
        painter.fillRect(QRectF(stemX, tips[i], stemWidth, heads[i] - tips[i]), Qt::black);
    }
    const qreal beam = 0.5 * space;
    const qreal left = x + headWidth - stemWidth;
    const qreal right = x + gap + headWidth;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF(
        {{left, tips[0]}, {right, tips[1]}, {right, tips[1] + beam}, {left, tips[0] + beam}}));
}

QImage CIconPainter::Document(int size) {
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    const qreal outline = LineThickness(size);
    const qreal half = outline / 2.0;
    const qreal left = std::round(0.14 * s) + half;
    const qreal right = std::round(0.86 * s) - half;
    const qreal top = std::round(0.04 * s) + half;
    const qreal bottom = std::round(0.96 * s) - half;
    const qreal corner = std::round(0.26 * s);
    painter.setPen(QPen(kPageOutline, outline, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({{left, top},
                                   {right - corner, top},
                                   {right, top + corner},
                                   {right, bottom},
                                   {left, bottom}}));
    // The turned-down corner lies on the page, showing its green back.
    painter.setPen(QPen(kCornerOutline, outline, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(kCorner);
    painter.drawPolygon(
        QPolygonF({{right - corner, top}, {right - corner, top + corner}, {right, top + corner}}));
    painter.setPen(Qt::black);
    const qreal space = std::max(2.0, 0.075 * s);
    const qreal staffTop = 0.5 * s;
    const qreal margin = 0.06 * s;
    DrawStaff(painter, left + margin, right - margin, staffTop, space, LineThickness(size * 2 / 3),
              StaffColour(size));
    DrawBeamedEighths(painter, left + 0.12 * s, std::round(staffTop + 4.0 * space), space);
    return image;
}
