#include "CToolbarIconPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "CMusicFont.h"
#include "CommandIds.h"

namespace {

using Symbol = CMusicFont::Symbol;

// A staff space of 4 pixels makes a note with its stem just fit the button.
constexpr qreal kNoteFontSize = 16.0;
constexpr qreal kRestFontSize = 20.0;

const QColor kOutline(0, 0, 0);
const QColor kDarkRed(128, 0, 0);
const QColor kRed(220, 0, 0);
const QColor kFolder(255, 214, 64);
const QColor kFolderFront(232, 180, 32);
const QColor kDiskette(40, 56, 120);
const QColor kShutter(176, 176, 176);
const QColor kPreview(0, 128, 48);

// Pen for 1-pixel outlines through pixel centres.
QPen OutlinePen(const QColor& color) {
    QPen pen(color, 1.0);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

}  // namespace

bool CToolbarIconPainter::HasPicture(int commandId) {
    switch (commandId) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_ACHTELNOTE:
        case ID_VIERTELNOTE:
        case ID_HALBE_NOTE:
        case ID_GANZE_NOTE:
        case ID_ACHTELPAUSE:
        case ID_VIERTELPAUSE:
        case ID_HALBE_PAUSE:
        case ID_GANZE_PAUSE:
        case ID_LOESCHEN:
        case ID_LIED_GENERIEREN:
        case ID_LIED_SPIELEN:
        case ID_LIED_STOPPEN:
        case ID_LIED_VORHOEREN:
            return true;
        default:
            return false;
    }
}

QImage CToolbarIconPainter::Render(int commandId, qreal devicePixelRatio) {
    if (!HasPicture(commandId)) {
        return {};
    }
    const qreal dpr = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    QImage image(qRound(kWidth * dpr), qRound(kHeight * dpr), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(dpr, dpr);
    painter.setPen(Qt::black);
    Draw(painter, commandId);
    painter.end();
    image.setDevicePixelRatio(dpr);
    return image;
}

// The picture of the command, on the kWidth by kHeight field.
void CToolbarIconPainter::Draw(QPainter& painter, int commandId) {
    switch (commandId) {
        case ID_FILE_NEW:
            DrawNewPage(painter);
            break;
        case ID_FILE_OPEN:
            DrawOpenFolder(painter);
            break;
        case ID_FILE_SAVE:
            DrawDiskette(painter);
            break;
        case ID_ACHTELNOTE:
        case ID_VIERTELNOTE:
        case ID_HALBE_NOTE:
        case ID_GANZE_NOTE:
            DrawNote(painter,
                     1 << (commandId == ID_ACHTELNOTE ? 0 : commandId - ID_VIERTELNOTE + 1));
            break;
        case ID_ACHTELPAUSE:
        case ID_VIERTELPAUSE:
        case ID_HALBE_PAUSE:
        case ID_GANZE_PAUSE:
            DrawRest(painter, 1 << (commandId - ID_ACHTELPAUSE));
            break;
        case ID_LOESCHEN:
            DrawDelete(painter);
            break;
        case ID_LIED_GENERIEREN:
            DrawGenerate(painter);
            break;
        case ID_LIED_SPIELEN:
            DrawPlay(painter);
            break;
        case ID_LIED_VORHOEREN:
            DrawPreview(painter);
            break;
        default:
            DrawStop(painter);
            break;
    }
}

void CToolbarIconPainter::DrawNewPage(QPainter& painter) {
    const QPolygonF page({{3.5, 0.5}, {9.5, 0.5}, {12.5, 3.5}, {12.5, 14.5}, {3.5, 14.5}});
    painter.setPen(OutlinePen(kOutline));
    painter.setBrush(Qt::white);
    painter.drawPolygon(page);
    painter.drawPolyline(QPolygonF({{9.5, 0.5}, {9.5, 3.5}, {12.5, 3.5}}));
}

void CToolbarIconPainter::DrawOpenFolder(QPainter& painter) {
    painter.setPen(OutlinePen(kOutline));
    painter.setBrush(kFolder);
    painter.drawPolygon(
        QPolygonF({{0.5, 2.5}, {4.5, 2.5}, {5.5, 3.5}, {11.5, 3.5}, {11.5, 13.5}, {0.5, 13.5}}));
    // The front flap tilts forward: the folder is opening.
    painter.setBrush(kFolderFront);
    painter.drawPolygon(QPolygonF({{0.5, 13.5}, {3.5, 6.5}, {15.5, 6.5}, {11.5, 13.5}}));
}

void CToolbarIconPainter::DrawDiskette(QPainter& painter) {
    painter.setPen(OutlinePen(kOutline));
    painter.setBrush(kDiskette);
    painter.drawPolygon(
        QPolygonF({{1.5, 0.5}, {13.5, 0.5}, {14.5, 1.5}, {14.5, 14.5}, {1.5, 14.5}}));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(3.5, 0.5, 9.0, 6.0));
    painter.setBrush(kShutter);
    painter.drawRect(QRectF(4.5, 9.5, 7.0, 5.0));
    painter.fillRect(QRectF(9.0, 10.0, 2.0, 4.0), kDiskette);
}

