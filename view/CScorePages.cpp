#include "CScorePages.h"

#include <sys/resource.h>

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
#include <filesystem>
#include <memory>
#include <vector>

#include "CDocumentFile.h"
#include "CEngineFailure.h"
#include "CEngraving.h"
#include "CEngravingPainter.h"
#include "CFileError.h"
#include "CKantiloApp.h"
#include "CReplacingDevice.h"
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
constexpr qreal kPngScale = CScorePages::kPngDotsPerInch / CScorePages::kPixelsPerInch;
constexpr int kPngDotsPerMetre = static_cast<int>(CScorePages::kPngDotsPerInch / 0.0254 + 0.5);
// Render failures that are no errno: the painter could not start or finish.
constexpr int kDrawingFailed = -1;

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

int PagesOf(const CEngraving& score) {
    return CScorePages::PageCount(static_cast<int>(score.Rows().size()));
}

std::string Message(int nError, const std::string& strPath) {
    if (nError == kDrawingFailed) {
        return CFileError::Text(CFileError::generic, strPath);
    }
    return CDocumentFile::WriteResult(nError, strPath).message;
}

// Every page of a picture stays open until all are written; many pages need many files.
void AllowManyOpenFiles() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

const int CScorePages::kRowsPerPage = RowsFitting(kRowArea);
const int CScorePages::kRowsOnFirstPage = RowsFitting(kRowArea - kTitleBand);

int CScorePages::PageCount(int rowCount) {
    const int further = std::max(0, rowCount - kRowsOnFirstPage);
    return 1 + (further + kRowsPerPage - 1) / kRowsPerPage;
}

int CScorePages::PageCount(const CNotenblatt& sheet) {
    return PagesOf(CEngraving(sheet, kRowWidth));
}

int CScorePages::FirstRowOf(int page) {
    return page == 0 ? 0 : kRowsOnFirstPage + (page - 1) * kRowsPerPage;
}

std::string CScorePages::PngPagePath(const std::string& strPath, int page, int pageCount) {
    if (pageCount == 1) {
        return strPath;
    }
    const std::filesystem::path path(strPath);
    std::filesystem::path numbered = path;
    numbered.replace_filename(path.stem().string() + '-' + std::to_string(page) +
                              path.extension().string());
    return numbered.string();
}

std::string CScorePages::Save(const CNotenblatt& sheet, const std::string& strTitle,
                              const std::string& strPath, Format format) {
    const CEngraving score(sheet, kRowWidth);
    const QString title = QString::fromStdString(strTitle);
    if (format == Format::png) {
        return SavePng(score, title, strPath);
    }
    CReplacingDevice out(strPath);
    int nError = out.Start();
    if (nError == 0) {
        nError =
            format == Format::pdf ? RenderPdf(score, title, out) : RenderSvg(score, title, out);
    }
    if (nError == 0) {
        nError = out.Commit();
    }
    return nError == 0 ? std::string() : Message(nError, strPath);
}

int CScorePages::RenderPdf(const CEngraving& score, const QString& title, QIODevice& out) {
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
        return kDrawingFailed;
    }
    const qreal scale = writer.resolution() / kPixelsPerInch;
    painter.scale(scale, scale);
    const int pageCount = PagesOf(score);
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        PaintPage(painter, score, title, page, pageCount);
    }
    const bool ended = painter.end();
    return ended ? 0 : kDrawingFailed;
}

// Each page is drawn by a generator of its own that holds that page only: the first brings
// the drawing's head, every one its body, and the drawing is closed once at the end.
int CScorePages::RenderSvg(const CEngraving& score, const QString& title, QIODevice& out) {
    const int pageCount = PagesOf(score);
    const QRectF drawing(0.0, 0.0, kPageWidth, kPageHeight * pageCount);
    const QByteArray headEnd("</defs>\n");
    const QByteArray foot("</svg>\n");
    for (int page = 0; page < pageCount; ++page) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setTitle(title);
        // The size is whole dots: tenths of a pixel keep the page's millimetres exact.
        constexpr int kDotsPerPixel = 10;
        generator.setResolution(qRound(kPixelsPerInch) * kDotsPerPixel);
        generator.setSize((drawing.size() * kDotsPerPixel).toSize());
        generator.setViewBox(drawing);
        QPainter painter;
        if (!painter.begin(&generator)) {
            return kDrawingFailed;
        }
        painter.translate(0.0, kPageHeight * page);
        PaintPage(painter, score, title, page, pageCount);
        if (!painter.end()) {
            return kDrawingFailed;
        }
        const QByteArray& bytes = buffer.data();
        const qsizetype bodyStart = page == 0 ? 0 : bytes.indexOf(headEnd) + headEnd.size();
        const qsizetype bodyEnd = bytes.lastIndexOf(foot);
        if (bodyStart < 0 || bodyEnd < bodyStart) {
            return kDrawingFailed;
        }
        out.write(bytes.constData() + bodyStart, bodyEnd - bodyStart);
    }
    out.write(foot);
    return 0;
}

