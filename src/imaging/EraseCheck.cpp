#include "imaging/EraseCheck.h"

#include "core/Geometry.h"
#include "imaging/EdgeGrid.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvane::EraseCheck {
namespace {

constexpr int ring = 3;
constexpr double plainDeviation = 3.0;
constexpr std::int64_t minRingPixels = 8;

std::uint8_t straight(double mean, double alpha) {
    return static_cast<std::uint8_t>(std::clamp(std::round(mean * 255.0 / alpha), 0.0, 255.0));
}

} // namespace

std::optional<QRectF> coverRect(const QRectF& box, int margin, const QRectF& bounds) {
    if (!std::isfinite(geom::minX(box)) || !std::isfinite(geom::minY(box)) ||
        !std::isfinite(geom::maxX(box)) || !std::isfinite(geom::maxY(box)))
        return std::nullopt;
    const QRectF grown = geom::insetBy(geom::integral(geom::standardized(box)), -margin, -margin);
    const QRectF cover = geom::intersection(grown, bounds);
    if (geom::isEmpty(cover)) return std::nullopt;
    return cover;
}

Outcome evaluate(const QRectF& box, const QImage& image) {
    if (image.isNull()) return Unavailable{};
    const QRectF crop =
        geom::intersection(geom::insetBy(box, -ring, -ring), QRectF(0, 0, image.width(), image.height()));
    if (geom::isEmpty(crop)) return Unavailable{};
    const QRectF whole = geom::integral(crop);
    const QRect area(static_cast<int>(whole.x()), static_cast<int>(whole.y()),
                     static_cast<int>(whole.width()), static_cast<int>(whole.height()));
    const auto grid = EdgeGrid::make(image, area);
    if (!grid) return Unavailable{};
    // The cropped grid starts at a whole pixel, so the box moves by that pixel's origin, not by
    // the crop's fractional one: moved by the fraction, a box's last column or row would be read
    // as ring. This way the crop judges exactly the pixels the grid over the whole image would.
    return evaluate(geom::offsetBy(box, -whole.x(), -whole.y()), *grid);
}

Outcome evaluate(const QRectF& box, const EdgeGrid& grid) {
    const QRectF bounds(0, 0, grid.width(), grid.height());
    const QRectF inner = geom::intersection(box, bounds);
    const QRectF outer = geom::intersection(geom::insetBy(box, -ring, -ring), bounds);
    if (geom::isEmpty(outer)) return Unavailable{};
    const auto whole = [](double v) { return static_cast<int>(v); };
    const bool hasInner = !geom::isNull(inner);
    const int innerMinX = hasInner ? whole(geom::minX(inner)) : 0,
              innerMaxX = hasInner ? whole(geom::maxX(inner)) : 0;
    const int innerMinY = hasInner ? whole(geom::minY(inner)) : 0,
              innerMaxY = hasInner ? whole(geom::maxY(inner)) : 0;

    std::array<double, 4> sums{}, squares{};
    std::int64_t count = 0;
    const auto bytes = grid.bytes();
    for (int y = whole(geom::minY(outer)); y < whole(geom::maxY(outer)); ++y) {
        for (int x = whole(geom::minX(outer)); x < whole(geom::maxX(outer)); ++x) {
            if (hasInner && innerMinY <= y && y < innerMaxY && innerMinX <= x && x < innerMaxX) continue;
            const std::uint8_t* p = bytes.data() + (static_cast<std::size_t>(y) * grid.width() + x) * 4;
            for (std::size_t k = 0; k < 4; ++k) {
                sums[k] += p[k];
                squares[k] += static_cast<double>(p[k]) * p[k];
            }
            ++count;
        }
    }
    if (count < minRingPixels) return Unavailable{};

    std::array<double, 4> means{};
    double deviation = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        means[k] = sums[k] / static_cast<double>(count);
        deviation =
            std::max(deviation,
                     std::sqrt(std::max(0.0, squares[k] / static_cast<double>(count) - means[k] * means[k])));
    }
    if (deviation > plainDeviation) return Busy{deviation};
    const double alpha = std::round(means[3]);
    if (alpha <= 0) return Plain{};
    return Plain{straight(means[0], means[3]), straight(means[1], means[3]), straight(means[2], means[3]),
                 static_cast<std::uint8_t>(alpha)};
}

} // namespace quorvane::EraseCheck
