#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <optional>

// Helpers for drawing that works on whole device pixels of the image being painted.
namespace quorvane::DevicePixels {

// `target` when `painter` paints it, else null: only then can its pixels be read or replaced.
QImage* paintedImage(QPainter& painter, QImage& target);

// `rect` mapped to the painter's device, made integral outward and clipped to (0, 0, `size`);
// empty when nothing is left.
QRect area(const QRectF& rect, const QPainter& painter, const QSize& size);

// From here on the painter's user space is the device's pixels.
void use(QPainter& painter);

// A mapped premultiplied RGBA copy of `area` of `image`; none when it cannot be made. Reads the
// image through const access, so it may be the one under an active painter.
std::optional<QImage> copy(const QImage& image, const QRect& area);

} // namespace quorvane::DevicePixels
