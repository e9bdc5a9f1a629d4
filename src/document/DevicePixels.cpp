#include "document/DevicePixels.h"

#include "core/Geometry.h"
#include "imaging/MappedBitmap.h"

namespace quorvane::DevicePixels {

QImage* paintedImage(QPainter& painter, QImage& target) {
    return painter.isActive() && painter.device() == &target && !target.isNull() ? &target : nullptr;
}

QRect area(const QRectF& rect, const QPainter& painter, const QSize& size) {
    const QRectF mapped = painter.deviceTransform().mapRect(geom::standardized(rect));
    if (!geom::isFinite(mapped)) return {};
    const QRectF clipped =
        geom::intersection(geom::integral(mapped), QRectF(0, 0, size.width(), size.height()));
    if (geom::isEmpty(clipped)) return {};
    return QRect(static_cast<int>(clipped.x()), static_cast<int>(clipped.y()),
                 static_cast<int>(clipped.width()), static_cast<int>(clipped.height()));
}

void use(QPainter& painter) {
    painter.setWorldTransform(painter.deviceTransform().inverted(), true);
}

std::optional<QImage> copy(const QImage& image, const QRect& area) {
    return MappedBitmap::image(area.width(), area.height(), MappedBitmap::Alpha::premultipliedLast,
                               [&](QImage& target) {
                                   QPainter painter(&target);
                                   painter.setCompositionMode(QPainter::CompositionMode_Source);
                                   painter.drawImage(QPoint(0, 0), image, area);
                               });
}

} // namespace quorvane::DevicePixels
