#include "canvas/ColorSampler.h"

#include <algorithm>

namespace quorvane {

std::unique_ptr<ColorSampler> ColorSampler::make(const QImage& image) {
    auto grid = EdgeGrid::make(image);
    if (!grid) return nullptr;
    return std::unique_ptr<ColorSampler>(new ColorSampler(std::move(grid)));
}

std::optional<SampledColor> ColorSampler::color(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return std::nullopt;
    const std::uint8_t* p = grid_->bytes().data() + (static_cast<std::size_t>(y) * width() + x) * 4;
    const int a = p[3];
    if (a == 0) return SampledColor{0, 0, 0, 0};
    if (a == 255) return SampledColor{p[0], p[1], p[2], 255};
    // Undo the premultiplication, rounded to the nearest.
    const auto straight = [a](int c) {
        return static_cast<std::uint8_t>(std::min(255, (c * 255 + a / 2) / a));
    };
    return SampledColor{straight(p[0]), straight(p[1]), straight(p[2]), static_cast<std::uint8_t>(a)};
}

std::vector<std::optional<SampledColor>> ColorSampler::neighborhood(int x, int y, int radius) const {
    const int r = std::max(radius, 0);
    std::vector<std::optional<SampledColor>> colors;
    colors.reserve(static_cast<std::size_t>(2 * r + 1) * (2 * r + 1));
    for (int row = y - r; row <= y + r; ++row)
        for (int column = x - r; column <= x + r; ++column)
            colors.push_back(color(column, row));
    return colors;
}

} // namespace quorvane
