#include <QFontDatabase>
#include <QPainter>
#include <QtTest>
#include <algorithm>
#include <array>
#include <vector>

#include "CGlyphLibrary.h"
#include "CMusicFont.h"

namespace {

// Glyph bases of the pitches C4 to A5, in pitch order.
constexpr std::array<int, 13> kBases = {4210, 4310, 4410, 4510, 4610, 4110, 4710,
                                        4220, 4320, 4420, 4520, 4620, 4120};
constexpr std::array<int, 4> kLengths = {1, 2, 4, 8};
constexpr std::array<int, 5> kStaffRows = {14, 21, 28, 35, 42};
constexpr int kHeight = 57;

std::vector<int> AllGlyphs() {
    std::vector<int> numbers;
    for (int tied : {0, 1000}) {
        for (int base : kBases) {
            for (int length : kLengths) {
                numbers.push_back(base + length + tied);
            }
        }
    }
    for (int number : {6101, 6102, 6104, 6108, 4800, 4810, 4820, 4880}) {
        numbers.push_back(number);
    }
    return numbers;
}

int ExpectedWidth(int number) {
    return number == 4800 ? 58 : number == 4820 ? 14 : 29;
}

QImage Glyph(int number, qreal dpr = 1.0) {
    return CGlyphLibrary::Pixmap(number, dpr).toImage().convertToFormat(QImage::Format_RGB32);
}

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}
bool PureBlack(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) == 0;
}
bool White(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) > 230;
}

// Longest run of dark pixels in one column, with the row where it starts.
std::pair<int, int> LongestRun(const QImage& image, int x) {
    int best = 0;
    int bestStart = 0;
    int run = 0;
    for (int y = 0; y < image.height(); ++y) {
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
            if (!Dark(staff, x, y)) {
                ink[y] += (255 - qGray(glyph.pixel(x, y))) / 255.0;
            }
        }
    }
    return ink;
}

// Centre of the darkest band of rows that is as high as a note head (one staff space).
double DarkestBandCentre(const std::vector<double>& ink, int band) {
    int bestTop = 0;
    double bestSum = -1.0;
    for (int top = 0; top + band <= static_cast<int>(ink.size()); ++top) {
        double sum = 0.0;
        for (int y = top; y < top + band; ++y) {
            sum += ink[y];
        }
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

QString OutputPath(const QString& name) {
    const QByteArray dir = qgetenv("KANTILO_BINARY_DIR");
    return (dir.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(dir)) + '/' + name;
}

}  // namespace

class TestGlyphs : public QObject {
    Q_OBJECT

private slots:
    void fontIsBuiltIn();
    void sizes_data();
    void sizes();
    void staffLinesAreSharpRows_data();
    void staffLinesAreSharpRows();
    void headSitsOnItsPitch_data();
    void headSitsOnItsPitch();
    void stemSide_data();
    void stemSide();
    void wholeNoteHasNoStem();
    void tieOnlyRightOfTheHead_data();
    void tieOnlyRightOfTheHead();
    void unknownNumbersShowTheClef_data();
    void unknownNumbersShowTheClef();
    void staffSymbols();
    void rests();
    void picturesAreCached();
    void contactSheet();
};

void TestGlyphs::fontIsBuiltIn() {
    QVERIFY(CMusicFont::IsAvailable());
    QVERIFY(!CMusicFont::Family().isEmpty());
    QVERIFY(QFontDatabase::families().contains(CMusicFont::Family()));
    // One staff space at 28 pixels is 7 pixels: a filled head is about 1.3 spaces wide.
    const qreal head = CMusicFont::Advance(CMusicFont::Symbol::FilledHead, 28.0);
    QVERIFY2(head > 8.5 && head < 10.0, qPrintable(QString::number(head)));
}

void TestGlyphs::sizes_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<qreal>("dpr");
    for (int number : AllGlyphs()) {
        for (qreal dpr : {1.0, 2.0}) {
            QTest::addRow("%d@%g", number, dpr) << number << dpr;
        }
    }
}

