#pragma once

// How far a pixel (RGBX bytes) stands out from the paper: its largest channel difference.

#include <QRgb>
#include <algorithm>
#include <cstdlib>

namespace quorvane {

inline int inkDistance(const unsigned char* pixel, QRgb paper) {
    return std::max({std::abs(pixel[0] - qRed(paper)), std::abs(pixel[1] - qGreen(paper)),
                     std::abs(pixel[2] - qBlue(paper))});
}

} // namespace quorvane
