#include <QLabel>
#include <QTest>

#include "CDialogUnits.h"

class TestDialogUnits : public QObject {
    Q_OBJECT

private slots:
    void fixedBaseUnits();
    void neighboursMeet();
    void growsWithFont();
    void labelsGrowToTheirText();
};

void TestDialogUnits::fixedBaseUnits() {
    // A font 6 pixels wide on average and 13 high: 4 units across are 6 pixels, 8 down 13.
    const CDialogUnits dlu(6, 13);
    QCOMPARE(dlu.X(4), 6);
    QCOMPARE(dlu.Y(8), 13);
    QCOMPARE(dlu.X(7), 11);     // 10.5 rounds up
    QCOMPARE(dlu.Y(194), 315);  // 315.25 rounds down
    QCOMPARE(dlu.Size(241, 215), QSize(362, 349));
    QCOMPARE(dlu.Rect(184, 194, 50, 14), QRect(QPoint(276, 315), QPoint(350, 337)));
}

void TestDialogUnits::neighboursMeet() {
    const CDialogUnits dlu(7, 15);
    const QRect left = dlu.Rect(7, 3, 13, 9);
    const QRect right = dlu.Rect(20, 12, 5, 5);
    QCOMPARE(right.left(), left.right() + 1);
    QCOMPARE(right.top(), left.bottom() + 1);
}

void TestDialogUnits::growsWithFont() {
    QFont small;
    small.setPixelSize(10);
    QFont large;
    large.setPixelSize(20);
    const QSize a = CDialogUnits(small).Size(100, 100);
    const QSize b = CDialogUnits(large).Size(100, 100);
    QVERIFY(b.width() > a.width() * 3 / 2);
    QVERIFY(b.height() > a.height() * 3 / 2);
}

void TestDialogUnits::labelsGrowToTheirText() {
    const CDialogUnits dlu(6, 13);
    QLabel wide(QStringLiteral("Ein recht langer Text"));
    dlu.PlaceLabel(wide, 10, 10, 4, 8);
    QCOMPARE(wide.geometry().topLeft(), dlu.Rect(10, 10, 4, 8).topLeft());
    QCOMPARE(wide.width(), wide.sizeHint().width());
    QLabel right(QStringLiteral("Rechts bleibt rechts"));
    right.setAlignment(Qt::AlignRight);
    dlu.PlaceLabel(right, 100, 10, 4, 8);
    QCOMPARE(right.geometry().right(), dlu.Rect(100, 10, 4, 8).right());
    QCOMPARE(right.width(), right.sizeHint().width());
    QLabel narrow(QStringLiteral("a"));
    dlu.PlaceLabel(narrow, 10, 30, 40, 8);
    QCOMPARE(narrow.width(), dlu.Rect(10, 30, 40, 8).width());
}

QTEST_MAIN(TestDialogUnits)
#include "tst_dialogunits.moc"
