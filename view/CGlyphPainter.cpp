#include "CGlyphPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "CGlyphCatalog.h"
#include "CMusicFont.h"
#include "CPitchTable.h"

namespace {

using Symbol = CMusicFont::Symbol;

constexpr int kNoteWidth = 29;
// Only the tied note pictures are numbered from 5000 to 5999.
constexpr int kFirstTiedNote = 5000;
constexpr int kLastTiedNote = 5999;

// Staff geometry in logical pixels: five 1-pixel lines 7 pixels apart.
constexpr std::array<int, 5> kStaffRows = {14, 21, 28, 35, 42};
constexpr int kStaffTop = 14;
constexpr int kStaffBottom = 42;
constexpr qreal kStaffSpace = 7.0;
constexpr qreal kFontSize = kStaffSpace * CMusicFont::kEmPerStaffSpace;  // 28 px
// A row's vertical middle: symbols are placed on line centres, half a pixel below the row.
constexpr qreal kPixelCentre = 0.5;

constexpr int kLowestHeadRow = 49;  // C4, on a ledger line below the staff
constexpr qreal kRowsPerPitch = 3.5;
constexpr int kLastStemUpIndex = 5;  // A4; from B4 on the stem points down
constexpr int kStemUpColumn = 15;    // right of the head
constexpr int kStemDownColumn = 10;  // left of the head
constexpr qreal kStemLength = 3.5 * kStaffSpace;
constexpr qreal kEighthStemLength = 3.75 * kStaffSpace;  // room for the flag above the head
constexpr qreal kLedgerOverhang = 2.5;

struct NoteGlyph {
    int pitchIndex = 0;
    int length = 0;
    bool tied = false;
};

bool IsRest(int glyphNumber) {
    return glyphNumber / 100 == CGlyphCatalog::kRestBase / 100;
}

// Only for numbers that have a note picture: base + length, plus 1000 when tied.
NoteGlyph DecodeNote(int glyphNumber) {
    NoteGlyph note;
    note.tied = glyphNumber >= kFirstTiedNote && glyphNumber <= kLastTiedNote;
    const int plain = note.tied ? glyphNumber - CGlyphCatalog::kTieOffset : glyphNumber;
    note.length = plain % 10;
    note.pitchIndex = CPitchTable::IndexOfGlyphBase(plain - note.length);
    return note;
}

qreal LineCentre(int row) {
    return row + kPixelCentre;
}

}  // namespace

CGlyphPainter::SSymbol CGlyphPainter::Decode(int glyphNumber) {
    SSymbol symbol;
    if (!CGlyphCatalog::HasPicture(glyphNumber) || glyphNumber == CGlyphCatalog::kClef ||
        glyphNumber == CGlyphCatalog::kRowEnd || glyphNumber == CGlyphCatalog::kBarLine ||
        glyphNumber == CGlyphCatalog::kStaff) {
        return symbol;
    }
    if (IsRest(glyphNumber)) {
        symbol.kind = SSymbol::Kind::rest;
        symbol.length = glyphNumber - CGlyphCatalog::kRestBase;
        return symbol;
    }
    const NoteGlyph note = DecodeNote(glyphNumber);
    symbol.kind = SSymbol::Kind::note;
    symbol.pitchIndex = note.pitchIndex;
    symbol.length = note.length;
    symbol.tied = note.tied;
    return symbol;
}

