#pragma once

#include <QImage>

class QPainter;

// Draws the toolbar button pictures, 16 × 15 logical pixels on a transparent ground. The
// note and rest tools use the same engraving font as the score.
class CToolbarIconPainter {
public:
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 15;

    static bool HasPicture(int commandId);
    // An image of 16·dpr × 15·dpr device pixels with its device pixel ratio set; a null
    // image for commands without a button.
    static QImage Render(int commandId, qreal devicePixelRatio);

private:
    static void Draw(QPainter& painter, int commandId);
    static void DrawNewPage(QPainter& painter);
    static void DrawOpenFolder(QPainter& painter);
    static void DrawDiskette(QPainter& painter);
    static void DrawNote(QPainter& painter, int length);
    static void DrawRest(QPainter& painter, int length);
    static void DrawDelete(QPainter& painter);
    static void DrawGenerate(QPainter& painter);
    static void DrawPlay(QPainter& painter);
    static void DrawPreview(QPainter& painter);
    static void DrawStop(QPainter& painter);
};
