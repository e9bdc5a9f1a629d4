#include "core/Geometry.h"
#include "document/AnnotationGeometry.h"

#include <cmath>

namespace quorvane {

namespace detail {

TightPath bracketGeometry(const Annotation& a) {
    const double dx = std::abs(a.end.x() - a.start.x());
    const double dy = std::abs(a.end.y() - a.start.y());
    // A diagonal spine counts as vertical.
    const bool vertical = dx <= dy;
    const double a0 = vertical ? std::min(a.start.y(), a.end.y()) : std::min(a.start.x(), a.end.x());
    const double length = vertical ? dy : dx;
    const double c0 = vertical ? a.start.x() : a.start.y();
    const double a1 = a0 + length, mid = a0 + length * 0.5;
    const double sign =
        (a.kind == AnnotationKind::bracketOpen || a.kind == AnnotationKind::braceOpen) ? 1.0 : -1.0;
    const double depth = std::max(std::min(length * 0.12, a.strokeWidth * 8 + 16), a.strokeWidth * 3);
    const double c1 = c0 + sign * depth;
    const auto at = [vertical](double along, double cross) {
        return vertical ? QPointF(cross, along) : QPointF(along, cross);
    };

    TightPath path;
    if (a.kind == AnnotationKind::bracketOpen || a.kind == AnnotationKind::bracketClose) {
        path.moveTo(at(a0, c1));
        path.lineTo(at(a0, c0));
        path.lineTo(at(a1, c0));
        path.lineTo(at(a1, c1));
        return path;
    }
    const double r = std::min(depth, length * 0.25);
    const double ch = c0 + sign * depth * 0.5;
    path.moveTo(at(a0, c1));
    path.quadTo(at(a0, ch), at(a0 + r, ch));
    path.lineTo(at(mid - r, ch));
    path.quadTo(at(mid, ch), at(mid, c0));
    path.quadTo(at(mid, ch), at(mid + r, ch));
    path.lineTo(at(a1 - r, ch));
    path.quadTo(at(a1, ch), at(a1, c1));
    return path;
}

TightPath arrowGeometry(const QPointF& start, const QPointF& end, const std::optional<QPointF>& bend) {
    TightPath path;
    path.moveTo(start);
    if (bend)
        path.quadTo(*bend, end);
    else
        path.lineTo(end);
    return path;
}

} // namespace detail

QPainterPath Annotation::bracketPath() const {
    return detail::bracketGeometry(*this).path();
}

QPointF Annotation::arrowMidpoint() const {
    if (bend) return 0.25 * start + 0.5 * *bend + 0.25 * end;
    return (start + end) * 0.5;
}

Annotation Annotation::bent(const QPointF& point) const {
    Annotation copy = *this;
    const QPointF mid = (start + end) * 0.5;
    const QPointF control = 2 * point - mid;
    const QPointF offset = control - mid;
    if (std::hypot(offset.x(), offset.y()) < 1.0)
        copy.bend.reset();
    else
        copy.bend = control;
    copy.rect = detail::arrowGeometry(start, end, copy.bend).bounds();
    return copy;
}

Annotation Annotation::arced(const std::vector<QPointF>& trail, double amount) const {
    const QPointF chord = end - start;
    const double length = std::hypot(chord.x(), chord.y());
    if (!(length > 0)) return *this;
    const QPointF normal(chord.y() / length, -chord.x() / length);

    double side = 1;
    if (!trail.empty()) {
        double strongest = 0;
        for (const QPointF& p : trail) {
            const QPointF d = p - start;
            const double t = (chord.x() * d.x() + chord.y() * d.y()) / (length * length);
            if (!(t > 0.05 && t < 0.95)) continue;
            const double offset = normal.x() * d.x() + normal.y() * d.y();
            if (std::abs(offset) > std::abs(strongest)) strongest = offset;
        }
        side = strongest < -2.0 ? -1 : 1;
    }
    const QPointF mid = (start + end) * 0.5;
    return bent(mid + normal * (length * amount * side));
}

Annotation::ArrowHead Annotation::arrowHead() const {
    const double head = std::max(strokeWidth * 4, 10.0);
    const QPointF from = bend.value_or(start);
    QPointF v = end - from;
    const double length = std::hypot(v.x(), v.y());
    if (length < 0.001) v = end - start;
    const QPointF u = v / std::max(std::hypot(v.x(), v.y()), 0.001);
    const double shortening = std::min(std::max(length - 0.5, 0.0), 0.75 * head);
    const QPointF shaftEnd = end - shortening * u;

    ArrowHead result;
    result.shaft.moveTo(start);
    if (bend)
        result.shaft.quadTo(*bend, shaftEnd);
    else
        result.shaft.lineTo(shaftEnd);
    const double theta = std::atan2(u.y(), u.x());
    const double wing = M_PI / 6;
    result.triangle.moveTo(end);
    result.triangle.lineTo(end - head * QPointF(std::cos(theta - wing), std::sin(theta - wing)));
    result.triangle.lineTo(end - head * QPointF(std::cos(theta + wing), std::sin(theta + wing)));
    result.triangle.closeSubpath();
    return result;
}

QPainterPath Annotation::freehandPath() const {
    QPainterPath path;
    const std::size_t n = points.size();
    if (n == 0) return path;
    path.moveTo(points[0]);
    for (std::size_t i = 1; i + 1 < n; ++i)
        path.quadTo(points[i], (points[i] + points[i + 1]) * 0.5);
    path.lineTo(points[n - 1]);
    return path;
}

Annotation Annotation::extended(const QPointF& point, double spacing) const {
    if (points.empty()) return *this;
    const QPointF d = point - points.back();
    // An unordered comparison (NaN) refuses the point as well.
    if (!(std::hypot(d.x(), d.y()) >= spacing)) return *this;
    Annotation copy = *this;
    copy.points.push_back(point);
    copy.rect = bounds(copy.points);
    return copy;
}

} // namespace quorvane