QImage CGlyphPainter::Render(int glyphNumber, qreal devicePixelRatio) {
    const int number = CGlyphCatalog::Resolve(glyphNumber);
    const int width = CGlyphCatalog::Width(number);
    const qreal dpr = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    QImage image(qRound(width * dpr), qRound(CGlyphCatalog::kHeight * dpr), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(dpr, dpr);
    painter.setPen(Qt::black);
    CGlyphPainter(painter).Paint(number, width);
    painter.end();
    image.setDevicePixelRatio(dpr);
    return image;
}

void CGlyphPainter::Draw(QPainter& painter, int glyphNumber, const QRectF& target) {
    const int number = CGlyphCatalog::Resolve(glyphNumber);
    const int width = CGlyphCatalog::Width(number);
    painter.save();
    painter.translate(target.topLeft());
    // Only the bare staff is ever stretched, and it holds no outline that a sideways scale
    // would distort.
    painter.scale(target.width() / width, target.height() / CGlyphCatalog::kHeight);
    CGlyphPainter(painter).Paint(number, width);
    painter.restore();
}

CGlyphPainter::CGlyphPainter(QPainter& painter) : m_painter(painter) {}

void CGlyphPainter::Paint(int glyphNumber, int width) {
    switch (glyphNumber) {
        case CGlyphCatalog::kClef:
            DrawClefSymbol();
            return;
        case CGlyphCatalog::kRowEnd:
            DrawRowEnd();
            return;
        case CGlyphCatalog::kBarLine:
            DrawStaffLines(0, width);
            DrawStaffBar(14, 1);
            return;
        case CGlyphCatalog::kStaff:
            DrawStaffLines(0, width);
            return;
        default:
            break;
    }
    DrawStaffLines(0, width);
    if (IsRest(glyphNumber)) {
        DrawRest(glyphNumber - CGlyphCatalog::kRestBase);
        return;
    }
    const NoteGlyph note = DecodeNote(glyphNumber);
    DrawNote(note.pitchIndex, note.length, note.tied);
}

void CGlyphPainter::FillCrisp(const QRectF& logical) {
    const QRectF device = m_painter.deviceTransform().mapRect(logical);
    const int left = qRound(device.left());
    const int top = qRound(device.top());
    const int right = std::max(left + 1, qRound(device.right()));
    const int bottom = std::max(top + 1, qRound(device.bottom()));
    m_painter.save();
    m_painter.resetTransform();
    m_painter.fillRect(QRect(left, top, right - left, bottom - top), m_painter.pen().color());
    m_painter.restore();
}

void CGlyphPainter::DrawStaffLines(int fromColumn, int toColumn) {
    for (int row : kStaffRows) {
        FillCrisp(QRectF(fromColumn, row, toColumn - fromColumn, 1));
    }
}

void CGlyphPainter::DrawStaffBar(int column, int thickness) {
    FillCrisp(QRectF(column, kStaffTop, thickness, kStaffBottom - kStaffTop + 1));
}

void CGlyphPainter::DrawClefSymbol() {
    // Opening double bar (thick, then thin), the treble clef curling round the G line,
    // and 4/4 with each figure filling two staff spaces.
    DrawStaffLines(2, CGlyphCatalog::Width(CGlyphCatalog::kClef));
    DrawStaffBar(0, 2);
    DrawStaffBar(3, 1);
    CMusicFont::Draw(m_painter, Symbol::TrebleClef, QPointF(7.0, LineCentre(35)), kFontSize);
    const qreal figureX = 44.0 - CMusicFont::Advance(Symbol::Four, kFontSize) / 2.0;
    CMusicFont::Draw(m_painter, Symbol::Four, QPointF(figureX, LineCentre(28)), kFontSize);
    CMusicFont::Draw(m_painter, Symbol::Four, QPointF(figureX, LineCentre(42)), kFontSize);
}

void CGlyphPainter::DrawRowEnd() {
    // The staff stops at the thick line of the final double bar.
    DrawStaffLines(0, 11);
    DrawStaffBar(7, 1);
    DrawStaffBar(9, 2);
}

void CGlyphPainter::DrawRest(int length) {
    DrawRestAt(m_painter, kNoteWidth / 2.0, length);
}

void CGlyphPainter::DrawNote(int pitchIndex, int length, bool tied) {
    const qreal headY = HeadY(pitchIndex);
    const bool stemUp = pitchIndex <= kLastStemUpIndex;
    const Symbol head = CMusicFont::HeadFor(length);
    const qreal headWidth = CMusicFont::Advance(head, kFontSize);
    // Stems touch the outer edge of the head: the right edge going up, the left going down.
    qreal headX = stemUp ? kStemUpColumn + 1 - headWidth : kStemDownColumn;
    if (length == 8) {
        headX = (kNoteWidth - headWidth) / 2.0;
    }
    DrawHead(headX, pitchIndex, length);
    if (length != 8) {
        const qreal stemLength = length == 1 ? kEighthStemLength : kStemLength;
        const qreal column = stemUp ? kStemUpColumn : kStemDownColumn;
        const qreal tip = stemUp ? std::round(headY - stemLength) : std::round(headY + stemLength);
        FillCrisp(QRectF(column, std::min(tip, headY), 1, std::abs(tip - headY)));
        if (length == 1) {
            // The flag's outline reaches a little left of its origin; keep it on the stem.
            const QPointF flagOrigin(column + 0.45, tip);
            CMusicFont::Draw(m_painter, stemUp ? Symbol::FlagUp : Symbol::FlagDown, flagOrigin,
                             kFontSize);
        }
    }
    if (tied) {
        DrawTie(headX + headWidth * 0.6, headY, stemUp);
    }
}

void CGlyphPainter::DrawHead(qreal headX, int pitchIndex, int length) {
    const qreal headY = HeadY(pitchIndex);
    const Symbol head = CMusicFont::HeadFor(length);
    if (pitchIndex == 0 || pitchIndex == static_cast<int>(CPitchTable::kScale.size()) - 1) {
        const qreal left = std::floor(headX - kLedgerOverhang);
        const qreal right =
            std::ceil(headX + CMusicFont::Advance(head, kFontSize) + kLedgerOverhang);
        FillCrisp(QRectF(left, std::floor(headY), right - left, 1));
    }
    CMusicFont::Draw(m_painter, head, QPointF(headX, headY), kFontSize);
}

void CGlyphPainter::DrawTie(qreal fromX, qreal headY, bool below) {
    // A crescent, thin at the ends and thickest in the middle, leaving the head on the side
    // away from the stem and ending at the glyph's right edge to meet the next note.
    const qreal side = below ? 1.0 : -1.0;
    const qreal y = headY + side * 4.5;
    const qreal toX = kNoteWidth;
    const qreal middle = (fromX + toX) / 2.0;
    // It keeps a little thickness at the edge, where the next glyph takes over.
    QPainterPath tie(QPointF(fromX, y));
    tie.quadTo(QPointF(middle, y + side * 5.0), QPointF(toX, y + side * 0.3));
    tie.lineTo(QPointF(toX, y - side * 0.5));
    tie.quadTo(QPointF(middle, y + side * 2.0), QPointF(fromX, y));
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.fillPath(tie, m_painter.pen().color());
    m_painter.restore();
}

qreal CGlyphPainter::HeadY(int pitchIndex) {
    return LineCentre(kLowestHeadRow) - kRowsPerPitch * pitchIndex;
}

bool CGlyphPainter::StemUpAlone(int pitchIndex) {
    return pitchIndex <= kLastStemUpIndex;
}

int CGlyphPainter::StepsAboveMiddle(int pitchIndex) {
    return pitchIndex - (kLastStemUpIndex + 1);
}

qreal CGlyphPainter::HeadWidth(int length) {
    return CMusicFont::Advance(CMusicFont::HeadFor(length), kFontSize);
}

qreal CGlyphPainter::StemLength(bool flagged) {
    return flagged ? kEighthStemLength : kStemLength;
}

qreal CGlyphPainter::StaffSpace() {
    return kStaffSpace;
}

namespace {
constexpr qreal kPageClefLeft = 4.0;
constexpr qreal kPageClefGap = 4.0;
constexpr qreal kPageTimeGap = 6.0;

qreal TimeSignatureX() {
    return kPageClefLeft + CMusicFont::Advance(Symbol::TrebleClef, kFontSize) + kPageClefGap;
}
}  // namespace

qreal CGlyphPainter::ClefWidth(bool withTime) {
    const qreal clef = TimeSignatureX();
    return withTime ? clef + CMusicFont::Advance(Symbol::Four, kFontSize) + kPageTimeGap : clef;
}

void CGlyphPainter::DrawStaff(QPainter& painter, qreal fromX, qreal toX) {
    CGlyphPainter glyph(painter);
    for (int row : kStaffRows) {
        glyph.FillCrisp(QRectF(fromX, row, toX - fromX, 1));
    }
}

void CGlyphPainter::DrawClef(QPainter& painter, qreal x, bool withTime) {
    CMusicFont::Draw(painter, Symbol::TrebleClef, QPointF(x + kPageClefLeft, LineCentre(35)),
                     kFontSize);
    if (withTime) {
        const qreal figureX = x + TimeSignatureX();
        CMusicFont::Draw(painter, Symbol::Four, QPointF(figureX, LineCentre(28)), kFontSize);
        CMusicFont::Draw(painter, Symbol::Four, QPointF(figureX, LineCentre(42)), kFontSize);
    }
}

void CGlyphPainter::DrawBarLine(QPainter& painter, qreal x, bool final) {
    CGlyphPainter glyph(painter);
    const qreal height = kStaffBottom - kStaffTop + 1;
    if (!final) {
        glyph.FillCrisp(QRectF(x - 1.0, kStaffTop, 1.0, height));
        return;
    }
    // Thin, a gap, thick, in the proportions of the screen's row end.
    glyph.FillCrisp(QRectF(x - 5.0, kStaffTop, 1.0, height));
    glyph.FillCrisp(QRectF(x - 3.0, kStaffTop, 3.0, height));
}

void CGlyphPainter::DrawRestAt(QPainter& painter, qreal centreX, int length) {
    const Symbol rest = CMusicFont::RestFor(length);
    // The whole rest hangs from the fourth line, all other rests sit on the middle line.
    const qreal originY = LineCentre(length == 8 ? 21 : 28);
    const QRectF ink = CMusicFont::Outline(rest, kFontSize).boundingRect();
    CMusicFont::Draw(painter, rest, QPointF(centreX - ink.center().x(), originY), kFontSize);
}

void CGlyphPainter::DrawNoteAt(QPainter& painter, qreal headX, int pitchIndex, int length,
                               bool stemUp, qreal stemTipY, bool flagged) {
    CGlyphPainter glyph(painter);
    glyph.DrawHead(headX, pitchIndex, length);
    if (length == 8) {
        return;
    }
    // The stem touches the head's outer edge: the right one going up, the left going down.
    const qreal headY = HeadY(pitchIndex);
    const qreal column = stemUp ? headX + HeadWidth(length) - 1.0 : headX;
    glyph.FillCrisp(QRectF(column, std::min(stemTipY, headY), 1.0, std::abs(stemTipY - headY)));
    if (flagged) {
        CMusicFont::Draw(painter, stemUp ? Symbol::FlagUp : Symbol::FlagDown,
                         QPointF(column + 0.45, stemTipY), kFontSize);
    }
}

void CGlyphPainter::DrawTieArc(QPainter& painter, qreal fromX, qreal toX, qreal y, bool below) {
    // Thin at the ends, thickest in the middle; short ties bulge less.
    const qreal side = below ? 1.0 : -1.0;
    const qreal bulge = std::clamp((toX - fromX) / 5.0, 1.5, 4.5);
    const qreal thickness = 1.3;
    const qreal middle = (fromX + toX) / 2.0;
    QPainterPath tie(QPointF(fromX, y));
    tie.quadTo(QPointF(middle, y + side * 2.0 * bulge), QPointF(toX, y));
    tie.quadTo(QPointF(middle, y + side * 2.0 * (bulge - thickness)), QPointF(fromX, y));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(tie, painter.pen().color());
    painter.restore();
}

void CGlyphPainter::DrawBeam(QPainter& painter, QPointF from, QPointF to, bool stemUp) {
    // Half a staff space thick, growing from the stems' ends towards the heads.
    const QPointF thickness(0.0, (stemUp ? 0.5 : -0.5) * kStaffSpace);
    QPainterPath beam(from);
    beam.lineTo(to);
    beam.lineTo(to + thickness);
    beam.lineTo(from + thickness);
    beam.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(beam, painter.pen().color());
    painter.restore();
}
