#include <QtTest>
#include <cstdio>
#include <vector>

#include "CGlyphLibrary.h"
#include "CPitchTable.h"
#include "ViewTestKit.h"

namespace {

// Centre of the darkest band of rows one staff space high in a glyph, the staff lines not
// counted.
double HeadCentre(int number, qreal dpr) {
    const QImage glyph = CGlyphLibrary::Pixmap(number, dpr).toImage();
    const QImage staff = CGlyphLibrary::Pixmap(4880, dpr).toImage();
    std::vector<double> ink(glyph.height(), 0.0);
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            ink[y] +=
                qGray(staff.pixel(x, y)) < 128 ? 0.0 : (255 - qGray(glyph.pixel(x, y))) / 255.0;
        }
    }
    std::pair<double, double> best{-1.0, 0.0};  // the band's ink and its centre
    for (int top = 0; top + 7 * dpr <= glyph.height(); ++top) {
        double sum = 0.0, weighted = 0.0;
        for (int y = top; y < top + 7 * dpr; ++y) {
            sum += ink[y];
            weighted += ink[y] * y;
        }
        best = std::max(best, {sum, weighted / sum});
    }
    return best.second;
}

}  // namespace

class TestGlyphs : public QObject {
    Q_OBJECT

private slots:
    void geometry_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("shown");   // the glyph whose picture it has
        QTest::addColumn<double>("row");  // of a note head's centre; 0 for none
        for (const auto& [number, width] :
             {std::pair{6101, 29}, {6108, 29}, {4810, 29}, {4880, 29}, {4820, 14}}) {
            QTest::addRow("%d", number) << number << width << number << 0.0;
        }
        for (int number : {4800, 9999, -1, 4119, 6103}) {
            QTest::addRow("clef or unknown %d", number) << number << 58 << 4800 << 0.0;
        }
        for (int k = 0; k < 13; ++k) {
            const int base = CPitchTable::kScale[k].nGlyphBase;
            for (int length : {1, 2, 4, 8}) {
                QTest::addRow("%d", base + length)
                    << base + length << 29 << base + length << 49.0 - 3.5 * k;
            }
        }
    }
    // Sizes at both ratios, and the head on its pitch's row.
    void geometry() {
        QFETCH(int, number);
        QFETCH(int, width);
        QFETCH(int, shown);
        QFETCH(double, row);
        for (qreal dpr : {1.0, 2.0}) {
            const QPixmap& pixmap = CGlyphLibrary::Pixmap(number, dpr);
            QCOMPARE(pixmap.size(), QSize(qRound(width * dpr), qRound(57 * dpr)));
            QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(width, 57));
            QCOMPARE(pixmap.toImage(), CGlyphLibrary::Pixmap(shown, dpr).toImage());
            if (row > 0) {  // pixel row r covers device rows r·dpr to (r+1)·dpr − 1
                const double centre = HeadCentre(number, dpr);
                QVERIFY2(std::abs(centre - ((row + 0.5) * dpr - 0.5)) <= 0.5 * dpr,
                         qPrintable(QString::number(centre)));
            }
        }
    }
    // Kept while the run lasts, or the check in main proves nothing.
    void cleanupTestCase() { QVERIFY(CGlyphLibrary::CachedGlyphs() > 0); }
};

// The pictures belong to the window system: none may be left once the application is gone.
int main(int argc, char** argv) {
    int failures = 0;
    {
        QApplication app(argc, argv);
        TestGlyphs test;
        failures = QTest::qExec(&test, argc, argv);
    }
    if (CGlyphLibrary::CachedGlyphs() != 0) {
        std::fprintf(stderr, "FAIL! glyph pictures outlived the application\n");
        return 1;
    }
    return failures;
}
#include "tst_glyphs.moc"
