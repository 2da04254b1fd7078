// The score's pages read back with poppler, the staff rows found by their five long lines.

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

// The y of the top line of every staff on a page: five lines, 7 pixels apart, dark across
// the row's notes.
QList<int> StaffTops(const QImage& grey) {
    const int left = CScorePages::kPageLeft + 100;
    const int right = CScorePages::kPageLeft + 600;
    QList<int> lines;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        if (std::count_if(row + left, row + right, [](uchar v) { return v < 128; }) >=
            (right - left) * 95 / 100) {
            lines.append(y);
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
        const QString pdf = Saved(doc, u"Lied"_s, u"lied.pdf"_s, Format::pdf);
        const QTemporaryDir scratch;  // the pages at one dot per page pixel
        ToolOutput(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-gray"_s, pdf, scratch.filePath(u"s"_s)});
        const QStringList pages = QDir(scratch.path()).entryList(QDir::Files);
        // Each page's rows where its rows begin and one row pitch apart, every page but the
        // last as full as its margins allow, all rows somewhere.
        const qreal limit = CScorePages::kPageHeight - CScorePages::kPageBottom;
        qsizetype shown = 0;
        for (qsizetype page = 0; page < pages.size(); ++page) {
            const QImage image = QImage(scratch.filePath(pages[page]));
            QCOMPARE(image.size(),
                     QSizeF(CScorePages::kPageWidth, CScorePages::kPageHeight).toSize());
            const QList<int> tops = StaffTops(image.convertToFormat(QImage::Format_Grayscale8));
            QVERIFY2(!tops.isEmpty(), qPrintable(u"Seite %1 ohne Notenzeile"_s.arg(page + 1)));
            const int rowsTop = CScorePages::kPageTop + (page == 0 ? CScorePages::kTitleBand : 0);
            for (qsizetype i = 0; i < tops.size(); ++i) {
                QCOMPARE(tops[i], rowsTop + 14 + CScoreLayout::kRowPitch * i);
            }
            const qreal lastBottom = tops.last() - 14 + CScoreLayout::kGlyphHeight;
            QVERIFY(lastBottom <= limit);
            QVERIFY(page + 1 == pages.size() || lastBottom + CScoreLayout::kRowPitch > limit);
            shown += tops.size();
        }
        QCOMPARE(shown, rows);
    }

    // Title on top of the first page only, the page count at every foot, the fonts inside.
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
    }

    // One drawing, the pages one below the other, the music as outlines.
    void svgStacksThePages() {
        CKantiloDoc doc;
        FillRows(doc, CScorePages::kRowsOnFirstPage + 2);
        const QString svg = Saved(doc, u"Lied"_s, u"lied.svg"_s, Format::svg);
        QSvgRenderer renderer(svg);
        QVERIFY2(renderer.isValid(), qPrintable(svg));
        QVERIFY(qAbs(renderer.viewBoxF().height() - 2 * CScorePages::kPageHeight) < 0.01);
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
