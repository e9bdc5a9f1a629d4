#pragma once

// Rectangle rules the rest of the program relies on. QRectF's own helpers differ: its
// containment includes the max edges, its equality is fuzzy, and it has no null rectangle.
// Here a null rectangle (origin at +infinity) is "no rectangle at all", an empty one has zero
// width or height, negative sizes are read standardised, and "integral" rounds outward.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace quorvane::geom {

inline constexpr double infinity = std::numeric_limits<double>::infinity();

inline QRectF nullRect() {
    return QRectF(infinity, infinity, 0, 0);
}
inline bool isNull(const QRectF& r) {
    return std::isinf(r.x()) || std::isinf(r.y());
}

QRectF standardized(const QRectF& r);

inline double minX(const QRectF& r) {
    return std::min(r.x(), r.x() + r.width());
}
inline double maxX(const QRectF& r) {
    return std::max(r.x(), r.x() + r.width());
}
inline double minY(const QRectF& r) {
    return std::min(r.y(), r.y() + r.height());
}
inline double maxY(const QRectF& r) {
    return std::max(r.y(), r.y() + r.height());
}
inline double midX(const QRectF& r) {
    return r.x() + r.width() * 0.5;
}
inline double midY(const QRectF& r) {
    return r.y() + r.height() * 0.5;
}
inline double width(const QRectF& r) {
    return std::abs(r.width());
}
inline double height(const QRectF& r) {
    return std::abs(r.height());
}

// Null, or zero width or height.
bool isEmpty(const QRectF& r);
// Origin, size and both max edges finite, standardised width and height positive.
bool isValidArea(const QRectF& r);
bool isFinite(const QRectF& r);
inline bool isFinite(const QPointF& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Max edges excluded; a null or empty rectangle contains nothing.
bool contains(const QRectF& r, const QPointF& p);
// Whether `inner` lies inside `outer`, shared edges allowed. Null rectangles contain nothing.
bool contains(const QRectF& outer, const QRectF& inner);

// Smallest whole-number rectangle around `r`: minimum edges floored, maximum edges ceiled.
QRectF integral(const QRectF& r);
// Null when disjoint; rectangles that only touch give an empty one.
QRectF intersection(const QRectF& a, const QRectF& b);
// Null is the identity.
QRectF united(const QRectF& a, const QRectF& b);
// Standardises, then moves each edge inward by dx, dy (negative grows); null when the size
// would turn negative.
QRectF insetBy(const QRectF& r, double dx, double dy);
QRectF offsetBy(const QRectF& r, double dx, double dy);

// Tight bounds of a point list; null for an empty list.
QRectF bounds(const std::vector<QPointF>& points);

// Exact comparisons: Qt's operator== on these types is fuzzy.
bool exactlyEqual(const QRectF& a, const QRectF& b);
inline bool exactlyEqual(const QPointF& a, const QPointF& b) {
    return a.x() == b.x() && a.y() == b.y();
}
inline bool exactlyEqual(const QSizeF& a, const QSizeF& b) {
    return a.width() == b.width() && a.height() == b.height();
}

// Half away from zero, unlike qRound.
inline double roundHalfAway(double v) {
    return std::round(v);
}

// Gap to the next double of larger magnitude: the denormal minimum for zero and subnormals,
// NaN for infinities and NaN.
double ulp(double v);

} // namespace quorvane::geom
