#pragma once

// Reading the score's pages back with independent tools: poppler for PDF, and the staff rows
// found in a rendered page by their five long horizontal lines.

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include "CScoreLayout.h"
#include "CScorePages.h"

using namespace Qt::StringLiterals;

// Skips the test when an outside tool it reads the files with is not installed.
#define REQUIRE_TOOL(name)                                              \
    do {                                                                \
        if (QStandardPaths::findExecutable(name).isEmpty()) {           \
            QSKIP(qPrintable(u"%1 fehlt (poppler-utils)"_s.arg(name))); \
        }                                                               \
    } while (false)

// Standard output of a tool that must succeed; empty when it failed.
inline QByteArray ToolOutput(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << tool << args << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

inline int PdfPageCount(const QString& pdf) {
    const QString info = QString::fromUtf8(ToolOutput(u"pdfinfo"_s, {pdf}));
    const auto match =
        QRegularExpression(u"^Pages:\\s+(\\d+)$"_s, QRegularExpression::MultilineOption)
            .match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// One page at 96 dots per inch, one dot per screen pixel of the page geometry, in grey.
inline QImage PdfPageImage(const QString& pdf, int page, const QString& scratch) {
    const QString number = QString::number(page);
    ToolOutput(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-gray"_s, u"-f"_s, number, u"-l"_s, number,
                               u"-singlefile"_s, pdf, scratch});
    return QImage(scratch + u".pgm"_s).convertToFormat(QImage::Format_Grayscale8);
}

// The non-empty lines of a page's text, in reading order.
inline QStringList PdfPageLines(const QString& pdf, int page) {
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

// The date Qt stamps into every PDF is the only part that changes from run to run.
inline QByteArray WithoutCreationDate(QByteArray pdf) {
    static const QRegularExpression date(u"/CreationDate \\(D:[0-9Z+'-]*\\)"_s);
    return QString::fromLatin1(pdf).replace(date, u"/CreationDate ()"_s).toLatin1();
}

// The y of the top line of every staff between top and bottom of a picture whose x runs
// in page pixels: a staff is five lines, 7 pixels apart, dark across the row's notes.
inline QList<int> StaffTops(const QImage& grey, int top, int bottom) {
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
