// The score's pages read back with poppler and rsvg, the staff rows found by their long top and
// bottom lines.

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "CEngraving.h"
#include "CScoreLayout.h"
#include "CScorePages.h"
#include "ViewTestKit.h"

namespace {

using Format = CScorePages::Format;

// Standard output of a tool that must succeed; empty when it failed.
QByteArray ToolOutput(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : QByteArray();
}

// Whether a staff line runs dark across 95% of the row's notes at y.
bool LineAt(const QImage& grey, int y) {
    const uchar* row = grey.constScanLine(std::min(y, grey.height() - 1)) + CScorePages::kPageLeft;
    return y < grey.height() &&
           std::count_if(row + 100, row + 600, [](uchar v) { return v < 128; }) >= 475;
}

}  // namespace

class TestScorePages : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A song of bars of quarter notes in the number of rows asked for, its last row as full
    // as the others.
    static std::unique_ptr<CKantiloDoc> Song(int rows) {
        auto doc = std::make_unique<CKantiloDoc>();
        CKantiloDoc longer;  // a bar ahead
        Enter(longer, 4);
        while (CEngraving(longer.GetSheet(), CScorePages::kRowWidth).Rows().size() <=
               size_t(rows)) {
            Enter(*doc, 4);
            Enter(longer, 4);
        }
        return doc;
    }

    // That song saved under name; its path, or the error.
    QString Saved(int rows, const QString& title, const QString& name, Format format) {
        const QString path = m_dir.filePath(name);
        const std::string error = CScorePages::Save(Song(rows)->GetSheet(), title.toStdString(),
                                                    path.toStdString(), format);
        return error.empty() ? path : QString::fromStdString(error);
    }

private slots:
    // Three pages: each page's rows where its rows begin and one row pitch apart, every page
    // but the last as full as its margins allow, all rows somewhere; the title on top of the
    // first page only, the page count at every foot, the fonts inside.
    void pdfPagesHoldEveryRow() {
        if (QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty()) {
            QSKIP("pdftoppm fehlt (poppler-utils)");
        }
        const int rows = CScorePages::kRowsOnFirstPage + CScorePages::kRowsPerPage + 1;
        const QString title = u"Frühlingslied für Öhringen"_s;
        const QString pdf = Saved(rows, title, u"lied.pdf"_s, Format::pdf);
        ToolOutput(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-gray"_s, pdf, m_dir.filePath(u"s"_s)});
        QCOMPARE(QDir(m_dir.path()).entryList({u"s-*"_s}).size(), 3);
        const qreal limit = CScorePages::kPageHeight - CScorePages::kPageBottom;
        int shown = 0;
        for (int page = 1; page <= 3; ++page) {
            const QImage image = QImage(m_dir.filePath(u"s-%1.pgm"_s.arg(page)))
                                     .convertToFormat(QImage::Format_Grayscale8);
            QCOMPARE(image.size(),
                     QSizeF(CScorePages::kPageWidth, CScorePages::kPageHeight).toSize());
            const int rowsTop = CScorePages::kPageTop + (page == 1 ? CScorePages::kTitleBand : 0);
            int n = 0;
            while (LineAt(image, rowsTop + 14 + CScoreLayout::kRowPitch * n) &&
                   LineAt(image, rowsTop + 42 + CScoreLayout::kRowPitch * n)) {
                ++n;
            }
            const qreal bottom =
                rowsTop + CScoreLayout::kRowPitch * (n - 1) + CScoreLayout::kGlyphHeight;
            QVERIFY(n > 0 && bottom <= limit);
            QVERIFY(page == 3 || bottom + CScoreLayout::kRowPitch > limit);
            shown += n;
            const QString number = QString::number(page);
            QCOMPARE(QString::fromUtf8(ToolOutput(u"pdftotext"_s,
                                                  {u"-f"_s, number, u"-l"_s, number, pdf, u"-"_s}))
                         .simplified(),
                     (page == 1 ? title + ' ' : QString()) + u"Seite %1 von 3"_s.arg(page));
        }
        QCOMPARE(shown, rows);
        const QStringList fonts = QString::fromUtf8(ToolOutput(u"pdffonts"_s, {pdf}))
                                      .split('\n', Qt::SkipEmptyParts)
                                      .mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts) {  // "emb" is the fifth column from the end
            const QStringList fields = font.split(' ', Qt::SkipEmptyParts);
            QCOMPARE(fields.value(fields.size() - 5), u"yes"_s);
        }
    }

    // One drawing, the pages one below the other, the music as outlines, written page by
    // page into a single document that rsvg reads.
    void svgStacksThePages() {
        const QString path =
            Saved(CScorePages::kRowsOnFirstPage + 2, u"Lied"_s, u"lied.svg"_s, Format::svg);
        const QByteArray text = FileBytes(path);
        QVERIFY(text.contains("width=\"210mm\"") && !text.contains("<image"));
        QCOMPARE(std::pair(text.count("<svg"), text.count("</svg>")),
                 std::pair(qsizetype(1), qsizetype(1)));
        QCOMPARE(text.count("Seite "), qsizetype(2));
        QVERIFY(text.count("<path") > 100);
        if (QStandardPaths::findExecutable(u"rsvg-convert"_s).isEmpty()) {
            QSKIP("rsvg-convert fehlt (librsvg2-bin)");
        }
        const QImage drawn = QImage::fromData(ToolOutput(u"rsvg-convert"_s, {path}), "PNG");
        // rsvg rounds the millimetres up to whole pixels.
        QVERIFY(qAbs(drawn.width() - CScorePages::kPageWidth) < 1.0);
        QVERIFY(qAbs(drawn.height() - 2 * CScorePages::kPageHeight) < 1.0);
        // The second page's first staff line, where the first page's title band is not.
        const QImage grey = drawn.convertToFormat(QImage::Format_Grayscale8);
        QVERIFY(LineAt(grey, qRound(CScorePages::kPageHeight) + CScorePages::kPageTop + 14));
    }

    // When one page cannot be written, none of the new pictures stays, and nothing else is
    // left behind.
    void aFailedPageLeavesNoPicture() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"lied-2.png"_s));
        const std::string error =
            CScorePages::Save(Song(CScorePages::kRowsOnFirstPage + 1)->GetSheet(), "Lied",
                              dir.filePath(u"lied.png"_s).toStdString(), Format::png);
        QVERIFY(error.find("lied-2.png") != std::string::npos);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"lied-2.png"_s});
    }
};

QTEST_MAIN(TestScorePages)
#include "tst_scorepages.moc"