void CToolbarIconPainter::DrawNote(QPainter& painter, int length) {
    const Symbol head = CMusicFont::HeadFor(length);
    const qreal headWidth = CMusicFont::Advance(head, kNoteFontSize);
    if (length == 8) {
        CMusicFont::Draw(painter, head, QPointF((kWidth - headWidth) / 2.0, 7.5), kNoteFontSize);
        return;
    }
    const qreal headY = 12.0;
    const qreal stemRight = 10.0;
    CMusicFont::Draw(painter, head, QPointF(stemRight - headWidth, headY), kNoteFontSize);
    const qreal stemTop = 0.0;
    painter.fillRect(QRectF(stemRight - 1.0, stemTop, 1.0, headY - stemTop), Qt::black);
    if (length == 1) {
        CMusicFont::Draw(painter, Symbol::FlagUp, QPointF(stemRight - 0.7, stemTop), kNoteFontSize);
    }
}

void CToolbarIconPainter::DrawRest(QPainter& painter, int length) {
    const Symbol rest = CMusicFont::RestFor(length);
    const QRectF ink = CMusicFont::Outline(rest, kRestFontSize).boundingRect();
    QPointF origin(kWidth / 2.0 - ink.center().x(), kHeight / 2.0 - ink.center().y());
    // The block rests need their line to be told apart: the half rest stands on it, the
    // whole rest hangs from it.
    if (length == 4 || length == 8) {
        const qreal lineRow = length == 4 ? 9.0 : 5.0;
        painter.fillRect(QRectF(2.0, lineRow, 12.0, 1.0), Qt::black);
        origin.setY(lineRow + 0.5);
    }
    CMusicFont::Draw(painter, rest, origin, kRestFontSize);
}

void CToolbarIconPainter::DrawDelete(QPainter& painter) {
    QPen dotted(Qt::black, 1.0, Qt::DotLine);
    painter.setPen(dotted);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(1.5, 2.5, 12.0, 10.0));
    QPen cross(kDarkRed, 2.0, Qt::SolidLine, Qt::SquareCap);
    painter.setPen(cross);
    painter.drawLine(QPointF(4.0, 3.0), QPointF(13.0, 12.0));
    painter.drawLine(QPointF(13.0, 3.0), QPointF(4.0, 12.0));
}

void CToolbarIconPainter::DrawGenerate(QPainter& painter) {
    painter.fillRect(QRectF(0.0, 7.0, 16.0, 1.0), Qt::black);
    QPainterPath wave;
    constexpr int kSteps = 60;
    for (int i = 0; i <= kSteps; ++i) {
        const qreal x = 0.5 + 15.0 * i / kSteps;
        const qreal y = 7.5 - 5.5 * std::sin(2.0 * M_PI * 2.0 * i / kSteps);
        if (i == 0) {
            wave.moveTo(x, y);
        } else {
            wave.lineTo(x, y);
        }
    }
    painter.setPen(QPen(kRed, 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);
}

void CToolbarIconPainter::DrawPlay(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF({{4.0, 2.0}, {13.0, 7.5}, {4.0, 13.0}}));
}

// Play at once: a green triangle with the sound going out of it.
void CToolbarIconPainter::DrawPreview(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPreview);
    painter.drawPolygon(QPolygonF({{1.0, 3.0}, {8.5, 7.5}, {1.0, 12.0}}));
    painter.setPen(QPen(kPreview, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(5.0, 4.0, 7.0, 7.0), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(3.5, 1.0, 12.0, 13.0), -50 * 16, 100 * 16);
}

void CToolbarIconPainter::DrawStop(QPainter& painter) {
    painter.fillRect(QRectF(3.0, 3.0, 10.0, 10.0), Qt::black);
}
