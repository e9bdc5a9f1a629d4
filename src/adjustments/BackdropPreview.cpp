#include "adjustments/BackdropPreview.h"

#include "core/Geometry.h"

#include <QPainter>
#include <cmath>

namespace quorvane {

bool BackdropPreview::Key::operator==(const Key& other) const {
    return backdrop == other.backdrop && geom::exactlyEqual(exportSize, other.exportSize) &&
           geom::exactlyEqual(pixels, other.pixels);
}

std::optional<QImage> BackdropPreview::background(const Backdrop& backdrop, const QSizeF& exportSize,
                                                  const QSizeF& size, double scale) {
    double pw = std::ceil(size.width() * scale), ph = std::ceil(size.height() * scale);
    constexpr double maxPixels = 16'000'000;
    if (pw * ph > maxPixels) {
        const double f = std::sqrt(maxPixels / (pw * ph));
        pw = std::floor(pw * f);
        ph = std::floor(ph * f);
    }
    const double canvasWidth = std::round(exportSize.width()) + 2.0 * backdrop.padding;
    const double canvasHeight = std::round(exportSize.height()) + 2.0 * backdrop.padding;
    // Comparisons written so that NaN fails them.
    if (!(pw >= 1 && ph >= 1 && pw * ph <= maxPixels) || !(canvasWidth >= 1 && canvasHeight >= 1))
        return std::nullopt;

    Key key{backdrop, exportSize, QSizeF(pw, ph)};
    if (cache_ && cache_->first == key) return cache_->second;

    QImage image(static_cast<int>(pw), static_cast<int>(ph), QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) return std::nullopt;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pw / canvasWidth, ph / canvasHeight);
        if (!backdrop.drawBackground(painter, exportSize)) return std::nullopt;
    }
    cache_ = std::pair{std::move(key), image};
    return image;
}

QTransform BackdropPreview::transform(const Backdrop& backdrop, const QSizeF& exportSize,
                                      const QRectF& imageRect) {
    const double p = backdrop.padding;
    const double innerWidth = std::round(exportSize.width()), innerHeight = std::round(exportSize.height());
    if (!(innerWidth > 0 && innerHeight > 0)) return QTransform();
    const double sx = imageRect.width() / innerWidth, sy = imageRect.height() / innerHeight;
    return QTransform(sx, 0, 0, sy, imageRect.x() - sx * p, imageRect.y() - sy * p);
}

} // namespace quorvane
