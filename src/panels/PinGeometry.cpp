#include "panels/PinGeometry.h"

#include "core/Geometry.h"

#include <algorithm>
#include <cmath>

namespace quorvane::PinGeometry {

std::optional<PinScreen> screen(const std::optional<QRectF>& rect, const std::vector<PinScreen>& screens,
                                const std::optional<PinScreen>& main) {
    if (!rect) {
        if (main) return main;
        if (!screens.empty()) return screens.front();
        return std::nullopt;
    }
    if (screens.empty()) return main;
    // The first of equals wins, in both rounds.
    const auto overlapArea = [&rect](const PinScreen& candidate) {
        const QRectF overlap = geom::intersection(candidate.frame, *rect);
        return geom::isNull(overlap) ? 0 : overlap.width() * overlap.height();
    };
    const auto widest =
        std::max_element(screens.begin(), screens.end(), [&](const PinScreen& a, const PinScreen& b) {
            return overlapArea(a) < overlapArea(b);
        });
    if (overlapArea(*widest) > 0) return *widest;
    const QPointF centre(geom::midX(*rect), geom::midY(*rect));
    const auto distance = [&centre](const PinScreen& candidate) {
        return std::hypot(geom::midX(candidate.frame) - centre.x(), geom::midY(candidate.frame) - centre.y());
    };
    return *std::min_element(screens.begin(), screens.end(), [&](const PinScreen& a, const PinScreen& b) {
        return distance(a) < distance(b);
    });
}

QSizeF fittedSize(const QSizeF& pixels, double scale, const QRectF& visible) {
    const double s = std::max(scale, 1.0);
    const double w = pixels.width() / s, h = pixels.height() / s;
    if (!(w > 0) || !(h > 0)) return {0, 0};
    const double f = std::min(0.6 * visible.width() / w, 0.6 * visible.height() / h);
    // It opens at 100 % when it fits within 60 % of the free area each way.
    if (f >= 1) return {w, h};
    return {std::max(geom::roundHalfAway(w * f), 1.0), std::max(geom::roundHalfAway(h * f), 1.0)};
}

QRectF clamp(const QRectF& frame, const QRectF& visible) {
    const double x = std::max(geom::minX(visible), std::min(frame.x(), geom::maxX(visible) - frame.width()));
    const double y = std::max(geom::minY(visible), std::min(frame.y(), geom::maxY(visible) - frame.height()));
    return {x, y, frame.width(), frame.height()};
}

} // namespace quorvane::PinGeometry
