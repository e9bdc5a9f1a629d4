#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <optional>

namespace quorvane {

// One display for a capture: its frame in points (root-window space, top-left origin, y down)
// and the pixels of its captured image per point.
struct CaptureGeometry {
    QRectF frame;
    double scale = 1;

    // The whole pixels, relative to the display image's top left, that cover `rect` (points, in
    // the frame's space). None unless the geometry is usable and `rect` lies inside the frame.
    std::optional<QRectF> pixels(const QRectF& rect) const;
    // A fresh mapped copy of exactly the pixels that cover `rect`. None unless `displayImage`
    // has the display's exact pixel size.
    std::optional<QImage> crop(const QImage& displayImage, const QRectF& rect) const;
    // The rectangle two pointer positions span, clamped to `bounds`; none when it has no area.
    static std::optional<QRectF> normalizedSelection(const QPointF& from, const QPointF& to,
                                                     const QRectF& bounds);

    bool operator==(const CaptureGeometry& other) const {
        return frame.x() == other.frame.x() && frame.y() == other.frame.y() &&
               frame.width() == other.frame.width() && frame.height() == other.frame.height() &&
               scale == other.scale;
    }
};

} // namespace quorvane
