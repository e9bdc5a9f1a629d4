#pragma once

#include "document/AnnotationKind.h"
#include "document/CanvasAlignment.h"
#include "document/OverlayImage.h"

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// One mark on a screenshot, in base-image pixels (origin at the base's top left, y down; a
// crop past the base makes negative coordinates possible). Geometry operations return changed
// copies and never touch the receiver.
struct Annotation {
    QUuid id;
    AnnotationKind kind = AnnotationKind::rectangle;
    QRectF rect;
    QPointF start; // arrow tail, bracket spine start, overlay top-left
    QPointF end;   // arrow tip, bracket spine end, overlay bottom-right
    QColor color;
    double strokeWidth = 3;
    bool fill = false; // shapes: filled; spotlight: oval hole
    QString text;
    double fontSize = 24;
    std::vector<QPointF> points; // freehand polyline
    double opacity = 1;
    OverlayImageRef overlay;
    std::int64_t number = 0;
    double magnification = 2;
    std::optional<QPointF> bend; // control point of a curved arrow

    // Exact, field by field; overlays compare by identity.
    bool operator==(const Annotation& other) const;

    bool isValid() const;

    Annotation translated(double dx, double dy) const;
    Annotation resized(const QSizeF& size) const;
    QSizeF resizeTarget(const QSizeF& proposed, bool free) const;
    Annotation aligned(CanvasAlignment alignment, const QRectF& canvas) const;
    bool hitTest(const QPointF& point, double tolerance) const;

    QPainterPath bracketPath() const;
    QPointF arrowMidpoint() const;
    // Curves an arrow toward the side of the chord where `points` lie.
    Annotation arced(const std::vector<QPointF>& points, double amount) const;
    // Curves an arrow so that it passes through `point`; straight when the control point would
    // lie within a pixel of the chord's midpoint.
    Annotation bent(const QPointF& point) const;

    // The shaft ends short of the tip so that its round cap stays inside the head.
    struct ArrowHead {
        QPainterPath shaft;
        QPainterPath triangle;
    };
    ArrowHead arrowHead() const;

    // The smoothed path through `points`.
    QPainterPath freehandPath() const;
    // A freehand copy that has `point` appended, unless it lies closer than `spacing` to the last
    // point (or there are no points yet).
    Annotation extended(const QPointF& point, double spacing) const;
    // White or black, whichever reads better on `color`.
    QColor counterInk() const;
    // The kind as the canvas speaks it.
    QString spokenKind() const;
    // Null for an empty list.
    static QRectF bounds(const std::vector<QPointF>& points);

    // Colours here are fixed sRGB values already, so nothing changes.
    static std::vector<Annotation> resolvingColors(std::vector<Annotation> annotations) {
        return annotations;
    }
};

} // namespace quorvane
