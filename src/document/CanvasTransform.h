#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace quorvane {

// Maps the canvas view's points (y down) to canvas-image pixels, relative to the crop's origin.
// Built afresh for every use.
struct CanvasTransform {
    QSizeF imageSize;    // the crop's size, pixels
    QSizeF viewportSize; // the view's bounds, points
    double zoom = 1;     // points per pixel
    QPointF pan;         // offset from the centred position, points

    // The largest zoom that shows `imageSize` whole in `viewportSize`; 1 unless all four values
    // are positive and finite.
    static double fitZoom(const QSizeF& imageSize, const QSizeF& viewportSize);
    // Where the view shows the canvas image; not rounded.
    QRectF imageRect() const;
    // A view point in canvas pixels. Values within rounding error of a whole pixel land on it.
    QPointF imagePoint(const QPointF& viewPoint) const;
    // The whole pixels two view points span, in either order; none unless the rectangle has an
    // area and lies entirely inside the canvas.
    std::optional<QRectF> selection(const QPointF& from, const QPointF& to) const;

    bool operator==(const CanvasTransform& other) const;
};

} // namespace quorvane
