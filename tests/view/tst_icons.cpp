#include <QIcon>
#include <QImage>
#include <QtTest>
#include <array>
#include <functional>
#include <vector>

#include "CGlyphLibrary.h"

namespace {

int CountPixels(const QImage& image, const std::function<bool(QColor)>& match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (match(image.pixelColor(x, y))) {
                ++count;
            }
        }
    }
    return count;
}

bool OpaqueDark(QColor c) {
    return c.alpha() > 200 && c.lightness() < 80;
}

QImage ToolbarImage(int commandId, qreal dpr = 1.0) {
    const QIcon icon = CGlyphLibrary::ToolbarIcon(commandId);
    return icon.pixmap(QSize(16, 15), dpr).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

// Toolbar buttons and the application and document icons.
class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void toolbarIcons();
    void toolbarPictures();
    void applicationAndDocumentIcons();
};

void TestIcons::toolbarIcons() {
    const std::array<int, 15> commands = {57600, 57601, 57603, 32771, 32773, 32774, 32775, 32776,
                                          32777, 32778, 32779, 32780, 32785, 32783, 32784};
    std::vector<QImage> images;
    for (int command : commands) {
        QVERIFY(!CGlyphLibrary::ToolbarIcon(command).isNull());
        const QImage image = ToolbarImage(command);
        QCOMPARE(image.size(), QSize(16, 15));
        QVERIFY2(CountPixels(image, OpaqueDark) >= 8, qPrintable(QString::number(command)));
        QCOMPARE(ToolbarImage(command, 2.0).size(), QSize(32, 30));
        for (const QImage& other : images) {
            QVERIFY(other != image);
        }
        images.push_back(image);
    }
    for (int command : {0, 32772, 32781, 32787, 57604, 57664}) {
        QVERIFY(CGlyphLibrary::ToolbarIcon(command).isNull());
    }
}

void TestIcons::toolbarPictures() {
    const auto ink = [](int command) { return CountPixels(ToolbarImage(command), OpaqueDark); };
    // Eighth = quarter + flag; the half note's head is hollow; the whole note has no stem.
    QVERIFY(ink(32771) > ink(32773));
    QVERIFY(ink(32774) < ink(32773));
    QVERIFY(ink(32775) < ink(32774));

    const QImage play = ToolbarImage(32783);
    int left = 0;
    int right = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 8; ++x) {
            left += OpaqueDark(play.pixelColor(x, y)) ? 1 : 0;
            right += OpaqueDark(play.pixelColor(x + 8, y)) ? 1 : 0;
        }
    }
    QVERIFY(left > 2 * right && right > 0);

    const QImage stop = ToolbarImage(32784);
    QVERIFY(OpaqueDark(stop.pixelColor(8, 7)) && OpaqueDark(stop.pixelColor(4, 4)));
    QCOMPARE(stop.pixelColor(0, 0).alpha(), 0);

    const auto darkRed = [](QColor c) {
        return c.alpha() > 200 && c.red() > 90 && c.red() < 180 && c.green() < 40 && c.blue() < 40;
    };
    const auto red = [](QColor c) { return c.alpha() > 150 && c.red() > 180 && c.green() < 90; };
    QVERIFY(CountPixels(ToolbarImage(32780), darkRed) >= 10);
    QVERIFY(CountPixels(ToolbarImage(32785), red) >= 10);
    const QImage generate = ToolbarImage(32785);
    int lineRow = 0;
    for (int x = 0; x < 16; ++x) {
        lineRow += OpaqueDark(generate.pixelColor(x, 7)) ? 1 : 0;
    }
    QVERIFY(lineRow >= 10);
}

void TestIcons::applicationAndDocumentIcons() {
    const QIcon application = CGlyphLibrary::ApplicationIcon();
    const QIcon document = CGlyphLibrary::DocumentIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QVERIFY(application.availableSizes().contains(QSize(size, size)));
        QVERIFY(document.availableSizes().contains(QSize(size, size)));
    }
    const QImage app =
        application.pixmap(256, 256).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(app.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(app.pixelColor(255, 255).alpha(), 0);
    int staffRows = 0;
    for (int y = 0; y < 256; ++y) {
        int dark = 0;
        for (int x = 0; x < 256; ++x) {
            dark += OpaqueDark(app.pixelColor(x, y)) ? 1 : 0;
        }
        staffRows += dark > 200 ? 1 : 0;
    }
    QVERIFY2(staffRows >= 5 && staffRows <= 5 * 8, qPrintable(QString::number(staffRows)));
    QVERIFY(CountPixels(app, OpaqueDark) > 5 * 256 + 2000);  // lines and the clef

    const QImage doc = document.pixmap(64, 64).toImage().convertToFormat(QImage::Format_ARGB32);
    const auto green = [](QColor c) { return c.alpha() > 200 && c.green() > 120 && c.red() < 60; };
    const auto white = [](QColor c) { return c.alpha() == 255 && c.lightness() > 250; };
    QVERIFY(CountPixels(doc, green) >= 20);
    QVERIFY(CountPixels(doc, white) >= 64 * 20);
    QVERIFY(CountPixels(doc, OpaqueDark) >= 100);
    QCOMPARE(doc.pixelColor(0, 0).alpha(), 0);
    // The green corner is at the top right of the page.
    QVERIFY(CountPixels(doc.copy(32, 0, 32, 24), green) == CountPixels(doc, green));
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