void TestGlyphs::sizes() {
    QFETCH(int, number);
    QFETCH(qreal, dpr);
    const QPixmap& pixmap = CGlyphLibrary::Pixmap(number, dpr);
    QCOMPARE(pixmap.devicePixelRatio(), dpr);
    QCOMPARE(pixmap.width(), qRound(ExpectedWidth(number) * dpr));
    QCOMPARE(pixmap.height(), qRound(kHeight * dpr));
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(ExpectedWidth(number), kHeight));
}

void TestGlyphs::staffLinesAreSharpRows_data() {
    QTest::addColumn<int>("number");
    for (int number : AllGlyphs()) {
        QTest::addRow("%d", number) << number;
    }
}

void TestGlyphs::staffLinesAreSharpRows() {
    QFETCH(int, number);
    const QImage image = Glyph(number);
    const int firstColumn = number == 4800 ? 2 : 0;
    const int lastColumn = number == 4820 ? 10 : image.width() - 1;
    for (int row : kStaffRows) {
        for (int x = firstColumn; x <= lastColumn; ++x) {
            QVERIFY2(PureBlack(image, x, row), qPrintable(QStringLiteral("%1,%2").arg(x).arg(row)));
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        if (std::find(kStaffRows.begin(), kStaffRows.end(), y) != kStaffRows.end()) {
            continue;
        }
        bool someWhite = false;
        for (int x = 0; x < image.width() && !someWhite; ++x) {
            someWhite = White(image, x, y);
        }
        QVERIFY2(someWhite, qPrintable(QStringLiteral("row %1 is dark throughout").arg(y)));
    }
}

void TestGlyphs::headSitsOnItsPitch_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<double>("row");
    QTest::addColumn<qreal>("dpr");
    for (qreal dpr : {1.0, 2.0}) {
        for (int k = 0; k < 13; ++k) {
            for (int length : kLengths) {
                QTest::addRow("%d@%g", kBases[k] + length, dpr)
                    << kBases[k] + length << 49.0 - 3.5 * k << dpr;
            }
        }
    }
}

void TestGlyphs::headSitsOnItsPitch() {
    QFETCH(int, number);
    QFETCH(double, row);
    QFETCH(qreal, dpr);
    const std::vector<double> ink = InkPerRow(Glyph(number, dpr), Glyph(4880, dpr));
    // Pixel row r covers device rows r·dpr to (r+1)·dpr − 1; its centre index is below.
    const double expected = (row + 0.5) * dpr - 0.5;
    const double centre = DarkestBandCentre(ink, qRound(7 * dpr));
    QVERIFY2(std::abs(centre - expected) <= 0.5 * dpr,
             qPrintable(QStringLiteral("head at %1, expected %2").arg(centre).arg(expected)));
}

void TestGlyphs::stemSide_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("up");
    QTest::addColumn<double>("row");
    for (int k = 0; k < 13; ++k) {
        for (int length : {1, 2, 4}) {
            for (int tied : {0, 1000}) {
                QTest::addRow("%d", kBases[k] + length + tied)
                    << kBases[k] + length + tied << (k <= 5) << 49.0 - 3.5 * k;
            }
        }
    }
}

void TestGlyphs::stemSide() {
    QFETCH(int, number);
    QFETCH(bool, up);
    QFETCH(double, row);
    const QImage image = Glyph(number);
    const auto [stemRun, stemTop] = LongestRun(image, up ? 15 : 10);
    QVERIFY2(stemRun >= 20, qPrintable(QString::number(stemRun)));
    if (up) {
        QVERIFY(stemTop < row - 15);
    } else {
        QVERIFY(stemTop + stemRun - 1 > row + 15);
    }
    // The other side has no stem: at most the head and a line cross it.
    QVERIFY(LongestRun(image, up ? 10 : 15).first <= 12);
}

void TestGlyphs::wholeNoteHasNoStem() {
    for (int base : kBases) {
        for (int tied : {0, 1000}) {
            const QImage image = Glyph(base + 8 + tied);
            for (int x = 0; x < image.width(); ++x) {
                QVERIFY2(LongestRun(image, x).first <= 10,
                         qPrintable(QStringLiteral("%1 column %2").arg(base + 8 + tied).arg(x)));
            }
        }
    }
}

