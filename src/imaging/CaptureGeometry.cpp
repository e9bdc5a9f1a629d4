#include "imaging/CaptureGeometry.h"

#include "core/Geometry.h"
#include "imaging/MappedBitmap.h"

#include <QPainter>
#include <cmath>
#include <cstring>

namespace quorvane {
namespace {

constexpr double twoTo63 = 9223372036854775808.0;

struct PixelSize {
    double width;
    double height;
};

std::optional<PixelSize> displayPixels(const QRectF& frame, double scale) {
    if (!geom::isValidArea(frame) || !std::isfinite(scale) || !(scale > 0)) return std::nullopt;
    const double w = std::ceil(geom::width(frame) * scale), h = std::ceil(geom::height(frame) * scale);
    const auto inRange = [](double v) { return std::isfinite(v) && v >= 1 && v < twoTo63; };
    if (!inRange(w) || !inRange(h)) return std::nullopt;
    return PixelSize{w, h};
}

// Snaps the floating-point noise of a point edge made from whole pixels, so that flooring and
// ceiling do not widen the rectangle by a pixel.
double pixelCoordinate(double v, double origin, double scale) {
    const double raw = (v - origin) * scale;
    const double e =
        scale * (geom::ulp(v) + geom::ulp(origin)) + std::abs(v - origin) * geom::ulp(scale) + geom::ulp(raw);
    const double tolerance = 2 * e <= 1e-6 ? 2 * e : 1e-6;
    const double nearest = std::round(raw);
    return std::abs(raw - nearest) <= tolerance ? nearest : raw;
}

bool copyRows(const QImage& source, const QRect& area, QImage& target) {
    const auto format = source.format();
    if (format != QImage::Format_RGBA8888_Premultiplied && format != QImage::Format_RGBX8888) return false;
    // RGBX keeps 255 in its fourth byte, so its rows are already opaque premultiplied RGBA.
    const qsizetype rowLength = qsizetype(area.width()) * 4;
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(target.scanLine(y), source.constScanLine(area.y() + y) + qsizetype(area.x()) * 4,
                    static_cast<std::size_t>(rowLength));
    return true;
}

} // namespace

std::optional<QRectF> CaptureGeometry::pixels(const QRectF& rect) const {
    const auto size = displayPixels(frame, scale);
    if (!size || !geom::isValidArea(rect) || !geom::contains(frame, rect)) return std::nullopt;
    const double ox = geom::minX(frame), oy = geom::minY(frame);
    const double left = std::floor(pixelCoordinate(geom::minX(rect), ox, scale));
    const double top = std::floor(pixelCoordinate(geom::minY(rect), oy, scale));
    const double right = std::ceil(pixelCoordinate(geom::maxX(rect), ox, scale));
    const double bottom = std::ceil(pixelCoordinate(geom::maxY(rect), oy, scale));
    const QRectF result(left, top, right - left, bottom - top);
    if (!geom::isValidArea(result) || !geom::contains(QRectF(0, 0, size->width, size->height), result))
        return std::nullopt;
    return result;
}

std::optional<QImage> CaptureGeometry::crop(const QImage& displayImage, const QRectF& rect) const {
    const auto size = displayPixels(frame, scale);
    if (!size || displayImage.isNull() || displayImage.width() != size->width ||
        displayImage.height() != size->height)
        return std::nullopt;
    const auto area = pixels(rect);
    if (!area) return std::nullopt;
    const QRect whole(static_cast<int>(area->x()), static_cast<int>(area->y()),
                      static_cast<int>(area->width()), static_cast<int>(area->height()));
    return MappedBitmap::image(whole.width(), whole.height(), MappedBitmap::Alpha::premultipliedLast,
                               [&](QImage& target) {
                                   if (copyRows(displayImage, whole, target)) return;
                                   QPainter painter(&target);
                                   painter.setCompositionMode(QPainter::CompositionMode_Source);
                                   painter.drawImage(QPoint(0, 0), displayImage, whole);
                               });
}

std::optional<QRectF> CaptureGeometry::normalizedSelection(const QPointF& a, const QPointF& b,
                                                           const QRectF& bounds) {
    if (!geom::isValidArea(bounds) || !geom::isFinite(a) || !geom::isFinite(b)) return std::nullopt;
    const double minX = std::max(std::min(a.x(), b.x()), geom::minX(bounds));
    const double maxX = std::min(std::max(a.x(), b.x()), geom::maxX(bounds));
    const double minY = std::max(std::min(a.y(), b.y()), geom::minY(bounds));
    const double maxY = std::min(std::max(a.y(), b.y()), geom::maxY(bounds));
    if (!(minX < maxX) || !(minY < maxY)) return std::nullopt;
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

} // namespace quorvane
