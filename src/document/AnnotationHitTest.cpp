#include "core/Geometry.h"
#include "document/AnnotationGeometry.h"

#include <QPainterPathStroker>
#include <cmath>

namespace quorvane {
namespace {

// Whether the outline of `path` stroked at `width` (round caps and joins) contains `point`.
bool strokeContains(const QPainterPath& path, double width, const QPointF& point) {
    // The stroker outlines a zero-length path as nothing, where a round cap would make a dot.
    if (path.length() == 0 && path.elementCount() > 0) {
        const QPointF d = point - QPointF(path.elementAt(0).x, path.elementAt(0).y);
        return std::hypot(d.x(), d.y()) <= width * 0.5;
    }
    // Curves stay within their control points, and round caps and joins reach half the width
    // beyond them: a point farther out cannot be inside, and the stroker is dear.
    const QRectF reach = geom::insetBy(path.controlPointRect(), -width * 0.5 - 1, -width * 0.5 - 1);
    if (!geom::contains(reach, point)) return false;
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setMiterLimit(10);
    QPainterPath outline = stroker.createStroke(path);
    outline.setFillRule(Qt::WindingFill);
    return outline.contains(point);
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double lengthSquared = ab.x() * ab.x() + ab.y() * ab.y();
    double t = lengthSquared > 0 ? ((p.x() - a.x()) * ab.x() + (p.y() - a.y()) * ab.y()) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

} // namespace

bool Annotation::hitTest(const QPointF& point, double tolerance) const {
    if (!isValid() || !geom::isFinite(point) || !std::isfinite(tolerance) || tolerance < 0) return false;
    const double strokeTestWidth = std::max(strokeWidth, 2 * tolerance);

    if (kind == AnnotationKind::freehand) return strokeContains(freehandPath(), strokeTestWidth, point);
    if (kind == AnnotationKind::arrow) {
        if (bend)
            return strokeContains(detail::arrowGeometry(start, end, bend).path(), strokeTestWidth, point);
        return distanceToSegment(point, start, end) <= std::max(strokeWidth * 0.5, tolerance);
    }
    if (isBracket(kind)) return strokeContains(bracketPath(), strokeTestWidth, point);

    const QRectF grown = geom::insetBy(rect, -tolerance, -tolerance);
    if (kind == AnnotationKind::oval) {
        const double rx = grown.width() / 2, ry = grown.height() / 2;
        const double nx = (point.x() - geom::midX(grown)) / rx, ny = (point.y() - geom::midY(grown)) / ry;
        return nx * nx + ny * ny <= 1;
    }
    return geom::contains(grown, point);
}

} // namespace quorvane