void TestGlyphs::tieOnlyRightOfTheHead_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("below");
    QTest::addColumn<double>("row");
    for (int k = 0; k < 13; ++k) {
        for (int length : kLengths) {
            QTest::addRow("%d", kBases[k] + length)
                << kBases[k] + length << (k <= 5) << 49.0 - 3.5 * k;
        }
    }
}

void TestGlyphs::tieOnlyRightOfTheHead() {
    QFETCH(int, number);
    QFETCH(bool, below);
    QFETCH(double, row);
    const QImage plain = Glyph(number);
    const QImage tied = Glyph(number + 1000);
    int changed = 0;
    bool reachesEdge = false;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            if (qAbs(qGray(plain.pixel(x, y)) - qGray(tied.pixel(x, y))) < 64) {
                continue;
            }
            ++changed;
            reachesEdge = reachesEdge || x == plain.width() - 1;
            QVERIFY2(x >= 11, qPrintable(QStringLiteral("change at %1,%2").arg(x).arg(y)));
            QVERIFY2(below ? y > row : y < row,
                     qPrintable(QStringLiteral("change at %1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY2(changed >= 15, qPrintable(QString::number(changed)));
    QVERIFY(reachesEdge);
}

void TestGlyphs::unknownNumbersShowTheClef_data() {
    QTest::addColumn<int>("number");
    for (int number : {9999, 0, -1, 4119, 4113, 4130, 5119, 5800, 6100, 6103, 7101, 65535}) {
        QTest::addRow("%d", number) << number;
    }
}

void TestGlyphs::unknownNumbersShowTheClef() {
    QFETCH(int, number);
    for (qreal dpr : {1.0, 2.0}) {
        const QPixmap& pixmap = CGlyphLibrary::Pixmap(number, dpr);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(58, kHeight));
        QCOMPARE(pixmap.toImage(), CGlyphLibrary::Pixmap(4800, dpr).toImage());
    }
}

void TestGlyphs::staffSymbols() {
    const QImage rowEnd = Glyph(4820);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 11; x <= 13; ++x) {
            QVERIFY(White(rowEnd, x, y));
        }
    }
    for (int y = 14; y <= 42; ++y) {
        QVERIFY(PureBlack(rowEnd, 7, y) && PureBlack(rowEnd, 9, y) && PureBlack(rowEnd, 10, y));
        QCOMPARE(White(rowEnd, 8, y), y % 7 != 0);
    }
    QVERIFY(White(rowEnd, 7, 13) && White(rowEnd, 10, 43));

    const QImage barLine = Glyph(4810);
    for (int y = 0; y < kHeight; ++y) {
        QCOMPARE(PureBlack(barLine, 14, y), y >= 14 && y <= 42);
        QCOMPARE(White(barLine, 13, y), y % 7 != 0 || y < 14 || y > 42);
    }
    const QImage staff = Glyph(4880);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < 29; ++x) {
            QCOMPARE(PureBlack(staff, x, y), y >= 14 && y <= 42 && y % 7 == 0);
        }
    }

    const QImage clef = Glyph(4800);
    for (int y = 14; y <= 42; ++y) {
        QVERIFY(PureBlack(clef, 0, y) && PureBlack(clef, 1, y) && PureBlack(clef, 3, y));
        QCOMPARE(White(clef, 2, y), y % 7 != 0);
    }
    QVERIFY(White(clef, 0, 13) && White(clef, 3, 43) && White(clef, 2, 14 - 1));
    // The treble clef reaches well above and below the staff; the figures stay inside it.
    int above = 0;
    int below = 0;
    for (int x = 4; x < 58; ++x) {
        above += Dark(clef, x, 8) ? 1 : 0;
        below += Dark(clef, x, 48) ? 1 : 0;
        QVERIFY(x < 30 || (White(clef, x, 8) && White(clef, x, 48)));
    }
    QVERIFY(above > 0 && below > 0);
}

