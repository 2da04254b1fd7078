#include <QFontDatabase>
#include <QtTest>
#include <array>
#include <functional>
#include <vector>

#include "CGlyphLibrary.h"
#include "CMusicFont.h"
#include "ViewTestKit.h"

namespace {

// Glyph bases of the pitches C4 to A5, in pitch order.
constexpr std::array<int, 13> kBases = {4210, 4310, 4410, 4510, 4610, 4110, 4710,
                                        4220, 4320, 4420, 4520, 4620, 4120};

QImage Glyph(int number, qreal dpr = 1.0) {
    return CGlyphLibrary::Pixmap(number, dpr).toImage().convertToFormat(QImage::Format_RGB32);
}

// Dark, pure black and white pixels.
bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}
bool Black(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) == 0;
}
bool White(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) > 230;
}

// Longest run of dark pixels in one column, with the row where it starts.
std::pair<int, int> LongestRun(const QImage& image, int x) {
    int best = 0;
    int bestStart = 0;
    for (int y = 0, run = 0; y < image.height(); ++y) {
        run = Dark(image, x, y) ? run + 1 : 0;
        if (run > best) {
            best = run;
            bestStart = y - run + 1;
        }
    }
    return {best, bestStart};
}

// Darkness added to the plain staff, per row; the staff lines themselves do not count.
std::vector<double> InkPerRow(const QImage& glyph, const QImage& staff) {
    std::vector<double> ink(glyph.height(), 0.0);
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            ink[y] += Dark(staff, x, y) ? 0.0 : (255 - qGray(glyph.pixel(x, y))) / 255.0;
        }
    }
    return ink;
}

// Centre of the darkest band of rows that is as high as a note head (one staff space).
double DarkestBandCentre(const std::vector<double>& ink, int band) {
    int bestTop = 0;
    double bestSum = -1.0;
    for (int top = 0; top + band <= static_cast<int>(ink.size()); ++top) {
        const double sum = std::accumulate(ink.begin() + top, ink.begin() + top + band, 0.0);
        if (sum > bestSum) {
            bestSum = sum;
            bestTop = top;
        }
    }
    double weighted = 0.0;
    for (int y = bestTop; y < bestTop + band; ++y) {
        weighted += ink[y] * y;
    }
    return weighted / bestSum;
}

