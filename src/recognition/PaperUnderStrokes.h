#pragma once

// The paper under the text of a piece of an image: every stroke narrower than a window taken away,
// fills (a highlight, a button) kept with their edges. A closing for dark text on light paper,
// an opening for light text on dark paper, channel by channel.

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace quorvane {

class PaperUnderStrokes {
public:
    using Color = std::array<int, 3>;

    // `area` of `flat` (RGBX8888) without strokes up to 2 × `radius` + 1 pixels wide.
    PaperUnderStrokes(const QImage& flat, const QRect& area, int radius, bool darkInk);

    // The middle colour of `area` of `flat`: its paper.
    static Color paperOf(const QImage& flat, const QRect& area);
    // Whether the text of `area` of `flat`, the pixel farthest from its `paper`, is darker.
    static bool darkInkOn(const QImage& flat, const QRect& area, const Color& paper);

    int width() const { return width_; }
    int height() const { return height_; }
    // A pixel, in pixels of the area.
    Color at(int x, int y) const {
        const std::size_t i = index(x, y);
        return {planes_[0][i], planes_[1][i], planes_[2][i]};
    }
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(width_) + std::size_t(x); }

private:
    // One pass of a square window over every plane: the largest or smallest value near each.
    void pass(int radius, bool largest);

    int width_, height_;
    std::array<std::vector<std::uint8_t>, 3> planes_;
};

} // namespace quorvane