void TestGlyphs::rests() {
    const QImage whole = Glyph(6108);
    const QImage half = Glyph(6104);
    // The whole rest hangs below the fourth line, the half rest stands on the middle line.
    for (int y : {22, 23, 24}) {
        QVERIFY(PureBlack(whole, 14, y));
    }
    for (int y : {25, 26, 27}) {
        QVERIFY(PureBlack(half, 14, y));
    }
    for (int y : {17, 18, 19, 20, 27, 29, 30, 31, 32, 33}) {
        QVERIFY(White(whole, 14, y));
    }
    for (int y : {17, 18, 19, 20, 22, 29, 30, 31, 32, 33}) {
        QVERIFY(White(half, 14, y));
    }
    const std::vector<double> quarter = InkPerRow(Glyph(6102), Glyph(4880));
    const std::vector<double> eighth = InkPerRow(Glyph(6101), Glyph(4880));
    const auto rowsWithInk = [](const std::vector<double>& ink) {
        return std::count_if(ink.begin(), ink.end(), [](double v) { return v > 0.5; });
    };
    QVERIFY(rowsWithInk(quarter) >= 15);
    QVERIFY(rowsWithInk(eighth) >= 8 && rowsWithInk(eighth) < rowsWithInk(quarter));
}

void TestGlyphs::picturesAreCached() {
    const QPixmap* first = &CGlyphLibrary::Pixmap(4112, 1.0);
    QCOMPARE(&CGlyphLibrary::Pixmap(4112, 1.0), first);
    QVERIFY(&CGlyphLibrary::Pixmap(4112, 2.0) != first);
    QCOMPARE(CGlyphLibrary::Pixmap(4112, 1.0).cacheKey(), first->cacheKey());
    // A ratio of zero or below cannot be drawn; it is taken as 1.
    QCOMPARE(&CGlyphLibrary::Pixmap(4112, 0.0), first);
}

void TestGlyphs::contactSheet() {
    // Every glyph once, and a staff row put together as the score shows it, for looking at.
    const std::vector<int> numbers = AllGlyphs();
    const int perRow = 16;
    const int rows = (static_cast<int>(numbers.size()) + perRow - 1) / perRow;
    for (qreal dpr : {1.0, 2.0}) {
        QImage sheet(qRound(perRow * 60 * dpr), qRound((rows + 3) * 75 * dpr),
                     QImage::Format_RGB32);
        sheet.setDevicePixelRatio(dpr);
        sheet.fill(QColor(230, 230, 230));
        QPainter painter(&sheet);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            const int x = static_cast<int>(i % perRow) * 60;
            const int y = static_cast<int>(i / perRow) * 75;
            painter.drawPixmap(x, y, CGlyphLibrary::Pixmap(numbers[i], dpr));
            painter.drawText(x, y + 70, QString::number(numbers[i]));
        }
        int x = 10;
        const int y = rows * 75 + 10;
        for (int number : {4800, 4214, 4314, 5414, 4412, 4512, 4810, 4611, 4111, 4711,
                           4221, 4322, 4810, 4428, 4810, 4524, 6104, 4810, 4621, 4121,
                           6101, 6102, 4810, 5618, 4810, 4618, 4810, 6108, 4820}) {
            const QPixmap& glyph = CGlyphLibrary::Pixmap(number, dpr);
            painter.drawPixmap(x, y, glyph);
            x += qRound(glyph.deviceIndependentSize().width());
        }
        x = 10;
        for (int command : {57600, 57601, 57603, 32771, 32773, 32774, 32775, 32776, 32777, 32778,
                            32779, 32780, 32785, 32783, 32784}) {
            painter.drawPixmap(x, y + 75,
                               CGlyphLibrary::ToolbarIcon(command).pixmap(QSize(16, 15), dpr));
            x += 24;
        }
        for (int size : {16, 32, 48, 64}) {
            painter.drawPixmap(x, y + 75, CGlyphLibrary::ApplicationIcon().pixmap(size, size));
            painter.drawPixmap(x, y + 75 + 66, CGlyphLibrary::DocumentIcon().pixmap(size, size));
            x += size + 8;
        }
        painter.end();
        QVERIFY(sheet.save(OutputPath(QStringLiteral("glyphs-contact-sheet@%1x.png").arg(dpr))));
    }
}

QTEST_MAIN(TestGlyphs)
#include "tst_glyphs.moc"
