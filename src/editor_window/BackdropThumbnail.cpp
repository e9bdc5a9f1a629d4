#include "editor_window/BackdropThumbnail.h"

#include "adjustments/ImageResampler.h"
#include "core/Geometry.h"

#include <QPainter>
#include <cmath>

namespace quorvane {
namespace {

// Two greys in 8-point squares, the darker one at the top left.
void drawCheckerboard(QPainter& painter, const QRectF& canvas) {
    painter.fillRect(canvas, QColor::fromRgbF(0.94f, 0.94f, 0.94f));
    const QColor dark = QColor::fromRgbF(0.84f, 0.84f, 0.84f);
    const int rows = static_cast<int>(std::ceil(canvas.height() / 8));
    const int columns = static_cast<int>(std::ceil(canvas.width() / 8));
    for (int r = 0; r < rows; ++r)
        for (int c = r % 2; c < columns; c += 2)
            painter.fillRect(QRectF(canvas.x() + 8.0 * c, canvas.y() + 8.0 * r, 8, 8).intersected(canvas),
                             dark);
}

} // namespace

std::optional<QImage> BackdropThumbnail::downscaled(const QImage& image, const QSizeF& size, double scale) {
    if (image.isNull()) return std::nullopt;
    const double ratio =
        std::min(size.width() * scale / image.width(), size.height() * scale / image.height());
    if (ratio >= 1) return image;
    return ImageResampler::resize(image,
                                  QSizeF(std::max(std::round(ratio * image.width()), 1.0),
                                         std::max(std::round(ratio * image.height()), 1.0)),
                                  ImageResampler::Quality::smooth);
}

QImage BackdropThumbnail::render(const Backdrop& backdrop, const QSizeF& exportSize) {
    const double p = backdrop.padding;
    const double canvasWidth = std::round(exportSize.width()) + 2 * p;
    const double canvasHeight = std::round(exportSize.height()) + 2 * p;
    if (!(canvasWidth > 0) || !(canvasHeight > 0)) return {};

    QImage bitmap(static_cast<int>(pointSize.width() * scale), static_cast<int>(pointSize.height() * scale),
                  QImage::Format_RGBA8888_Premultiplied);
    if (bitmap.isNull()) return {};
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    painter.scale(scale, scale);

    const double s = std::min(pointSize.width() / canvasWidth, pointSize.height() / canvasHeight);
    const QRectF canvas((pointSize.width() - canvasWidth * s) / 2,
                        (pointSize.height() - canvasHeight * s) / 2, canvasWidth * s, canvasHeight * s);
    if (std::holds_alternative<Backdrop::Transparent>(backdrop.fill)) drawCheckerboard(painter, canvas);

    const QRectF imageRect(canvas.x() + p * s, canvas.y() + p * s, exportSize.width() * s,
                           exportSize.height() * s);
    const QTransform mapping = BackdropPreview::transform(backdrop, exportSize, imageRect);
    const QRectF mapped = mapping.mapRect(QRectF(0, 0, canvasWidth, canvasHeight));
    if (mapped.width() > 0 && mapped.height() > 0 && geom::isFinite(mapped)) {
        if (const auto background = preview_.background(backdrop, exportSize, mapped.size(), scale)) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(mapped, *background);
            painter.restore();
        }
    }

    if (source_) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (backdrop.cornerRadius >= 1) {
            const QPainterPath outline = mapping.map(backdrop.imagePath(exportSize));
            if (!outline.isEmpty()) {
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setClipPath(outline);
            }
        }
        painter.drawImage(imageRect, *source_);
        painter.restore();
    }
    painter.end();
    bitmap.setDevicePixelRatio(scale);
    return bitmap;
}

} // namespace quorvane
