#include "document/TightPath.h"

#include "core/Geometry.h"

#include <algorithm>

namespace quorvane {
namespace {

// The interior extremum of one axis of a quadratic curve, if it has one.
std::optional<double> quadExtremum(double p0, double c, double p2) {
    const double denominator = p0 - 2 * c + p2;
    if (denominator == 0) return std::nullopt;
    const double t = (p0 - c) / denominator;
    if (!(t > 0 && t < 1)) return std::nullopt;
    const double u = 1 - t;
    return u * u * p0 + 2 * u * t * c + t * t * p2;
}

} // namespace

void TightPath::include(const QPointF& p) {
    if (!hasPoints_) {
        minX_ = maxX_ = p.x();
        minY_ = maxY_ = p.y();
        hasPoints_ = true;
        return;
    }
    minX_ = std::min(minX_, p.x());
    maxX_ = std::max(maxX_, p.x());
    minY_ = std::min(minY_, p.y());
    maxY_ = std::max(maxY_, p.y());
}

void TightPath::moveTo(const QPointF& p) {
    path_.moveTo(p);
    current_ = p;
    include(p);
}

void TightPath::lineTo(const QPointF& p) {
    path_.lineTo(p);
    current_ = p;
    include(p);
}

void TightPath::quadTo(const QPointF& control, const QPointF& p) {
    path_.quadTo(control, p);
    const auto ex = quadExtremum(current_.x(), control.x(), p.x());
    const auto ey = quadExtremum(current_.y(), control.y(), p.y());
    if (ex) include(QPointF(*ex, current_.y()));
    if (ey) include(QPointF(current_.x(), *ey));
    current_ = p;
    include(p);
}

QRectF TightPath::bounds() const {
    if (!hasPoints_) return geom::nullRect();
    return QRectF(minX_, minY_, maxX_ - minX_, maxY_ - minY_);
}

} // namespace quorvane
