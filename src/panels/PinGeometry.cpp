#include "panels/PinGeometry.h"

#include "core/Geometry.h"

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
    const PinScreen* best = nullptr;
    double bestArea = 0;
    for (const PinScreen& candidate : screens) {
        const QRectF overlap = geom::intersection(candidate.frame, *rect);
        const double area = geom::isNull(overlap) ? 0 : overlap.width() * overlap.height();
        if (best == nullptr || area > bestArea) {
            best = &candidate;
            bestArea = area;
        }
    }
    if (bestArea > 0) return *best;
    const QPointF centre(geom::midX(*rect), geom::midY(*rect));
    best = nullptr;
    double bestDistance = 0;
    for (const PinScreen& candidate : screens) {
        const double distance =
            std::hypot(geom::midX(candidate.frame) - centre.x(), geom::midY(candidate.frame) - centre.y());
        if (best == nullptr || distance < bestDistance) {
            best = &candidate;
            bestDistance = distance;
        }
    }
    return *best;
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
