#pragma once

// The page of the scrolling capture's end-to-end tests: 3,000 rows of numbered, never repeating
// text-like lines between a fixed toolbar and a fixed status bar, as a window of another process
// shows it (support/ScrollPageWindow.cpp), scrolled 48 rows per wheel click.

#include "scrolling/SyntheticPage.h"

#include <QImage>
#include <cstdint>

namespace quorvane::test::ScrollPage {

inline constexpr int width = 600;
inline constexpr int toolbar = 40;
inline constexpr int statusBar = 24;
inline constexpr int visibleRows = 420;
inline constexpr int pageRows = 3000;
inline constexpr int rowsPerClick = 48;
inline constexpr int maxOffset = pageRows - visibleRows;

// 3 × 5 digits, one bit a pixel, rows top to bottom.
inline bool digitPixel(int digit, int x, int y) {
    static constexpr std::uint16_t glyphs[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9,
                                                 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
    return (glyphs[digit] >> (14 - (y * 3 + x))) & 1;
}

// Page row `y`: its line's number, doubled, in the left margin, then the line's text.
inline std::uint8_t pageLevel(int x, int y) {
    const int line = y / 20, row = y % 20;
    if (x < 44) {
        if (row < 5 || row >= 15) return 255;
        const int digitIndex = x / 8, dx = (x % 8) / 2, dy = (row - 5) / 2;
        if (dx >= 3 || digitIndex >= 5) return 255;
        int divisor = 1;
        for (int i = 0; i < 4 - digitIndex; ++i)
            divisor *= 10;
        return digitPixel((line / divisor) % 10, dx, dy) ? 20 : 255;
    }
    // Glyph cells of 8.4 columns: no column step of the stitcher's sampling keeps meeting the same
    // part of every cell, as a fixed 7-column cell would at 4K widths.
    return SyntheticPage{11}.level((x - 44) * 5 / 6, y);
}

// The window's content scrolled by `offset` rows; the whole page for offset 0 and all its rows.
inline QImage image(int offset = 0, int rows = visibleRows, int pageWidth = width) {
    return greyImage(pageWidth, toolbar + rows + statusBar, [offset, rows](int x, int y) -> std::uint8_t {
        if (y < toolbar) return (x / 20 + y / 8) % 2 ? 70 : 190;
        if ((y -= toolbar) < rows) return pageLevel(x, offset + y);
        return ((x / 30 + (y - rows) / 6) % 2) ? 110 : 160;
    });
}

} // namespace quorvane::test::ScrollPage
