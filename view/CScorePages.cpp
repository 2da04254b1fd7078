#include "CScorePages.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>

#include "CDocumentFile.h"
#include "CFileError.h"
#include "CGlyphPainter.h"
#include "CKantiloApp.h"
#include "CScoreLayout.h"

namespace {

// Rows of staff that fit one below the other in height: the first takes a glyph's height,
// every further one a row pitch.
constexpr int RowsFitting(qreal height) {
    return static_cast<int>((height - CScoreLayout::kGlyphHeight) / CScoreLayout::kRowPitch) + 1;
}

constexpr qreal kRowArea =
    CScorePages::kPageHeight - CScorePages::kPageTop - CScorePages::kPageBottom;
// The foot line sits in the middle of the bottom margin.
constexpr qreal kFootBaseline = CScorePages::kPageHeight - CScorePages::kPageBottom / 2.0;
constexpr int kTitlePixels = 22;
constexpr int kFootPixels = 12;
// The picture's resolution, twice the screen's 96 dots per inch, in dots per metre.
constexpr int kPngDotsPerMetre =
    static_cast<int>(CScorePages::kPngScale * CScorePages::kPixelsPerInch / 0.0254 + 0.5);

QFont TextFont(int pixelSize, bool bold) {
    // Sizes in pixels follow the painter's scale; point sizes would follow the device's own
    // resolution instead.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The PDF writer puts its fonts (a title may need a second one for its script) into the file
// in the order of a hash table. While it is made, new tables get a fixed seed, so the same
// score gives the same bytes in every run; afterwards the seed is random again.
class FixedHashSeed {
public:
    FixedHashSeed() { QHashSeed::setDeterministicGlobalSeed(); }
    ~FixedHashSeed() { QHashSeed::resetRandomGlobalSeed(); }
    FixedHashSeed(const FixedHashSeed&) = delete;
    FixedHashSeed& operator=(const FixedHashSeed&) = delete;
};

int FirstRowOf(int page) {
    return page == 0 ? 0 : CScorePages::kRowsOnFirstPage + (page - 1) * CScorePages::kRowsPerPage;
}

}  // namespace

const int CScorePages::kRowsPerPage = RowsFitting(kRowArea);
const int CScorePages::kRowsOnFirstPage = RowsFitting(kRowArea - kTitleBand);

int CScorePages::PageCount(int rowCount) {
    const int further = std::max(0, rowCount - kRowsOnFirstPage);
    return 1 + (further + kRowsPerPage - 1) / kRowsPerPage;
}

std::string CScorePages::Save(const CNotenblatt& sheet, const std::string& strTitle,
                              const std::string& strPath, Format format) {
    const CScoreLayout layout(sheet);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Render(layout, strTitle, format, buffer)) {
        return CFileError::Text(CFileError::generic, strPath);
    }
    buffer.close();
    return Write(bytes, strPath);
}

bool CScorePages::Render(const CScoreLayout& layout, const std::string& strTitle, Format format,
                         QIODevice& out) {
    const QString title = QString::fromStdString(strTitle);
    switch (format) {
        case Format::pdf:
            return RenderPdf(layout, title, out);
        case Format::svg:
            return RenderSvg(layout, title, out);
        case Format::png:
            return RenderPng(layout, out);
    }
    return false;
}

bool CScorePages::RenderPdf(const CScoreLayout& layout, const QString& title, QIODevice& out) {
    const FixedHashSeed seed;
    QPdfWriter writer(&out);
    writer.setTitle(title);
    writer.setCreator(QString::fromLatin1(CKantiloApp::kApplication));
    // The margins are the page painter's own; the painter's origin is the paper's corner.
    QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    page.setMode(QPageLayout::FullPageMode);
    writer.setPageLayout(page);
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    const qreal scale = writer.resolution() / kPixelsPerInch;
    painter.scale(scale, scale);
    const int pageCount = PageCount(layout.RowCount());
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        PaintPage(painter, layout, title, page, pageCount);
    }
    return painter.end();
}

