#pragma once

#include <QtGlobal>
#include <string>

#include "CExchangeFormat.h"

class CEngraving;
class CNotenblatt;
class QIODevice;
class QPainter;
class QString;

// The score on paper and as pictures, engraved by CEngraving and drawn with the screen's own
// glyph painter. PDF: A4 portrait pages, as many staff rows on each as fit between the
// margins, the title above the first row of the first page and "Seite N von M" at every
// foot. SVG: the same pages, one below the other, in a single drawing. PNG: one picture per
// page at 300 dots per inch. Every format is written a page at a time.
class CScorePages {
public:
    enum class Format { pdf, svg, png };

    // Page geometry in screen pixels, 96 to the inch, so that the staff is as large on paper
    // as on a plain screen.
    static constexpr qreal kPixelsPerInch = 96.0;
    static constexpr qreal kPageWidth = 210.0 / 25.4 * kPixelsPerInch;   // A4
    static constexpr qreal kPageHeight = 297.0 / 25.4 * kPixelsPerInch;  // A4
    static constexpr int kPageLeft = 72;
    static constexpr int kPageTop = 72;
    static constexpr int kPageBottom = 72;
    static constexpr qreal kRowWidth = kPageWidth - 2 * kPageLeft;
    // Room the title takes above the first row on the first page.
    static constexpr int kTitleBand = 60;
    static constexpr int kPngDotsPerInch = 300;

    static const int kRowsPerPage;
    static const int kRowsOnFirstPage;

    // Writes the sheet to strPath through the replacing writer; "" on success, else the
    // German text to show, and the file at strPath is as it was. A PNG of several pages goes
    // to PngPagePath's files, all of them or none. Needs a QGuiApplication.
    static std::string Save(const CNotenblatt& sheet, const std::string& strTitle,
                            const std::string& strPath, Format format);
    // The format of a page kind of export (pdf for anything else).
    static Format FormatOf(CExchangeFormat::Kind kind);
    static int PageCount(int rowCount);
    static int PageCount(const CNotenblatt& sheet);
    static int FirstRowOf(int page);
    // Page page (from 1) of a PNG: "lied.png" gives "lied-2.png"; a single page keeps the name.
    static std::string PngPagePath(const std::string& strPath, int page, int pageCount);

private:
    static int RenderPdf(const CEngraving& score, const QString& title, QIODevice& out);
    static int RenderSvg(const CEngraving& score, const QString& title, QIODevice& out);
    static std::string SavePng(const CEngraving& score, const QString& title,
                               const std::string& strPath);
    static void PaintPage(QPainter& painter, const CEngraving& score, const QString& title,
                          int page, int pageCount);
};
