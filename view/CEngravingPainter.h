#pragma once

#include "CEngraving.h"

class QPainter;

// Draws one engraved row with the glyph painter's symbols, the row's top-left corner at the
// painter's origin.
class CEngravingPainter {
public:
    static void PaintRow(QPainter& painter, const CEngraving::SRow& row);
};
