#pragma once

// Text-like test pages for the scrolling capture (and its benchmarks), computed pixel by pixel so
// that frames of any part of a tall page can be made without holding the page.

#include <QImage>
#include <cstdint>
#include <functional>

namespace quorvane::test {

inline std::uint32_t mix(std::uint32_t a) {
    a = (a ^ (a >> 16)) * 0x7feb352du;
    a = (a ^ (a >> 15)) * 0x846ca68bu;
    return a ^ (a >> 16);
}

// Lines of 20 rows: 12 rows of 7-pixel glyph cells between blank margins; every line distinct,
// or repeating every `period` rows.
struct SyntheticPage {
    std::uint32_t seed = 1;
    int period = 0;

    std::uint8_t level(int x, int y) const {
        if (period > 0) y %= period;
        const int line = y / 20, row = y % 20;
        if (row < 4 || row >= 16) return 248;
        const std::uint32_t word =
            mix(seed * 0x9e3779b9u ^ mix(static_cast<std::uint32_t>(line * 7919 + x / 7)));
        if (x % 7 >= 5 || word % 6 == 0) return 248;
        return (mix(word + static_cast<std::uint32_t>((row - 4) / 2 * 5 + x % 7)) & 1) ? 32 : 248;
    }
};

inline QImage greyImage(int width, int height, const std::function<std::uint8_t(int, int)>& level) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uchar* p = image.scanLine(y) + 4 * x;
            p[0] = p[1] = p[2] = level(x, y);
            p[3] = 255;
        }
    return image;
}

// A fixed toolbar of `header` rows, page rows offset ..< offset + rows, and a status bar of
// `footer` rows; `mark` (a column, or −1) marks the status bar like a clock that changes.
inline QImage pageImage(const SyntheticPage& page, int width, int offset, int rows, int header = 0,
                        int footer = 0, int mark = -1) {
    return greyImage(width, header + rows + footer, [&](int x, int y) -> std::uint8_t {
        if (y < header) return (x / 16 + y / 5) % 2 ? 90 : 200;
        if ((y -= header) < rows) return page.level(x, offset + y);
        if (mark >= 0 && x >= mark && x <= mark + 1) return 0;
        return ((x / 24 + (y - rows) / 4) % 2) ? 60 : 180;
    });
}

} // namespace quorvane::test
