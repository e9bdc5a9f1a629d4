#include "document/Annotation.h"

#include "core/Geometry.h"
#include "document/AnnotationGeometry.h"

#include <cmath>

namespace quorvane {
namespace {

bool samePoints(const std::vector<QPointF>& a, const std::vector<QPointF>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const QPointF& p, const QPointF& q) { return geom::exactlyEqual(p, q); });
}

bool sameBend(const std::optional<QPointF>& a, const std::optional<QPointF>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || geom::exactlyEqual(*a, *b);
}

bool hasArea(const QRectF& r) {
    return geom::width(r) > 0 && geom::height(r) > 0;
}

} // namespace

bool Annotation::operator==(const Annotation& o) const {
    return id == o.id && kind == o.kind && geom::exactlyEqual(rect, o.rect) &&
           geom::exactlyEqual(start, o.start) && geom::exactlyEqual(end, o.end) && color == o.color &&
           strokeWidth == o.strokeWidth && fill == o.fill && text == o.text && fontSize == o.fontSize &&
           samePoints(points, o.points) && opacity == o.opacity && overlay == o.overlay &&
           number == o.number && magnification == o.magnification && sameBend(bend, o.bend);
}

bool Annotation::isValid() const {
    if (!geom::isFinite(rect) || !geom::isFinite(start) || !geom::isFinite(end)) return false;
    if (!std::isfinite(strokeWidth) || !std::isfinite(fontSize) || !std::isfinite(opacity) ||
        !std::isfinite(magnification))
        return false;
    if (bend && !geom::isFinite(*bend)) return false;
    if (geom::width(rect) < 0 || geom::height(rect) < 0) return false;
    if (strokeWidth < 1 || strokeWidth > 100 || fontSize < 6 || fontSize > 300 || opacity < 0 ||
        opacity > 1 || magnification < 1 || magnification > 8)
        return false;

    switch (kind) {
    case AnnotationKind::arrow:
    case AnnotationKind::bracketOpen:
    case AnnotationKind::bracketClose:
    case AnnotationKind::braceOpen:
    case AnnotationKind::braceClose:
        return start.x() != end.x() || start.y() != end.y();
    case AnnotationKind::freehand:
        return points.size() >= 2 &&
               std::all_of(points.begin(), points.end(), [](const QPointF& p) { return geom::isFinite(p); });
    case AnnotationKind::image:
        return overlay != nullptr && hasArea(rect);
    case AnnotationKind::counter:
        return number >= 1 && hasArea(rect);
    default:
        return hasArea(rect);
    }
}

Annotation Annotation::translated(double dx, double dy) const {
    Annotation copy = *this;
    const QPointF delta(dx, dy);
    copy.rect = geom::offsetBy(rect, dx, dy);
    copy.start = start + delta;
    copy.end = end + delta;
    for (QPointF& p : copy.points)
        p += delta;
    if (copy.bend) *copy.bend += delta;
    return copy;
}

Annotation Annotation::resized(const QSizeF& size) const {
    Annotation copy = *this;
    const double sx = size.width() / std::max(geom::width(rect), 1.0);
    const double sy = size.height() / std::max(geom::height(rect), 1.0);
    const double x0 = geom::minX(rect), y0 = geom::minY(rect);
    const auto map = [&](const QPointF& p) {
        return QPointF(x0 + sx * (p.x() - x0), y0 + sy * (p.y() - y0));
    };
    copy.start = map(start);
    copy.end = map(end);
    for (QPointF& p : copy.points)
        p = map(p);
    if (copy.bend) copy.bend = map(*copy.bend);
    copy.rect = QRectF(rect.topLeft(), size);
    if (isBracket(kind)) copy.rect = detail::bracketGeometry(copy).bounds();
    if (copy.bend) copy.rect = detail::arrowGeometry(copy.start, copy.end, copy.bend).bounds();
    return copy;
}

QSizeF Annotation::resizeTarget(const QSizeF& proposed, bool free) const {
    const double w = proposed.width(), h = proposed.height();
    if (kind == AnnotationKind::counter || kind == AnnotationKind::magnifier) {
        const double side = std::max(w, h);
        return QSizeF(side, side);
    }
    const double rw = geom::width(rect), rh = geom::height(rect);
    if (kind == AnnotationKind::image && rw > 0 && rh > 0) {
        if (free) return QSizeF(std::max(geom::roundHalfAway(w), 1.0), std::max(geom::roundHalfAway(h), 1.0));
        const double s = std::max(w / rw, h / rh);
        return QSizeF(std::max(geom::roundHalfAway(rw * s), 1.0), std::max(geom::roundHalfAway(rh * s), 1.0));
    }
    return proposed;
}

Annotation Annotation::aligned(CanvasAlignment alignment, const QRectF& canvas) const {
    const QRectF r = geom::standardized(rect);
    const QRectF c = geom::standardized(canvas);
    double dx = 0, dy = 0;
    switch (alignment) {
    case CanvasAlignment::left:
        dx = c.left() - r.left();
        break;
    case CanvasAlignment::center:
        dx = c.left() + std::floor((c.width() - r.width()) * 0.5) - r.left();
        break;
    case CanvasAlignment::right:
        dx = geom::maxX(c) - geom::maxX(r);
        break;
    case CanvasAlignment::top:
        dy = c.top() - r.top();
        break;
    case CanvasAlignment::middle:
        dy = c.top() + std::floor((c.height() - r.height()) * 0.5) - r.top();
        break;
    case CanvasAlignment::bottom:
        dy = geom::maxY(c) - geom::maxY(r);
        break;
    }
    return translated(dx, dy);
}

QColor Annotation::counterInk() const {
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(Qt::black);
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance = 0.2126 * linear(double(rgb.redF())) + 0.7152 * linear(double(rgb.greenF())) +
                             0.0722 * linear(double(rgb.blueF()));
    return 1.05 / (luminance + 0.05) >= 3.0 ? QColor(Qt::white) : QColor(Qt::black);
}

QString Annotation::spokenKind() const {
    if (kind == AnnotationKind::counter) return QStringLiteral("step ") + QString::number(number);
    return rawValue(kind);
}

QRectF Annotation::bounds(const std::vector<QPointF>& points) {
    return geom::bounds(points);
}

} // namespace quorvane
