#include "CDialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QString>

#include <algorithm>

namespace {

// The average width is taken over the letters, rounded, as dialog templates expect it.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = metrics.horizontalAdvance(kLetters);
    return std::max(1, (total / 26 + 1) / 2);
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font)
    : CDialogUnits(AverageCharWidth(QFontMetrics(font)), std::max(1, QFontMetrics(font).height())) {
}

CDialogUnits::CDialogUnits(int baseWidth, int baseHeight)
    : m_nBaseWidth(baseWidth), m_nBaseHeight(baseHeight) {}

// Rounded to the nearest pixel; both edges of a rectangle are converted, so neighbouring
// controls meet without gaps.
int CDialogUnits::X(int units) const {
    return (units * m_nBaseWidth + 2) / 4;
}

int CDialogUnits::Y(int units) const {
    return (units * m_nBaseHeight + 4) / 8;
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(QPoint(X(x), Y(y)), QPoint(X(x + width) - 1, Y(y + height) - 1));
}

QSize CDialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

void CDialogUnits::PlaceLabel(QLabel& label, int x, int y, int width, int height) const {
    QRect rect = Rect(x, y, width, height);
    const QSize text = label.sizeHint();
    if (text.width() > rect.width()) {
        if (label.alignment() & Qt::AlignRight) {
            rect.setLeft(rect.right() + 1 - text.width());
        } else {
            rect.setWidth(text.width());
        }
    }
    rect.setHeight(std::max(rect.height(), text.height()));
    label.setGeometry(rect);
}
