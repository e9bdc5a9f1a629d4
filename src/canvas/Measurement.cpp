#include "canvas/Measurement.h"

#include "core/Geometry.h"

#include <cmath>

namespace quorvane {
namespace {

QString number(double value, double scale) {
    const double r = geom::roundHalfAway(value / scale * 10) / 10;
    if (r == std::floor(r)) return QString::number(static_cast<qlonglong>(r));
    return QString::number(r, 'f', 1);
}

double wholeOrZero(double v) {
    return std::isfinite(v) ? geom::roundHalfAway(v) : 0;
}

} // namespace

QString Measurement::label(MeasurementUnit unit, double pixelScale) const {
    const double scale =
        unit == MeasurementUnit::points && pixelScale > 0 && std::isfinite(pixelScale) ? pixelScale : 1.0;
    const double sx = end.x() - start.x();
    const double sy = end.y() - start.y();
    const double dx = std::abs(sx);
    const double dy = std::abs(sy);
    const QString d = number(std::hypot(dx, dy), scale);
    const QString suffix = labelSuffix(unit);
    if (sx != 0 && sy != 0)
        return number(dx, scale) + QStringLiteral(" \u00D7 ") + number(dy, scale) +
               QStringLiteral(" \u00B7 ") + d + QLatin1Char(' ') + suffix;
    return d + QLatin1Char(' ') + suffix;
}

Measurement Measurement::between(const QPointF& a, const QPointF& b, bool constrain) {
    const QPointF s(wholeOrZero(a.x()), wholeOrZero(a.y()));
    QPointF e(wholeOrZero(b.x()), wholeOrZero(b.y()));
    if (!constrain) return {s, e};
    const double ax = std::abs(e.x() - s.x());
    const double ay = std::abs(e.y() - s.y());
    const double angle = std::atan2(ay, ax) * 180.0 / M_PI;
    if (angle < 22.5) {
        e.setY(s.y());
    } else if (angle > 67.5) {
        e.setX(s.x());
    } else {
        const double k = geom::roundHalfAway((ax + ay) * 0.5);
        e = QPointF(s.x() + (e.x() - s.x() < 0 ? -k : k), s.y() + (e.y() - s.y() < 0 ? -k : k));
    }
    return {s, e};
}

} // namespace quorvane
