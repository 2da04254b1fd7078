// The score's pages read back with independent tools: poppler for PDF, and the staff rows
// found in a rendered page by their five long horizontal lines.

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include "CGlyphLibrary.h"
#include "CScoreLayout.h"
#include "CScorePages.h"
#include "ViewTestKit.h"

namespace {

// Standard output of a tool that must succeed; empty when it failed.
QByteArray ToolOutput(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << tool << args << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

// Every page at 96 dots per inch, one dot per screen pixel of the page geometry, in grey.
QList<QImage> PdfPageImages(const QString& pdf) {
    const QTemporaryDir scratch;
    ToolOutput(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-gray"_s, pdf, scratch.filePath(u"s"_s)});
    QList<QImage> pages;
    for (const QString& name : QDir(scratch.path()).entryList(QDir::Files)) {
        pages.append(QImage(scratch.filePath(name)).convertToFormat(QImage::Format_Grayscale8));
    }
    return pages;
}

// The non-empty lines of a page's text, in reading order.
QStringList PdfPageLines(const QString& pdf, int page) {
    const QString number = QString::number(page);
    const QString text = QString::fromUtf8(
        ToolOutput(u"pdftotext"_s, {u"-f"_s, number, u"-l"_s, number, pdf, u"-"_s}));
    QStringList lines;
    for (const QString& line : text.split(QRegularExpression(u"[\\n\\f]"_s))) {
        if (!line.trimmed().isEmpty()) {
            lines.append(line.trimmed());
        }
    }
    return lines;
}

// The y of the top line of every staff between top and bottom of a picture whose x runs
// in page pixels: a staff is five lines, 7 pixels apart, dark across the row's notes.
QList<int> StaffTops(const QImage& grey, int top, int bottom) {
    const int left = CScorePages::kPageLeft + 100;
    const int right = CScorePages::kPageLeft + 600;
    QList<int> lines;
    for (int y = std::max(0, top); y < std::min(bottom, grey.height()); ++y) {
        const uchar* row = grey.constScanLine(y);
        const int dark = static_cast<int>(
            std::count_if(row + left, row + right, [](uchar v) { return v < 128; }));
        if (dark >= (right - left) * 95 / 100) {
            lines.append(y - top);
        }
    }
    QList<int> tops;
    for (int i = 0; i + 4 < lines.size(); ++i) {
        if (lines[i + 4] - lines[i] == 28 && lines[i + 1] - lines[i] == 7) {
            tops.append(lines[i]);
            i += 4;
        }
    }
    return tops;
}

using Format = CScorePages::Format;

// Quarter notes until the sheet has the number of rows asked for.
void FillRows(CKantiloDoc& doc, int rows) {
    while (CScoreLayout(doc).RowCount() < rows) {
        Enter(doc, 1);
    }
}

// The rows of the sheet on every page: each staff where the page's rows begin and one row
// pitch below the last, every page but the last as full as its margins allow, all rows there.
void CheckRowsOnPages(const QList<QList<int>>& pageTops, int rows) {
    int shown = 0;
    for (qsizetype page = 0; page < pageTops.size(); ++page) {
        const QList<int>& tops = pageTops[page];
        QVERIFY2(!tops.isEmpty(), qPrintable(u"Seite %1 ohne Notenzeile"_s.arg(page + 1)));
        const int rowsTop = CScorePages::kPageTop + (page == 0 ? CScorePages::kTitleBand : 0);
        for (qsizetype i = 0; i < tops.size(); ++i) {
            QCOMPARE(tops[i], rowsTop + 14 + CScoreLayout::kRowPitch * i);
        }
        const qreal lastBottom = tops.last() - 14 + CScoreLayout::kGlyphHeight;
        const qreal limit = CScorePages::kPageHeight - CScorePages::kPageBottom;
        QVERIFY(lastBottom <= limit);
        if (page + 1 < pageTops.size()) {
            QVERIFY(lastBottom + CScoreLayout::kRowPitch > limit);
        }
        shown += static_cast<int>(tops.size());
    }
    QCOMPARE(shown, rows);
}

// The sheet as the view shows it at a device pixel ratio of 2.
QImage ScreenPicture(const CKantiloDoc& doc) {
    const CScoreLayout layout(doc);
    QImage image(CScoreLayout::kExtentWidth * 2, layout.ExtentHeight() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const auto& g : layout.Glyphs()) {
        painter.drawPixmap(QRect(g.x, g.y, g.width, CScoreLayout::kGlyphHeight),
                           CGlyphLibrary::Pixmap(g.number, 2.0));
    }
    painter.end();
    image.setDevicePixelRatio(1.0);
    return image;
}

}  // namespace

class TestScorePages : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Saved(const CKantiloDoc& doc, const QString& title, const QString& name,
                  Format format) {
        const QString path = m_dir.filePath(name);
        const std::string error =
            CScorePages::Save(doc.GetSheet(), title.toStdString(), path.toStdString(), format);
        return error.empty() ? path : QString::fromStdString(error);
    }

private slots:
    void pdfPagesHoldEveryRow_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("erste Seite voll") << CScorePages::kRowsOnFirstPage;
        QTest::newRow("drei Seiten")
            << CScorePages::kRowsOnFirstPage + CScorePages::kRowsPerPage + 1;
    }
    void pdfPagesHoldEveryRow() {
        if (QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty()) {
            QSKIP("pdftoppm fehlt (poppler-utils)");
        }
        QFETCH(int, rows);
        CKantiloDoc doc;
        FillRows(doc, rows);
        QCOMPARE(CScoreLayout(doc).RowCount(), rows);
        const QString pdf = Saved(doc, u"Lied"_s, u"lied.pdf"_s, Format::pdf);
        QList<QList<int>> tops;
        for (const QImage& image : PdfPageImages(pdf)) {
            QCOMPARE(image.size(),
                     QSizeF(CScorePages::kPageWidth, CScorePages::kPageHeight).toSize());
            tops.append(StaffTops(image, 0, image.height()));
        }
        CheckRowsOnPages(tops, rows);
    }

