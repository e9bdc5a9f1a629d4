#pragma once

// Test pages for the scrolling capture: text-like lines, each one distinct (or repeating every
// `period` rows), computed pixel by pixel so that frames of any part of a tall page can be made
// without holding the page. The benchmarks use it too.

#include <QImage>
#include <cstdint>
#include <functional>

namespace quorvane::test {

inline std::uint32_t mix(std::uint32_t a) {
    a ^= a >> 16;
    a *= 0x7feb352du;
    a ^= a >> 15;
    a *= 0x846ca68bu;
    a ^= a >> 16;
    return a;
}

struct SyntheticPage {
    std::uint32_t seed = 1;
    int period = 0;

    // Lines of 20 rows: 12 rows of 7-pixel glyph cells between blank margins.
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

// A fixed toolbar above and a status bar below the scrolling part; `footerMark` (a column, or
// −1) puts a small mark into the status bar, like a clock that changes between frames.
struct FrameLayout {
    int header = 0;
    int footer = 0;
    int footerMark = -1;
};

inline std::uint8_t headerLevel(int x, int y) {
    return static_cast<std::uint8_t>((x / 16 + y / 5) % 2 ? 90 : 200);
}
inline std::uint8_t footerLevel(int x, int y, int mark) {
    if (mark >= 0 && (x == mark || x == mark + 1)) return 0;
    return static_cast<std::uint8_t>((x / 24 + y / 4) % 2 ? 60 : 180);
}

// An opaque grey image of `height` rows whose level at (x, y) is `level(x, y)`.
inline QImage greyImage(int width, int height, const std::function<std::uint8_t(int, int)>& level,
                        QImage::Format format = QImage::Format_RGBA8888_Premultiplied) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = level(x, y);
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = v;
            row[4 * x + 3] = 255;
        }
    }
    return format == image.format() ? image : image.convertToFormat(format);
}

// Toolbar, page rows offset ..< offset + rows, status bar.
inline QImage pageImage(const SyntheticPage& page, int width, int offset, int rows,
                        const FrameLayout& layout = {}) {
    return greyImage(width, layout.header + rows + layout.footer, [&](int x, int y) {
        if (y < layout.header) return headerLevel(x, y);
        y -= layout.header;
        if (y < rows) return page.level(x, offset + y);
        return footerLevel(x, y - rows, layout.footerMark);
    });
}

} // namespace quorvane::test