std::string CScorePages::SavePng(const CEngraving& score, const QString& title,
                                 const std::string& strPath) {
    const int pageCount = PagesOf(score);
    AllowManyOpenFiles();
    std::vector<std::unique_ptr<CReplacingDevice>> files;
    QImage image(qRound(kPageWidth * kPngScale), qRound(kPageHeight * kPngScale),
                 QImage::Format_RGB32);
    if (image.isNull()) {
        return CEngineFailure::kNoMemory;  // Qt hands back a null picture when memory is short
    }
    image.setDotsPerMeterX(kPngDotsPerMetre);
    image.setDotsPerMeterY(kPngDotsPerMetre);
    for (int page = 0; page < pageCount; ++page) {
        const std::string strPage = PngPagePath(strPath, page + 1, pageCount);
        auto& file = files.emplace_back(std::make_unique<CReplacingDevice>(strPage));
        if (const int nError = file->Start(); nError != 0) {
            return Message(nError, strPage);
        }
        QPainter painter(&image);
        painter.scale(kPngScale, kPngScale);
        PaintPage(painter, score, title, page, pageCount);
        painter.end();
        // Encoded in memory first: libpng would print its own English line on a failed write.
        QBuffer encoded;
        if (!image.save(&encoded, "PNG")) {
            return Message(kDrawingFailed, strPage);
        }
        if (file->write(encoded.data()) != encoded.size()) {
            return Message(file->Error() != 0 ? file->Error() : kDrawingFailed, strPage);
        }
    }
    // Only now, with every page written, do the pictures take their names.
    for (int page = 0; page < pageCount; ++page) {
        if (const int nError = files[static_cast<size_t>(page)]->Commit(); nError != 0) {
            return Message(nError, PngPagePath(strPath, page + 1, pageCount));
        }
    }
    return std::string();
}

void CScorePages::PaintPage(QPainter& painter, const CEngraving& score, const QString& title,
                            int page, int pageCount) {
    painter.fillRect(QRectF(0.0, 0.0, kPageWidth, kPageHeight), Qt::white);
    painter.setPen(Qt::black);
    int rowsTop = kPageTop;
    if (page == 0) {
        painter.setFont(TextFont(kTitlePixels, true));
        const QRectF band(kPageLeft, kPageTop, kRowWidth, kTitleBand);
        const QString shown =
            QFontMetricsF(painter.font()).elidedText(title, Qt::ElideRight, band.width());
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, shown);
        rowsTop += kTitleBand;
    }
    const int firstRow = FirstRowOf(page);
    const int rowCount = static_cast<int>(score.Rows().size());
    const int endRow = std::min(rowCount, firstRow + (page == 0 ? kRowsOnFirstPage : kRowsPerPage));
    for (int row = firstRow; row < endRow; ++row) {
        painter.save();
        painter.translate(kPageLeft, rowsTop + (row - firstRow) * CScoreLayout::kRowPitch);
        CEngravingPainter::PaintRow(painter, score.Rows()[static_cast<size_t>(row)]);
        painter.restore();
    }
    painter.setFont(TextFont(kFootPixels, false));
    const QString foot = QStringLiteral("Seite %1 von %2").arg(page + 1).arg(pageCount);
    const qreal footWidth = QFontMetricsF(painter.font()).horizontalAdvance(foot);
    painter.drawText(QPointF((kPageWidth - footWidth) / 2.0, kFootBaseline), foot);
}

CScorePages::Format CScorePages::FormatOf(CExchangeFormat::Kind kind) {
    return kind == CExchangeFormat::Kind::svg   ? Format::svg
           : kind == CExchangeFormat::Kind::png ? Format::png
                                                : Format::pdf;
}
