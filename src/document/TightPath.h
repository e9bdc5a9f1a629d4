#pragma once

#include <QPainterPath>
#include <QRectF>

namespace quorvane {

// A path of lines and quadratic curves that keeps its tight bounds as it grows: the curves'
// own extent, never their control points.
class TightPath {
public:
    void moveTo(const QPointF& p);
    void lineTo(const QPointF& p);
    void quadTo(const QPointF& control, const QPointF& p);

    const QPainterPath& path() const { return path_; }
    // Standardised; null for an empty path.
    QRectF bounds() const;

private:
    void include(const QPointF& p);

    QPainterPath path_;
    QPointF current_;
    bool hasPoints_ = false;
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

} // namespace quorvane