    // Title on top of the first page only, the page count at every foot, the text's fonts
    // inside the file and the music drawn as outlines, without a single picture.
    void pdfTextFontsAndOutlines() {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) {
            QSKIP("pdftotext fehlt (poppler-utils)");
        }
        CKantiloDoc doc;
        FillRows(doc, CScorePages::kRowsOnFirstPage + 1);
        const QString title = u"Frühlingslied für Öhringen.kt"_s;
        const QString pdf = Saved(doc, title, u"text.pdf"_s, Format::pdf);
        QCOMPARE(PdfPageLines(pdf, 1), (QStringList{title, u"Seite 1 von 2"_s}));
        QCOMPARE(PdfPageLines(pdf, 2), QStringList{u"Seite 2 von 2"_s});

        const QStringList fonts = QString::fromUtf8(ToolOutput(u"pdffonts"_s, {pdf}))
                                      .split('\n', Qt::SkipEmptyParts)
                                      .mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts) {
            const QStringList fields = font.split(' ', Qt::SkipEmptyParts);
            QVERIFY2(fields.size() > 5 && fields[fields.size() - 5] == u"yes"_s, qPrintable(font));
        }
        const QStringList images = QString::fromUtf8(ToolOutput(u"pdfimages"_s, {u"-list"_s, pdf}))
                                       .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2);  // the table's head only
    }

    // One drawing, the pages one below the other, each with its rows where the PDF has them.
    void svgStacksThePages() {
        CKantiloDoc doc;
        FillRows(doc, CScorePages::kRowsOnFirstPage + 2);
        const QString svg = Saved(doc, u"Lied"_s, u"lied.svg"_s, Format::svg);
        QSvgRenderer renderer(svg);
        QVERIFY2(renderer.isValid(), qPrintable(svg));
        QVERIFY(qAbs(renderer.viewBoxF().height() - 2 * CScorePages::kPageHeight) < 0.01);
        QImage image(renderer.viewBoxF().size().toSize(), QImage::Format_Grayscale8);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderer.render(&painter, renderer.viewBoxF());
        painter.end();
        const int pageHeight = qRound(CScorePages::kPageHeight);
        CheckRowsOnPages({StaffTops(image, 0, pageHeight),
                          StaffTops(image, qRound(CScorePages::kPageHeight), 2 * pageHeight)},
                         CScorePages::kRowsOnFirstPage + 2);
        const QByteArray text = FileBytes(svg);
        QVERIFY(text.contains("width=\"210mm\""));
        QVERIFY(text.count("<path") > 100);
        QVERIFY(!text.contains("<image"));
        QVERIFY(text.contains("Seite 2 von 2"));
    }

    // The whole sheet, with its room below the last row, as the screen shows it at twice
    // the resolution.
    void pngIsTheSheetAtTwiceTheScreen() {
        CKantiloDoc doc;
        FillRows(doc, 20);
        const QImage png(Saved(doc, u"Lied"_s, u"lied.png"_s, Format::png), "PNG");
        QCOMPARE(png.convertToFormat(QImage::Format_RGB32), ScreenPicture(doc));
    }
};

QTEST_MAIN(TestScorePages)
#include "tst_scorepages.moc"
