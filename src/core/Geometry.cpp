#include "core/Geometry.h"

#include <algorithm>

namespace quorvane::geom {

QRectF standardized(const QRectF& r) {
    if (isNull(r)) return nullRect();
    return QRectF(minX(r), minY(r), width(r), height(r));
}

bool isEmpty(const QRectF& r) {
    return isNull(r) || r.width() == 0 || r.height() == 0;
}

bool isFinite(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height()) && std::isfinite(maxX(r)) && std::isfinite(maxY(r));
}

bool isValidArea(const QRectF& r) {
    return isFinite(r) && width(r) > 0 && height(r) > 0;
}

bool contains(const QRectF& r, const QPointF& p) {
    if (isEmpty(r) || !isFinite(r)) return false;
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

bool contains(const QRectF& outer, const QRectF& inner) {
    if (isNull(outer) || isNull(inner)) return false;
    return minX(inner) >= minX(outer) && maxX(inner) <= maxX(outer) && minY(inner) >= minY(outer) &&
           maxY(inner) <= maxY(outer);
}

QRectF integral(const QRectF& r) {
    if (isNull(r)) return nullRect();
    const double x0 = std::floor(minX(r)), y0 = std::floor(minY(r));
    const double x1 = std::ceil(maxX(r)), y1 = std::ceil(maxY(r));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF intersection(const QRectF& a, const QRectF& b) {
    if (isNull(a) || isNull(b)) return nullRect();
    const double x0 = std::max(minX(a), minX(b)), x1 = std::min(maxX(a), maxX(b));
    const double y0 = std::max(minY(a), minY(b)), y1 = std::min(maxY(a), maxY(b));
    if (!(x0 <= x1) || !(y0 <= y1)) return nullRect();
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF united(const QRectF& a, const QRectF& b) {
    if (isNull(a)) return standardized(b);
    if (isNull(b)) return standardized(a);
    const double x0 = std::min(minX(a), minX(b)), x1 = std::max(maxX(a), maxX(b));
    const double y0 = std::min(minY(a), minY(b)), y1 = std::max(maxY(a), maxY(b));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF insetBy(const QRectF& r, double dx, double dy) {
    if (isNull(r)) return nullRect();
    const QRectF s = standardized(r);
    const double w = s.width() - 2 * dx, h = s.height() - 2 * dy;
    if (!(w >= 0) || !(h >= 0)) return nullRect();
    return QRectF(s.x() + dx, s.y() + dy, w, h);
}

QRectF offsetBy(const QRectF& r, double dx, double dy) {
    if (isNull(r)) return nullRect();
    return QRectF(r.x() + dx, r.y() + dy, r.width(), r.height());
}

QRectF bounds(const std::vector<QPointF>& points) {
    if (points.empty()) return nullRect();
    double x0 = points.front().x(), x1 = x0, y0 = points.front().y(), y1 = y0;
    for (const QPointF& p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

bool exactlyEqual(const QRectF& a, const QRectF& b) {
    if (isNull(a) || isNull(b)) return isNull(a) && isNull(b);
    const QRectF sa = standardized(a), sb = standardized(b);
    return sa.x() == sb.x() && sa.y() == sb.y() && sa.width() == sb.width() && sa.height() == sb.height();
}

double ulp(double v) {
    if (!std::isfinite(v)) return std::numeric_limits<double>::quiet_NaN();
    const double a = std::abs(v);
    if (a < std::numeric_limits<double>::min()) return std::numeric_limits<double>::denorm_min();
    return std::ldexp(1.0, std::ilogb(a) - 52);
}

} // namespace quorvane::geom
