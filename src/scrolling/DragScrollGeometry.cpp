#include "scrolling/DragScrollGeometry.h"

#include "core/Geometry.h"

#include <cmath>

namespace quorvane::DragScrollGeometry {

std::optional<DragScrollEdge> edge(const QPointF& point, const QRectF& frame) {
    if (!geom::isFinite(point) || !(geom::width(frame) > 0) || !(geom::height(frame) > 0))
        return std::nullopt;
    if (point.y() >= geom::maxY(frame) - zoneDepth) return DragScrollEdge::bottom;
    if (point.y() <= geom::minY(frame) + zoneDepth) return DragScrollEdge::top;
    return std::nullopt;
}

std::optional<QRectF> lockedRegion(const QPointF& anchor, const QPointF& pointer, DragScrollEdge edge,
                                   const DragScrollDisplay& display) {
    const QRectF area = geom::intersection(display.usable, display.frame);
    if (geom::isEmpty(area) || !geom::isFinite(anchor) || !geom::isFinite(pointer)) return std::nullopt;
    const double s = std::isfinite(display.scale) && display.scale > 0 ? display.scale : 1;
    const auto up = [s](double v) { return std::ceil(s * v) / s; };
    const auto down = [s](double v) { return std::floor(s * v) / s; };
    const double left = up(std::max(geom::minX(area), std::min(anchor.x(), pointer.x())));
    const double right = down(std::min(geom::maxX(area), std::max(anchor.x(), pointer.x())));
    double top = 0, bottom = 0;
    if (edge == DragScrollEdge::bottom) {
        top = up(std::max(geom::minY(area), anchor.y()));
        bottom = down(geom::maxY(area));
    } else {
        top = up(geom::minY(area));
        bottom = down(std::min(anchor.y(), geom::maxY(area)));
    }
    if (right - left < minimumRegionSide || bottom - top < minimumRegionSide) return std::nullopt;
    return QRectF(left, top, right - left, bottom - top);
}

} // namespace quorvane::DragScrollGeometry
