#include "canvas/EdgeMeasurer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvane {

std::optional<Measurement> EdgeMeasurer::span(const EdgeGrid& grid, const QPointF& point, Axis axis,
                                              int tolerance) {
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()) || point.x() < 0 || point.y() < 0)
        return std::nullopt;
    const int width = grid.width();
    const int height = grid.height();
    if (point.x() >= width || point.y() >= height) return std::nullopt;
    const int px = static_cast<int>(point.x());
    const int py = static_cast<int>(point.y());
    const bool horizontal = axis == Axis::horizontal;
    const int p = horizontal ? px : py;
    const int limit = horizontal ? width : height;
    const std::size_t step = horizontal ? 4 : static_cast<std::size_t>(width) * 4;
    const std::uint8_t* bytes = grid.bytes().data();
    // Position 0 of the walk: the first pixel of the row or the column.
    const std::uint8_t* origin = horizontal ? bytes + static_cast<std::size_t>(py) * width * 4
                                            : bytes + static_cast<std::size_t>(px) * 4;
    const std::uint8_t* ref = origin + static_cast<std::size_t>(p) * step;
    const int t = std::max(tolerance, 0);
    const auto differs = [&](int q) {
        const std::uint8_t* pixel = origin + static_cast<std::size_t>(q) * step;
        for (int c = 0; c < 4; ++c)
            if (std::abs(int(pixel[c]) - int(ref[c])) > t) return true;
        return false;
    };
    int lower = 0;
    bool lowerEdge = false;
    for (int q = p - 1; q >= 0; --q)
        if (differs(q)) {
            lower = q + 1;
            lowerEdge = true;
            break;
        }
    int upper = limit;
    bool upperEdge = false;
    for (int q = p + 1; q < limit; ++q)
        if (differs(q)) {
            upper = q;
            upperEdge = true;
            break;
        }
    if (!lowerEdge && !upperEdge) return std::nullopt;
    if (horizontal) return Measurement{QPointF(lower, py + 0.5), QPointF(upper, py + 0.5)};
    return Measurement{QPointF(px + 0.5, lower), QPointF(px + 0.5, upper)};
}

} // namespace quorvane
