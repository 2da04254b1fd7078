#pragma once

#include <QtGlobal>
#include <string>

#include "CExchangeFormat.h"

class CNotenblatt;
class CScoreLayout;
class QByteArray;
class QIODevice;
class QPainter;
class QString;

// The score on paper and as a picture, drawn by the screen's own glyph painter from the
// screen's layout. PDF: A4 portrait pages, as many staff rows on each as fit between the
// margins, the title above the first row of the first page and "Seite N von M" at every
// foot. SVG: the same pages, one below the other, in a single drawing. PNG: the whole sheet
// as the view shows it, at twice the screen's resolution.
class CScorePages {
public:
    enum class Format { pdf, svg, png };

    // Page geometry in screen pixels, 96 to the inch, so a row is as long on paper as on a
    // plain screen: the sheet's width sits in the middle of the page.
    static constexpr qreal kPixelsPerInch = 96.0;
    static constexpr qreal kPageWidth = 210.0 / 25.4 * kPixelsPerInch;   // A4
    static constexpr qreal kPageHeight = 297.0 / 25.4 * kPixelsPerInch;  // A4
    static constexpr int kPageLeft = 72;
    static constexpr int kPageTop = 72;
    static constexpr int kPageBottom = 72;
    // Room the title takes above the first row on the first page.
    static constexpr int kTitleBand = 60;
    static constexpr int kPngScale = 2;

    static const int kRowsPerPage;
    static const int kRowsOnFirstPage;

    // Writes the sheet to strPath through the replacing writer; "" on success, else the
    // German text to show, and the file at strPath is as it was. Needs a QGuiApplication.
    static std::string Save(const CNotenblatt& sheet, const std::string& strTitle,
                            const std::string& strPath, Format format);
    // The format of a page kind of export (pdf for anything else).
    static Format FormatOf(CExchangeFormat::Kind kind);

private:
    static int PageCount(int rowCount);
    static bool Render(const CScoreLayout& layout, const std::string& strTitle, Format format,
                       QIODevice& out);
    static bool RenderPdf(const CScoreLayout& layout, const QString& title, QIODevice& out);
    static bool RenderSvg(const CScoreLayout& layout, const QString& title, QIODevice& out);
    static bool RenderPng(const CScoreLayout& layout, QIODevice& out);
    static void PaintPage(QPainter& painter, const CScoreLayout& layout, const QString& title,
                          int page, int pageCount);
    static void PaintRows(QPainter& painter, const CScoreLayout& layout, int firstRow,
                          int rowCount);
    static std::string Write(const QByteArray& bytes, const std::string& strPath);
};
