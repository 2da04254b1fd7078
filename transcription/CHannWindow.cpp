#include "CHannWindow.h"

#include <cmath>
#include <numbers>

std::vector<float> CHannWindow::Of(size_t nLength) {
    std::vector<float> window(nLength);
    for (size_t i = 0; i < nLength; ++i) {
        window[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(nLength)));
    }
    return window;
}
