#include "CEngravingPainter.h"

#include <QPainter>

#include "CGlyphPainter.h"

void CEngravingPainter::PaintRow(QPainter& painter, const CEngraving::SRow& row) {
    painter.setPen(Qt::black);
    CGlyphPainter::DrawStaff(painter, 0.0, row.staffEnd);
    CGlyphPainter::DrawClef(painter, 0.0, row.bTimeSignature);
    for (const CEngraving::SBar& bar : row.bars) {
        CGlyphPainter::DrawBarLine(painter, bar.xEnd, bar.bFinal);
    }
    for (const CEngraving::SNote& note : row.notes) {
        if (!note.bShown) {
            continue;
        }
        if (note.bRest) {
            // Centred where a quarter's head would be.
            CGlyphPainter::DrawRestAt(painter, note.x + CGlyphPainter::HeadWidth(2) / 2.0,
                                      note.nLength);
            continue;
        }
        CGlyphPainter::DrawNoteAt(painter, note.x, note.nPitchIndex, note.nLength, note.bStemUp,
                                  note.stemTipY, note.bFlag);
    }
    for (const CEngraving::SBeam& beam : row.beams) {
        CGlyphPainter::DrawBeam(painter, QPointF(beam.x1, beam.y1), QPointF(beam.x2, beam.y2),
                                beam.bStemUp);
    }
    for (const CEngraving::STie& tie : row.ties) {
        CGlyphPainter::DrawTieArc(painter, tie.fromX, tie.toX, tie.y, tie.bBelow);
    }
}