int CountPixels(const QImage& image, const std::function<bool(QColor)>& match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += match(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

bool OpaqueDark(QColor c) {
    return c.alpha() > 200 && c.lightness() < 80;
}

QImage ToolbarImage(int commandId, qreal dpr = 1.0) {
    return CGlyphLibrary::ToolbarIcon(commandId)
        .pixmap(QSize(16, 15), dpr)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

// The note, rest and staff pictures of the score, the toolbar buttons and the icons.
class TestGlyphs : public QObject {
    Q_OBJECT

private slots:
    void everyGlyph_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("shown");  // the glyph whose picture it has
        std::vector<int> numbers{6101, 6102, 6104, 6108, 4800, 4810, 4820, 4880};
        for (int tied : {0, 1000}) {
            for (int base : kBases) {
                for (int length : {1, 2, 4, 8}) {
                    numbers.push_back(base + length + tied);
                }
            }
        }
        for (int number : numbers) {
            const int width = number == 4800 ? 58 : number == 4820 ? 14 : 29;
            QTest::addRow("%d", number) << number << width << number;
        }
        for (int number : {9999, 0, -1, 4119, 4113, 4130, 5119, 5800, 6100, 6103, 7101, 65535}) {
            QTest::addRow("unknown %d", number) << number << 58 << 4800;
        }
    }
    // Sizes at both ratios, and the five staff lines as sharp black rows with nothing else
    // dark across the whole width.
    void everyGlyph() {
        QFETCH(int, number);
        QFETCH(int, width);
        QFETCH(int, shown);
        for (qreal dpr : {1.0, 2.0}) {
            const QPixmap& pixmap = CGlyphLibrary::Pixmap(number, dpr);
            QCOMPARE(&CGlyphLibrary::Pixmap(number, dpr), &pixmap);  // drawn once, then kept
            QCOMPARE(pixmap.devicePixelRatio(), dpr);
            QCOMPARE(pixmap.size(), QSize(qRound(width * dpr), qRound(57 * dpr)));
            QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(width, 57));
            if (shown != number) {
                QCOMPARE(pixmap.toImage(), CGlyphLibrary::Pixmap(shown, dpr).toImage());
            }
        }
        // A ratio of zero or below cannot be drawn; it counts as 1.
        QCOMPARE(&CGlyphLibrary::Pixmap(number, 0.0), &CGlyphLibrary::Pixmap(number, 1.0));
        const QImage image = Glyph(number);
        const int first = shown == 4800 ? 2 : 0;
        const int last = shown == 4820 ? 10 : width - 1;
        for (int y = 0; y < 57; ++y) {
            const bool line = y >= 14 && y <= 42 && y % 7 == 0;
            bool someWhite = false;
            for (int x = 0; x < width; ++x) {
                const bool black = !line || x < first || x > last || Black(image, x, y);
                QVERIFY2(black, qPrintable(u"%1,%2"_s.arg(x).arg(y)));
                someWhite = someWhite || White(image, x, y);
            }
            QVERIFY2(line || someWhite, qPrintable(u"row %1 is dark throughout"_s.arg(y)));
        }
    }

    void note_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<double>("row");  // of the head's centre
        for (int k = 0; k < 13; ++k) {
            for (int length : {1, 2, 4, 8}) {
                for (int tied : {0, 1000}) {
                    QTest::addRow("%d", kBases[k] + length + tied)
                        << kBases[k] + length + tied << 49.0 - 3.5 * k;
                }
            }
        }
    }
    // The head on its pitch's row at both ratios; the stem on the right going up up to B4,
    // on the left going down above, none for a whole note; a tie only right of the head, below
    // it for stems up and above it for stems down, reaching the right edge.
    void note() {
        QFETCH(int, number);
        QFETCH(double, row);
        const bool tied = number > 5000;
        const int length = number % 10;
        const bool up = row >= 31.5;
        const QImage image = Glyph(number);
        if (!tied) {
            for (qreal dpr : {1.0, 2.0}) {
                const std::vector<double> ink = InkPerRow(Glyph(number, dpr), Glyph(4880, dpr));
                // Pixel row r covers device rows r·dpr to (r+1)·dpr − 1.
                const double expected = (row + 0.5) * dpr - 0.5;
                const double centre = DarkestBandCentre(ink, qRound(7 * dpr));
                QVERIFY2(std::abs(centre - expected) <= 0.5 * dpr,
                         qPrintable(u"head at %1, expected %2"_s.arg(centre).arg(expected)));
            }
        }
        if (length == 8) {
            for (int x = 0; x < image.width(); ++x) {
                QVERIFY2(LongestRun(image, x).first <= 10, qPrintable(QString::number(x)));
            }
        } else {
            const auto [stemRun, stemTop] = LongestRun(image, up ? 15 : 10);
            QVERIFY2(stemRun >= 20, qPrintable(QString::number(stemRun)));
            QVERIFY(up ? stemTop < row - 15 : stemTop + stemRun - 1 > row + 15);
            QVERIFY(LongestRun(image, up ? 10 : 15).first <= 12);  // head and a line at most
        }
        if (tied) {
            const QImage plain = Glyph(number - 1000);
            int changed = 0;
            bool reachesEdge = false;
            for (int y = 0; y < 57; ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (qAbs(qGray(plain.pixel(x, y)) - qGray(image.pixel(x, y))) >= 64) {
                        ++changed;
                        reachesEdge = reachesEdge || x == image.width() - 1;
                        QVERIFY2(x >= 11 && (up ? y > row : y < row),
                                 qPrintable(u"change at %1,%2"_s.arg(x).arg(y)));
                    }
                }
            }
            QVERIFY2(changed >= 15 && reachesEdge, qPrintable(QString::number(changed)));
        }
    }

    void staffSymbolsAndRests() {
        // The row end is a thin and a thick line, the bar line one line, both across the staff.
        const QImage rowEnd = Glyph(4820);
        const QImage barLine = Glyph(4810);
        const QImage clef = Glyph(4800);
        const QImage staff = Glyph(4880);
        for (int y = 0; y < 57; ++y) {
            const bool inStaff = y >= 14 && y <= 42;
            const bool onLine = inStaff && y % 7 == 0;
            QCOMPARE(Black(rowEnd, 7, y) && Black(rowEnd, 9, y) && Black(rowEnd, 10, y), inStaff);
            QCOMPARE(White(rowEnd, 8, y), !onLine);
            QVERIFY(White(rowEnd, 11, y) && White(rowEnd, 12, y) && White(rowEnd, 13, y));
            for (int x = 0; x < 29; ++x) {
                QCOMPARE(Black(staff, x, y), onLine);
            }
            QCOMPARE(Black(barLine, 14, y), inStaff);
            QCOMPARE(White(barLine, 13, y), !onLine);
            QCOMPARE(Black(clef, 0, y) && Black(clef, 1, y) && Black(clef, 3, y), inStaff);
            QCOMPARE(White(clef, 2, y), !onLine);
        }
        // The whole rest hangs below the fourth line, the half rest stands on the middle line.
        QVERIFY(Black(Glyph(6108), 14, 23) && White(Glyph(6108), 14, 27));
        QVERIFY(Black(Glyph(6104), 14, 26) && White(Glyph(6104), 14, 22));
        QVERIFY(QFontDatabase::families().contains(CMusicFont::Family()));  // built in
    }

    void toolbarAndProgramIcons() {
        std::vector<QImage> images;
        for (int command : {57600, 57601, 57603, 32771, 32773, 32774, 32775, 32776, 32777, 32778,
                            32779, 32780, 32785, 32783, 32784}) {
            const QImage image = ToolbarImage(command);
            QCOMPARE(image.size(), QSize(16, 15));
            QCOMPARE(ToolbarImage(command, 2.0).size(), QSize(32, 30));
            QVERIFY2(CountPixels(image, OpaqueDark) >= 8, qPrintable(QString::number(command)));
            QVERIFY(std::find(images.begin(), images.end(), image) == images.end());
            images.push_back(image);
        }
        QVERIFY(CGlyphLibrary::ToolbarIcon(32772).isNull());  // no button
        // Eighth = quarter + flag; the half note's head is hollow; the whole note has no stem.
        const auto ink = [](int command) { return CountPixels(ToolbarImage(command), OpaqueDark); };
        QVERIFY(ink(32771) > ink(32773) && ink(32774) < ink(32773) && ink(32775) < ink(32774));
        for (const QIcon& icon :
             {CGlyphLibrary::ApplicationIcon(), CGlyphLibrary::DocumentIcon()}) {
            for (int size : {16, 32, 48, 64, 128, 256}) {
                QVERIFY(icon.availableSizes().contains(QSize(size, size)));
            }
            const QImage image = icon.pixmap(64).toImage();
            QVERIFY(image.pixelColor(0, 0).alpha() == 0 && CountPixels(image, OpaqueDark) > 100);
        }
    }
};

QTEST_MAIN(TestGlyphs)
#include "tst_glyphs.moc"
