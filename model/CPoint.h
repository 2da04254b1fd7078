#pragma once

#include <cstdint>

// A point in sheet coordinates (pixels, origin at the sheet's top-left corner, y downwards).
struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
};