bool CScorePages::RenderSvg(const CScoreLayout& layout, const QString& title, QIODevice& out) {
    const int pageCount = PageCount(layout.RowCount());
    const QRectF drawing(0.0, 0.0, kPageWidth, kPageHeight * pageCount);
    QSvgGenerator generator;
    generator.setOutputDevice(&out);
    generator.setTitle(title);
    // The size is whole dots: tenths of a pixel keep the page's millimetres exact.
    constexpr int kDotsPerPixel = 10;
    generator.setResolution(qRound(kPixelsPerInch) * kDotsPerPixel);
    generator.setSize((drawing.size() * kDotsPerPixel).toSize());
    generator.setViewBox(drawing);
    QPainter painter;
    if (!painter.begin(&generator)) {
        return false;
    }
    for (int page = 0; page < pageCount; ++page) {
        painter.save();
        painter.translate(0.0, kPageHeight * page);
        PaintPage(painter, layout, title, page, pageCount);
        painter.restore();
    }
    return painter.end();
}

bool CScorePages::RenderPng(const CScoreLayout& layout, QIODevice& out) {
    QImage image(CScoreLayout::kExtentWidth * kPngScale, layout.ExtentHeight() * kPngScale,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(kPngDotsPerMetre);
    image.setDotsPerMeterY(kPngDotsPerMetre);
    QPainter painter(&image);
    painter.scale(kPngScale, kPngScale);
    PaintRows(painter, layout, 0, layout.RowCount());
    painter.end();
    return image.save(&out, "PNG");
}

void CScorePages::PaintPage(QPainter& painter, const CScoreLayout& layout, const QString& title,
                            int page, int pageCount) {
    painter.fillRect(QRectF(0.0, 0.0, kPageWidth, kPageHeight), Qt::white);
    painter.setPen(Qt::black);
    int rowsTop = kPageTop;
    if (page == 0) {
        painter.setFont(TextFont(kTitlePixels, true));
        const QRectF band(kPageLeft, kPageTop, CScoreLayout::kExtentWidth, kTitleBand);
        const QString shown =
            QFontMetricsF(painter.font()).elidedText(title, Qt::ElideRight, band.width());
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, shown);
        rowsTop += kTitleBand;
    }
    const int firstRow = FirstRowOf(page);
    painter.save();
    painter.translate(kPageLeft, rowsTop - firstRow * CScoreLayout::kRowPitch);
    PaintRows(painter, layout, firstRow, page == 0 ? kRowsOnFirstPage : kRowsPerPage);
    painter.restore();
    painter.setFont(TextFont(kFootPixels, false));
    const QString foot = QStringLiteral("Seite %1 von %2").arg(page + 1).arg(pageCount);
    const qreal footWidth = QFontMetricsF(painter.font()).horizontalAdvance(foot);
    painter.drawText(QPointF((kPageWidth - footWidth) / 2.0, kFootBaseline), foot);
}

void CScorePages::PaintRows(QPainter& painter, const CScoreLayout& layout, int firstRow,
                            int rowCount) {
    painter.setPen(Qt::black);
    for (const CScoreLayout::CGlyph& glyph : layout.Glyphs()) {
        const int row = glyph.y / CScoreLayout::kRowPitch;
        if (row >= firstRow && row - firstRow < rowCount) {
            CGlyphPainter::Draw(painter, glyph.number,
                                QRectF(glyph.x, glyph.y, glyph.width, CScoreLayout::kGlyphHeight));
        }
    }
}

std::string CScorePages::Write(const QByteArray& bytes, const std::string& strPath) {
    const auto* pData = reinterpret_cast<const uint8_t*>(bytes.constData());
    return CDocumentFile::WriteBytes(strPath,
                                     std::span(pData, static_cast<std::size_t>(bytes.size())))
        .message;
}

CScorePages::Format CScorePages::FormatOf(CExchangeFormat::Kind kind) {
    return kind == CExchangeFormat::Kind::svg   ? Format::svg
           : kind == CExchangeFormat::Kind::png ? Format::png
                                                : Format::pdf;
}
